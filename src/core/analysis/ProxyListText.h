#pragma once

#include <QString>
#include <QStringList>

// The proxy-address list as the options dialog edits it: one "address:port" per line, lines ended by CR LF.

// True when some entry, trimmed, equals the trimmed text (letter case matters).
bool 数组中查找(const QStringList &list, const QString &text);

// The box's lines trimmed, without empty ones and without repeats (first one kept), joined by CR LF without a
// final one.
QString UniqueProxyLines(const QString &text);

// Replaces ip.txt by `text`; false (with the old file untouched) when it cannot be written.
bool WriteProxyListFile(const QString &text);
