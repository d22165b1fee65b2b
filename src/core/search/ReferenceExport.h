#pragma once

#include "core/search/ResultRow.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

// The formats the result list is written in: the list exchange file, and three that reference managers and
// spreadsheets read (with the citation fields).
enum class ListFormat { ListFile, Csv, Ris, Bibtex };

// "zxul", "csv", "ris", "bibtex" (letter case ignored); nullopt for anything else.
std::optional<ListFormat> ListFormatNamed(const QString &name);
// By the file's extension: .csv, .ris, .bib or .bibtex; anything else is a list exchange file.
ListFormat ListFormatOfPath(const QString &path);

// CSV as spreadsheet programs open it: UTF-8 with a byte-order mark, CR LF, every field quoted (RFC 4180), a
// header row. A field that begins like a formula (=, +, -, @) gets a leading apostrophe, so opening the file
// never runs what a web page put in a title.
QByteArray CsvText(const QList<ResultRow> &rows);
// RIS: one record per row, CR LF; line breaks inside a value become blanks, as every tag holds one line.
QByteArray RisText(const QList<ResultRow> &rows);
// BibTeX in UTF-8: @article when the row names a source, @misc otherwise; braces and the characters TeX reads
// as commands are escaped so every value stays balanced, and every entry has a key of its own.
QByteArray BibtexText(const QList<ResultRow> &rows);

// Writes `rows` in one of the three reference formats to `path`, replacing it only once the new file is
// complete. False with the reason in `error`.
bool WriteReferenceFile(const QString &path, ListFormat format, const QList<ResultRow> &rows, QString *error = nullptr);
