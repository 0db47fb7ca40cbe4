#include "platform/sqldatabase.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QSet>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QUrl>
#include <QUrlQuery>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <dlfcn.h>
#include <memory>
#include <mutex>
#include <sqlite3.h>
#include <thread>
#include <vector>

namespace dieta {

using namespace Qt::StringLiterals;

namespace {

constexpr int sqliteBusyTimeoutMs = 10000;
constexpr int pgConnectTimeoutSeconds = 10;

QString errorText(const QSqlError& error) {
    QString text = error.databaseText();
    const QString driver = error.driverText();
    if (!driver.isEmpty() && !text.contains(driver))
        text = text.isEmpty() ? driver : driver + u": "_s + text;
    return text.isEmpty() ? QStringLiteral("unknown database error") : text;
}

[[noreturn]] void throwSqlError(const QString& what, const QSqlError& error) {
    throw SqlError((what + u": "_s + errorText(error)).toStdString());
}

// NVL(a, b): a unless it is NULL. Registered on every SQLite connection so that the Oracle
// texts of the lookup queries run unchanged.
void sqliteNvl(sqlite3_context* context, int, sqlite3_value** args) {
    sqlite3_result_value(context, sqlite3_value_type(args[0]) == SQLITE_NULL ? args[1] : args[0]);
}

sqlite3* sqliteHandle(const QSqlDatabase& db) {
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3* const*>(handle.constData());
}

void execOrThrow(const QSqlDatabase& db, const QString& sql) {
    QSqlQuery query(db);
    if (!query.exec(sql))
        throwSqlError(sql, query.lastError());
}

bool isBusy(const QSqlError& error) {
    const QString code = error.nativeErrorCode();
    return code == QLatin1String("5") || code == QLatin1String("6") ||
           error.text().contains(QLatin1String("locked"), Qt::CaseInsensitive);
}

// Switching a new file to WAL needs it to itself, and the busy timeout does not cover the
// switch: a second connection opened at the same moment (two servers starting on one new
// file) fails at once. It tries again, for as long as the busy timeout.
void useWriteAheadLog(const QSqlDatabase& db) {
    const QString sql = QStringLiteral("PRAGMA journal_mode=WAL");
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        QSqlQuery query(db);
        if (query.exec(sql))
            return;
        if (!isBusy(query.lastError()) || waited.elapsed() > sqliteBusyTimeoutMs)
            throwSqlError(sql, query.lastError());
        QThread::msleep(5);
    }
}

void configureSqlite(QSqlDatabase& db) {
    sqlite3* handle = sqliteHandle(db);
    if (!handle)
        throw SqlError("SQLite driver gave no sqlite3 handle");
    const int rc = sqlite3_create_function(handle, "NVL", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC,
                                           nullptr, &sqliteNvl, nullptr, nullptr);
    if (rc != SQLITE_OK)
        throw SqlError(std::string("cannot register NVL: ") + sqlite3_errstr(rc));
    useWriteAheadLog(db);
    execOrThrow(db, QStringLiteral("PRAGMA synchronous=NORMAL"));
    execOrThrow(db, QStringLiteral("PRAGMA foreign_keys=ON"));
}

QSqlDatabase openSqlite(const QString& name, const QString& path, void* checkpointer,
                        int (*walHook)(void*, sqlite3*, const char*, int)) {
    if (path.isEmpty())
        throw SqlError("no SQLite database file given");
    const QFileInfo file(path);
    QDir().mkpath(file.absolutePath());
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    db.setDatabaseName(path);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(sqliteBusyTimeoutMs));
    if (!db.open())
        throwSqlError(QStringLiteral("cannot open SQLite database %1").arg(path), db.lastError());
    configureSqlite(db);
    // The log is checkpointed on the checkpointer's thread, never inside a writer's COMMIT.
    execOrThrow(db, QStringLiteral("PRAGMA wal_autocheckpoint=0"));
    sqlite3_wal_hook(sqliteHandle(db), walHook, checkpointer);
    return db;
}

