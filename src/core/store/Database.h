#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <chrono>
#include <functional>
#include <memory>

struct sqlite3;
struct sqlite3_stmt;

// One connection to a password-protected SQLite file (SQLCipher). Every call reports failure by its result and
// keeps the reason in lastError(); nothing throws and nothing is ever spliced into SQL text: values go in through
// Statement::bind.
//
// Several processes may use one file at once. A write that finds the file locked by another connection waits for it
// (up to busyTimeout()) instead of failing at once.
class Database final
{
public:
    // How long a statement waits for a lock another connection holds. Writers hold it for one short transaction.
    static constexpr std::chrono::milliseconds kBusyTimeout{10000};
    // The wait of connections opened from now on; a test that holds a lock on purpose shortens it.
    static void setBusyTimeout(std::chrono::milliseconds wait);
    static std::chrono::milliseconds busyTimeout();

    Database();
    ~Database();
    Database(Database &&other) noexcept;
    Database &operator=(Database &&other) noexcept;
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

    // Opens an existing file with `key`. Fails (and leaves the file untouched) when the file is missing, is not a
    // database, is damaged, or was written with another key.
    bool open(const QString &path, const QByteArray &key);
    // The same without any right to write: for reading a file from elsewhere, which nothing may change (not even
    // the roll-back of a journal left beside it).
    bool openReadOnly(const QString &path, const QByteArray &key);
    // Creates a new file protected by `key` from its first byte. Fails when a file is already there.
    bool create(const QString &path, const QByteArray &key);
    void close();
    bool isOpen() const { return m_db != nullptr; }
    QString path() const { return m_path; }

    // For a file from elsewhere, whose schema is data and never a program: the schema's own code (views, triggers,
    // generated columns) may call only harmless functions, and from now on a statement may read only the tables
    // named in `tables` and call only `functions`; any other statement fails to prepare.
    bool restrictReading(const QStringList &tables, const QStringList &functions);
    // Asked every few thousand steps of a running statement; true interrupts it (the statement fails).
    void setInterruptCheck(std::function<bool()> interrupted);

    // Runs statements that return no rows (CREATE, PRAGMA ...).
    bool exec(const QString &sql);
    qint64 lastInsertRowId() const;
    // Rows changed by the last statement that wrote.
    qint64 changes() const;
    // The operating system's reason behind the last failed call (disk full, permission), empty when it had none.
    QString systemReason() const;
    QString lastError() const { return m_error; }

    sqlite3 *handle() const { return m_db; }

    // What restrictReading and setInterruptCheck leave for SQLite's callbacks.
    struct Guards;

private:
    friend class Statement;
    friend class Transaction;
    bool openWith(const QString &path, const QByteArray &key, int flags);
    void setError(const QString &what);

    std::unique_ptr<Guards> m_guards;
    sqlite3 *m_db = nullptr;
    QString m_path;
    QString m_error;
};

// A prepared statement on an open Database. Bind values (1-based), then next() for each row or run() for a
// statement without rows; reset() to use it again.
class Statement final
{
public:
    Statement(Database &db, const QString &sql);
    ~Statement();
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    bool isValid() const { return m_stmt != nullptr; }
    QString lastError() const { return m_error; }

    Statement &bind(int index, const QString &value);
    Statement &bind(int index, qint64 value);
    Statement &bindNull(int index);

    // Steps to the next row: true when a row is there. At the end or on an error it is false; error() tells which.
    bool next();
    // Steps until done; true when the statement completed.
    bool run();
    void reset();
    bool failed() const { return m_failed; }

    int columnCount() const;
    QString columnName(int column) const;
    QString text(int column) const;
    // The column's text as SQLite holds it (UTF-8), valid until the next step or reset: for comparing a value
    // with one read before without making a QString of it.
    QByteArrayView utf8(int column) const;
    qint64 integer(int column) const;
    bool isNull(int column) const;

private:
    Database &m_db;
    sqlite3_stmt *m_stmt = nullptr;
    QString m_error;
    bool m_failed = false;
};

// Rolls back unless committed.
class Transaction final
{
public:
    explicit Transaction(Database &db);
    ~Transaction();
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;

    bool isActive() const { return m_active; }
    bool commit();

private:
    Database &m_db;
    bool m_active = false;
};
