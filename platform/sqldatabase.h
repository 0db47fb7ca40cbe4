#pragma once
// Database connections for the server and for the module's lookup queries.
// SQLite (the default, a file) or PostgreSQL (a libpq connection string).
// QtSql connections belong to the thread that made them: connection() opens one per thread
// and keeps only its name in thread-local storage. Every SQLite connection gets WAL, a busy
// timeout and the NVL function; PostgreSQL gets nvl and instr from the schema.

#include "platform/platform_export.h"

#include <QSqlDatabase>
#include <QString>
#include <memory>

namespace dieta {

enum class SqlEngine { SQLite, PostgreSQL };

struct DatabaseConfig {
    SqlEngine engine = SqlEngine::SQLite;
    QString sqlitePath;     // file of the SQLite database
    QString pgConnection;   // "host=127.0.0.1 port=5432 dbname=dieta user=..." (libpq keywords)

    // "postgresql://..." / "postgres:..." / a string with "dbname=" -> PostgreSQL; anything else
    // is a SQLite file path.
    static DatabaseConfig parse(const QString& spec);
};

class PLATFORM_EXPORT SqlDatabase {
public:
    explicit SqlDatabase(DatabaseConfig config);
    ~SqlDatabase();
    SqlDatabase(const SqlDatabase&) = delete;
    SqlDatabase& operator=(const SqlDatabase&) = delete;

    const DatabaseConfig& config() const;
    SqlEngine engine() const;

    // This thread's open connection; throws SqlError when it cannot be opened.
    QSqlDatabase connection();
    // Closes and removes this thread's connection (call before the thread ends).
    void releaseThreadConnection();

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

// Failure of a statement or connection, with the driver's text (never shown to an operator).
class PLATFORM_EXPORT SqlError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One writing transaction, rolled back unless committed. SQLite: BEGIN IMMEDIATE, so that
// concurrent writers wait on the busy timeout instead of failing with "database is locked".
class PLATFORM_EXPORT WriteTransaction {
public:
    explicit WriteTransaction(SqlDatabase& db);
    ~WriteTransaction();
    WriteTransaction(const WriteTransaction&) = delete;
    WriteTransaction& operator=(const WriteTransaction&) = delete;

    QSqlDatabase connection() const;
    void commit();

private:
    QSqlDatabase conn_;
    bool open_ = false;
};

} // namespace dieta