QSqlDatabase openPostgres(const QString& name, const QString& connection) {
    const PgConnectionSettings settings = parsePgConnection(connection);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
    db.setHostName(settings.host);
    if (settings.port > 0)
        db.setPort(settings.port);
    db.setDatabaseName(settings.databaseName);
    db.setUserName(settings.userName);
    db.setPassword(settings.password);
    QString options = settings.connectOptions;
    if (!options.contains(u"connect_timeout="))
        options += (options.isEmpty() ? u""_s : u";"_s) +
                   QStringLiteral("connect_timeout=%1").arg(pgConnectTimeoutSeconds);
    db.setConnectOptions(options);
    if (!db.open())
        throwSqlError(QStringLiteral("cannot connect to PostgreSQL"), db.lastError());
    return db;
}

} // namespace

// Qt names the handle's type after libpq's struct (pg_conn*) or its typedef (PGconn*),
// depending on the version.
void* pgConnectionHandle(const QSqlDatabase& db) {
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    if (!handle.isValid() ||
        (qstrcmp(handle.typeName(), "PGconn*") != 0 && qstrcmp(handle.typeName(), "pg_conn*") != 0))
        return nullptr;
    return *static_cast<void* const*>(handle.constData());
}

namespace {

// Whether libpq reports the connection as broken (the server restarted or ended the session).
// QtSql keeps such a connection "open" for ever; asking libpq lets the next connection() call
// replace it. libpq is already loaded by the QPSQL plugin: look its function up there instead
// of linking it a second time.
bool pgConnectionBroken(const QSqlDatabase& db) {
    using StatusFunction = int (*)(const void*);
    static const StatusFunction status = []() -> StatusFunction {
        void* libpq = dlopen("libpq.so.5", RTLD_LAZY | RTLD_NOLOAD);
        return libpq ? reinterpret_cast<StatusFunction>(dlsym(libpq, "PQstatus")) : nullptr;
    }();
    const void* conn = pgConnectionHandle(db);
    if (!status || !conn)
        return false;
    constexpr int connectionBad = 1; // CONNECTION_BAD
    return conn && status(conn) == connectionBad;
}

bool usable(const QSqlDatabase& db) {
    return db.isOpen() && !(db.driverName() == u"QPSQL" && pgConnectionBroken(db));
}

void requireDriver(SqlEngine engine) {
    const QString driver = engine == SqlEngine::SQLite ? u"QSQLITE"_s : u"QPSQL"_s;
    if (!QSqlDatabase::isDriverAvailable(driver))
        throw SqlError(
            QStringLiteral("Qt SQL driver %1 is not installed").arg(driver).toStdString());
}

// Connections that this thread opened, by SqlDatabase instance id. Removed when the thread
// ends, unless the application is already gone (then the instance's destructor cleans up).
// Statements prepared on a connection and idle, by connection name and text: fixed texts run
// on every call (and per record inside a write) are parsed and planned once per connection.
struct PreparedStatement {
    QSqlQuery query;
    QStringList positions;
    QString sql; // as prepared
};
constexpr qsizetype maxIdleStatements = 256; // per connection
constexpr qsizetype maxIdlePerText = 4;

struct ThreadConnections {
    QHash<quint64, QString> names;
    // Held by pointer: QSqlQuery is moved, never copied (the hashes copy values on detach).
    QHash<QString, QHash<QString, std::vector<std::shared_ptr<PreparedStatement>>>> idle;
    QHash<QString, QHash<QString, std::shared_ptr<void>>> kept; // keepWithConnection's
    void release(const QString& name) {
        idle.remove(name);
        kept.remove(name);
    }
    ~ThreadConnections() {
        idle.clear(); // before their connections go
        kept.clear();
        if (!QCoreApplication::instance())
            return;
        for (const QString& name : std::as_const(names))
            QSqlDatabase::removeDatabase(name);
    }
};

thread_local ThreadConnections threadConnections;

bool isThisThreadsConnection(const QString& name) {
    return std::find(threadConnections.names.cbegin(), threadConnections.names.cend(), name) !=
           threadConnections.names.cend();
}

quint64 threadSerial() {
    static std::atomic<quint64> next{1};
    thread_local const quint64 serial = next++;
    return serial;
}

std::atomic<quint64> nextInstanceId{1};

// libpq keyword string: key = value pairs, values optionally in single quotes with
// backslash escapes.
QList<QPair<QString, QString>> parseKeywords(const QString& text) {
    QList<QPair<QString, QString>> pairs;
    qsizetype i = 0;
    const qsizetype n = text.size();
    auto skipSpace = [&] {
        while (i < n && text.at(i).isSpace())
            ++i;
    };
    while (true) {
        skipSpace();
        if (i >= n)
            break;
        const qsizetype keyStart = i;
        while (i < n && text.at(i) != u'=' && !text.at(i).isSpace())
            ++i;
        const QString key = text.mid(keyStart, i - keyStart);
        skipSpace();
        if (i >= n || text.at(i) != u'=')
            throw SqlError(
                ("malformed connection string: missing \"=\" after " + key).toStdString());
        ++i;
        skipSpace();
        QString value;
        if (i < n && text.at(i) == u'\'') {
            ++i;
            bool closed = false;
            while (i < n) {
                const QChar c = text.at(i++);
                if (c == u'\\' && i < n) {
                    value += text.at(i++);
                } else if (c == u'\'') {
                    closed = true;
                    break;
                } else {
                    value += c;
                }
            }
            if (!closed)
                throw SqlError("malformed connection string: unterminated quote");
        } else {
            while (i < n && !text.at(i).isSpace()) {
                const QChar c = text.at(i++);
                if (c == u'\\' && i < n)
                    value += text.at(i++);
                else
                    value += c;
            }
        }
        pairs.append({key, value});
    }
    return pairs;
}

QList<QPair<QString, QString>> parseUri(const QString& text) {
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid())
        throw SqlError(("malformed PostgreSQL URI: " + url.errorString()).toStdString());
    QList<QPair<QString, QString>> pairs;
    if (!url.host().isEmpty())
        pairs.append({u"host"_s, url.host()});
    if (url.port() > 0)
        pairs.append({u"port"_s, QString::number(url.port())});
    const QString path = url.path(QUrl::FullyDecoded);
    if (path.size() > 1)
        pairs.append({u"dbname"_s, path.mid(1)});
    if (!url.userName().isEmpty())
        pairs.append({u"user"_s, url.userName(QUrl::FullyDecoded)});
    if (!url.password().isEmpty())
        pairs.append({u"password"_s, url.password(QUrl::FullyDecoded)});
    const auto items = QUrlQuery(url).queryItems(QUrl::FullyDecoded);
    for (const auto& item : items)
        pairs.append(item);
    return pairs;
}

