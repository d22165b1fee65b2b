#pragma once

#include <QString>

// The longest piece of a text a message repeats: a keyword, an address or a title the program did not choose can
// be megabytes long, and a message must stay a line someone reads.
inline constexpr qsizetype kMessageTextLimit = 200;

// `text` as a message shows it: whole when it is at most `most` characters long, else its first `most` characters
// (never half a surrogate pair) followed by "… (N characters)" with its full length.
QString CutForMessage(const QString &text, qsizetype most = kMessageTextLimit);
