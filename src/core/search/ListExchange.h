#pragma once

#include "core/search/Citation.h"

#include <QList>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <vector>

class Database;
class Statement;
class Transaction;

// One result row as the list exchange file (".zxul") keeps it: table 导出表 exactly as it has always been, so any
// reader of that table reads our files, and the citation in a second table 引文表 whose id is the record's id
// (only for rows that have one; a file without that table reads as rows without citations), with the saved PDF's
// DOI and page count in its last columns. The source page is not stored.
struct ListRecord {
    QString key;    // L0, the result link
    QString title;  // L1
    QString status; // L2
    QString type;   // L3
    QString folder; // L4
    Citation citation = {};
};

struct ResultRow;
// The record a result row is exported as.
ListRecord ToListRecord(const ResultRow &row);

// The rows the "failed and unanalysed" export keeps: an empty status or one whose first two characters are "失败".
bool IsFailedOrUnanalysed(const QString &status);

// Writes a new list exchange file record by record in one transaction, so that a long export can hand control back
// to the event loop between batches. The file appears under its name only when finish() succeeds; a writer
// destroyed before that leaves no file behind, and an existing file of that name stays as it was until then.
class ListFileWriter final
{
public:
    ListFileWriter();
    ~ListFileWriter();
    ListFileWriter(const ListFileWriter &) = delete;
    ListFileWriter &operator=(const ListFileWriter &) = delete;

    bool begin(const QString &path, QString *error = nullptr);
    // Appends one record, cut to the stored lengths; a record whose address does not fit its column is left out
    // and counted in skippedLongKeys().
    bool append(const ListRecord &record, QString *error = nullptr);
    bool finish(QString *error = nullptr);
    int skippedLongKeys() const { return m_skippedLongKeys; }

private:
    void abandon();
    QString partialPath() const;
    // Sets the error, naming the user's file rather than the one being written, and abandons the file.
    void fail(QString *error, const QString &reason);

    int m_skippedLongKeys = 0;
    QString m_path;
    std::unique_ptr<Database> m_db;
    std::unique_ptr<Transaction> m_transaction;
    std::unique_ptr<Statement> m_insert;
    std::unique_ptr<Statement> m_insertCitation;
};

// Reads an existing list exchange file in batches, in the order of its records; records whose key is not an http
// or https address are skipped, as records that cannot be turned into a row (IsWebAddress). Opening never creates
// or changes a file: a missing file, a file of another kind, one written with another password or without the
// 导出表 table fails with the reason. The file is data, never a program: only a plain table 导出表 (and the
// citation table beside it) is read, no view and no computed column, every value at most as long as its column.
class ListFileReader final
{
public:
    // The citation table's columns a reader knows.
    static constexpr int kCitationColumnCount = 8;

    ListFileReader();
    ~ListFileReader();
    ListFileReader(const ListFileReader &) = delete;
    ListFileReader &operator=(const ListFileReader &) = delete;

    bool open(const QString &path, QString *error = nullptr);
    // The number of records in the table (the skipped ones included) for a file the program wrote; for a file
    // with gaps in its ids, more.
    qint64 recordCount() const { return m_count; }
    // Appends up to `most` records to `out`; `atEnd` turns true after the last. False when the file cannot be
    // read on (a damaged or cut-off file).
    bool read(int most, QList<ListRecord> &out, bool &atEnd, QString *error = nullptr);
    // Records left out because their address is longer than its column (500 characters).
    int skippedLongKeys() const { return m_skippedLongKeys; }
    // Stops a read under way (from another thread too): read() fails with "stopped" within a few thousand steps
    // of the database.
    void cancel();

private:
    std::unique_ptr<Database> m_db;
    std::unique_ptr<Statement> m_select;
    std::atomic_bool m_cancelled = false;
    int m_skippedLongKeys = 0;
    int m_column[5] = {-1, -1, -1, -1, -1};
    // 作者, 来源, 年份, 被引量, 摘要, 作者列表, DOI, 页数 when the file has the citation table (and those columns).
    int m_citationColumn[kCitationColumnCount] = {-1, -1, -1, -1, -1, -1, -1, -1};
    qint64 m_count = 0;
    // The statuses, types and folders read last, most recent first: a list holds a handful of each, and rows
    // that share one text hold it once instead of a copy each, whatever the order the records mix them in.
    static constexpr int kRecentTexts = 8;
    QString m_recentText[5][kRecentTexts];
    QByteArray m_recentUtf8[5][kRecentTexts];
    // The record's address and title as text, before they go into the record's one block.
    std::vector<QChar> m_decoded;
};

// Writes `records` to a new list exchange file at `path`, cut to the stored lengths, in list order and in one
// transaction. An existing file of that name is replaced only once the new one is complete, so a failed export
// never costs the user the old file. False with the reason in `error` on failure.
bool ExportListFile(const QString &path, const QList<ListRecord> &records, QString *error = nullptr);

// True when `path` is a list exchange file: it opens with the program's password and has a `导出表` table. Reading
// it changes nothing.
bool IsListFile(const QString &path);

// Reads every record of the list exchange file at `path` through ListFileReader; `onRecord` gets each one. False
// with the reason in `error` when the file cannot be opened or read.
bool ReadListFile(const QString &path, const std::function<void(const ListRecord &)> &onRecord,
                  QString *error = nullptr);

// "导出到文件完毕：" + size in KB as "#,##0.0" + "KB".
QString ExportFinishedText(qint64 fileBytes);
