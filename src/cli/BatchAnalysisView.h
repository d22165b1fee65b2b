#pragma once

#include "core/analysis/AnalysisView.h"

#include <QHash>
#include <QString>
#include <QStringList>

class DownloadListModel;
struct ResultRow;

// The analysis run's view in the batch mode: the skip rules come from the options, nothing is selected or
// scrolled, and hand-overs go straight into the download list.
class BatchAnalysisView final : public AnalysisView
{
public:
    struct Rules {
        bool skipExistingFile = false;
        bool skipVisitedAddress = false;
        bool nameFromAddress = false;
        QString saveFolder;
    };

    // `titles` and `rowKeys` learn the title and the key of the result row of every address handed over
    // (attributeHandOvers).
    BatchAnalysisView(const Rules &rules, DownloadListModel &downloads, QHash<QString, QString> &titles,
                      QHash<QString, QString> &rowKeys);

    // The addresses handed over since the last call came from `row`, whose analysis just ended. (A hand-over
    // carries the file name made from the title, not the title, nor the row.)
    void attributeHandOvers(const ResultRow &row);

    bool skipExistingFile() const override { return m_rules.skipExistingFile; }
    bool skipVisitedAddress() const override { return m_rules.skipVisitedAddress; }
    bool followAnalysedRow() const override { return false; }
    void scrollToRow(int) override {}
    bool isRowSelected(int) const override { return false; }
    QString saveFolder() const override { return m_rules.saveFolder; }
    void setRunning(bool) override {}
    // The batch counts analysed rows itself (BatchRun), one bar step per row.
    void setProgress(int, int) override {}
    void 加入下载列表(const QString &address, const QString &title, const QString &type, const QString &folder,
                      const QString &referrer) override;
    void 显示下载窗口(bool) override {}

private:
    // A file of `folder` that an earlier run saved from `address` (its origin says so), when skipping visited
    // addresses: the visit may not have reached the data folder (a full disk), but the file did.
    QString savedBefore(const QString &folder, const QString &address);

    Rules m_rules;
    DownloadListModel &m_downloads;
    QHash<QString, QString> &m_titles;
    QHash<QString, QString> &m_rowKeys;
    QStringList m_unattributed;
    QHash<QString, QHash<QString, QString>> m_origins; // folder -> origin address -> file, read once per folder
};
