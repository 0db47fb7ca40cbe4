// The two packet readers against each other. The fast reader may give up on anything (the
// general one then decides), but what it accepts the general reader must accept as the very
// same packet, cell kinds included. Whatever is accepted must also survive writing and
// reading back unchanged.

#include "fuzzsupport.h"
#include "platform/datapacket.h"
#include "platform/packetreader.h"

#include <QJsonDocument>
#include <QJsonObject>

using namespace dieta;

namespace {

std::optional<DataPacket> readGeneral(const QByteArray& bytes) {
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    return DataPacket::fromJson(document.object());
}

// QVariant's == converts between numbers; the readers must agree on the kind too.
bool sameCells(const QList<Row>& a, const QList<Row>& b) {
    if (a.size() != b.size())
        return false;
    for (qsizetype r = 0; r < a.size(); ++r) {
        if (a[r].size() != b[r].size())
            return false;
        for (qsizetype c = 0; c < a[r].size(); ++c)
            if (a[r][c].metaType() != b[r][c].metaType() || a[r][c] != b[r][c])
                return false;
    }
    return true;
}

bool samePacket(const DataPacket& a, const DataPacket& b) {
    return a.fields == b.fields && a.changeLog == b.changeLog && a.changes == b.changes &&
           sameCells(a.rows, b.rows);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::ensureApplication();
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const std::optional<DataPacket> fast = detail::readPacketFast(bytes);
    const std::optional<DataPacket> general = readGeneral(bytes);
    if (fast) {
        fuzz::require(general.has_value(), "the fast reader accepts what the general refuses");
        fuzz::require(samePacket(*fast, *general), "the readers read different packets");
    }
    if (general) {
        const QByteArray written = general->toJsonBytes();
        const std::optional<DataPacket> back = DataPacket::fromJsonBytes(written);
        fuzz::require(back.has_value(), "a packet written does not read back");
        fuzz::require(samePacket(*back, *general), "a packet changes on writing and reading");
    }
    return 0;
}
