#include "core/search/ListExchange.h"

#include "core/net/HttpRequest.h"
#include "core/search/ResultRow.h"
#include "core/search/SearchTexts.h"
#include "core/store/Database.h"
#include "core/store/DatabasePassword.h"
#include "core/store/VisitedDatabase.h"
#include "core/util/ControlCharacters.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>

namespace {
// Stored lengths of L0..L4; longer values are cut before they are written.
constexpr int kKeyLength = 500;
constexpr int kTitleLength = 300;
constexpr int kStatusLength = 20;
constexpr int kTypeLength = 10;
constexpr int kFolderLength = 300;

void setError(QString *error, const QString &text)
{
    if (error)
        *error = text;
}
} // namespace

ListRecord ToListRecord(const ResultRow &row)
{
    return {row.key, row.title, row.status, row.type, row.saveFolder};
}

bool IsFailedOrUnanalysed(const QString &status)
{
    return status.isEmpty() || status.left(2) == SearchTexts::失败;
}

namespace {
bool writeRecords(Database &db, const QList<ListRecord> &records, QString *error)
{
    Transaction transaction(db);
    Statement insert(db, QStringLiteral("INSERT INTO 导出表(L0,L1,L2,L3,L4) VALUES(?,?,?,?,?)"));
    if (!insert.isValid()) {
        setError(error, insert.lastError());
        return false;
    }
    for (const ListRecord &r : records) {
        insert.reset();
        insert.bind(1, r.key.left(kKeyLength))
            .bind(2, r.title.left(kTitleLength))
            .bind(3, r.status.left(kStatusLength))
            .bind(4, r.type.left(kTypeLength))
            .bind(5, r.folder.left(kFolderLength));
        if (!insert.run()) {
            setError(error, insert.lastError());
            return false;
        }
    }
    if (!transaction.commit()) {
        setError(error, db.lastError());
        return false;
    }
    return true;
}

bool writeNewFile(const QString &path, const QList<ListRecord> &records, QString *error)
{
    Database db;
    return OpenOrCreateListFile(db, path, error) && writeRecords(db, records, error);
}
} // namespace

bool ExportListFile(const QString &path, const QList<ListRecord> &records, QString *error)
{
    const QString partial = path + QStringLiteral(".partial");
    QFile::remove(partial);
    if (!writeNewFile(partial, records, error)) {
        QFile::remove(partial);
        return false;
    }
    if (QFileInfo::exists(path) && !QFile::remove(path)) {
        QFile::remove(partial);
        setError(error, QStringLiteral("cannot replace %1").arg(path));
        return false;
    }
    if (!QFile::rename(partial, path)) {
        QFile::remove(partial);
        setError(error, QStringLiteral("cannot write %1").arg(path));
        return false;
    }
    return true;
}

bool IsListFile(const QString &path)
{
    Database db;
    if (!db.open(path, DecodeStoredPassword(QString::fromLatin1(kStoredPasswordConstant))))
        return false;
    const Statement probe(db, QStringLiteral("select L0,L1,L2,L3,L4 from 导出表 limit 0"));
    return probe.isValid();
}

bool ReadListFile(const QString &path, const std::function<void(const ListRecord &)> &onRecord, QString *error)
{
    Database db;
    if (!OpenOrCreateListFile(db, path, error))
        return false;
    Statement select(db, QStringLiteral("select * from 导出表"));
    if (!select.isValid()) {
        setError(error, select.lastError());
        return false;
    }
    // Columns by name: the table is id, L0..L4, but a file written elsewhere may order them differently.
    int column[5] = {-1, -1, -1, -1, -1};
    for (int c = 0; c < select.columnCount(); ++c) {
        const QString name = select.columnName(c).toUpper();
        if (name.size() == 2 && name[0] == QLatin1Char('L') && name[1] >= QLatin1Char('0') &&
            name[1] <= QLatin1Char('4'))
            column[name[1].unicode() - '0'] = c;
    }
    const auto text = [&](int l) { return column[l] >= 0 ? select.text(column[l]) : QString(); };
    // A list file may come from anywhere: its titles lose what could act on a terminal or disguise a name, and a
    // key that is no web address (file:, data:) is not a row, as it could only make a download read the local disk.
    while (select.next()) {
        const QString key = text(0);
        if (IsWebAddress(key))
            onRecord({key, RemoveControlCharacters(text(1)), text(2), text(3), text(4)});
    }
    if (select.failed()) {
        setError(error, select.lastError());
        return false;
    }
    return true;
}

QString ExportFinishedText(qint64 fileBytes)
{
    const QLocale grouped(QLocale::English, QLocale::UnitedStates);
    return SearchTexts::kExportFinished + grouped.toString(static_cast<double>(fileBytes) / 1024.0, 'f', 1) +
           QStringLiteral("KB");
}
