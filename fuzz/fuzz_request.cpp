// The server's request decoder: a method name and a body, as the transport hands them over,
// through the dispatcher and the method's argument reader, to a probe handler that reads every
// argument by its declared name and kind and answers what it read.
//   input: <method name> '\n' <body bytes>
// Properties: only 200, 400 and 404 (the probe never faults, so a 500 is a decoder fault);
// every answer is one JSON object; a 200's result and by-reference values read back as wire
// values (the server never writes what it cannot read).

#include "fuzzsupport.h"
#include "platform/wirebytes.h"
#include "server/methods/methodcall.h"
#include "server/transport/dispatcher.h"

#include <QJsonDocument>

using namespace dieta;
using namespace dieta::server;

namespace {

QVariant readArgument(MethodCall& call, const contracts::rdm::ArgDecl& arg) {
    switch (arg.kind) {
    case ArgKind::String: {
        const QString text = call.text(arg.name);
        if (arg.byRef())
            call.setText(arg.name, text + u'!');
        return text;
    }
    case ArgKind::Date:
        return call.date(arg.name);
    case ArgKind::Number:
        return call.number(arg.name);
    case ArgKind::Boolean:
        return call.boolean(arg.name);
    case ArgKind::Packet:
    case ArgKind::Variant: {
        const std::optional<DataPacket> packet = call.packet(arg.name);
        return packet ? fromPacket(*packet) : QVariant();
    }
    case ArgKind::Any:
        return {}; // never in the table
    }
    return {};
}

CallResult probe(MethodCall& call) {
    const contracts::rdm::MethodDecl* method = contracts::rdm::findMethod(call.context().method);
    fuzz::require(method != nullptr, "the dispatcher ran a method the table lacks");
    QVariantList seen;
    for (const contracts::rdm::ArgDecl& arg : method->args)
        seen.append(readArgument(call, arg));
    return CallResult::ok(seen);
}

const MethodRegistry& probeRegistry() {
    static const MethodRegistry registry = [] {
        MethodRegistry r;
        for (const contracts::rdm::MethodDecl& method : contracts::rdm::methodTable())
            r.add(tableEntry(method.name, probe));
        return r;
    }();
    return registry;
}

void checkAnswer(const HttpAnswer& answer) {
    fuzz::require(answer.status == 200 || answer.status == 400 || answer.status == 404,
                  "status other than 200, 400 or 404");
    const std::optional<WireMembers> members = wireObjectMembers(answer.body);
    fuzz::require(members.has_value(), "answer is no JSON object");
    fuzz::require(QJsonDocument::fromJson(answer.body).isObject(), "answer is no JSON document");
    for (const auto& [key, value] : *members) {
        if (key == u"result") {
            fuzz::require(fromWireBytes(value).has_value(), "result does not read back");
        } else if (key == u"byref") {
            const std::optional<WireMembers> byref = wireObjectMembers(value);
            fuzz::require(byref.has_value(), "byref is no object");
            for (const auto& [position, refValue] : *byref) {
                const std::optional<QVariant> back = fromWireBytes(refValue);
                fuzz::require(back && back->typeId() == QMetaType::QString,
                              "a by-reference text does not come back as text");
            }
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::ensureApplication();
    const QByteArray input =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    const qsizetype newline = input.indexOf('\n');
    if (newline < 0)
        return 0;
    const QString method = QString::fromUtf8(input.left(newline));
    const QByteArray body(input.constData() + newline + 1, input.size() - newline - 1);
    static const Dispatcher dispatcher(probeRegistry(),
                                       QString::fromLatin1(contracts::rdm::kServerObject));
    CallContext context;
    context.claimedOperator = QStringLiteral("NUTRI01"); // the operator without sessions
    checkAnswer(dispatcher.dispatch(dispatcher.objectName(), method, body, context));
    return 0;
}
