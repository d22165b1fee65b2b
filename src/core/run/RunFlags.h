#pragma once

#include <QObject>

// The main window's run flags: the only guard that keeps its long runs apart. Each idle flag is true while its
// run is not active; setting it to true while the run is active asks that run to stop at its next check.
// `PageLoading` is true from the start of a waited-for navigation until the top-level document completes.
// Every change is signalled, so a run that waits (a page turn, a pause) wakes up when it is asked to stop
// instead of polling the flag.
class RunFlags final : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    bool CollectIdle() const { return m_collectIdle; }
    bool AnalysisIdle() const { return m_analysisIdle; }
    bool BatchIdle() const { return m_batchIdle; }
    bool PageLoading() const { return m_pageLoading; }

    void setCollectIdle(bool on) { set(m_collectIdle, on, &RunFlags::collectIdleChanged); }
    void setAnalysisIdle(bool on) { set(m_analysisIdle, on, &RunFlags::analysisIdleChanged); }
    void setBatchIdle(bool on) { set(m_batchIdle, on, &RunFlags::batchIdleChanged); }
    void setPageLoading(bool on) { set(m_pageLoading, on, &RunFlags::pageLoadingChanged); }

    // True when no run is active (the condition for sorting the list and closing the window).
    bool allIdle() const { return m_collectIdle && m_analysisIdle && m_batchIdle; }

Q_SIGNALS:
    void collectIdleChanged(bool idle);
    void analysisIdleChanged(bool idle);
    void batchIdleChanged(bool idle);
    void pageLoadingChanged(bool loading);
    // Any of the four changed.
    void changed();

private:
    void set(bool &flag, bool on, void (RunFlags::*signal)(bool))
    {
        if (flag == on)
            return;
        flag = on;
        Q_EMIT(this->*signal)(on);
        Q_EMIT changed();
    }

    bool m_collectIdle = true;
    bool m_analysisIdle = true;
    bool m_batchIdle = true;
    bool m_pageLoading = false;
};
