#include "core/store/VisitedDatabase.h"

#include "core/store/Database.h"
#include "core/store/DatabasePassword.h"
#include "core/store/StoreTexts.h"
#include "core/store/VisitedDownloads.h"
#include "core/util/Clock.h"
#include "core/util/DataFolder.h"
#include "core/util/FileNameRules.h"
#include "core/util/Prompt.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <memory>

namespace {

constexpr int kAddressLength = 500;
constexpr int kFileNameLength = 300;

struct VisitedStore {
    Database db;
    std::unique_ptr<Statement> lookup;
    std::unique_ptr<Statement> insert;
    std::unique_ptr<Statement> remove;
    // Null when the file cannot hold the awaiting marks (read-only): addresses are then recorded as before.
    std::unique_ptr<Statement> await;
    std::unique_ptr<Statement> settle;
    // A database that cannot be written (read-only, disk full) fails every row alike: saying so once is enough.
    bool writeFailureReported = false;
    int writeFailures = 0;
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

using Statements = std::initializer_list<const char16_t *>;
constexpr Statements kVisitFileStatements{VisitedDatabaseSql::kCreateVisitTable,
                                          VisitedDatabaseSql::kCreateAddressIndex,
                                          VisitedDatabaseSql::kCreateFileNameIndex};

// All of `statements` or none of them.
bool runInOneTransaction(Database &db, Statements statements)
{
    Transaction tx(db);
    bool ok = tx.isActive();
    for (const char16_t *sql : statements)
        ok = ok && db.exec(QString::fromUtf16(sql));
    return ok && tx.commit();
}

// Creates a new file protected from the start (it never exists unencrypted), runs `statements` in one
// transaction, and removes the file again when any of it fails, so a half-made file never blocks the next run.
bool createFile(Database &db, const QString &path, Statements statements, QString *error)
{
    if (!db.create(path, DecodeStoredPassword(QString::fromLatin1(kStoredPasswordConstant)))) {
        fail(error, db.lastError());
        return false;
    }
    if (runInOneTransaction(db, statements))
        return true;
    fail(error, db.lastError());
    db.close();
    QFile::remove(path);
    return false;
}

bool openOrCreate(Database &db, const QString &path, Statements statements, QString *error)
{
    if (IsExistingFile(path)) {
        if (db.open(path, DecodeStoredPassword(QString::fromLatin1(kStoredPasswordConstant))))
            return true;
        fail(error, db.lastError());
        return false;
    }
    return createFile(db, path, statements, error);
}

// The names of the tables the file holds (SQLite's own left out).
QStringList tablesOf(Database &db)
{
    QStringList tables;
    Statement st(db, QStringLiteral("select name from sqlite_master where type='table' and name not like 'sqlite_%'"));
    while (st.next())
        tables.append(st.text(0));
    return tables;
}

// A kill while the file was first made leaves it empty (zero bytes, or our password and no table yet): such a file
// is ours and is finished now, or the skip rule would stay off for every later run. A file with other tables, or
// one our password does not open, belongs to someone else and is never written.
bool openVisitFile(Database &db, const QString &path, QString *error)
{
    if (!QFileInfo::exists(path))
        return createFile(db, path, kVisitFileStatements, error);
    if (!db.open(path, DecodeStoredPassword(QString::fromLatin1(kStoredPasswordConstant)))) {
        fail(error, db.lastError());
        return false;
    }
    const QStringList tables = tablesOf(db);
    if (tables.contains(QStringLiteral("访问表")))
        return true;
    if (!tables.isEmpty()) {
        fail(error, QStringLiteral("%1: not a database of this program (it holds %2)").arg(path, tables.join(u',')));
        db.close();
        return false;
    }
    if (runInOneTransaction(db, kVisitFileStatements))
        return true;
    fail(error, QStringLiteral("%1: %2").arg(path, db.lastError()));
    db.close();
    return false;
}

// Takes back the visits a run left waiting on downloads that never settled, and readies the marks for this run.
// False when the file cannot take them; the run goes on without.
bool settleEarlierRuns(Database &db)
{
    return runInOneTransaction(db, {VisitedDatabaseSql::kCreateAwaitingTable,
                                    u"delete from 访问表 where 网址 in (select 网址 from 待下载表)",
                                    u"delete from 待下载表"});
}

// Every analysed row commits its address at once. In the default rollback mode each of those commits waits for the
// disk several times; with a write-ahead log and normal sync a commit is one append to the log, which a killed
// process cannot lose or tear, and the log reaches the disk at its checkpoints. A file that refuses the switch
// (read-only, held by another program) keeps working as it was.
void preferWriteAheadLog(Database &db)
{
    Statement mode(db, QStringLiteral("PRAGMA journal_mode=WAL"));
    if (mode.next() && mode.text(0).compare(QLatin1String("wal"), Qt::CaseInsensitive) == 0)
        db.exec(QStringLiteral("PRAGMA synchronous=NORMAL"));
}

void reportWriteFailure(VisitedStore &s, const QString &reason)
{
    ++s.writeFailures;
    if (s.writeFailureReported)
        return;
    s.writeFailureReported = true;
    const QString system = s.db.systemReason();
    Prompt::current().message(
        StoreTexts::kVisitedWriteFailed.arg(QDir::toNativeSeparators(s.db.path()),
                                            system.isEmpty() ? reason : reason + QStringLiteral("; ") + system),
        Prompt::Icon::Critical);
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
    if (!openVisitFile(s->db, path, error))
        return false;
    preferWriteAheadLog(s->db);
    s->lookup = std::make_unique<Statement>(s->db, QStringLiteral("select id from 访问表 where 网址=?1 limit 1"));
    s->insert =
        std::make_unique<Statement>(s->db, QStringLiteral("insert into 访问表(网址,日期,文件名) values(?1,?2,?3)"));
    s->remove = std::make_unique<Statement>(s->db, QStringLiteral("delete from 访问表 where 网址=?1"));
    if (settleEarlierRuns(s->db)) {
        s->await = std::make_unique<Statement>(s->db, QStringLiteral("insert into 待下载表(网址) values(?1)"));
        s->settle = std::make_unique<Statement>(s->db, QStringLiteral("delete from 待下载表 where 网址=?1"));
    }
    for (const auto *st : {s->lookup.get(), s->insert.get(), s->remove.get()}) {
        if (!st->isValid()) {
            fail(error, QStringLiteral("%1: %2").arg(path, st->lastError()));
            return false;
        }
    }
    store() = std::move(s);
    return true;
}

void CloseVisitedDatabase()
{
    // The links name rows of this connection's run; another file must not see them.
    ClearVisitedDownloadLinks();
    store().reset();
}

bool IsVisitedDatabaseOpen()
{
    return store() != nullptr;
}

int VisitedWriteFailures()
{
    return store() ? store()->writeFailures : 0;
}

bool IsVisitedAddress(QString &address)
{
    removeQuotes(address);
    return store() && lookup(*store(), address);
}

namespace {

// Runs `st` bound to the stored form of `address`; a failure is reported once.
bool runFor(VisitedStore &s, Statement &st, const QString &address)
{
    st.reset();
    st.bind(1, storedAddress(address));
    const bool ok = st.run();
    if (!ok)
        reportWriteFailure(s, st.lastError());
    st.reset();
    return ok;
}

bool insert(VisitedStore &s, const QString &address)
{
    s.insert->reset();
    s.insert->bind(1, storedAddress(address))
        .bind(2, Clock::now().date().toString(QStringLiteral("yyyy-MM-dd")))
        .bind(3, address.left(kFileNameLength));
    const bool added = s.insert->run();
    if (!added)
        reportWriteFailure(s, s.insert->lastError());
    s.insert->reset();
    return added;
}

} // namespace

bool RecordVisitedAddress(QString &address)
{
    removeQuotes(address);
    auto &s = store();
    if (!s || lookup(*s, address))
        return false;
    return insert(*s, address);
}

bool RecordVisitedAwaitingDownload(QString &address)
{
    removeQuotes(address);
    auto &s = store();
    if (!s || lookup(*s, address))
        return false;
    if (!s->await)
        return insert(*s, address);
    // Both rows or neither: a visit without its mark would outlive a kill before the download.
    Transaction tx(s->db);
    if (!tx.isActive() || !insert(*s, address) || !runFor(*s, *s->await, address))
        return false;
    if (!tx.commit()) {
        reportWriteFailure(*s, s->db.lastError());
        return false;
    }
    return true;
}

void SettleAwaitingDownload(QString &address)
{
    removeQuotes(address);
    auto &s = store();
    if (s && s->settle)
        runFor(*s, *s->settle, address);
}

bool ForgetVisitedAddress(QString &address)
{
    removeQuotes(address);
    auto &s = store();
    if (!s)
        return false;
    const bool removed = runFor(*s, *s->remove, address) && s->db.changes() > 0;
    if (s->settle)
        runFor(*s, *s->settle, address);
    return removed;
}

bool OpenOrCreateListFile(Database &connection, const QString &path, QString *error)
{
    return openOrCreate(connection, path, {VisitedDatabaseSql::kCreateExportTable}, error);
}
