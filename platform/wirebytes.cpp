#include "platform/wirebytes.h"

#include "platform/datapacket.h"
#include "platform/packetreader.h"
#include "platform/packetstream.h"
#include "platform/wirevalue.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace dieta {

namespace {

// Deeply nested input must fail cleanly rather than exhaust the stack.
constexpr int maxDepth = 64;

// Walks JSON bytes far enough to find where each value ends.
class Scanner {
public:
    explicit Scanner(QByteArrayView text) : text_(text) {}

    qsizetype position() const { return at_; }
    bool atEnd() {
        skipSpace();
        return at_ == text_.size();
    }
    void skipSpace() {
        while (at_ < text_.size() &&
               (peek() == ' ' || peek() == '\n' || peek() == '\r' || peek() == '\t'))
            ++at_;
    }
    bool consume(char c) {
        skipSpace();
        if (at_ < text_.size() && peek() == c) {
            ++at_;
            return true;
        }
        return false;
    }
    char peek() const { return text_[at_]; }
    bool more() const { return at_ < text_.size(); }

    bool skipValue(int depth = 0) {
        skipSpace();
        if (!more() || depth > maxDepth)
            return false;
        switch (peek()) {
        case '{':
            return skipObject(depth);
        case '[':
            return skipArray(depth);
        case '"':
            return skipString();
        default:
            return skipToken();
        }
    }

    bool skipString() {
        if (!consume('"'))
            return false;
        while (more()) {
            const char c = peek();
            if (c == '\\') {
                at_ += 2;
            } else if (c == '"') {
                ++at_;
                return true;
            } else if (static_cast<unsigned char>(c) < 0x20) {
                return false;
            } else {
                ++at_;
            }
        }
        return false;
    }

private:
    bool skipToken() {
        const qsizetype start = at_;
        while (more() && QByteArrayView("-+.0123456789eEtruefalsn").contains(peek()))
            ++at_;
        return at_ > start;
    }
    bool skipObject(int depth) {
        consume('{');
        if (consume('}'))
            return true;
        do {
            skipSpace();
            if (!skipString() || !consume(':') || !skipValue(depth + 1))
                return false;
        } while (consume(','));
        return consume('}');
    }
    bool skipArray(int depth) {
        consume('[');
        if (consume(']'))
            return true;
        do {
            if (!skipValue(depth + 1))
                return false;
        } while (consume(','));
        return consume(']');
    }

    QByteArrayView text_;
    qsizetype at_ = 0;
};

QString keyText(QByteArrayView quoted) {
    const QByteArrayView inner = quoted.sliced(1, quoted.size() - 2);
    if (!inner.contains('\\'))
        return QString::fromUtf8(inner);
    const QJsonDocument document = QJsonDocument::fromJson("[" + quoted.toByteArray() + "]");
    return document.array().at(0).toString();
}

QByteArrayView trimmed(QByteArrayView bytes) {
    return bytes.trimmed();
}

// Anything but packets and arrays: the general reader on just these bytes.
std::optional<QVariant> generalFromBytes(QByteArrayView json, QString* error) {
    QJsonParseError parseError;
    const QJsonDocument document =
        QJsonDocument::fromJson("[" + json.toByteArray() + "]", &parseError);
    if (parseError.error != QJsonParseError::NoError || document.array().size() != 1) {
        if (error)
            *error = QStringLiteral("Valor inválido: JSON malformado.");
        return std::nullopt;
    }
    return fromWire(document.array().at(0), error);
}

// The writer's own form of a packet, {"packet":P}, read in place: no scan to find P's end and
// no copy of it. Any other form (blanks, more members) goes the general way.
std::optional<DataPacket> compactPacket(QByteArrayView json) {
    static constexpr QByteArrayView head = "{\"packet\":";
    if (!json.startsWith(head) || !json.endsWith('}'))
        return std::nullopt;
    const QByteArrayView inner = json.sliced(head.size(), json.size() - head.size() - 1);
    return detail::readPacketFast(QByteArray::fromRawData(inner.data(), inner.size()));
}

std::optional<QVariant> fromBytesAt(QByteArrayView json, int depth, QString* error) {
    json = trimmed(json);
    if (json.startsWith('[')) {
        if (depth > maxDepth)
            return generalFromBytes(json, error); // words the error
        auto elements = wireArrayElements(json);
        if (!elements)
            return generalFromBytes(json, error);
        QVariantList list;
        list.reserve(elements->size());
        for (QByteArrayView element : *elements) {
            auto value = fromBytesAt(element, depth + 1, error);
            if (!value)
                return std::nullopt;
            list.append(*value);
        }
        return QVariant(list);
    }
    if (json.startsWith('{')) {
        if (auto packet = compactPacket(json))
            return fromPacket(*packet);
        auto members = wireObjectMembers(json);
        if (members && members->size() == 1 && members->first().first == u"packet" &&
            members->first().second.startsWith('{')) {
            if (auto packet = DataPacket::fromJsonBytes(members->first().second.toByteArray()))
                return fromPacket(*packet);
        }
    }
    return generalFromBytes(json, error);
}

} // namespace

