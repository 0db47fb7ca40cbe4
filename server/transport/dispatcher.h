#pragma once
// From a request body to an answer body, without HTTP: finds the method, decodes and checks
// the arguments against its entry, runs the handler and encodes the result and the
// by-reference arguments. Every fault becomes an answer {"error": text} with its status.

#include "server/methodregistry.h"

#include <QByteArray>
#include <QString>

namespace dieta::server {

namespace auth {
class SessionGate;
}

struct HttpAnswer {
    int status = 200;
    QByteArray body; // JSON
};

// A protocol fault's answer: {"error": text}.
HttpAnswer errorAnswer(int status, const QString& text);

// The answer to an internal fault: no detail leaves the server.
HttpAnswer internalErrorAnswer();

class Dispatcher {
public:
    // sessions null: no session is asked for and X-Operador names the operator (tests of the
    // transport alone).
    Dispatcher(const MethodRegistry& registry, QString objectName,
               auth::SessionGate* sessions = nullptr);

    const QString& objectName() const { return objectName_; }

    // context.method and context.operatorCode are filled here; the caller fills the rest
    // (clientAddress, authorization, claimedOperator, db). Refused without a live session.
    HttpAnswer dispatch(const QString& object, const QString& method, const QByteArray& body,
                        CallContext context) const;

    // POST /login or /logout (action "login" or "logout").
    HttpAnswer session(const QString& action, const QByteArray& body,
                       const CallContext& context) const;

private:
    const MethodRegistry& registry_;
    QString objectName_;
    auth::SessionGate* sessions_;
};

} // namespace dieta::server
