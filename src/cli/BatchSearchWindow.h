#pragma once

#include "core/search/SearchWindow.h"

#include <QHash>
#include <QObject>
#include <QStringList>

class Browser;
class BatchProgress;
class PacingView;
class ResultListModel;
class RunFlags;

// The search window of the batch mode: the keywords and filters come from the command line, the save target was
// set before the run, and every harvested page is reported as a progress line.
class BatchSearchWindow final : public SearchWindow
{
public:
    BatchSearchWindow(Browser &browser, ResultListModel &results, RunFlags &flags, const PacingView &pacing,
                      BatchProgress &progress);

    // What the run searches: one keyword (group) per entry, in order; blank entries are passed over.
    void setKeywords(const QStringList &keywords, int typeIndex, int yearIndex);
    // The batch ended: the last keyword's report is completed.
    void finish();

    QString keywordText() const override { return m_keywordText; }
    void setKeywordText(const QString &text) override;
    int typeIndex() const override { return m_typeIndex; }
    int yearIndex() const override { return m_yearIndex; }
    void showBatchRunning(bool) override {}
    void showWalkRunning(bool) override {}
    // The save target is settled by the options before the run starts.
    void askSaveTarget() override {}
    void autoSizeListColumns() override {}
    QCoro::Task<> harvestPage() override;
    QCoro::Task<bool> nextPage() override;
    // Nobody can solve a verification here: the batch ends at the first page that is not a result page.
    bool waitForService(const ServicePageVerdict &verdict, const QString &keyword, const QString &address) override;
    // A refusal of one keyword's request fails that keyword, with its reason, and the batch goes on.
    bool failKeyword(const ServicePageVerdict &verdict, const QString &keyword, const QString &address) override;
    void serviceRetrying(const ServicePageVerdict &verdict, const QString &keyword, const QString &address,
                         std::chrono::milliseconds delay, int retry) override;
    void serviceWaitEnded() override {}
    const PacingView &walkPacing() const override { return m_pacing; }
    void pageWalkedBefore(const QString &address) override;

    // Why the service could not be used, when it could not; empty otherwise.
    QString serviceProblem() const { return m_serviceProblem; }
    // The keywords the service refused to search (or to walk to their end).
    int keywordsFailed() const { return m_keywordsFailed; }

private:
    // One line per result page that gave new rows (pages told apart by the rows' source page), numbered in
    // the order they appear within the keyword.
    void reportNewRows();
    void endKeyword();

    Browser &m_browser;
    ResultListModel &m_results;
    RunFlags &m_flags;
    const PacingView &m_pacing;
    BatchProgress &m_progress;
    QString m_keywordText;
    int m_typeIndex = 0;
    int m_yearIndex = 0;
    QString m_serviceProblem;
    int m_keywordsFailed = 0;
    bool m_keywordFailed = false; // the keyword being walked

    // The keyword being walked: the driver takes the non-blank lines in order and calls setKeywordText() once
    // as it starts each. Held as the messages show them: cut to a readable length.
    QStringList m_keywords;
    int m_keywordIndex = -1;
    QHash<QString, int> m_pageNumbers; // source page -> its number within the keyword
    int m_keywordRows = 0;
    int m_reportedRows = 0;
    QObject m_reporting; // the receiver of the list's row insertions while this window lives
};
