#pragma once

#include <QString>
#include <QStringView>

// Terminal columns a text takes: Chinese, Japanese and Korean characters and fullwidth forms take two, combining
// marks and invisible format characters none, everything else one. Decided here rather than by the C library, whose
// answer depends on the locale the program was started in.
int DisplayWidth(QStringView text);
// The longest start of `text` that takes at most `columns` columns; a wide character that would straddle the limit
// is left out whole.
QString FitToColumns(const QString &text, int columns);