bool isUri(const QString& text) {
    return text.startsWith(u"postgresql://") || text.startsWith(u"postgres://");
}

// Placeholder scanning shared by sqlPlaceholders and SqlStatement: the :NAME placeholders in
// order, and the text with each replaced by a positional marker. SQLite gets one "?" per
// occurrence. PostgreSQL gets one "$n" per name, reused at every occurrence: the server infers
// a parameter's type from its first use, so in "(CD = :P OR :P IS NULL)" a marker of its own
// for the second :P would have no type and fail.
struct ScannedSql {
    QString rewritten;
    QStringList names;     // every occurrence
    QStringList bindOrder; // upper-case names, one per positional value to bind
};

bool isNameStart(QChar c) {
    return c.isLetter() || c == u'_';
}
bool isNameChar(QChar c) {
    return c.isLetterOrNumber() || c == u'_';
}

qsizetype skipQuoted(const QString& sql, qsizetype i, QChar quote) {
    const qsizetype n = sql.size();
    for (++i; i < n; ++i) {
        if (sql.at(i) == quote) {
            if (i + 1 < n && sql.at(i + 1) == quote)
                ++i; // doubled quote inside the literal
            else
                return i + 1;
        }
    }
    return n;
}

// $tag$ ... $tag$ (PostgreSQL function bodies); returns i unchanged when not a dollar quote.
qsizetype skipDollarQuoted(const QString& sql, qsizetype i) {
    const qsizetype n = sql.size();
    qsizetype j = i + 1;
    if (j < n && !(sql.at(j) == u'$' || isNameStart(sql.at(j))))
        return i;
    while (j < n && sql.at(j) != u'$') {
        if (!isNameChar(sql.at(j)))
            return i;
        ++j;
    }
    if (j >= n)
        return i;
    const QString tag = sql.mid(i, j - i + 1);
    const qsizetype end = sql.indexOf(tag, j + 1);
    return end < 0 ? n : end + tag.size();
}

