#pragma once
// A call of a method of the table (contracts/rdmdietaoral.h) as its handler sees it: the
// arguments are read and written by their names in the table, never by position, so that a
// handler cannot read one argument for another. Asking for a name the method lacks, or for
// an argument as a kind it is not, is a fault of the handler: std::logic_error, which the
// transport answers as an internal error.

#include "contracts/rdmdietaoral.h"
#include "platform/datapacket.h"
#include "server/methodregistry.h"

#include <QDate>
#include <QString>
#include <optional>

namespace dieta::server {

class MethodCall {
public:
    MethodCall(CallContext& context, QVariantList& args, const contracts::rdm::MethodDecl& method)
        : context_(context), args_(args), method_(method) {}

    CallContext& context() const { return context_; }

    QString text(const char* name) const; // a String argument; null -> ""
    QDate date(const char* name) const;   // a Date argument
    double number(const char* name) const;
    bool boolean(const char* name) const;
    // A Packet or Variant argument; nullopt when it holds no packet ("" stands for "nothing").
    std::optional<DataPacket> packet(const char* name) const;
    // The same, or MethodError "<what> inválido." when it holds no packet.
    DataPacket requirePacket(const char* name, const QString& what) const;

    // Writes a by-reference String argument: it goes back to the caller.
    void setText(const char* name, const QString& value);

private:
    int position(const char* name, std::initializer_list<ArgKind> kinds) const;

    CallContext& context_;
    QVariantList& args_;
    const contracts::rdm::MethodDecl& method_;
};

using CallHandler = CallResult (*)(MethodCall& call);

// The registry entry of the table's method `name`: its kinds and by-reference positions from
// the table, its handler given a MethodCall. std::logic_error when the table has no such
// method.
MethodEntry tableEntry(const char* name, CallHandler handler);

} // namespace dieta::server
