#pragma once
// The session table: sessions live in the database, so that every server process on it
// knows every session. Rows are keyed by the token's digest, never the token. Times are
// milliseconds since the epoch.

#include <QSqlDatabase>
#include <QString>
#include <optional>

namespace dieta::server::auth {

struct StoredSession {
    QString operatorCode;
    qint64 expiresMs = 0;
};

void storeSession(const QSqlDatabase& conn, const QString& digest, const QString& operatorCode,
                  const QString& address, qint64 createdMs, qint64 expiresMs);
// The session's row when it exists and its operator is still active (expiry not checked).
std::optional<StoredSession> findSession(const QSqlDatabase& conn, const QString& digest);
void deleteSession(const QSqlDatabase& conn, const QString& digest);
void deleteOperatorSessions(const QSqlDatabase& conn, const QString& operatorCode);
void deleteExpiredSessions(const QSqlDatabase& conn, qint64 nowMs);

} // namespace dieta::server::auth