ScannedSql scanSql(const QString& sql, bool numberedMarkers = false) {
    ScannedSql out;
    out.rewritten.reserve(sql.size());
    const qsizetype n = sql.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = sql.at(i);
        qsizetype next = i + 1;
        if (c == u'\'' || c == u'"') {
            next = skipQuoted(sql, i, c);
        } else if (c == u'-' && i + 1 < n && sql.at(i + 1) == u'-') {
            next = sql.indexOf(u'\n', i);
            next = next < 0 ? n : next;
        } else if (c == u'/' && i + 1 < n && sql.at(i + 1) == u'*') {
            next = sql.indexOf(u"*/", i + 2);
            next = next < 0 ? n : next + 2;
        } else if (c == u'$') {
            next = std::max(skipDollarQuoted(sql, i), i + 1);
        } else if (c == u':' && i + 1 < n && sql.at(i + 1) == u':') {
            next = i + 2;
        } else if (c == u':' && i + 1 < n && isNameStart(sql.at(i + 1))) {
            qsizetype end = i + 2;
            while (end < n && isNameChar(sql.at(end)))
                ++end;
            const QString name = sql.mid(i + 1, end - i - 1);
            out.names.append(name);
            if (numberedMarkers) {
                qsizetype number = out.bindOrder.indexOf(name.toUpper());
                if (number < 0) {
                    out.bindOrder.append(name.toUpper());
                    number = out.bindOrder.size() - 1;
                }
                out.rewritten += u'$' + QString::number(number + 1);
            } else {
                out.bindOrder.append(name.toUpper());
                out.rewritten += u'?';
            }
            i = end;
            continue;
        }
        out.rewritten += QStringView(sql).mid(i, next - i);
        i = next;
    }
    return out;
}

} // namespace

// ---- DatabaseConfig ----

DatabaseConfig DatabaseConfig::parse(const QString& connection) {
    DatabaseConfig config;
    const QString text = connection.trimmed();
    if (isUri(text) || text.startsWith(u"postgres:") || text.contains(u"dbname=") ||
        text.contains(u"host=")) {
        config.engine = SqlEngine::PostgreSQL;
        config.pgConnection = text;
    } else {
        config.engine = SqlEngine::SQLite;
        config.sqlitePath = text.startsWith(u"sqlite:") ? text.mid(7) : text;
    }
    return config;
}

PgConnectionSettings parsePgConnection(const QString& connection) {
    QString text = connection.trimmed();
    if (text.startsWith(u"postgres:") && !isUri(text))
        text = text.mid(9);
    const auto pairs = isUri(text) ? parseUri(text) : parseKeywords(text);
    PgConnectionSettings settings;
    QStringList options;
    for (const auto& [key, value] : pairs) {
        if (key == u"host" || key == u"hostaddr") {
            settings.host = value;
        } else if (key == u"port") {
            bool ok = false;
            settings.port = value.toInt(&ok);
            if (!ok || settings.port <= 0 || settings.port > 65535)
                throw SqlError(("invalid port in connection string: " + value).toStdString());
        } else if (key == u"dbname") {
            settings.databaseName = value;
        } else if (key == u"user") {
            settings.userName = value;
        } else if (key == u"password") {
            settings.password = value;
        } else if (value.contains(u' ') || value.contains(u';')) {
            options.append(key + u"='"_s + QString(value).replace(u"'"_s, u"\\'"_s) + u'\'');
        } else {
            options.append(key + u'=' + value);
        }
    }
    settings.connectOptions = options.join(u';');
    return settings;
}

