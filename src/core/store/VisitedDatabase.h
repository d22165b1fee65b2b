#pragma once

#include <QObject>
#include <QString>

class Database;

// The visited-address database: zxdata.db in the data folder, one table `访问表` of every result address whose
// page was analysed, so later runs can skip it. Opened once at start-up and held for the whole run.
//
// Addresses are kept with every "'" removed (the caller's text loses them too), lower-cased and cut to 500
// characters in `网址`; `文件名` keeps the given case, cut to 300. Values always go in as bound parameters.
//
// An empty file of ours (zero bytes, or our password and no table: a kill while it was first made) is finished on
// open. When the file cannot be opened (someone else's tables, damaged, wrong password) OpenVisitedDatabase says why
// and the program goes on without it: lookups answer false and records are ignored. The file is never touched then.
// A write that fails (read-only file, full disk) is told once through the Prompt, with the system's reason, and
// every one is counted (VisitedWriteFailures, VisitedDatabaseEvents::writeFailed).
//
// Several processes (windows and batches) may use one data folder at once. A write waits for another process's
// lock (Database::kBusyTimeout) rather than failing. Each opening is a run of its own: its marks of pending
// downloads name it, a lock file in zxdata.db-runs/ shows it alive, and opening the file takes back only the marks
// of runs that are gone.

// Opens zxdata.db, or creates it (encrypted, with its table and two indexes) when missing. False with the reason
// in `error` on failure.
bool OpenVisitedDatabase(QString *error = nullptr);
// Releases the connection (program end).
void CloseVisitedDatabase();
bool IsVisitedDatabaseOpen();

// Writes that failed since the database was opened (after waiting out another process's lock): the visits that
// were not recorded, or pending marks that were not written or taken back. 0 when the database is not open.
int VisitedWriteFailures();

// Tells the windows and the batch about failed writes as they happen.
class VisitedDatabaseEvents final : public QObject
{
    Q_OBJECT
public:
    static VisitedDatabaseEvents &instance();
Q_SIGNALS:
    // `failures` is VisitedWriteFailures() after this one; `reason` SQLite's and the system's.
    void writeFailed(int failures, const QString &reason);
};

// True when the address is recorded.
bool IsVisitedAddress(QString &address);
// Adds the address with today's date; true when a row was added, false when it was there already (or the
// database is not open).
bool RecordVisitedAddress(QString &address);
// Removes the address again; true when a row went.
bool ForgetVisitedAddress(QString &address);

// The same as RecordVisitedAddress for an address whose document was handed to the download list: in the same
// transaction the address is marked as waiting on that download. A run that ends (killed, closed, power lost)
// before the download settles leaves the mark, and the next opening of the file takes such addresses out of the
// visited ones again, so the skip rule never passes over a paper that was never saved.
bool RecordVisitedAwaitingDownload(QString &address);
// The download was saved: the address stays visited and waits no more.
void SettleAwaitingDownload(QString &address);

// Opens a list export file on `connection`, or creates it with an empty `导出表` (and no index) when missing.
// Same password as the visited-address database. False with the reason in `error` on failure.
bool OpenOrCreateListFile(Database &connection, const QString &path, QString *error = nullptr);

// The statements that make new files, exactly as the files have always had them.
namespace VisitedDatabaseSql {
inline constexpr char16_t kCreateVisitTable[] =
    u"CREATE TABLE 访问表(id INTEGER PRIMARY KEY AUTOINCREMENT, 网址 nvarchar(500),日期 datetime,文件名 nvarchar(300))";
inline constexpr char16_t kCreateAddressIndex[] = u"CREATE INDEX if not exists idx_访问表网址 ON 访问表(网址)";
inline constexpr char16_t kCreateFileNameIndex[] = u"CREATE INDEX if not exists idx_访问表文件名 ON 访问表(文件名)";
// Addresses recorded in 访问表 whose download has not settled yet, with the run that waits for it. Added beside the
// original table, which keeps its form for anything that reads it.
inline constexpr char16_t kCreateAwaitingTable[] = u"CREATE TABLE if not exists 待下载表(网址 nvarchar(500),运行 text)";
inline constexpr char16_t kCreateExportTable[] =
    u"CREATE TABLE 导出表(id INTEGER PRIMARY KEY AUTOINCREMENT, L0 nvarchar(500),L1 nvarchar(300) ,L2 nvarchar(20) ,L3 "
    u"nvarchar(10) ,L4 nvarchar(300)  )";
} // namespace VisitedDatabaseSql
