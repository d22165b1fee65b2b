#pragma once

#include "core/analysis/AnalysisView.h"
#include "core/pdfcheck/PdfVerdict.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QStringList>

class AnalysisDriver;
class fFileDownload;
class fWebSearch;

// The analysis in the main window: the four commands of the "分析下载" pop-up menu (menu加入), which Command2
// opens and Timer1 reaches through the driver's automatic tick, and the window's side of a run: its check boxes,
// list selection, progress panel and the hand-over to the download window, and what the download window's check of
// a handed-over PDF tells back (its DOI and pages go into the row). Lives as a child of the window.
class AnalysisMenu final : public QObject, private AnalysisView
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AnalysisMenu)

public:
    explicit AnalysisMenu(fWebSearch &window);
    ~AnalysisMenu() override;

    AnalysisDriver &driver() const { return *m_driver; }

private:
    bool skipExistingFile() const override;
    bool skipVisitedAddress() const override;
    bool followAnalysedRow() const override;
    void scrollToRow(int row) override;
    bool isRowSelected(int row) const override;
    QString saveFolder() const override;
    void setRunning(bool running) override;
    void setProgress(int value, int maximum) override;
    void 加入下载列表(const QString &address, const QString &title, const QString &type, const QString &folder,
                      const QString &referrer) override;
    void 显示下载窗口(bool restore) override;

    // The addresses handed over since the last row ended came from `row`.
    void attributeHandOvers(int row);
    // The check of a handed-over file: the paper asked for gives the row its DOI and page count, any other verdict
    // takes them away (a file replaced by another one no longer tells them).
    void takePdfFacts(const QString &address, const PdfReport &report);

    fWebSearch &m_window;
    AnalysisDriver *m_driver = nullptr;
    QStringList m_unattributed;
    QHash<QString, QString> m_rowKeys; // download address -> the key of the result row that handed it over
    // Verdicts that came before their row's analysis ended (a small file is saved and checked during the pause
    // after the row's page), by download address; they reach the row once it is known.
    QHash<QString, PdfReport> m_earlyReports;
    QPointer<fFileDownload> m_listening; // the download window whose checks reach takePdfFacts
};
