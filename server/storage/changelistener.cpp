#include "server/storage/changelistener.h"

#include "platform/sqldatabase.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlQuery>
#include <cerrno>
#include <libpq-fe.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace dieta::server {

namespace {

std::mutex registryLock;

QHash<quint64, std::weak_ptr<ChangeListener>>& registry() {
    static QHash<quint64, std::weak_ptr<ChangeListener>> listeners;
    return listeners;
}

// Never repeats: counts seen by one listening are never taken for another's.
std::atomic<qint64> nextEpoch{1};

// libpq's connection under QtSql's: the notices are taken from it directly, since QtSql hands
// them over only through an event loop this thread does not run.
PGconn* pgConnectionOf(const QSqlDatabase& conn) {
    return static_cast<PGconn*>(pgConnectionHandle(conn));
}

} // namespace

bool appendTableCounts(const QHash<QString, qint64>& counts, const QStringList& tables,
                       QList<qint64>& versions) {
    for (const QString& table : tables) {
        const auto found = counts.constFind(table);
        if (found == counts.cend())
            return false;
        versions.append(*found);
    }
    return true;
}

std::shared_ptr<ChangeListener> ChangeListener::start(SqlDatabase& db) {
    std::shared_ptr<ChangeListener> listener(new ChangeListener(db));
    {
        std::lock_guard guard(registryLock);
        registry().insert(db.instanceId(), listener);
    }
    listener->thread_ = std::thread([raw = listener.get()] { raw->run(); });
    return listener;
}

std::shared_ptr<ChangeListener> ChangeListener::of(quint64 instance) {
    std::lock_guard guard(registryLock);
    const auto found = registry().constFind(instance);
    return found == registry().cend() ? nullptr : found->lock();
}

ChangeListener::ChangeListener(SqlDatabase& db)
    : db_(db), instance_(db.instanceId()), wake_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

ChangeListener::~ChangeListener() {
    {
        std::lock_guard guard(registryLock);
        registry().remove(instance_);
    }
    stopping_ = true;
    const quint64 one = 1;
    if (wake_ >= 0 && write(wake_, &one, sizeof one) < 0)
        qWarning("change listener: cannot wake its thread");
    if (thread_.joinable())
        thread_.join();
    if (wake_ >= 0)
        close(wake_);
}

QList<qint64> ChangeListener::versions(const QStringList& tables) const {
    std::lock_guard guard(mutex_);
    if (!listening_)
        return {};
    QList<qint64> versions{epoch_, qint64(db_.commitCount())};
    return appendTableCounts(counts_, tables, versions) ? versions : QList<qint64>();
}

bool ChangeListener::isListening() const {
    std::lock_guard guard(mutex_);
    return listening_;
}

void ChangeListener::run() {
    while (!stopping_) {
        if (!listen()) {
            pollfd wake{wake_, POLLIN, 0};
            poll(&wake, 1, reconnectMs);
            continue;
        }
        PGconn* connection = pgConnectionOf(conn_);
        for (;;) {
            pollfd ready[2] = {{PQsocket(connection), POLLIN, 0}, {wake_, POLLIN, 0}};
            const int count = poll(ready, 2, healthCheckMs);
            if (stopping_)
                break;
            if (count < 0 && errno == EINTR)
                continue;
            // Idle for a while: ask, so that a connection gone silently is found out.
            const bool ok = count == 0 ? healthy(connection)
                                       : PQconsumeInput(connection) == 1 &&
                                             PQstatus(connection) == CONNECTION_OK;
            if (!ok)
                break;
            receive(connection);
        }
        drop();
    }
    drop();
}

// LISTEN first, then the counts: a change in between is counted twice, which only costs a read.
bool ChangeListener::listen() {
    try {
        conn_ = db_.connection();
        PGconn* connection = pgConnectionOf(conn_);
        if (!connection)
            throw SqlError("no libpq connection under " + conn_.driverName().toStdString());
        execSql(conn_, QStringLiteral("LISTEN versaodado"));
        QSqlQuery rows =
            execSql(conn_, QStringLiteral("SELECT NMTABELA, NRVERSAO FROM VERSAODADO"));
        QHash<QString, qint64> counts;
        while (rows.next())
            counts.insert(rows.value(0).toString(), rows.value(1).toLongLong());
        {
            std::lock_guard guard(mutex_);
            counts_ = std::move(counts);
            epoch_ = nextEpoch++;
            listening_ = true;
        }
        receive(connection);
        return true;
    } catch (const SqlError& error) {
        qWarning("change listener: %s", error.what());
        drop();
        return false;
    }
}

void ChangeListener::receive(void* connection) {
    while (PGnotify* notice = PQnotifies(static_cast<PGconn*>(connection))) {
        const QString table = QString::fromUtf8(notice->extra);
        PQfreemem(notice);
        std::lock_guard guard(mutex_);
        const auto found = counts_.find(table);
        if (found != counts_.end())
            ++*found;
    }
}

bool ChangeListener::healthy(void* connection) {
    QSqlQuery ping(conn_);
    return ping.exec(QStringLiteral("SELECT 1")) &&
           PQstatus(static_cast<PGconn*>(connection)) == CONNECTION_OK;
}

void ChangeListener::drop() {
    {
        std::lock_guard guard(mutex_);
        listening_ = false;
    }
    conn_ = QSqlDatabase();
    db_.releaseThreadConnection();
}

} // namespace dieta::server
