#pragma once

#include <QList>
#include <QString>
#include <functional>

// One result row as the list exchange file (".zxul", table 导出表) keeps it; the source page is not stored.
struct ListRecord {
    QString key;    // L0, the result link
    QString title;  // L1
    QString status; // L2
    QString type;   // L3
    QString folder; // L4
};

struct ResultRow;
// The record a result row is exported as.
ListRecord ToListRecord(const ResultRow &row);

// The rows the "failed and unanalysed" export keeps: an empty status or one whose first two characters are "失败".
bool IsFailedOrUnanalysed(const QString &status);

// Writes `records` to a new list exchange file at `path`, cut to the stored lengths, in list order and in one
// transaction. An existing file of that name is replaced only once the new one is complete, so a failed export
// never costs the user the old file. False with the reason in `error` on failure.
bool ExportListFile(const QString &path, const QList<ListRecord> &records, QString *error = nullptr);

// True when `path` is a list exchange file: it opens with the program's password and has a `导出表` table. Reading
// it changes nothing.
bool IsListFile(const QString &path);

// Reads every record of the list exchange file at `path` in the order the table returns them; `onRecord` gets
// each one whose key is an http or https address (IsWebAddress); the others are skipped, as records that cannot
// be turned into a row. A missing file is created empty (and yields nothing), as the import always did. False with
// the reason in `error` when the file cannot be opened or read.
bool ReadListFile(const QString &path, const std::function<void(const ListRecord &)> &onRecord,
                  QString *error = nullptr);

// "导出到文件完毕：" + size in KB as "#,##0.0" + "KB".
QString ExportFinishedText(qint64 fileBytes);
