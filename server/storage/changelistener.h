#pragma once
// PostgreSQL: the change counts of the counted tables (VERSAODADO), held in memory as the
// tables' triggers announce each change (NOTIFY versaodado with the table's name), so that a
// kept answer is checked without a round trip to the database. One thread with a connection of
// its own listens. Its counts trail another process's commit by the notice's way here (about
// a millisecond); this process's own commits count at once (SqlDatabase::commitCount). While
// it is not listening (starting, or its connection broke) it knows nothing and says so.

#include <QHash>
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <atomic>
#include <memory>
#include <mutex>
#include <thread>

namespace dieta {
class SqlDatabase;
}

namespace dieta::server {

// Appends the count of each table, in their order; false (and `versions` as it was, partly
// appended) when a table is not counted.
bool appendTableCounts(const QHash<QString, qint64>& counts, const QStringList& tables,
                       QList<qint64>& versions);

class ChangeListener {
public:
    // Starts listening to `db` (PostgreSQL), which must outlive the listener.
    static std::shared_ptr<ChangeListener> start(SqlDatabase& db);
    // The running listener of the database instance, if any.
    static std::shared_ptr<ChangeListener> of(quint64 instance);

    ~ChangeListener();
    ChangeListener(const ChangeListener&) = delete;
    ChangeListener& operator=(const ChangeListener&) = delete;

    // What tells this listening apart from any other, this process's commits, then the count
    // of each table; empty while not listening or when a table is not counted.
    QList<qint64> versions(const QStringList& tables) const;

    bool isListening() const;

    static constexpr int healthCheckMs = 2000;
    static constexpr int reconnectMs = 1000;

private:
    explicit ChangeListener(SqlDatabase& db);

    void run();
    bool listen();
    void receive(void* connection);
    bool healthy(void* connection);
    void drop();

    SqlDatabase& db_;
    quint64 instance_;
    QSqlDatabase conn_; // the listening connection, the thread's alone
    int wake_ = -1;     // eventfd that ends the thread's wait
    std::atomic<bool> stopping_{false};
    mutable std::mutex mutex_;
    bool listening_ = false;
    qint64 epoch_ = 0;
    QHash<QString, qint64> counts_;
    std::thread thread_;
};

} // namespace dieta::server
