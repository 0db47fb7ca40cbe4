#pragma once
// Values of remote-call arguments and results on the wire:
//   string "t", number 1.5, boolean, null, {"date": "yyyy-MM-dd"},
//   {"datetime": "yyyy-MM-ddTHH:mm:ss"}, array [v, ...], data packet {"packet": P}.
// In memory: QString, double or qint64, bool, QVariant(), QDate, QDateTime, QVariantList,
// dieta::DataPacket.

#include "platform/datapacket.h"

#include <QJsonValue>
#include <QVariant>
#include <optional>

namespace dieta {

PLATFORM_EXPORT QJsonValue toWire(const QVariant& value);
PLATFORM_EXPORT std::optional<QVariant> fromWire(const QJsonValue& value, QString* error = nullptr);

inline bool isPacket(const QVariant& v) {
    return v.metaType() == QMetaType::fromType<DataPacket>();
}
inline DataPacket toPacket(const QVariant& v) {
    return v.value<DataPacket>();
}
inline QVariant fromPacket(const DataPacket& p) {
    return QVariant::fromValue(p);
}

} // namespace dieta
