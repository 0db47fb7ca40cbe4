#pragma once
// Remote-call values straight to and from JSON bytes. Data packets go through the packet's own
// byte writer and reader instead of a QJsonDocument tree, which makes a call that carries a
// list of a thousand patients several times cheaper; everything else takes the general road
// of toWire/fromWire, so both roads accept and produce the same values.

#include "platform/platform_export.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QVariant>
#include <optional>
#include <utility>

namespace dieta {

PLATFORM_EXPORT QByteArray toWireBytes(const QVariant& value);
// The same bytes appended to out, a packet's copied only once (answers of hundreds of KB).
PLATFORM_EXPORT void appendWireBytes(QByteArray& out, const QVariant& value);
// nullopt on bytes that are no wire value; error then says why (Portuguese).
PLATFORM_EXPORT std::optional<QVariant> fromWireBytes(QByteArrayView json,
                                                      QString* error = nullptr);

// The members of a JSON object with the raw bytes of each value, in order; nullopt when the
// bytes are not exactly one well-formed object. Values are checked for shape only (brackets,
// strings); their content is read by whoever takes them.
using WireMembers = QList<std::pair<QString, QByteArrayView>>;
PLATFORM_EXPORT std::optional<WireMembers> wireObjectMembers(QByteArrayView json);
// The first member of a JSON object: its key, the raw bytes of its value, and the bytes that
// follow the value (from the ',' or '}' after it, unchecked); nullopt when the bytes do not
// start with an object's first member.
struct WireFirstMember {
    QString key;
    QByteArrayView value;
    QByteArrayView rest;
};
PLATFORM_EXPORT std::optional<WireFirstMember> wireFirstMember(QByteArrayView json);
// The raw bytes of each element of a JSON array; nullopt when the bytes are no array.
PLATFORM_EXPORT std::optional<QList<QByteArrayView>> wireArrayElements(QByteArrayView json);

} // namespace dieta
