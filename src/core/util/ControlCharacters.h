#pragma once

#include <QString>

// Text from pages and files the program does not control can carry characters that act instead of showing: C0 and
// C1 controls steer a terminal (ESC sequences retitle it or clear it), and the bidirectional overrides, embeddings
// and isolates make a name read differently from what it is ("fdp.exe" shown as "exe.pdf").

// True for a C0 or C1 control (DEL too), a bidirectional embedding, override or isolate, or a line or paragraph
// separator. The left-to-right and right-to-left marks are not among them: they reorder nothing on their own.
bool IsControlCharacter(char32_t c);

// True when `text` holds a character IsControlCharacter names.
bool HasControlCharacters(QStringView text);

// `text` without the characters IsControlCharacter names.
QString RemoveControlCharacters(const QString &text);

// `text` with every character a terminal would not simply show written as an escape instead: "\x1b" below U+0100,
// "\u202e" up to U+FFFF, "\U000e0001" above, and "\ud800" for half a surrogate pair. Joiners stay: emoji and many
// scripts need them. Line breaks are escaped too, so one call gives one line.
QString EscapeNonPrintable(const QString &text);
