#include "platform/packetstream.h"

#include "platform/packetwriter.h"

namespace dieta {

namespace {

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool validUtf8(QByteArrayView bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* end = p + bytes.size();
    while (p != end) {
        const unsigned char c = *p++;
        if (c < 0x80)
            continue;
        int more = 0;
        char32_t code = 0;
        if (c >= 0xC2 && c <= 0xDF) {
            more = 1;
            code = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            more = 2;
            code = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            more = 3;
            code = c & 0x07;
        } else {
            return false;
        }
        if (end - p < more)
            return false;
        for (int i = 0; i < more; ++i) {
            if ((p[i] & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (p[i] & 0x3F);
        }
        p += more;
        if ((more == 2 && (code < 0x800 || (code >= 0xD800 && code <= 0xDFFF))) ||
            (more == 3 && (code < 0x10000 || code > 0x10FFFF)))
            return false;
    }
    return true;
}

bool validDateTime(QDate date, QTime time) {
    return date.isValid() && date.year() >= 1 && date.year() <= 9999 && time.isValid();
}

} // namespace

PacketStream::PacketStream(const QList<FieldDef>& fields) : PacketStream(header(fields)) {}

PacketStream::PacketStream(const QByteArray& header) : out_(header) {
    out_.reserve(out_.size() + 64 * 1024);
}

QByteArray PacketStream::header(const QList<FieldDef>& fields) {
    DataPacket packet;
    packet.fields = fields;
    QByteArray bytes = detail::writePacket(packet);
    bytes.chop(2); // "]}": rows follow
    return bytes;
}

void PacketStream::beginRow() {
    if (rows_ > 0)
        out_.append(',');
    out_.append('[');
    firstCell_ = true;
}

void PacketStream::endRow() {
    out_.append(']');
    ++rows_;
}

void PacketStream::separate() {
    if (!firstCell_)
        out_.append(',');
    firstCell_ = false;
}

void PacketStream::null() {
    separate();
    out_.append("null", 4);
}

void PacketStream::text(const QString& value) {
    separate();
    detail::appendJsonString(out_, value);
}

void PacketStream::utf8(QByteArrayView value) {
    separate();
    bool plain = true;
    for (const char c : value)
        if (static_cast<unsigned char>(c) < 0x20 || c == '"' || c == '\\') {
            plain = false;
            break;
        }
    if (plain && validUtf8(value)) {
        out_.append('"');
        out_.append(value.data(), value.size());
        out_.append('"');
        return;
    }
    detail::appendJsonString(out_, QString::fromUtf8(value));
}

void PacketStream::dateTime(QDate date, QTime time) {
    separate();
    if (!validDateTime(date, time)) {
        out_.append("null", 4);
        return;
    }
    detail::appendJsonDateTime(out_, date, time);
}

void PacketStream::cell(QByteArrayView encoded) {
    separate();
    out_.append(encoded.data(), encoded.size());
}

QByteArray PacketStream::textCell(const QString& value) {
    QByteArray out;
    detail::appendJsonString(out, value);
    return out;
}

QByteArray PacketStream::dateTimeCell(QDate date, QTime time) {
    QByteArray out;
    if (validDateTime(date, time))
        detail::appendJsonDateTime(out, date, time);
    else
        out.append("null", 4);
    return out;
}

QByteArray PacketStream::finish() {
    out_.append("]}", 2);
    return std::move(out_);
}

} // namespace dieta
