#include "core/store/Database.h"

#include <QFileInfo>
#include <utility>

#define SQLITE_HAS_CODEC 1
#include <sqlite3.h>

// Lives apart from the Database so the callbacks SQLite holds keep their address when the Database moves.
struct Database::Guards {
    QList<QByteArray> tables;
    QList<QByteArray> functions;
    std::function<bool()> interrupted;
};

namespace {
int authorise(void *data, int action, const char *first, const char *second, const char *, const char *)
{
    const auto *guards = static_cast<const Database::Guards *>(data);
    switch (action) {
    case SQLITE_SELECT:
        return SQLITE_OK;
    case SQLITE_READ:
        return first && guards->tables.contains(QByteArray(first)) ? SQLITE_OK : SQLITE_DENY;
    case SQLITE_FUNCTION:
        return second && guards->functions.contains(QByteArray(second).toLower()) ? SQLITE_OK : SQLITE_DENY;
    default:
        return SQLITE_DENY;
    }
}

int progress(void *data)
{
    const auto *guards = static_cast<const Database::Guards *>(data);
    return guards->interrupted && guards->interrupted() ? 1 : 0;
}
} // namespace

Database::Database() = default;

namespace {
std::chrono::milliseconds &busyWait()
{
    static std::chrono::milliseconds wait = Database::kBusyTimeout;
    return wait;
}
} // namespace

void Database::setBusyTimeout(std::chrono::milliseconds wait)
{
    busyWait() = wait;
}

std::chrono::milliseconds Database::busyTimeout()
{
    return busyWait();
}

Database::~Database()
{
    close();
}

Database::Database(Database &&other) noexcept
    : m_guards(std::move(other.m_guards)), m_db(std::exchange(other.m_db, nullptr)), m_path(std::move(other.m_path)),
      m_error(std::move(other.m_error))
{}

Database &Database::operator=(Database &&other) noexcept
{
    if (this != &other) {
        close();
        m_guards = std::move(other.m_guards);
        m_db = std::exchange(other.m_db, nullptr);
        m_path = std::move(other.m_path);
        m_error = std::move(other.m_error);
    }
    return *this;
}

namespace {
// SQLite's words for the last failure, and the operating system's reason behind it when the failure was the file
// system's ("database or disk is full (No space left on device)"): the two together tell a full disk from a
// damaged file.
QString describeFailure(sqlite3 *db)
{
    const QString message = QString::fromUtf8(sqlite3_errmsg(db));
    switch (sqlite3_errcode(db) & 0xff) {
    case SQLITE_IOERR:
    case SQLITE_FULL:
    case SQLITE_CANTOPEN:
    case SQLITE_READONLY:
    case SQLITE_PERM:
        if (const int code = sqlite3_system_errno(db))
            return QStringLiteral("%1 (%2)").arg(message, qt_error_string(code));
        break;
    default:
        break;
    }
    return message;
}
} // namespace

void Database::setError(const QString &what)
{
    m_error = m_db ? what + QStringLiteral(": ") + describeFailure(m_db) : what;
}

bool Database::open(const QString &path, const QByteArray &key)
{
    if (!QFileInfo(path).isFile()) {
        close();
        m_error = QStringLiteral("%1: no such file").arg(path);
        return false;
    }
    return openWith(path, key, SQLITE_OPEN_READWRITE);
}

bool Database::openReadOnly(const QString &path, const QByteArray &key)
{
    if (!QFileInfo(path).isFile()) {
        close();
        m_error = QStringLiteral("%1: no such file").arg(path);
        return false;
    }
    // One connection, one thread: no lock around every call of a read of 100 000 records.
    return openWith(path, key, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX);
}

bool Database::restrictReading(const QStringList &tables, const QStringList &functions)
{
    if (!m_db) {
        m_error = QStringLiteral("the database is not open");
        return false;
    }
    if (!exec(QStringLiteral("PRAGMA trusted_schema = OFF")))
        return false;
    if (!m_guards)
        m_guards = std::make_unique<Guards>();
    m_guards->tables.clear();
    for (const QString &t : tables)
        m_guards->tables.append(t.toUtf8());
    m_guards->functions.clear();
    for (const QString &f : functions)
        m_guards->functions.append(f.toLower().toUtf8());
    return sqlite3_set_authorizer(m_db, authorise, m_guards.get()) == SQLITE_OK;
}

void Database::setInterruptCheck(std::function<bool()> interrupted)
{
    if (!m_guards)
        m_guards = std::make_unique<Guards>();
    m_guards->interrupted = std::move(interrupted);
    if (m_db)
        sqlite3_progress_handler(m_db, m_guards->interrupted ? 4000 : 0, progress, m_guards.get());
}

