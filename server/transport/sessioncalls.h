#pragma once
// The session side of every call, for any transport: POST /login and /logout, the check that
// a call carries a live session and that any operator it names is the session's, and the
// audit of list reads. Each refusal is logged and audited here.

#include "server/methodregistry.h"
#include "server/transport/dispatcher.h"

#include <optional>

namespace dieta::server {

namespace auth {
class SessionGate;
}

// POST /login {"operator": code, "password": text} -> {"token", "expires", "operator"}.
HttpAnswer loginAnswer(auth::SessionGate& gate, const QByteArray& body, const CallContext& context);
// POST /logout with the session's header -> {"result": null}.
HttpAnswer logoutAnswer(auth::SessionGate& gate, const CallContext& context);

// Fills context.operatorCode and context.audit from the session; the refusal otherwise.
std::optional<HttpAnswer> authenticateCall(auth::SessionGate& gate, CallContext& context);

// A method's "operatorCode" argument must be the session's operator; an empty one becomes it.
std::optional<HttpAnswer> checkOperatorArgument(const QString& method, QVariantList& args,
                                                const CallContext& context);

// Posts the audit row of a successful list read of patient data (argsBefore: the arguments
// as the call brought them).
void auditListRead(const CallContext& context, const QVariantList& argsBefore,
                   const QVariant& result);

// The transport's own refusals (oversized request, deadline passed): a log line and an audit
// row, for the transport's refusal callback. gate may be null (no sessions: log only).
void reportTransportRefusal(auth::SessionGate* gate, const QString& address,
                            const QString& method, const QString& reason);

// The refusal text when the operator named by a call is not the session's.
QString operatorMismatchMessage(const QString& named, const QString& session);

} // namespace dieta::server
