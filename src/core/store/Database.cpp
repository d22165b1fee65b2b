#include "core/store/Database.h"

#include <QFileInfo>
#include <utility>

#define SQLITE_HAS_CODEC 1
#include <sqlite3.h>

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
    : m_db(std::exchange(other.m_db, nullptr)), m_path(std::move(other.m_path)), m_error(std::move(other.m_error))
{}

Database &Database::operator=(Database &&other) noexcept
{
    if (this != &other) {
        close();
        m_db = std::exchange(other.m_db, nullptr);
        m_path = std::move(other.m_path);
        m_error = std::move(other.m_error);
    }
    return *this;
}

void Database::setError(const QString &what)
{
    m_error = m_db ? what + QStringLiteral(": ") + QString::fromUtf8(sqlite3_errmsg(m_db)) : what;
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
    if (sqlite3_exec(m_db, "SELECT count(*) FROM sqlite_master;", nullptr, nullptr, nullptr) != SQLITE_OK) {
        setError(QStringLiteral("%1: not a database of this program, damaged, or a wrong password").arg(path));
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
        m_error = QString::fromUtf8(message ? message : sqlite3_errmsg(m_db));
        sqlite3_free(message);
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
        m_error = QString::fromUtf8(sqlite3_errmsg(sqlite3_db_handle(m_stmt)));
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
    m_db.exec(QStringLiteral("ROLLBACK"));
    return false;
}