bool Database::create(const QString &path, const QByteArray &key)
{
    if (QFileInfo::exists(path)) {
        close();
        m_error = QStringLiteral("%1: a file is already there").arg(path);
        return false;
    }
    return openWith(path, key, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
}

bool Database::openWith(const QString &path, const QByteArray &key, int flags)
{
    close();
    m_path = path;
    m_error.clear();
    const QByteArray name = path.toUtf8();
    if (sqlite3_open_v2(name.constData(), &m_db, flags, nullptr) != SQLITE_OK) {
        setError(QStringLiteral("%1: cannot open").arg(path));
        close();
        return false;
    }
    sqlite3_extended_result_codes(m_db, 1);
    sqlite3_busy_timeout(m_db, static_cast<int>(busyWait().count()));
    if (!key.isEmpty() && sqlite3_key(m_db, key.constData(), static_cast<int>(key.size())) != SQLITE_OK) {
        setError(QStringLiteral("%1: cannot set the password").arg(path));
        close();
        return false;
    }
    // The first read decides: a foreign, damaged or differently keyed file fails here, before anything is written.
    // A file the disk will not let us read (full, unreadable) is not called foreign: the file may be fine.
    if (sqlite3_exec(m_db, "SELECT count(*) FROM sqlite_master;", nullptr, nullptr, nullptr) != SQLITE_OK) {
        const int code = sqlite3_errcode(m_db) & 0xff;
        setError(code == SQLITE_NOTADB || code == SQLITE_CORRUPT
                     ? QStringLiteral("%1: not a database of this program, damaged, or a wrong password").arg(path)
                     : QStringLiteral("%1: cannot be read").arg(path));
        close();
        return false;
    }
    return true;
}

void Database::close()
{
    if (m_db) {
        // Statements must be finalised by their owners first; close_v2 defers the close until they are.
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
}

bool Database::exec(const QString &sql)
{
    if (!m_db) {
        m_error = QStringLiteral("the database is not open");
        return false;
    }
    char *message = nullptr;
    const QByteArray text = sql.toUtf8();
    if (sqlite3_exec(m_db, text.constData(), nullptr, nullptr, &message) != SQLITE_OK) {
        sqlite3_free(message);
        m_error = describeFailure(m_db);
        return false;
    }
    return true;
}

qint64 Database::lastInsertRowId() const
{
    return m_db ? sqlite3_last_insert_rowid(m_db) : 0;
}

qint64 Database::changes() const
{
    return m_db ? sqlite3_changes(m_db) : 0;
}

QString Database::systemReason() const
{
    const int code = m_db ? sqlite3_system_errno(m_db) : 0;
    return code ? qt_error_string(code) : QString();
}

// ---------------------------------------------------------------------------------------------------------------

Statement::Statement(Database &db, const QString &sql) : m_db(db)
{
    if (!db.m_db) {
        m_error = QStringLiteral("the database is not open");
        m_failed = true;
        return;
    }
    const QByteArray text = sql.toUtf8();
    if (sqlite3_prepare_v2(db.m_db, text.constData(), static_cast<int>(text.size()), &m_stmt, nullptr) != SQLITE_OK) {
        m_error = QString::fromUtf8(sqlite3_errmsg(db.m_db));
        m_failed = true;
        sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
    }
}

Statement::~Statement()
{
    sqlite3_finalize(m_stmt);
}

Statement &Statement::bind(int index, const QString &value)
{
    if (m_stmt) {
        const QByteArray text = value.toUtf8();
        sqlite3_bind_text(m_stmt, index, text.constData(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    }
    return *this;
}

Statement &Statement::bind(int index, qint64 value)
{
    if (m_stmt)
        sqlite3_bind_int64(m_stmt, index, value);
    return *this;
}

Statement &Statement::bindNull(int index)
{
    if (m_stmt)
        sqlite3_bind_null(m_stmt, index);
    return *this;
}

bool Statement::next()
{
    if (!m_stmt)
        return false;
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc != SQLITE_DONE) {
        m_failed = true;
        m_error = describeFailure(sqlite3_db_handle(m_stmt));
    }
    return false;
}

bool Statement::run()
{
    if (!m_stmt)
        return false;
    while (next()) {
    }
    return !m_failed;
}

void Statement::reset()
{
    if (m_stmt) {
        sqlite3_reset(m_stmt);
        sqlite3_clear_bindings(m_stmt);
    }
    m_failed = !m_stmt;
    if (m_stmt)
        m_error.clear();
}

int Statement::columnCount() const
{
    return m_stmt ? sqlite3_column_count(m_stmt) : 0;
}

QString Statement::columnName(int column) const
{
    return m_stmt ? QString::fromUtf8(sqlite3_column_name(m_stmt, column)) : QString();
}

QString Statement::text(int column) const
{
    if (!m_stmt)
        return {};
    const auto *data = reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, column));
    return data ? QString::fromUtf8(data, sqlite3_column_bytes(m_stmt, column)) : QString();
}

QByteArrayView Statement::utf8(int column) const
{
    if (!m_stmt)
        return {};
    const auto *data = reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, column));
    return data ? QByteArrayView(data, sqlite3_column_bytes(m_stmt, column)) : QByteArrayView();
}

qint64 Statement::integer(int column) const
{
    return m_stmt ? sqlite3_column_int64(m_stmt, column) : 0;
}

bool Statement::isNull(int column) const
{
    return !m_stmt || sqlite3_column_type(m_stmt, column) == SQLITE_NULL;
}

// ---------------------------------------------------------------------------------------------------------------

Transaction::Transaction(Database &db) : m_db(db)
{
    // The write lock is taken at the start, waiting for another connection's: a transaction that read first and
    // wrote later could only fail once another process had written in between.
    m_active = m_db.exec(QStringLiteral("BEGIN IMMEDIATE"));
}

Transaction::~Transaction()
{
    if (m_active)
        m_db.exec(QStringLiteral("ROLLBACK"));
}

bool Transaction::commit()
{
    if (!m_active)
        return false;
    m_active = false;
    if (m_db.exec(QStringLiteral("COMMIT")))
        return true;
    // A full disk or an I/O error has already rolled the transaction back, and the ROLLBACK's own complaint
    // ("no transaction is active") would hide why the commit failed.
    const QString why = m_db.lastError();
    m_db.exec(QStringLiteral("ROLLBACK"));
    m_db.m_error = why;
    return false;
}
