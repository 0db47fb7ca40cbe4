#pragma once
// The remote data module's methods as the transport runs them: name, argument kinds,
// by-reference positions and handler. The transport decodes the wire arguments, checks their
// count and kinds against the entry, runs the handler and answers
// {"byref": {...}, "result": v} (by-reference values first, when the method has any) or
// {"error": text}. The real methods' entries are made from
// the method table of contracts/rdmdietaoral.h (methods/methodcall.h); tests add their own.

#include "contracts/rdmdietaoral.h"
#include "platform/wirevalue.h"
#include "server/transport/requestheaders.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QVariant>
#include <functional>

namespace dieta {
class SqlDatabase;
}

namespace dieta::server {

using ArgKind = contracts::rdm::ArgKind;

class AuditQueue;

struct CallContext {
    QString operatorCode; // the session's operator (filled by the dispatcher)
    QString method;
    SqlDatabase* db = nullptr;
    QString clientAddress;  // as the socket tells it, never as a header claims
    RequestHeaders headers; // every header of the request, for checks made before the handler
    // As the transport received them; the dispatcher checks them.
    QString authorization;   // the Authorization header
    QString claimedOperator; // the X-Operador header: refused when it differs from the session
    // Where refusals and list reads are audited off the request path; null without sessions.
    AuditQueue* audit = nullptr;
};

struct CallResult {
    QVariant result; // null for a write that succeeded
    QString error;   // non-null: an error meant for the operator

    bool failed() const { return !error.isNull(); }
    static CallResult ok(QVariant value = {}) { return {std::move(value), QString()}; }
    static CallResult fail(QString text) { return {QVariant(), std::move(text)}; }
};

// The handler may change its by-reference arguments in place.
using MethodHandler = std::function<CallResult(CallContext&, QVariantList& args)>;

struct MethodEntry {
    QString name;
    QList<ArgKind> args;
    QList<int> byref; // 0-based positions of "var" arguments
    MethodHandler handler;
};

class MethodRegistry {
public:
    void add(MethodEntry entry) { methods_.insert(entry.name, std::move(entry)); }
    const MethodEntry* find(const QString& name) const {
        auto it = methods_.constFind(name);
        return it == methods_.constEnd() ? nullptr : &it.value();
    }
    QStringList names() const { return methods_.keys(); }

private:
    QHash<QString, MethodEntry> methods_;
};

} // namespace dieta::server
