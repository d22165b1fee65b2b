#include "ProcessTreeMemory.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QList>

namespace {
QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The parent of every process now running.
QHash<qint64, qint64> parents()
{
    QHash<qint64, qint64> out;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        bool numeric = false;
        const qint64 pid = entry.toLongLong(&numeric);
        if (!numeric)
            continue;
        // "pid (name) state ppid ...": the name may hold spaces and parentheses, so read after the last ')'.
        const QByteArray stat = readAll(QStringLiteral("/proc/%1/stat").arg(pid));
        const qsizetype close = stat.lastIndexOf(')');
        if (close < 0)
            continue;
        const QList<QByteArray> fields = stat.mid(close + 2).split(' ');
        if (fields.size() > 1)
            out.insert(pid, fields.at(1).toLongLong());
    }
    return out;
}

// A "Name:   1234 kB" line of a /proc status file, in bytes.
qint64 kilobytesField(const QByteArray &text, const QByteArray &name)
{
    const qsizetype at = text.indexOf("\n" + name);
    if (at < 0)
        return 0;
    const qsizetype end = text.indexOf('\n', at + 1);
    const QByteArray line = text.mid(at + 1 + name.size(), end - at - 1 - name.size()).trimmed();
    return line.split(' ').value(0).toLongLong() * 1024;
}
} // namespace

ProcessTreeMemory::ProcessTreeMemory(qint64 rootPid, std::chrono::milliseconds interval) : m_root(rootPid)
{
    m_timer.setInterval(interval);
    connect(&m_timer, &QTimer::timeout, this, &ProcessTreeMemory::sample);
    m_timer.start();
    sample();
}

ProcessTreeMemory::Sample ProcessTreeMemory::sampleTree(qint64 rootPid)
{
    const QHash<qint64, qint64> parentOf = parents();
    QList<qint64> tree{rootPid};
    for (qsizetype i = 0; i < tree.size(); ++i)
        for (auto it = parentOf.cbegin(); it != parentOf.cend(); ++it)
            if (it.value() == tree.at(i))
                tree.append(it.key());
    Sample s;
    for (const qint64 pid : tree) {
        const QByteArray status = readAll(QStringLiteral("/proc/%1/status").arg(pid));
        if (status.isEmpty())
            continue;
        ++s.processes;
        s.rssBytes += kilobytesField(status, "VmRSS:");
        s.pssBytes += kilobytesField("\n" + readAll(QStringLiteral("/proc/%1/smaps_rollup").arg(pid)), "Pss:");
    }
    return s;
}

void ProcessTreeMemory::stop()
{
    sample();
    m_timer.stop();
}

void ProcessTreeMemory::sample()
{
    const Sample s = sampleTree(m_root);
    m_peakRss = std::max(m_peakRss, s.rssBytes);
    m_peakPss = std::max(m_peakPss, s.pssBytes);
    m_mostProcesses = std::max(m_mostProcesses, s.processes);
}
