#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

// Plain-text files of the program (keywords, address and name lists, proxy list, folder history, saved page
// source): GBK with CR LF line ends, as other programs on the users' systems expect. Reading also takes UTF-8
// (with or without byte-order mark) and UTF-16/32 with a byte-order mark, so lists written by other tools load.
// Text GBK cannot hold is written as UTF-8 with a byte-order mark instead of losing characters to "?".
class TextFile final
{
public:
    // The whole file as text; nullopt when it cannot be read.
    static std::optional<QString> readText(const QString &path);
    // The file's lines without their line ends (CR LF, LF or CR); a final line end adds no empty line.
    static std::optional<QStringList> readLines(const QString &path);
    // Writes `text` with every line end made CR LF. Replaces the file only once everything is written.
    static bool writeText(const QString &path, const QString &text);
    // Writes each line followed by CR LF.
    static bool writeLines(const QString &path, const QStringList &lines);

    // The decoding and encoding the functions above use.
    static QString decode(const QByteArray &bytes);
    static QByteArray encode(const QString &text);
    // The name of the encoding encode() uses for `text`: "gbk" or "utf-8".
    static QString encodingName(const QString &text);
    static QStringList splitLines(const QString &text);
};