// ---- SqlDatabase ----

// Writers of one process in order of arrival: each takes a ticket and enters when it is the
// first ticket waiting and nobody is writing. A writer that waits longer than the busy timeout
// gives its ticket back and fails, as SQLite would have.
class WriterQueue {
public:
    bool enter() {
        std::unique_lock lock(mutex_);
        const quint64 ticket = nextTicket_++;
        waiting_.push_back(ticket);
        const bool turn =
            changed_.wait_for(lock, std::chrono::milliseconds(sqliteBusyTimeoutMs),
                              [&] { return !writing_ && waiting_.front() == ticket; });
        if (!turn) {
            waiting_.erase(std::find(waiting_.begin(), waiting_.end(), ticket));
            changed_.notify_all();
            return false;
        }
        waiting_.pop_front();
        writing_ = true;
        return true;
    }
    void leave() {
        {
            std::lock_guard lock(mutex_);
            writing_ = false;
        }
        changed_.notify_all();
    }
    int waiting() const {
        std::lock_guard lock(mutex_);
        return int(waiting_.size());
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<quint64> waiting_;
    quint64 nextTicket_ = 0;
    bool writing_ = false;
};

// Checkpoints of the write-ahead log on a thread of their own. SQLite's automatic checkpoint
// runs inside the COMMIT that crosses the log's threshold, so one writer in a thousand pages
// copied the log into the file (and synced it) while holding the write lock and every other
// writer waited. Connections tell this thread instead (the WAL hook). It copies the bulk of
// the log without blocking anyone, then takes a writer's turn for the few pages committed
// meanwhile: only a checkpoint that caught up lets the next writer start the log afresh, so
// under steady writes the log would otherwise grow without end.
class Checkpointer {
public:
    static constexpr int thresholdPages = 1000; // SQLite's own default

    Checkpointer(const QString& path, WriterQueue& writers)
        : path_(path.toUtf8()), writers_(writers) {}
    ~Checkpointer() {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_all();
        if (thread_.joinable())
            thread_.join();
    }

    // The WAL hook of a connection: called after each commit with the log's size in pages.
    static int walCommitted(void* self, sqlite3*, const char*, int pages) {
        if (pages >= thresholdPages)
            static_cast<Checkpointer*>(self)->request();
        return SQLITE_OK;
    }

private:
    void request() {
        {
            std::lock_guard lock(mutex_);
            requested_ = true;
            if (!thread_.joinable())
                thread_ = std::thread([this] { run(); });
        }
        wake_.notify_all();
    }

    void run() {
        sqlite3* handle = nullptr;
        if (sqlite3_open_v2(path_.constData(), &handle, SQLITE_OPEN_READWRITE, nullptr) !=
            SQLITE_OK) {
            qWarning("checkpoints: cannot open %s", path_.constData());
            sqlite3_close(handle);
            return;
        }
        sqlite3_busy_timeout(handle, sqliteBusyTimeoutMs);
        // A connection learns that the file is in WAL mode at its first read; before that a
        // checkpoint does nothing.
        sqlite3_exec(handle, "SELECT COUNT(*) FROM sqlite_master", nullptr, nullptr, nullptr);
        std::unique_lock lock(mutex_);
        while (!stopping_) {
            wake_.wait(lock, [&] { return requested_ || stopping_; });
            if (stopping_)
                break;
            requested_ = false;
            lock.unlock();
            checkpoint(handle);
            lock.lock();
        }
        lock.unlock();
        sqlite3_close(handle);
    }