void appendWireBytes(QByteArray& out, const QVariant& value) {
    if (value.metaType() != QMetaType::fromType<EncodedPacket>()) {
        out += toWireBytes(value);
        return;
    }
    const QByteArray& json = static_cast<const EncodedPacket*>(value.constData())->json;
    out.reserve(out.size() + json.size() + 12);
    out += "{\"packet\":";
    out += json;
    out += '}';
}

QByteArray toWireBytes(const QVariant& value) {
    if (isPacket(value))
        return "{\"packet\":" + toPacket(value).toJsonBytes() + "}";
    if (value.metaType() == QMetaType::fromType<EncodedPacket>()) {
        QByteArray out;
        appendWireBytes(out, value);
        return out;
    }
    if (value.typeId() == QMetaType::QVariantList) {
        QByteArray out = "[";
        const QVariantList list = value.toList();
        for (qsizetype i = 0; i < list.size(); ++i) {
            if (i > 0)
                out += ',';
            out += toWireBytes(list.at(i));
        }
        return out + "]";
    }
    const QByteArray wrapped =
        QJsonDocument(QJsonArray{toWire(value)}).toJson(QJsonDocument::Compact);
    return wrapped.mid(1, wrapped.size() - 2);
}

std::optional<QVariant> fromWireBytes(QByteArrayView json, QString* error) {
    return fromBytesAt(json, 0, error);
}

namespace {

// One member "key": value at the scanner's position; the scanner ends after the value.
std::optional<std::pair<QString, QByteArrayView>> readMember(Scanner& scanner,
                                                             QByteArrayView json) {
    scanner.skipSpace();
    const qsizetype keyStart = scanner.position();
    if (!scanner.skipString())
        return std::nullopt;
    const QByteArrayView key = json.sliced(keyStart, scanner.position() - keyStart);
    if (!scanner.consume(':'))
        return std::nullopt;
    scanner.skipSpace();
    const qsizetype valueStart = scanner.position();
    if (!scanner.skipValue(1))
        return std::nullopt;
    return std::pair{keyText(key), json.sliced(valueStart, scanner.position() - valueStart)};
}

} // namespace

std::optional<WireMembers> wireObjectMembers(QByteArrayView json) {
    Scanner scanner(json);
    if (!scanner.consume('{'))
        return std::nullopt;
    WireMembers members;
    if (!scanner.consume('}')) {
        do {
            std::optional<std::pair<QString, QByteArrayView>> member = readMember(scanner, json);
            if (!member)
                return std::nullopt;
            members.append(*std::move(member));
        } while (scanner.consume(','));
        if (!scanner.consume('}'))
            return std::nullopt;
    }
    if (!scanner.atEnd())
        return std::nullopt;
    return members;
}

std::optional<WireFirstMember> wireFirstMember(QByteArrayView json) {
    Scanner scanner(json);
    if (!scanner.consume('{'))
        return std::nullopt;
    std::optional<std::pair<QString, QByteArrayView>> member = readMember(scanner, json);
    if (!member)
        return std::nullopt;
    return WireFirstMember{std::move(member->first), member->second,
                           json.sliced(scanner.position())};
}

std::optional<QList<QByteArrayView>> wireArrayElements(QByteArrayView json) {
    Scanner scanner(json);
    if (!scanner.consume('['))
        return std::nullopt;
    QList<QByteArrayView> elements;
    if (!scanner.consume(']')) {
        do {
            scanner.skipSpace();
            const qsizetype start = scanner.position();
            if (!scanner.skipValue(1))
                return std::nullopt;
            elements.append(json.sliced(start, scanner.position() - start));
        } while (scanner.consume(','));
        if (!scanner.consume(']'))
            return std::nullopt;
    }
    if (!scanner.atEnd())
        return std::nullopt;
    return elements;
}

} // namespace dieta
