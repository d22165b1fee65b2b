#pragma once

#include <QString>
#include <QVersionNumber>

// The program's own version: major, minor and revision of the application version (missing numbers read 0).
QVersionNumber ProgramVersion();
// "1.2.3".
QString ProgramVersionText();

// The number versions are compared by: major × 10000000 + minor × 10000 + revision. Held in 64 bits so that
// every reply of up to ten characters has its exact number.
qint64 VersionNumber(qint64 major, qint64 minor, qint64 revision);
qint64 VersionNumber(const QVersionNumber &version);
