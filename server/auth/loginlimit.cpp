#include "server/auth/loginlimit.h"

#include "platform/sqldatabase.h"

namespace dieta::server::auth {

namespace {

QString operatorKey(const QString& code) {
    return (QStringLiteral("O:") + code).left(80);
}

QString addressKey(const QString& address) {
    return (QStringLiteral("A:") + address).left(80);
}

int failures(const QSqlDatabase& conn, const QString& key, qint64 sinceMs) {
    QSqlQuery query =
        execSql(conn,
                QStringLiteral(
                    "SELECT COUNT(*) FROM FALHALOGIN WHERE DSCHAVE = :KEY AND NRMOMENTO > :SINCE"),
                {{QStringLiteral("KEY"), key}, {QStringLiteral("SINCE"), sinceMs}});
    return query.next() ? query.value(0).toInt() : 0;
}

} // namespace

bool loginLimited(const QSqlDatabase& conn, const LoginLimits& limits, const QString& operatorCode,
                  const QString& address, qint64 nowMs) {
    const qint64 since = nowMs - limits.windowMs;
    return failures(conn, operatorKey(operatorCode), since) >= limits.perOperator ||
           failures(conn, addressKey(address), since) >= limits.perAddress;
}

void recordLoginFailure(const QSqlDatabase& conn, const QString& operatorCode,
                        const QString& address, qint64 nowMs) {
    const QString sql =
        QStringLiteral("INSERT INTO FALHALOGIN (DSCHAVE, NRMOMENTO) VALUES (:KEY, :WHEN)");
    execSql(conn, sql,
            {{QStringLiteral("KEY"), operatorKey(operatorCode)}, {QStringLiteral("WHEN"), nowMs}});
    execSql(conn, sql,
            {{QStringLiteral("KEY"), addressKey(address)}, {QStringLiteral("WHEN"), nowMs}});
}

void clearOperatorFailures(const QSqlDatabase& conn, const QString& operatorCode) {
    execSql(conn, QStringLiteral("DELETE FROM FALHALOGIN WHERE DSCHAVE = :KEY"),
            {{QStringLiteral("KEY"), operatorKey(operatorCode)}});
}

void purgeOldFailures(const QSqlDatabase& conn, const LoginLimits& limits, qint64 nowMs) {
    execSql(conn, QStringLiteral("DELETE FROM FALHALOGIN WHERE NRMOMENTO <= :BEFORE"),
            {{QStringLiteral("BEFORE"), nowMs - limits.windowMs}});
}

} // namespace dieta::server::auth
