#pragma once
// Audit rows written off the request path: logins, refusals and list reads are posted here
// and a thread of the queue's own writes them in batches, one transaction per batch. A read
// therefore never waits for SQLite's write lock, and a refused write's row survives the
// rollback of the write.

#include "server/storage/audit.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace dieta {
class SqlDatabase;
}

namespace dieta::server {

class AuditQueue {
public:
    // The database must outlive the queue.
    explicit AuditQueue(SqlDatabase& db);
    ~AuditQueue(); // writes what is pending, then stops
    AuditQueue(const AuditQueue&) = delete;
    AuditQueue& operator=(const AuditQueue&) = delete;

    // Takes the entry's time now and cuts its texts to their columns; never waits for the
    // database. Beyond maxPending entries
    // (the database is down) the entry goes to the server log only.
    void post(AuditEntry entry);
    // Returns once everything posted before the call is written (or has failed).
    void flush();

    static constexpr int batchDelayMs = 200; // a batch gathers for at most this long
    static constexpr int maxBatch = 500;
    static constexpr int maxPending = 100'000;

private:
    void run();
    void write(std::deque<AuditEntry>& batch);

    SqlDatabase& db_;
    std::mutex lock_;
    std::condition_variable wake_;
    std::condition_variable written_;
    std::deque<AuditEntry> pending_;
    quint64 posted_ = 0;
    quint64 done_ = 0;
    bool stopping_ = false;
    bool hurry_ = false; // someone flushes: no gathering delay
    std::thread writer_;
};

// The server log line of a security event: who, from where, what and why.
QString securityLogLine(const AuditEntry& entry);

// Logs the refusal or login and posts it to the queue (when there is one).
void reportSecurityEvent(AuditQueue* queue, AuditEntry entry);

} // namespace dieta::server
