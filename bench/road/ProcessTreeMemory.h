#pragma once

#include <QObject>
#include <QTimer>

// The peak memory of a process and all its descendants (the browser's helper processes included), sampled from
// /proc on a timer. RSS counts a page shared by several processes once per process; PSS shares it out, so the PSS
// sum is the tree's real footprint.
class ProcessTreeMemory final : public QObject
{
public:
    struct Sample {
        qint64 rssBytes = 0;
        qint64 pssBytes = 0;
        int processes = 0;
    };

    explicit ProcessTreeMemory(qint64 rootPid, std::chrono::milliseconds interval = std::chrono::milliseconds(50));

    static Sample sampleTree(qint64 rootPid);
    // Takes one more sample and stops.
    void stop();

    qint64 peakRssBytes() const { return m_peakRss; }
    qint64 peakPssBytes() const { return m_peakPss; }
    int mostProcesses() const { return m_mostProcesses; }

private:
    void sample();

    qint64 m_root;
    QTimer m_timer;
    qint64 m_peakRss = 0;
    qint64 m_peakPss = 0;
    int m_mostProcesses = 0;
};
