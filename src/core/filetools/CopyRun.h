#pragma once

#include "core/filetools/ClashRule.h"

#include <QCoroTask>
#include <QObject>
#include <QStringList>

// One run of the copy tool: copies a list of files into one folder, file after file, deciding every name clash
// by the chosen rule. Other events run between files and while a large file is copied, so the window that drives
// the run stays responsive; stop() ends the run before its next file.
class CopyRun final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CopyRun)
public:
    // What the last run did with its files.
    struct Report {
        QStringList written; // the paths the copies went to
        QStringList skipped; // sources left alone: onto themselves, or a clash the rule skips
        QStringList failed;  // sources whose copy failed
    };

    explicit CopyRun(QObject *parent = nullptr);

    ClashRule rule() const { return m_rule; }
    // Read at every clash, so a change during a run applies from the next file on.
    void setRule(ClashRule rule) { m_rule = rule; }

    // True from the start of a run until it has ended, a stopped run included.
    bool isRunning() const { return m_running; }
    // The run finishes the file it is on and ends.
    void stop() { m_stopRequested = true; }
    // The run gives up the file it is on too (its temporary is removed) and ends: the window is going away.
    void abandon();

    // Copies `files` into `destination` (a folder path ending in a separator). The progress bar goes from 0 to the
    // number of files + 1: it shows the number of the file being copied and returns to 0 at the end.
    QCoro::Task<> run(QStringList files, QString destination);

    const Report &report() const { return m_report; }

    // Drops every path at which no file exists.
    static void dropMissingFiles(QStringList &files);

Q_SIGNALS:
    void progressChanged(int value, int maximum);
    // The name of the file being copied; empty between runs.
    void currentFileChanged(const QString &name);
    void runningChanged(bool running);

private:
    void setRunning(bool running);

    ClashRule m_rule = kDefaultClashRule;
    bool m_running = false;
    bool m_stopRequested = false;
    bool m_abandoned = false;
    Report m_report;
};
