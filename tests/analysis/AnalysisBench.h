#pragma once

#include "core/analysis/AnalysisDriver.h"
#include "core/analysis/AnalysisView.h"
#include "core/analysis/ProxyRotation.h"
#include "core/download/AddToDownloadList.h"
#include "core/download/DownloadListModel.h"
#include "core/run/Pauses.h"
#include "core/run/RunFlags.h"
#include "core/search/ResultListModel.h"
#include "core/store/VisitedDatabase.h"
#include "support/FixtureHttpServer.h"
#include "support/ManualClock.h"
#include "support/ScholarSite.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QSet>
#include <QSignalSpy>

// The window side of a run, as a test sees it: check boxes, selection, progress and the download list.
class FakeAnalysisView final : public AnalysisView
{
public:
    bool check1 = false;
    bool check3 = false;
    bool check7 = false;
    bool nameFromAddress = false;
    QString folder;
    QSet<int> selected;
    DownloadListModel downloads;
    QList<bool> running;
    QList<int> progressValues;
    int progressMaximum = -1;
    QList<int> scrolledTo;
    QList<bool> downloadWindowShown;

    bool skipExistingFile() const override { return check1; }
    bool skipVisitedAddress() const override { return check3; }
    bool followAnalysedRow() const override { return check7; }
    void scrollToRow(int row) override { scrolledTo << row; }
    bool isRowSelected(int row) const override { return selected.contains(row); }
    QString saveFolder() const override { return folder; }
    void setRunning(bool on) override { running << on; }
    void setProgress(int value, int maximum) override
    {
        progressValues << value;
        progressMaximum = maximum;
    }
    void 加入下载列表(const QString &address, const QString &title, const QString &type, const QString &folderPath,
                      const QString &referrer) override
    {
        ::加入下载列表(downloads, address, title, type, folderPath, referrer, nameFromAddress);
    }
    void 显示下载窗口(bool restore) override { downloadWindowShown << restore; }
};

// The delay box and the stop flag the pause looks at.
class FakePacing final : public PacingView
{
public:
    explicit FakePacing(RunFlags &flags) : m_flags(flags)
    {
        connect(&flags, &RunFlags::changed, this, &PacingView::changed);
    }
    QString delay = QStringLiteral("0");
    // Every pass of a pause reads the delay once; with a delay of 0 a pause is exactly one read.
    mutable int delayReads = 0;
    QString delayText() const override
    {
        ++delayReads;
        return delay;
    }
    bool collectIdle() const override { return m_flags.CollectIdle(); }
    bool analysisIdle() const override { return m_flags.AnalysisIdle(); }

private:
    RunFlags &m_flags;
};

// Everything one analysis run needs, on a private data folder and a loopback fixture site.
struct AnalysisBench {
    // The pauses and time-outs of a run wait for the test to move the clock.
    ManualClock clock;
    TestHome home;
    RecordingPrompt prompt;
    FixtureHttpServer server;
    ScholarSite site{server, scholarFolder()};
    ResultListModel rows;
    RunFlags flags;
    ProxyRotation proxies;
    FakeAnalysisView view;
    FakePacing pacing{flags};
    AnalysisDriver driver{rows, flags, proxies, view, pacing};

    AnalysisBench()
    {
        OpenVisitedDatabase();
        view.folder = home.filePath(QStringLiteral("save"));
        QDir().mkpath(view.folder);
    }
    ~AnalysisBench() { CloseVisitedDatabase(); }

    // The fixture site (tests/data/scholar), wherever the test is run from: __FILE__ may be relative to the build
    // folder when the compiler cache rewrites paths.
    static QString scholarFolder() { return QStringLiteral(PH_TEST_DATA_DIR "/scholar"); }

    QString folderWithSeparator() const { return view.folder + QLatin1Char('/'); }

    void addRow(const QString &key, const QString &title, const QString &type = QStringLiteral("htm"),
                const QString &status = {})
    {
        rows.addRow(ResultRow{key, title, status, type, view.folder, site.base() + QStringLiteral("/s?wd=x")});
    }

    // Starts a run and waits for its end; without a pause nor a time-out to wait for, the clock stands still.
    bool runToEnd(AnalysisSet set, int timeoutMs = 60000)
    {
        QSignalSpy finished(&driver, &AnalysisDriver::runFinished);
        driver.start(set);
        return !finished.isEmpty() || finished.wait(timeoutMs);
    }

    QStringList statuses() const
    {
        QStringList out;
        for (int i = 0; i < rows.rowCount(); ++i)
            out << rows.row(i).status;
        return out;
    }
};
