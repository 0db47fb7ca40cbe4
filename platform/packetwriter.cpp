#include "platform/packetwriter.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <charconv>
#include <cmath>

namespace dieta::detail {

QJsonObject fieldToJsonObject(const FieldDef& field); // datapacket.cpp

namespace {

void appendDigits(QByteArray& out, int value, int count) {
    char buffer[8];
    for (int i = count - 1; i >= 0; --i) {
        buffer[i] = char('0' + value % 10);
        value /= 10;
    }
    out.append(buffer, count);
}

bool appendDate(QByteArray& out, QDate date) {
    if (!date.isValid() || date.year() < 1 || date.year() > 9999)
        return false;
    appendDigits(out, date.year(), 4);
    out.append('-');
    appendDigits(out, date.month(), 2);
    out.append('-');
    appendDigits(out, date.day(), 2);
    return true;
}

void appendString(QByteArray& out, const QString& text) {
    out.append('"');
    const char16_t* p = reinterpret_cast<const char16_t*>(text.constData());
    const char16_t* end = p + text.size();
    while (p != end) {
        char32_t c = *p++;
        if (c < 0x80) {
            switch (c) {
            case '"':
                out.append("\\\"", 2);
                break;
            case '\\':
                out.append("\\\\", 2);
                break;
            case '\n':
                out.append("\\n", 2);
                break;
            case '\r':
                out.append("\\r", 2);
                break;
            case '\t':
                out.append("\\t", 2);
                break;
            default:
                if (c < 0x20) {
                    static const char hex[] = "0123456789abcdef";
                    const char escape[] = {'\\', 'u', '0', '0', hex[c >> 4], hex[c & 15]};
                    out.append(escape, 6);
                } else {
                    out.append(char(c));
                }
            }
            continue;
        }
        if (c >= 0xD800 && c <= 0xDBFF && p != end && *p >= 0xDC00 && *p <= 0xDFFF)
            c = 0x10000 + ((c - 0xD800) << 10) + (char32_t(*p++) - 0xDC00);
        else if (c >= 0xD800 && c <= 0xDFFF)
            c = 0xFFFD; // a lone surrogate has no UTF-8 form
        if (c < 0x800) {
            out.append(char(0xC0 | (c >> 6)));
        } else if (c < 0x10000) {
            out.append(char(0xE0 | (c >> 12)));
            out.append(char(0x80 | ((c >> 6) & 0x3F)));
        } else {
            out.append(char(0xF0 | (c >> 18)));
            out.append(char(0x80 | ((c >> 12) & 0x3F)));
            out.append(char(0x80 | ((c >> 6) & 0x3F)));
        }
        out.append(char(0x80 | (c & 0x3F)));
    }
    out.append('"');
}

void appendRow(QByteArray& out, const Row& row, const QList<FieldDef>& fields) {
    out.append('[');
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            out.append(',');
        appendCell(out, i < row.size() ? row[i] : QVariant(), fields[i].kind);
    }
    out.append(']');
}

} // namespace

void appendCell(QByteArray& out, const QVariant& value, FieldKind kind) {
    if (!value.isValid() || value.isNull()) {
        out.append("null", 4);
        return;
    }
    char buffer[32];
    switch (kind) {
    case FieldKind::String:
        appendString(out, value.toString());
        return;
    case FieldKind::Date: {
        const qsizetype mark = out.size();
        out.append('"');
        if (appendDate(out, value.toDate())) {
            out.append('"');
        } else {
            out.truncate(mark);
            out.append("null", 4);
        }
        return;
    }
    case FieldKind::DateTime: {
        const QDateTime dateTime = value.toDateTime();
        const qsizetype mark = out.size();
        out.append('"');
        if (dateTime.isValid() && appendDate(out, dateTime.date())) {
            const QTime time = dateTime.time();
            out.append('T');
            appendDigits(out, time.hour(), 2);
            out.append(':');
            appendDigits(out, time.minute(), 2);
            out.append(':');
            appendDigits(out, time.second(), 2);
            out.append('"');
        } else {
            out.truncate(mark);
            out.append("null", 4);
        }
        return;
    }
    case FieldKind::Float: {
        const double number = value.toDouble();
        if (!std::isfinite(number)) {
            out.append("null", 4);
            return;
        }
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, number);
        out.append(buffer, result.ptr - buffer);
        return;
    }
    case FieldKind::Integer: {
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, value.toLongLong());
        out.append(buffer, result.ptr - buffer);
        return;
    }
    case FieldKind::Boolean:
        if (value.toBool())
            out.append("true", 4);
        else
            out.append("false", 5);
        return;
    }
    out.append("null", 4);
}

void appendJsonString(QByteArray& out, const QString& text) {
    appendString(out, text);
}

void appendJsonDateTime(QByteArray& out, QDate date, QTime time) {
    out.append('"');
    appendDate(out, date);
    out.append('T');
    appendDigits(out, time.hour(), 2);
    out.append(':');
    appendDigits(out, time.minute(), 2);
    out.append(':');
    appendDigits(out, time.second(), 2);
    out.append('"');
}

QByteArray writePacket(const DataPacket& packet) {
    QJsonArray fieldArray;
    for (const FieldDef& field : packet.fields)
        fieldArray.append(fieldToJsonObject(field));
    QByteArray out;
    out.reserve(64 + packet.fields.size() * 40 +
                (packet.rows.size() + packet.changes.size()) * packet.fields.size() * 16);
    out.append("{\"fields\":");
    out.append(QJsonDocument(fieldArray).toJson(QJsonDocument::Compact));
    if (packet.changeLog) {
        out.append(",\"changes\":[");
        for (qsizetype i = 0; i < packet.changes.size(); ++i) {
            const Change& change = packet.changes[i];
            if (i > 0)
                out.append(',');
            out.append("{\"status\":");
            out.append(change.status == Change::Status::Inserted  ? "\"inserted\""
                       : change.status == Change::Status::Deleted ? "\"deleted\""
                                                                  : "\"modified\"");
            if (change.status != Change::Status::Deleted) {
                out.append(",\"row\":");
                appendRow(out, change.row, packet.fields);
            }
            if (change.status != Change::Status::Inserted) {
                out.append(",\"original\":");
                appendRow(out, change.original, packet.fields);
            }
            out.append('}');
        }
    } else {
        out.append(",\"rows\":[");
        for (qsizetype i = 0; i < packet.rows.size(); ++i) {
            if (i > 0)
                out.append(',');
            appendRow(out, packet.rows[i], packet.fields);
        }
    }
    out.append("]}");
    return out;
}

} // namespace dieta::detail
