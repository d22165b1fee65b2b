#pragma once

#include "core/search/ResultRow.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QSaveFile>
#include <QString>
#include <memory>
#include <optional>

// The formats the result list is written in: the list exchange file, and three that reference managers and
// spreadsheets read (with the citation fields).
enum class ListFormat { ListFile, Csv, Ris, Bibtex };

// "zxul", "csv", "ris", "bibtex" (letter case ignored); nullopt for anything else.
std::optional<ListFormat> ListFormatNamed(const QString &name);
// By the file's extension: .csv, .ris, .bib or .bibtex; anything else is a list exchange file.
ListFormat ListFormatOfPath(const QString &path);

// Turns result rows into one of the three reference formats, row by row, so a long list can be written in slices.
// Titles, names, source and abstract go out as plain text on one line (PlainCitationText); addresses as they are.
//
// CSV as spreadsheet programs open it: UTF-8 with a byte-order mark, CR LF, every field quoted (RFC 4180), a
// header row, the DOI last (files from before it came lack that column and are still read as our own). A field that
// begins like a formula (=, +, -, @) gets a leading apostrophe, so opening the file never runs what a web page put
// in a title. The DOI (Citation::doi, what the saved PDF told) goes into the CSV column, RIS's DO and BibTeX's doi.
// RIS: one record per row, CR LF, each naming this program as its database (DB), which tells our own file.
// BibTeX in UTF-8 after a comment line that names this program: @article when the row names a source, @misc
// otherwise; braces and the characters TeX reads as commands are escaped so every value stays balanced, words
// with capitals inside (CO2, DNA, mRNA) are braced so styles keep their case, the url is the address itself, and
// every entry has a key of its own: the first author's family name (in pinyin for Chinese names) and the year,
// "-2", "-3" ... for the next ones of the same base.
class ReferenceEncoder final
{
public:
    explicit ReferenceEncoder(ListFormat format);
    // What the file begins with.
    QByteArray head() const;
    void append(QByteArray &out, const ResultRow &row);

private:
    QString bibtexKey(const ResultRow &row);
    QString keyName(const QString &author);

    ListFormat m_format;
    // Per key base (lower case: BibTeX compares keys so), how many entries took it.
    QHash<QString, int> m_keysTaken;
    QHash<QString, QString> m_keyNames;
};

QByteArray CsvText(const QList<ResultRow> &rows);
QByteArray RisText(const QList<ResultRow> &rows);
QByteArray BibtexText(const QList<ResultRow> &rows);

// True when the file at `path` begins as this program writes the format: the CSV header row, the first RIS
// record naming this program, the BibTeX comment line.
bool IsOwnReferenceFile(const QString &path, ListFormat format);

// Writes a reference file row by row beside its target; the file appears under its name only when finish()
// succeeds, and a writer destroyed before that leaves the target as it was and no file behind.
class ReferenceFileWriter final
{
public:
    explicit ReferenceFileWriter(ListFormat format);
    bool begin(const QString &path, QString *error = nullptr);
    bool append(const ResultRow &row, QString *error = nullptr);
    bool finish(QString *error = nullptr);

private:
    bool flush(QString *error);

    ReferenceEncoder m_encoder;
    QString m_path;
    std::unique_ptr<QSaveFile> m_file;
    QByteArray m_buffer;
};

// Writes `rows` in one of the three reference formats to `path` at once, through ReferenceFileWriter. False with
// the reason in `error`; a list without rows writes nothing.
bool WriteReferenceFile(const QString &path, ListFormat format, const QList<ResultRow> &rows, QString *error = nullptr);
