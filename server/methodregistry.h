#pragma once
// The remote data module's methods: name, argument kinds, by-reference positions, handler.
// The transport decodes the wire arguments, checks their count and kinds against the method,
// runs the handler and answers {"result": v, "byref": {...}} or {"error": text}.

#include "platform/wirevalue.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QVariant>
#include <functional>

namespace dieta {
class SqlDatabase;
}

namespace dieta::server {

enum class ArgKind {
    String,  // "t"; null is taken as an empty string
    Date,    // {"date"} or {"datetime"} (the time is dropped)
    Number,  // any number
    Boolean, // true/false
    Packet,  // {"packet": P}
    Variant  // anything (packets, arrays, empty strings standing for "nothing")
};

struct CallContext {
    QString operatorCode; // X-Operador header
    QString method;
    SqlDatabase* db = nullptr;
    QString peer; // the client's address as the socket tells it, never as a header claims
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

struct MethodSpec {
    QString name;
    QList<ArgKind> args;
    QList<int> byref; // 0-based positions of "var" arguments
    MethodHandler handler;
};

class MethodRegistry {
public:
    void add(MethodSpec entry) { methods_.insert(entry.name, std::move(entry)); }
    const MethodSpec* find(const QString& name) const {
        auto it = methods_.constFind(name);
        return it == methods_.constEnd() ? nullptr : &it.value();
    }
    QStringList names() const { return methods_.keys(); }

private:
    QHash<QString, MethodSpec> methods_;
};

} // namespace dieta::server
