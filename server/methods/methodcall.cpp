#include "server/methods/methodcall.h"

#include "platform/wirevalue.h"
#include "server/methods/domain.h"
#include "server/methods/methodsupport.h"

#include <algorithm>
#include <stdexcept>

namespace dieta::server {

int MethodCall::position(const char* name, std::initializer_list<ArgKind> kinds) const {
    const int index = method_.position(name);
    if (index < 0 || index >= args_.size())
        throw std::logic_error(std::string(method_.name) + " has no argument " + name);
    if (std::find(kinds.begin(), kinds.end(), method_.args[index].kind) == kinds.end())
        throw std::logic_error(std::string(method_.name) + ": argument " + name +
                               " read as a kind it is not");
    return index;
}

QString MethodCall::text(const char* name) const {
    const QVariant& value = args_[position(name, {ArgKind::String})];
    return value.isNull() ? QString() : value.toString();
}

QDate MethodCall::date(const char* name) const {
    return dateValue(args_[position(name, {ArgKind::Date})]);
}

double MethodCall::number(const char* name) const {
    return args_[position(name, {ArgKind::Number})].toDouble();
}

bool MethodCall::boolean(const char* name) const {
    return args_[position(name, {ArgKind::Boolean})].toBool();
}

std::optional<DataPacket> MethodCall::packet(const char* name) const {
    const QVariant& value = args_[position(name, {ArgKind::Packet, ArgKind::Variant})];
    if (!isPacket(value))
        return std::nullopt;
    return toPacket(value);
}

DataPacket MethodCall::requirePacket(const char* name, const QString& what) const {
    std::optional<DataPacket> value = packet(name);
    if (!value)
        throw MethodError(QStringLiteral("%1 inválido.").arg(what));
    return *std::move(value);
}

void MethodCall::setText(const char* name, const QString& value) {
    const int index = position(name, {ArgKind::String});
    if (!method_.args[index].byRef())
        throw std::logic_error(std::string(method_.name) + ": argument " + name +
                               " is not by reference");
    args_[index] = value;
}

MethodEntry tableEntry(const char* name, CallHandler handler) {
    const contracts::rdm::MethodDecl* method =
        contracts::rdm::findMethod(QString::fromLatin1(name));
    if (!method)
        throw std::logic_error(std::string("no method ") + name + " in the method table");
    MethodEntry entry;
    entry.name = QString::fromLatin1(method->name);
    for (const contracts::rdm::ArgDecl& arg : method->args)
        entry.args.append(arg.kind);
    entry.byref = method->byRefPositions();
    entry.handler = [method, handler](CallContext& context, QVariantList& args) {
        if (const QString refusal = argumentRefusal(*method, args); !refusal.isEmpty())
            return CallResult::fail(refusal);
        MethodCall call(context, args, *method);
        return handler(call);
    };
    return entry;
}

} // namespace dieta::server