    void checkpoint(sqlite3* handle) {
        sqlite3_wal_checkpoint_v2(handle, nullptr, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
        if (!writers_.enter())
            return;
        sqlite3_wal_checkpoint_v2(handle, nullptr, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
        writers_.leave();
    }

    QByteArray path_;
    WriterQueue& writers_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::thread thread_;
    bool requested_ = false;
    bool stopping_ = false;
};

struct SqlDatabase::Impl {
    DatabaseConfig config;
    quint64 id = nextInstanceId++;
    std::atomic<quint64> commits{0};
    QMutex mutex;
    QSet<QString> names; // every connection opened for this instance, in any thread
    WriterQueue writers;
    std::unique_ptr<Checkpointer> checkpointer; // SQLite
};

SqlDatabase::SqlDatabase(DatabaseConfig config) : d(std::make_unique<Impl>()) {
    d->config = std::move(config);
    if (d->config.engine == SqlEngine::SQLite)
        d->checkpointer = std::make_unique<Checkpointer>(d->config.sqlitePath, d->writers);
}

SqlDatabase::~SqlDatabase() {
    QSet<QString> names;
    {
        QMutexLocker lock(&d->mutex);
        names.swap(d->names);
    }
    threadConnections.names.remove(d->id);
    for (const QString& name : std::as_const(names)) {
        threadConnections.release(name);
        QSqlDatabase::removeDatabase(name);
    }
}

const DatabaseConfig& SqlDatabase::config() const {
    return d->config;
}

SqlEngine SqlDatabase::engine() const {
    return d->config.engine;
}

quint64 SqlDatabase::instanceId() const {
    return d->id;
}

quint64 SqlDatabase::commitCount() const {
    return d->commits.load();
}

QSqlDatabase SqlDatabase::connection() {
    const QString existing = threadConnections.names.value(d->id);
    if (!existing.isEmpty()) {
        if (usable(QSqlDatabase::database(existing, false)))
            return QSqlDatabase::database(existing, false);
        releaseThreadConnection(); // closed or broken under us: open a fresh one
    }
    requireDriver(d->config.engine);
    const QString name = QStringLiteral("dieta-sql-%1-thread-%2").arg(d->id).arg(threadSerial());
    try {
        QSqlDatabase db = d->config.engine == SqlEngine::SQLite
                              ? openSqlite(name, d->config.sqlitePath, d->checkpointer.get(),
                                           &Checkpointer::walCommitted)
                              : openPostgres(name, d->config.pgConnection);
        threadConnections.names.insert(d->id, name);
        QMutexLocker lock(&d->mutex);
        d->names.insert(name);
        return db;
    } catch (...) {
        QSqlDatabase::removeDatabase(name);
        throw;
    }
}

void SqlDatabase::releaseThreadConnection() {
    const QString name = threadConnections.names.take(d->id);
    if (name.isEmpty())
        return;
    {
        QMutexLocker lock(&d->mutex);
        d->names.remove(name);
    }
    threadConnections.release(name);
    QSqlDatabase::removeDatabase(name);
}

bool SqlDatabase::enterWriterQueue() {
    return d->writers.enter();
}

void SqlDatabase::leaveWriterQueue() {
    d->writers.leave();
}

int SqlDatabase::writersWaiting() const {
    return d->writers.waiting();
}

// ---- WriteTransaction ----

WriteTransaction::WriteTransaction(SqlDatabase& db, Writes writes)
    : db_(&db), writes_(writes), conn_(db.connection()) {
    if (db.engine() == SqlEngine::SQLite) {
        if (!db.enterWriterQueue())
            throw SqlError("database is locked: no turn to write within the busy timeout");
        queue_ = &db;
    }
    try {
        execOrThrow(conn_, db.engine() == SqlEngine::SQLite ? u"BEGIN IMMEDIATE"_s : u"BEGIN"_s);
    } catch (...) {
        finish();
        throw;
    }
    open_ = true;
}

WriteTransaction::~WriteTransaction() {
    if (open_) {
        QSqlQuery query(conn_);
        if (!query.exec(QStringLiteral("ROLLBACK")))
            qWarning("rollback failed: %s", qPrintable(errorText(query.lastError())));
    }
    finish();
}

void WriteTransaction::countCommit() {
    if (writes_ == Writes::Data)
        db_->d->commits++;
}

void WriteTransaction::finish() {
    if (queue_)
        queue_->leaveWriterQueue();
    queue_ = nullptr;
}

QSqlDatabase WriteTransaction::connection() const {
    return conn_;
}

void WriteTransaction::commit() {
    if (!open_)
        throw SqlError("commit of a transaction that is not open");
    QSqlQuery query(conn_);
    if (!query.exec(QStringLiteral("COMMIT"))) {
        if (!usable(conn_)) {
            open_ = false; // nothing left to roll back on a broken connection
            countCommit(); // it may have landed
            finish();
            throw CommitInDoubt(QStringLiteral("COMMIT: connection lost: %1")
                                    .arg(errorText(query.lastError()))
                                    .toStdString());
        }
        // SQLite keeps the transaction open after a failed COMMIT (SQLITE_BUSY); the
        // destructor then rolls it back.
        throwSqlError(QStringLiteral("COMMIT"), query.lastError());
    }
    open_ = false;
    countCommit();
    finish();
}

// ---- PostgreSQL portability functions ----

void installPostgresFunctions(const QSqlDatabase& conn) {
    static const char* const statements[] = {
        // CREATE OR REPLACE FUNCTION from two sessions at once fails with "tuple
        // concurrently updated": serialise on a fixed advisory lock held to the commit.
        "SELECT pg_advisory_xact_lock(1684632161)",
        "CREATE OR REPLACE FUNCTION nvl(text, text) RETURNS text "
        "LANGUAGE sql IMMUTABLE AS 'SELECT COALESCE($1, $2)'",
        "CREATE OR REPLACE FUNCTION nvl(numeric, numeric) RETURNS numeric "
        "LANGUAGE sql IMMUTABLE AS 'SELECT COALESCE($1, $2)'",
        "CREATE OR REPLACE FUNCTION nvl(date, date) RETURNS date "
        "LANGUAGE sql IMMUTABLE AS 'SELECT COALESCE($1, $2)'",
        "CREATE OR REPLACE FUNCTION nvl(timestamp, timestamp) RETURNS timestamp "
        "LANGUAGE sql IMMUTABLE AS 'SELECT COALESCE($1, $2)'",
        "CREATE OR REPLACE FUNCTION instr(text, text) RETURNS integer "
        "LANGUAGE sql IMMUTABLE AS 'SELECT strpos($1, $2)'",
    };
    execOrThrow(conn, QStringLiteral("BEGIN"));
    try {
        for (const char* statement : statements)
            execOrThrow(conn, QString::fromLatin1(statement));
        execOrThrow(conn, QStringLiteral("COMMIT"));
    } catch (...) {
        QSqlQuery(conn).exec(QStringLiteral("ROLLBACK"));
        throw;
    }
}

// ---- Statements ----

std::shared_ptr<void> keptWithConnection(const QSqlDatabase& conn, const QString& key) {
    const auto byConnection = threadConnections.kept.constFind(conn.connectionName());
    return byConnection == threadConnections.kept.cend() ? nullptr : byConnection->value(key);
}

quint64 databaseInstanceOf(const QSqlDatabase& conn) {
    return threadConnections.names.key(conn.connectionName(), 0);
}

bool keepWithConnection(const QSqlDatabase& conn, const QString& key, std::shared_ptr<void> thing) {
    const QString name = conn.connectionName();
    if (!isThisThreadsConnection(name))
        return false;
    threadConnections.kept[name].insert(key, std::move(thing));
    return true;
}

QStringList sqlPlaceholders(const QString& sql) {
    return scanSql(sql).names;
}

SqlStatement::SqlStatement(const QSqlDatabase& conn, const QString& sql)
    : query_(conn), key_(sql), connectionName_(conn.connectionName()) {
    const auto byConnection = threadConnections.idle.find(connectionName_);
    if (byConnection != threadConnections.idle.end()) {
        const auto byText = byConnection->find(sql);
        if (byText != byConnection->end() && !byText->empty()) {
            PreparedStatement cached = std::move(*byText->back());
            byText->pop_back();
            query_ = std::move(cached.query);
            positions_ = std::move(cached.positions);
            sql_ = std::move(cached.sql);
            prepared_ = true;
            return;
        }
    }
    ScannedSql scanned = scanSql(sql, conn.driverName() == u"QPSQL");
    positions_ = std::move(scanned.bindOrder);
    query_.setForwardOnly(true);
    if (positions_.isEmpty()) {
        sql_ = sql; // PostgreSQL prepares only plain DML: run the text as it is
        return;
    }
    sql_ = std::move(scanned.rewritten);
    if (!query_.prepare(sql_))
        throwSqlError(sql, query_.lastError());
    prepared_ = true;
}

SqlStatement::SqlStatement(const QSqlDatabase& conn, const QString& sql, const QVariantMap& values)
    : SqlStatement(conn, sql) {
    bind(values);
    exec();
}

// Back to the connection's idle statements, its result set closed (an open one would hold
// SQLite's read snapshot).
SqlStatement::~SqlStatement() {
    if (!prepared_ || !reusable_)
        return;
    const auto byConnection = threadConnections.idle.find(connectionName_);
    if (byConnection == threadConnections.idle.end() && !isThisThreadsConnection(connectionName_))
        return; // not this thread's connection, or already gone
    QHash<QString, std::vector<std::shared_ptr<PreparedStatement>>>& texts =
        threadConnections.idle[connectionName_];
    const auto known = texts.find(key_);
    if (known == texts.end() ? texts.size() >= maxIdleStatements
                             : qsizetype(known->size()) >= maxIdlePerText)
        return;
    query_.finish();
    texts[key_].push_back(std::make_shared<PreparedStatement>(
        PreparedStatement{std::move(query_), std::move(positions_), std::move(sql_)}));
}

QSqlQuery SqlStatement::takeQuery() {
    reusable_ = false;
    return std::move(query_);
}

SqlStatement& SqlStatement::bind(const QString& name, const QVariant& value) {
    QString key = name.startsWith(u':') ? name.mid(1).toUpper() : name.toUpper();
    if (!positions_.contains(key))
        throw SqlError(("statement has no placeholder :" + name).toStdString());
    values_.insert(std::move(key), value);
    return *this;
}

SqlStatement& SqlStatement::bind(const QVariantMap& values) {
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        bind(it.key(), it.value());
    return *this;
}

void SqlStatement::clearBindings() {
    values_.clear();
}

QStringList SqlStatement::unboundPlaceholders() const {
    QStringList unbound;
    for (const QString& name : positions_)
        if (!values_.contains(name) && !unbound.contains(name))
            unbound.append(name);
    return unbound;
}

void SqlStatement::exec() {
    const QStringList unbound = unboundPlaceholders();
    if (!unbound.isEmpty())
        throw SqlError(("placeholders without a value: :" + unbound.join(u", :")).toStdString());
    bool ok = false;
    if (prepared_) {
        for (qsizetype i = 0; i < positions_.size(); ++i)
            query_.bindValue(int(i), values_.value(positions_.at(i)));
        ok = query_.exec();
    } else {
        ok = query_.exec(sql_);
    }
    if (!ok) {
        reusable_ = false;
        throwSqlError(sql_.simplified().left(200), query_.lastError());
    }
}

QSqlQuery execSql(const QSqlDatabase& conn, const QString& sql, const QVariantMap& values) {
    SqlStatement statement(conn, sql);
    statement.bind(values);
    statement.exec();
    return statement.takeQuery();
}

} // namespace dieta
