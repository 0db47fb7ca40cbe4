#pragma once
// Database connections for the server and for the module's lookup queries.
// SQLite (the default, a file) or PostgreSQL (a libpq connection string).
// QtSql connections belong to the thread that made them: connection() opens one per thread
// and keeps only its name in thread-local storage. Every SQLite connection gets WAL, a busy
// timeout and the NVL function; PostgreSQL gets nvl and instr from the schema.

#include "platform/platform_export.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>
#include <memory>
#include <stdexcept>

namespace dieta {

enum class SqlEngine { SQLite, PostgreSQL };

struct PLATFORM_EXPORT DatabaseConfig {
    SqlEngine engine = SqlEngine::SQLite;
    QString sqlitePath;   // file of the SQLite database
    QString pgConnection; // "host=127.0.0.1 port=5432 dbname=dieta user=..." (libpq keywords)

    // "postgresql://..." / "postgres:..." / a string with "dbname=" -> PostgreSQL; anything else
    // is a SQLite file path.
    static DatabaseConfig parse(const QString& connection);
};

// The QPSQL settings of a libpq keyword string or a postgresql:// URI. Keywords other than
// host, port, dbname, user and password go to the driver's connect options.
struct PgConnectionSettings {
    QString host;
    int port = -1;
    QString databaseName;
    QString userName;
    QString password;
    QString connectOptions; // "key=value;key=value"
};
// Throws SqlError on a malformed string (unterminated quote, keyword without "=").
PLATFORM_EXPORT PgConnectionSettings parsePgConnection(const QString& connection);

class PLATFORM_EXPORT SqlDatabase {
public:
    explicit SqlDatabase(DatabaseConfig config);
    ~SqlDatabase();
    SqlDatabase(const SqlDatabase&) = delete;
    SqlDatabase& operator=(const SqlDatabase&) = delete;

    const DatabaseConfig& config() const;
    SqlEngine engine() const;
    // Unique among the instances this process ever made: what is kept for one database can
    // never be taken for another made later at the same address.
    quint64 instanceId() const;
    // How many WriteTransactions of this instance that write data have committed (or may have:
    // CommitInDoubt), counted before commit() returns.
    quint64 commitCount() const;

    // This thread's open connection; throws SqlError when it cannot be opened.
    QSqlDatabase connection();
    // Closes and removes this thread's connection (call before the thread ends).
    void releaseThreadConnection();
    // SQLite: how many writers of this process wait for their turn now (0 for PostgreSQL), so
    // that a caller can tell when a writer has joined the queue.
    int writersWaiting() const;

private:
    friend class WriteTransaction;
    // SQLite: the in-process writers' queue. False when the turn did not come within the busy
    // timeout.
    bool enterWriterQueue();
    void leaveWriterQueue();

    struct Impl;
    std::unique_ptr<Impl> d;
};

// Failure of a statement or connection, with the driver's text (never shown to an operator).
class PLATFORM_EXPORT SqlError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The connection broke while COMMIT ran: the server may have committed before it went, or
// not. Only a look at the database afterwards can tell (PostgreSQL; SQLite's COMMIT either
// lands or reports that it did not).
class PLATFORM_EXPORT CommitInDoubt : public SqlError {
public:
    using SqlError::SqlError;
};

// One writing transaction, rolled back unless committed. SQLite: the writers of this process
// queue first, in order of arrival, and the one whose turn it is runs BEGIN IMMEDIATE: SQLite's
// own busy handler lets waiters sleep in growing steps and a newcomer overtake them, which
// under load made some writes wait for seconds. Other processes on the same file still meet
// the busy timeout. PostgreSQL: BEGIN at READ COMMITTED; a read-modify-write there needs
// SELECT ... FOR UPDATE.
class PLATFORM_EXPORT WriteTransaction {
public:
    // What the transaction writes. Bookkeeping: only the server's own records (audit, sessions,
    // login failures), which nothing kept from the tables is read from; not counted by
    // SqlDatabase::commitCount.
    enum class Writes { Data, Bookkeeping };

    explicit WriteTransaction(SqlDatabase& db, Writes writes = Writes::Data);
    ~WriteTransaction();
    WriteTransaction(const WriteTransaction&) = delete;
    WriteTransaction& operator=(const WriteTransaction&) = delete;

    QSqlDatabase connection() const;
    // Throws CommitInDoubt when the connection broke during the COMMIT, SqlError otherwise.
    void commit();

private:
    void countCommit();
    void finish();

