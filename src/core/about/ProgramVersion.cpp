#include "core/about/ProgramVersion.h"

#include <QCoreApplication>

QVersionNumber ProgramVersion()
{
    const QVersionNumber version = QVersionNumber::fromString(QCoreApplication::applicationVersion());
    return QVersionNumber(version.majorVersion(), version.minorVersion(), version.microVersion());
}

QString ProgramVersionText()
{
    const QVersionNumber version = ProgramVersion();
    return QString::number(version.majorVersion()) + QLatin1Char('.') + QString::number(version.minorVersion()) +
           QLatin1Char('.') + QString::number(version.microVersion());
}

qint64 VersionNumber(qint64 major, qint64 minor, qint64 revision)
{
    return major * 10000000 + minor * 10000 + revision;
}

qint64 VersionNumber(const QVersionNumber &version)
{
    return VersionNumber(version.majorVersion(), version.minorVersion(), version.microVersion());
}
