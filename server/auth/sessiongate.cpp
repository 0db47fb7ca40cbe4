#include "server/auth/sessiongate.h"

#include "platform/sqldatabase.h"
#include "server/auth/operators.h"
#include "server/auth/passwords.h"
#include "server/auth/sessions.h"
#include "server/storage/auditqueue.h"

namespace dieta::server::auth {

namespace {

qint64 nowMs() {
    return QDateTime::currentMSecsSinceEpoch();
}

// Checked against when the operator is unknown, so that the answer takes as long as for a
// wrong password and does not tell which operators exist.
const QString& decoyHash() {
    static const QString hash = hashPassword(randomSecret(16));
    return hash;
}

void reportLogin(AuditQueue* queue, const QString& operatorCode, const QString& address,
                 const QString& method, const QString& reason) {
    AuditEntry entry;
    entry.operatorCode = operatorCode;
    entry.address = address;
    entry.method = method;
    entry.reason = reason;
    reportSecurityEvent(queue, std::move(entry));
}

} // namespace

QString invalidLoginMessage() {
    return QStringLiteral("Operador ou senha inválidos.");
}

QString loginLimitedMessage() {
    return QStringLiteral("Muitas tentativas de entrada sem sucesso. Aguarde alguns minutos e "
                          "tente novamente.");
}

QString missingSessionMessage() {
    return QStringLiteral("Sessão não informada: entre com operador e senha.");
}

QString invalidSessionMessage() {
    return QStringLiteral("Sessão inválida ou expirada: entre novamente com operador e senha.");
}

SessionGate::SessionGate(SqlDatabase& db, AuditQueue* audit, SessionPolicy policy)
    : db_(db), audit_(audit), policy_(policy), cache_(policy.cacheTrustMs) {}

// "Bearer" (any case), one or more spaces, then 16 to 128 of [A-Za-z0-9_-] to the end. Read by
// hand: every call passes here, and a regular expression match cost more than the rest of the
// check.
QString SessionGate::bearerToken(const QString& authorization) {
    const QStringView value = QStringView(authorization).trimmed();
    const QLatin1String scheme("Bearer");
    if (!value.startsWith(scheme, Qt::CaseInsensitive))
        return {};
    qsizetype start = scheme.size();
    while (start < value.size() && value[start] == u' ')
        ++start;
    const qsizetype length = value.size() - start;
    if (start == scheme.size() || length < 16 || length > 128)
        return {};
    for (const QChar c : value.sliced(start)) {
        const char16_t u = c.unicode();
        if (!((u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z') || (u >= u'0' && u <= u'9') ||
              u == u'_' || u == u'-'))
            return {};
    }
    return value.sliced(start).toString();
}

bool SessionGate::passwordMatches(const QString& encodedHash, const QString& password) {
    hashing_.acquire();
    const bool matches = verifyPassword(encodedHash, password);
    hashing_.release();
    return matches;
}

LoginResult SessionGate::refuseLogin(const QString& operatorCode, const QString& address,
                                     const QString& reason, bool countFailure) {
    if (countFailure) {
        WriteTransaction transaction(db_, WriteTransaction::Writes::Bookkeeping);
        recordLoginFailure(transaction.connection(), operatorCode, address, nowMs());
        transaction.commit();
    }
    reportLogin(audit_, operatorCode, address, QStringLiteral("login"), reason);
    if (!countFailure)
        return {429, {}, {}, {}, loginLimitedMessage()};
    return {401, {}, {}, {}, invalidLoginMessage()};
}

LoginResult SessionGate::login(const QString& operatorCode, const QString& password,
                               const QString& address) {
    const QString code = operatorCode.trimmed();
    if (loginLimited(db_.connection(), policy_.limits, code, address, nowMs()))
        return refuseLogin(code, address, QStringLiteral("limite de tentativas de entrada"), false);
    const std::optional<OperatorAccount> account =
        code.isEmpty() ? std::nullopt : findOperator(db_.connection(), code);
    const bool hasHash = account && !account->passwordHash.isEmpty();
    const bool matches = passwordMatches(hasHash ? account->passwordHash : decoyHash(), password);
    if (!account)
        return refuseLogin(code, address, QStringLiteral("operador desconhecido"), true);
    if (!hasHash)
        return refuseLogin(code, address, QStringLiteral("operador sem senha"), true);
    if (!matches)
        return refuseLogin(code, address, QStringLiteral("senha incorreta"), true);
    if (!account->active)
        return refuseLogin(code, address, QStringLiteral("operador desativado"), true);

    const qint64 now = nowMs();
    const qint64 expires = now + policy_.lifetimeMs;
    const QString token = newSessionToken();
    const QString digest = tokenDigest(token);
    {
        WriteTransaction transaction(db_, WriteTransaction::Writes::Bookkeeping);
        const QSqlDatabase conn = transaction.connection();
        deleteExpiredSessions(conn, now);
        purgeOldFailures(conn, policy_.limits, now);
        clearOperatorFailures(conn, account->code);
        storeSession(conn, digest, account->code, address, now, expires);
        transaction.commit();
    }
    cache_.remember(digest, account->code, expires, now);
    reportLogin(audit_, account->code, address, QStringLiteral("login"), QString());
    return {200, token, QDateTime::fromMSecsSinceEpoch(expires, Qt::UTC), account->code, {}};
}

Identity SessionGate::identify(const QString& authorization) {
    Identity identity;
    const QString token = bearerToken(authorization);
    if (token.isEmpty()) {
        identity.status = 401;
        identity.error = missingSessionMessage();
        identity.reason = authorization.trimmed().isEmpty() ? QStringLiteral("sessão não informada")
                                                            : QStringLiteral("sessão malformada");
        return identity;
    }
    identity.digest = tokenDigest(token);
    const qint64 now = nowMs();
    if (std::optional<QString> cached = cache_.find(identity.digest, now)) {
        identity.operatorCode = *cached;
        return identity;
    }
    const std::optional<StoredSession> stored = findSession(db_.connection(), identity.digest);
    if (!stored || stored->expiresMs <= now) {
        cache_.forget(identity.digest);
        identity.status = 401;
        identity.error = invalidSessionMessage();
        identity.reason = stored ? QStringLiteral("sessão expirada")
                                 : QStringLiteral("sessão desconhecida ou encerrada");
        return identity;
    }
    cache_.remember(identity.digest, stored->operatorCode, stored->expiresMs, now);
    identity.operatorCode = stored->operatorCode;
    return identity;
}

bool SessionGate::logout(const QString& authorization, const QString& address) {
    const Identity identity = identify(authorization);
    if (identity.status != 200)
        return false;
    deleteSession(db_.connection(), identity.digest);
    cache_.forget(identity.digest);
    reportLogin(audit_, identity.operatorCode, address, QStringLiteral("logout"), QString());
    return true;
}

} // namespace dieta::server::auth
