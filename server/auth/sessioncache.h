#pragma once
// The sessions this process has checked lately, so that a call costs no database round trip.
// An entry is trusted for a short time only: a logout or a disabled operator in another
// process is seen here within that time.

#include <QHash>
#include <QString>
#include <mutex>
#include <optional>

namespace dieta::server::auth {

class SessionCache {
public:
    explicit SessionCache(int trustMs) : trustMs_(trustMs) {}

    // The operator of the session when it was checked less than trustMs ago and has not
    // expired.
    std::optional<QString> find(const QString& digest, qint64 nowMs);
    void remember(const QString& digest, const QString& operatorCode, qint64 expiresMs,
                  qint64 nowMs);
    void forget(const QString& digest);

    int trustMs() const { return trustMs_; }

private:
    struct Entry {
        QString operatorCode;
        qint64 expiresMs = 0;
        qint64 checkedMs = 0;
    };
    void dropStale(qint64 nowMs);

    const int trustMs_;
    std::mutex lock_;
    QHash<QString, Entry> entries_;
};

} // namespace dieta::server::auth
