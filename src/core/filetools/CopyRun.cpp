#include "core/filetools/CopyRun.h"

#include "core/filetools/CopyDestination.h"
#include "core/filetools/CopyThroughTemporary.h"
#include "core/filetools/NumberedCopy.h"
#include "core/util/FileNameRules.h"

#include <QCoroTimer>
#include <QFileInfo>
#include <QPointer>
#include <chrono>

CopyRun::CopyRun(QObject *parent) : QObject(parent) {}

void CopyRun::abandon()
{
    m_abandoned = true;
    stop();
}

void CopyRun::setRunning(bool running)
{
    if (m_running == running)
        return;
    m_running = running;
    Q_EMIT runningChanged(running);
}

void CopyRun::dropMissingFiles(QStringList &files)
{
    files.removeIf([](const QString &path) { return !IsExistingFile(path); });
}

QCoro::Task<> CopyRun::run(QStringList files, QString destination)
{
    // The run outlives its owner when the window is closed and destroyed in the middle of a copy: after every
    // suspension it first looks whether it is still wanted.
    const QPointer<CopyRun> self(this);
    const auto keepGoing = [self] { return self && !self->m_abandoned; };

    m_stopRequested = false;
    m_abandoned = false;
    m_report = {};
    setRunning(true);
    const int count = static_cast<int>(files.size());
    Q_EMIT progressChanged(0, count + 1);

    for (int i = 1; i <= count; ++i) {
        if (m_stopRequested)
            break;
        Q_EMIT progressChanged(i, count + 1);
        const QString &source = files.at(i - 1);
        QString base;
        QString extension;
        const QString folder = SplitPath(source, base, extension);
        if (IsSameFolder(folder, destination)) {
            m_report.skipped << source;
            continue;
        }
        const QString name = extension.isEmpty() ? base : base + QLatin1Char('.') + extension;
        Q_EMIT currentFileChanged(name);
        co_await QCoro::sleepFor(std::chrono::milliseconds(0));
        if (!keepGoing())
            break;

        const QString target = destination + name;
        ClashAction action = ClashAction::Overwrite;
        if (IsExistingFile(target))
            action = ResolveClash(m_rule, QFileInfo(source), QFileInfo(target));
        // Worked out before the copy takes it.
        const QString written = action == ClashAction::Rename ? NumberedCopyTarget(source, destination) : target;
        bool copied = false;
        switch (action) {
        case ClashAction::Skip:
            m_report.skipped << source;
            continue;
        case ClashAction::Overwrite:
            copied = co_await CopyThroughTemporary(source, target, keepGoing);
            break;
        case ClashAction::Rename:
            copied = co_await 复制相同文件自动重命名(source, destination, keepGoing);
            break;
        }
        if (!keepGoing())
            break;
        if (copied)
            m_report.written << written;
        else
            m_report.failed << source;
    }

    if (!self)
        co_return;
    Q_EMIT progressChanged(0, count + 1);
    Q_EMIT currentFileChanged(QString());
    setRunning(false);
}
