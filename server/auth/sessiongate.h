#pragma once
// Who is calling: logs operators in against their password hashes, hands out session tokens,
// tells the operator of a call from its Authorization header, and ends sessions. Every login
// and every refused login is logged and audited here; refusals of calls are the caller's to
// report (it knows the method).

#include "server/auth/loginlimit.h"
#include "server/auth/sessioncache.h"

#include <QDateTime>
#include <QString>
#include <semaphore>

namespace dieta {
class SqlDatabase;
}

namespace dieta::server {
class AuditQueue;
}

namespace dieta::server::auth {

struct SessionPolicy {
    qint64 lifetimeMs = 12LL * 60 * 60 * 1000; // a session ends this long after its login
    // How long a checked session is trusted without asking the database: a logout elsewhere
    // is seen within this time.
    int cacheTrustMs = 1000;
    LoginLimits limits;
};

struct LoginResult {
    int status = 200; // 200, 400, 401 or 429
    QString token;
    QDateTime expires; // UTC
    QString operatorCode;
    QString error; // for the client
};

struct Identity {
    int status = 200; // 200 or 401
    QString operatorCode;
    QString error;  // for the client
    QString reason; // for the audit
    QString digest; // of the token, when one was given
};

class SessionGate {
public:
    // The database (and the queue, when given) must outlive the gate.
    SessionGate(SqlDatabase& db, AuditQueue* audit, SessionPolicy policy = {});

    LoginResult login(const QString& operatorCode, const QString& password, const QString& address);
    // The session's operator, or a refusal. Throws SqlError when the database cannot answer.
    Identity identify(const QString& authorization);
    // Ends the session of the header; false when there was none.
    bool logout(const QString& authorization, const QString& address);

    AuditQueue* audit() const { return audit_; }
    const SessionPolicy& policy() const { return policy_; }

    // The token of an "Authorization: Bearer <token>" value; empty when it is no such value.
    static QString bearerToken(const QString& authorization);

private:
    LoginResult refuseLogin(const QString& operatorCode, const QString& address,
                            const QString& reason, bool countFailure);
    bool passwordMatches(const QString& encodedHash, const QString& password);

    SqlDatabase& db_;
    AuditQueue* audit_;
    SessionPolicy policy_;
    SessionCache cache_;
    // Each password check takes tens of MiB: only a few at once, whatever the worker count.
    std::counting_semaphore<4> hashing_{4};
};

// Texts the client sees.
QString invalidLoginMessage();   // "Operador ou senha inválidos."
QString loginLimitedMessage();   // too many failures, wait
QString missingSessionMessage(); // no session: log in
QString invalidSessionMessage(); // unknown or expired session

} // namespace dieta::server::auth
