#include "server/storage/auditqueue.h"

#include "platform/sqldatabase.h"

#include <QtDebug>
#include <chrono>

namespace dieta::server {

AuditQueue::AuditQueue(SqlDatabase& db) : db_(db), writer_([this] { run(); }) {}

AuditQueue::~AuditQueue() {
    {
        std::lock_guard guard(lock_);
        stopping_ = true;
    }
    wake_.notify_all();
    writer_.join();
}

void AuditQueue::post(AuditEntry entry) {
    if (!entry.when.isValid())
        entry.when = QDateTime::currentDateTime();
    // These values may come from the client (an operator code that was only claimed): cut to
    // their columns so that the row is still written.
    entry.operatorCode.truncate(12);
    entry.method.truncate(40);
    entry.branch.truncate(4);
    entry.address.truncate(64);
    entry.reason.truncate(200);
    entry.service.truncate(5);
    {
        std::lock_guard guard(lock_);
        if (pending_.size() < size_t(maxPending)) {
            pending_.push_back(std::move(entry));
            ++posted_;
            // The first entry starts a batch's gathering delay; a full batch ends it.
            if (pending_.size() == 1 || pending_.size() >= size_t(maxBatch))
                wake_.notify_all();
            return;
        }
    }
    qWarning().noquote() << "dieta-server: audit queue full, not stored:" << securityLogLine(entry);
}

void AuditQueue::flush() {
    std::unique_lock guard(lock_);
    const quint64 target = posted_;
    hurry_ = true;
    wake_.notify_all();
    written_.wait(guard, [&] { return done_ >= target; });
}

void AuditQueue::run() {
    std::unique_lock guard(lock_);
    for (;;) {
        wake_.wait(guard, [&] { return stopping_ || !pending_.empty(); });
        if (pending_.empty() && stopping_)
            break;
        // Let a batch gather, unless it is full, someone waits for it, or the server stops.
        wake_.wait_for(guard, std::chrono::milliseconds(batchDelayMs),
                       [&] { return stopping_ || hurry_ || pending_.size() >= size_t(maxBatch); });
        std::deque<AuditEntry> batch;
        while (!pending_.empty() && batch.size() < size_t(maxBatch)) {
            batch.push_back(std::move(pending_.front()));
            pending_.pop_front();
        }
        if (pending_.empty())
            hurry_ = false;
        guard.unlock();
        write(batch);
        guard.lock();
        done_ += batch.size();
        written_.notify_all();
    }
    guard.unlock();
    db_.releaseThreadConnection();
}

// One transaction per batch; when it fails, row by row, so that one bad row loses only
// itself (and that row still reaches the log).
void AuditQueue::write(std::deque<AuditEntry>& batch) {
    try {
        WriteTransaction transaction(db_, WriteTransaction::Writes::Bookkeeping);
        QSqlDatabase conn = transaction.connection();
        for (const AuditEntry& entry : batch)
            recordAudit(conn, entry);
        transaction.commit();
        return;
    } catch (const std::exception& error) {
        qWarning().noquote() << "dieta-server: audit batch failed, writing row by row:"
                             << error.what();
    }
    for (const AuditEntry& entry : batch) {
        try {
            QSqlDatabase conn = db_.connection();
            recordAudit(conn, entry);
        } catch (const std::exception& error) {
            qWarning().noquote() << "dieta-server: audit row not stored:" << error.what()
                                 << securityLogLine(entry);
        }
    }
}

namespace {

// A value from the client goes into one log line: no line breaks or other control characters.
QString oneLine(const QString& text) {
    QString clean;
    clean.reserve(text.size());
    for (QChar c : text)
        clean += c.isPrint() ? c : QChar(u'?');
    return clean;
}

} // namespace

QString securityLogLine(const AuditEntry& entry) {
    const QString what =
        entry.reason.isEmpty() ? QStringLiteral("accepted") : QStringLiteral("refused");
    QString line =
        QStringLiteral("%1 operator=%2 address=%3 method=%4")
            .arg(what, oneLine(entry.operatorCode), oneLine(entry.address), oneLine(entry.method));
    if (!entry.branch.isEmpty())
        line += QStringLiteral(" branch=%1").arg(oneLine(entry.branch));
    if (!entry.reason.isEmpty())
        line += QStringLiteral(" reason=\"%1\"").arg(oneLine(entry.reason));
    return line;
}

void reportSecurityEvent(AuditQueue* queue, AuditEntry entry) {
    qInfo().noquote() << "dieta-server: security:" << securityLogLine(entry);
    if (queue)
        queue->post(std::move(entry));
}

} // namespace dieta::server
