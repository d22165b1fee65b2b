#include "core/store/VisitedDatabase.h"

#include "core/store/Database.h"
#include "core/store/DatabasePassword.h"
#include "core/util/Clock.h"
#include "core/util/DataFolder.h"
#include "core/util/FileNameRules.h"

#include <QFile>
#include <memory>

namespace {

constexpr int kAddressLength = 500;
constexpr int kFileNameLength = 300;

struct VisitedStore {
    Database db;
    std::unique_ptr<Statement> lookup;
    std::unique_ptr<Statement> insert;
};

std::unique_ptr<VisitedStore> &store()
{
    static std::unique_ptr<VisitedStore> instance;
    return instance;
}

QString fail(QString *error, const QString &reason)
{
    if (error)
        *error = reason;
    return reason;
}

// Creates a new file protected from the start (it never exists unencrypted), runs `statements` in one
// transaction, and removes the file again when any of it fails, so a half-made file never blocks the next run.
bool createFile(Database &db, const QString &path, std::initializer_list<const char16_t *> statements, QString *error)
{
    if (!db.create(path, DecodeStoredPassword(QString::fromLatin1(kStoredPasswordConstant)))) {
        fail(error, db.lastError());
        return false;
    }
    {
        Transaction tx(db);
        bool ok = tx.isActive();
        for (const char16_t *sql : statements)
            ok = ok && db.exec(QString::fromUtf16(sql));
        if (ok && tx.commit())
            return true;
    }
    fail(error, db.lastError());
    db.close();
    QFile::remove(path);
    return false;
}

bool openOrCreate(Database &db, const QString &path, std::initializer_list<const char16_t *> statements, QString *error)
{
    if (IsExistingFile(path)) {
        if (db.open(path, DecodeStoredPassword(QString::fromLatin1(kStoredPasswordConstant))))
            return true;
        fail(error, db.lastError());
        return false;
    }
    return createFile(db, path, statements, error);
}

QString storedAddress(const QString &address)
{
    return address.toLower().left(kAddressLength);
}

// Single quotes are dropped from the caller's text, as the rows have always been stored without them.
void removeQuotes(QString &address)
{
    address.remove(QLatin1Char('\''));
}

bool lookup(VisitedStore &s, const QString &address)
{
    s.lookup->reset();
    s.lookup->bind(1, storedAddress(address));
    const bool found = s.lookup->next();
    s.lookup->reset();
    return found;
}

} // namespace

bool OpenVisitedDatabase(QString *error)
{
    CloseVisitedDatabase();
    auto s = std::make_unique<VisitedStore>();
    const QString path = DataFolder::filePath(QStringLiteral("zxdata.db"));
    using namespace VisitedDatabaseSql;
    if (!openOrCreate(s->db, path, {kCreateVisitTable, kCreateAddressIndex, kCreateFileNameIndex}, error))
        return false;
    s->lookup = std::make_unique<Statement>(s->db, QStringLiteral("select id from 访问表 where 网址=?1 limit 1"));
    s->insert =
        std::make_unique<Statement>(s->db, QStringLiteral("insert into 访问表(网址,日期,文件名) values(?1,?2,?3)"));
    if (!s->lookup->isValid() || !s->insert->isValid()) {
        fail(error, QStringLiteral("%1: %2").arg(path, s->lookup->isValid() ? s->insert->lastError()
                                                                            : s->lookup->lastError()));
        return false;
    }
    store() = std::move(s);
    return true;
}

void CloseVisitedDatabase()
{
    store().reset();
}

bool IsVisitedDatabaseOpen()
{
    return store() != nullptr;
}

bool IsVisitedAddress(QString &address)
{
    removeQuotes(address);
    return store() && lookup(*store(), address);
}

bool RecordVisitedAddress(QString &address)
{
    removeQuotes(address);
    auto &s = store();
    if (!s || lookup(*s, address))
        return false;
    s->insert->reset();
    s->insert->bind(1, storedAddress(address))
        .bind(2, Clock::now().date().toString(QStringLiteral("yyyy-MM-dd")))
        .bind(3, address.left(kFileNameLength));
    const bool added = s->insert->run();
    s->insert->reset();
    return added;
}

bool OpenOrCreateListFile(Database &connection, const QString &path, QString *error)
{
    return openOrCreate(connection, path, {VisitedDatabaseSql::kCreateExportTable}, error);
}
