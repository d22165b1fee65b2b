#include "core/store/VisitedDatabase.h"

#include "core/store/Database.h"
#include "core/store/DatabasePassword.h"
#include "core/store/StoreTexts.h"
#include "core/store/VisitedDownloads.h"
#include "core/util/Clock.h"
#include "core/util/DataFolder.h"
#include "core/util/FileNameRules.h"
#include "core/util/Prompt.h"
#include "core/util/RunLock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUuid>
#include <memory>
#include <optional>

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
    // This run's name in 待下载表, and the lock that tells other processes it is alive.
    QString runId;
    RunLock runLock;
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

QString runLockPath(const QString &runId)
{
    return DataFolder::filePath(QStringLiteral("zxdata.db-runs/") + runId);
}

// Readies the marks of pending downloads: since several processes may share the file, each mark names the run
// that made it. Files of earlier versions get that column now; their marks name no run.
bool prepareAwaitingTable(Database &db)
{
    Transaction tx(db);
    if (!tx.isActive() || !db.exec(QString::fromUtf16(VisitedDatabaseSql::kCreateAwaitingTable)))
        return false;
    bool hasRunColumn = false;
    {
        Statement columns(db, QStringLiteral("PRAGMA table_info(待下载表)"));
        while (columns.next())
            hasRunColumn = hasRunColumn || columns.text(1) == QStringLiteral("运行");
        if (columns.failed())
            return false;
    }
    return (hasRunColumn || db.exec(QStringLiteral("ALTER TABLE 待下载表 ADD COLUMN 运行 text"))) && tx.commit();
}

// Takes back the visits that runs which are gone (ended, killed, crashed) left waiting on downloads that never
// settled. A run that is still alive (another process using the same data folder) keeps its marks: its downloads
// may still settle. False when the file cannot take the marks; the run goes on without.
bool settleEarlierRuns(Database &db)
{
    if (!prepareAwaitingTable(db))
        return false;
    QStringList gone;
    bool markOfNoRun = false;
    {
        Statement runs(db, QStringLiteral("select distinct 运行 from 待下载表"));
        while (runs.next()) {
            if (runs.isNull(0) || runs.text(0).isEmpty())
                markOfNoRun = true;
            else if (!RunLock::IsHeldByLiveRun(runLockPath(runs.text(0))))
                gone.append(runs.text(0));
        }
        if (runs.failed())
            return false;
    }
    // A run found gone stays gone (a new run never takes an old name), so the look may come before the transaction.
    Transaction tx(db);
    if (!tx.isActive())
        return false;
    Statement visits(db,
                     QStringLiteral("delete from 访问表 where 网址 in (select 网址 from 待下载表 where 运行 is ?1)"));
    Statement marks(db, QStringLiteral("delete from 待下载表 where 运行 is ?1"));
    const auto settle = [&](const std::optional<QString> &run) {
        for (Statement *st : {&visits, &marks}) {
            st->reset();
            if (run)
                st->bind(1, *run);
            else
                st->bindNull(1);
            if (!st->run())
                return false;
        }
        return true;
    };
    bool ok = !markOfNoRun || (settle(std::nullopt) && db.exec(QStringLiteral("delete from 待下载表 where 运行=''")));
    for (const QString &run : std::as_const(gone))
        ok = ok && settle(run);
    return ok && tx.commit();
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
    const QString system = s.db.systemReason();
    const QString why = system.isEmpty() ? reason : reason + QStringLiteral("; ") + system;
    Q_EMIT VisitedDatabaseEvents::instance().writeFailed(s.writeFailures, why);
    if (s.writeFailureReported)
        return;
    s.writeFailureReported = true;
    Prompt::current().message(StoreTexts::kVisitedWriteFailed.arg(QDir::toNativeSeparators(s.db.path()), why),
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
    // Without a lock that shows this run alive, its marks could be taken for a dead run's by another process: the
    // run then records its visits as before.
    s->runId = QUuid::createUuid().toString(QUuid::WithoutBraces);
    const bool locked = QDir().mkpath(DataFolder::filePath(QStringLiteral("zxdata.db-runs"))) &&
                        s->runLock.acquire(runLockPath(s->runId));
    if (settleEarlierRuns(s->db) && locked) {
        s->await = std::make_unique<Statement>(s->db, QStringLiteral("insert into 待下载表(网址,运行) values(?1,?2)"));
        s->settle =
            std::make_unique<Statement>(s->db, QStringLiteral("delete from 待下载表 where 网址=?1 and 运行=?2"));
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

VisitedDatabaseEvents &VisitedDatabaseEvents::instance()
{
    static VisitedDatabaseEvents events;
    return events;
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
    if (&st == s.await.get() || &st == s.settle.get())
        st.bind(2, s.runId);
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
    // Looked up again under the write lock: another process may have recorded it since.
    Transaction tx(s->db);
    if (!tx.isActive()) {
        reportWriteFailure(*s, s->db.lastError());
        return false;
    }
    if (lookup(*s, address) || !insert(*s, address))
        return false;
    if (!tx.commit()) {
        reportWriteFailure(*s, s->db.lastError());
        return false;
    }
    return true;
}

bool RecordVisitedAwaitingDownload(QString &address)
{
    removeQuotes(address);
    auto &s = store();
    if (!s || lookup(*s, address))
        return false;
    if (!s->await)
        return RecordVisitedAddress(address);
    // Both rows or neither: a visit without its mark would outlive a kill before the download.
    Transaction tx(s->db);
    if (!tx.isActive()) {
        reportWriteFailure(*s, s->db.lastError());
        return false;
    }
    if (lookup(*s, address) || !insert(*s, address) || !runFor(*s, *s->await, address))
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