    SqlDatabase* db_;
    Writes writes_;
    SqlDatabase* queue_ = nullptr; // holding the writers' queue (SQLite)
    QSqlDatabase conn_;
    bool open_ = false;
};

// Creates the portability functions the dialect texts expect on PostgreSQL: nvl for text,
// numeric, date and timestamp, and instr(text, text). Idempotent; safe to run from several
// connections or processes at once (serialised by an advisory lock). Runs its own
// transaction: call it outside one.
PLATFORM_EXPORT void installPostgresFunctions(const QSqlDatabase& conn);

// The :NAME placeholders of a statement in order of appearance, repeats included. String
// literals, quoted names, comments, dollar-quoted bodies and "::" casts are skipped.
PLATFORM_EXPORT QStringList sqlPlaceholders(const QString& sql);

// A statement with named placeholders, prepared once and run any number of times. Every
// placeholder is rewritten to a positional one, so a name used twice binds on every driver;
// exec() refuses to run while a placeholder has no value and bind() refuses a name the text
// lacks (Qt would bind a misspelt name silently as NULL). Names compare case-insensitively.
// A null QVariant binds NULL; a QString binds as given ("" stays ""). PostgreSQL types each
// placeholder from its first use: one that first appears where nothing says its type
// (":P IS NULL") needs a cast there, CAST(:P AS VARCHAR(10)).
//
// Statements are kept per connection of this thread once done with: a statement of the same
// text made later on the same connection takes the prepared one instead of parsing it again.
// Keep the SqlStatement while reading its rows (execSql hands its query away, so that query is
// prepared afresh each time).
class PLATFORM_EXPORT SqlStatement {
public:
    SqlStatement(const QSqlDatabase& conn, const QString& sql); // throws SqlError
    // Binds and runs at once, as execSql does; throws SqlError.
    SqlStatement(const QSqlDatabase& conn, const QString& sql, const QVariantMap& values);
    ~SqlStatement();
    SqlStatement(const SqlStatement&) = delete;
    SqlStatement& operator=(const SqlStatement&) = delete;

    SqlStatement& bind(const QString& name, const QVariant& value); // throws SqlError
    SqlStatement& bind(const QVariantMap& values);                  // throws SqlError
    void clearBindings();
    // The placeholders still without a value (upper case, each once).
    QStringList unboundPlaceholders() const;
    void exec(); // throws SqlError

    QSqlQuery& query() { return query_; }
    // The query itself, for a caller that outlives the statement; it is then not kept.
    QSqlQuery takeQuery();
    bool next() { return query_.next(); }
    QVariant value(int column) const { return query_.value(column); }
    QVariant value(const QString& column) const { return query_.value(column); }
    int numRowsAffected() const { return query_.numRowsAffected(); }

private:
    QSqlQuery query_;
    QString sql_;
    QStringList positions_; // placeholder name (upper case) of each positional value
    QVariantMap values_;    // upper-case name -> value
    QString key_;           // the text as given
    QString connectionName_;
    bool prepared_ = false;
    bool reusable_ = true;
};

// Something of the caller's kept with one of this thread's connections and released before
// that connection closes: a statement prepared outside QtSql, which would otherwise keep the
// connection from closing. keptWithConnection answers null when nothing is kept under the key;
// keepWithConnection refuses (false) a connection that is not one of this thread's.
PLATFORM_EXPORT std::shared_ptr<void> keptWithConnection(const QSqlDatabase& conn,
                                                         const QString& key);
PLATFORM_EXPORT bool keepWithConnection(const QSqlDatabase& conn, const QString& key,
                                        std::shared_ptr<void> thing);

// PostgreSQL: libpq's connection (PGconn*) under a QtSql connection; null for another driver.
PLATFORM_EXPORT void* pgConnectionHandle(const QSqlDatabase& db);

// The instanceId() of the database that opened this thread's connection `conn`; 0 for a
// connection that is not one of this thread's.
PLATFORM_EXPORT quint64 databaseInstanceOf(const QSqlDatabase& conn);

// Runs one statement with its named values and returns the query positioned before the first
// row; throws SqlError with the driver's text.
PLATFORM_EXPORT QSqlQuery execSql(const QSqlDatabase& conn, const QString& sql,
                                  const QVariantMap& values = {});

} // namespace dieta
