#include "server/auth/sessions.h"

#include "platform/sqldatabase.h"

namespace dieta::server::auth {

void storeSession(const QSqlDatabase& conn, const QString& digest, const QString& operatorCode,
                  const QString& address, qint64 createdMs, qint64 expiresMs) {
    execSql(conn,
            QStringLiteral("INSERT INTO SESSAO (CDSESSAO, CDOPERADOR, DSENDERECO, NRCRIACAO,"
                           " NREXPIRA) VALUES (:ID, :OPERATOR, :ADDRESS, :CREATED, :EXPIRES)"),
            {{QStringLiteral("ID"), digest},
             {QStringLiteral("OPERATOR"), operatorCode},
             {QStringLiteral("ADDRESS"), address.left(64)},
             {QStringLiteral("CREATED"), createdMs},
             {QStringLiteral("EXPIRES"), expiresMs}});
}

std::optional<StoredSession> findSession(const QSqlDatabase& conn, const QString& digest) {
    QSqlQuery query = execSql(conn,
                              QStringLiteral("SELECT S.CDOPERADOR, S.NREXPIRA FROM SESSAO S"
                                             " JOIN OPERADOR O ON O.CDOPERADOR = S.CDOPERADOR"
                                             " WHERE S.CDSESSAO = :ID AND O.IDATIVO = 'S'"),
                              {{QStringLiteral("ID"), digest}});
    if (!query.next())
        return std::nullopt;
    return StoredSession{query.value(0).toString(), query.value(1).toLongLong()};
}

void deleteSession(const QSqlDatabase& conn, const QString& digest) {
    execSql(conn, QStringLiteral("DELETE FROM SESSAO WHERE CDSESSAO = :ID"),
            {{QStringLiteral("ID"), digest}});
}

void deleteOperatorSessions(const QSqlDatabase& conn, const QString& operatorCode) {
    execSql(conn, QStringLiteral("DELETE FROM SESSAO WHERE CDOPERADOR = :OPERATOR"),
            {{QStringLiteral("OPERATOR"), operatorCode}});
}

void deleteExpiredSessions(const QSqlDatabase& conn, qint64 nowMs) {
    execSql(conn, QStringLiteral("DELETE FROM SESSAO WHERE NREXPIRA <= :NOW"),
            {{QStringLiteral("NOW"), nowMs}});
}

} // namespace dieta::server::auth
