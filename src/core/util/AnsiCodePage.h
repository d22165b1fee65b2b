#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// The ANSI code page of the Chinese systems the program's files and search keywords are made for: GBK (code
// page 936). One byte per ASCII character, two per Chinese character; characters GBK has no code for are told
// apart so callers can decide what to do with them instead of silently getting "?".
class AnsiCodePage final
{
public:
    // Number of GBK bytes of one character (1 or 2), 0 when GBK has no code for it.
    static int byteCount(char32_t character);
    // The GBK bytes of one character appended to `out`; false (and nothing appended) when it has none.
    static bool appendBytes(char32_t character, QByteArray &out);
    // True when every character of `text` has a GBK code (so encode() is lossless).
    static bool canEncode(QStringView text);
    // GBK bytes of `text`; characters without a code become "?".
    static QByteArray encode(QStringView text);
    // Text of GBK bytes; invalid sequences become U+FFFD.
    static QString decode(QByteArrayView bytes);
};

// Walks `text` one character (code point) at a time; a lone surrogate counts as a character of its own.
// `fn(codePoint, index, units)` returns false to stop.
template <typename Fn> void forEachCodePoint(QStringView text, Fn &&fn)
{
    qsizetype i = 0;
    while (i < text.size()) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            if (!fn(QChar::surrogateToUcs4(c, text[i + 1]), i, qsizetype(2)))
                return;
            i += 2;
        } else {
            if (!fn(char32_t(c.unicode()), i, qsizetype(1)))
                return;
            ++i;
        }
    }
}
