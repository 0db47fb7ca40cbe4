#pragma once
// Failed logins are limited per operator and per client address, counted in the database so
// that every server process on it shares one count. While a limit is reached, a login is
// refused without even checking the password.

#include <QSqlDatabase>
#include <QString>

namespace dieta::server::auth {

struct LoginLimits {
    qint64 windowMs = 15 * 60 * 1000; // failures older than this no longer count
    int perOperator = 5;
    int perAddress = 20;
};

bool loginLimited(const QSqlDatabase& conn, const LoginLimits& limits, const QString& operatorCode,
                  const QString& address, qint64 nowMs);
void recordLoginFailure(const QSqlDatabase& conn, const QString& operatorCode,
                        const QString& address, qint64 nowMs);
// A successful login clears the operator's failures (not the address's).
void clearOperatorFailures(const QSqlDatabase& conn, const QString& operatorCode);
void purgeOldFailures(const QSqlDatabase& conn, const LoginLimits& limits, qint64 nowMs);

} // namespace dieta::server::auth
