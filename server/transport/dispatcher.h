#pragma once
// From a request body to an answer body, without HTTP: finds the method, decodes and checks
// the arguments against its entry, runs the handler and encodes the result and the
// by-reference arguments. Every fault becomes an answer {"error": text} with its status.

#include "server/methodregistry.h"

#include <QByteArray>
#include <QString>

namespace dieta::server {

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
    Dispatcher(const MethodRegistry& registry, QString objectName);

    const QString& objectName() const { return objectName_; }

    // context.method is filled here; the caller fills the rest.
    HttpAnswer dispatch(const QString& object, const QString& method, const QByteArray& body,
                        CallContext context) const;

private:
    const MethodRegistry& registry_;
    QString objectName_;
};

} // namespace dieta::server
