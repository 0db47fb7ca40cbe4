#pragma once
// The fast road from bytes to a DataPacket: reads the rows straight into values, without the
// intermediate QJsonDocument. It takes only well-formed, valid packets; on anything else it
// gives up (nullopt) and the caller reads the bytes the general way, which also words the
// error. So both roads accept exactly the same packets.

#include "platform/datapacket.h"
#include "platform/platform_export.h"

#include <QByteArray>
#include <optional>

namespace dieta::detail {

// Exported for the fuzz target that holds it against the general reader.
PLATFORM_EXPORT std::optional<DataPacket> readPacketFast(const QByteArray& bytes);

} // namespace dieta::detail
