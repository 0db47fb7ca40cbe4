#include "platform/packetreader.h"

#include "platform/wiredate.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <charconv>
#include <cmath>
#include <vector>

namespace dieta::detail {

std::optional<FieldDef> fieldFromJsonValue(const QJsonValue& value); // datapacket.cpp

namespace {

// Thrown inside the reader only: "not for the fast road".
struct GiveUp {};

class Reader {
public:
    explicit Reader(const QByteArray& bytes)
        : m_p(bytes.constData()), m_end(bytes.constData() + bytes.size()) {}

    DataPacket packet() {
        skipBlanks();
        DataPacket result = packetObject();
        skipBlanks();
        if (m_p != m_end)
            throw GiveUp{};
        return result;
    }

private:
    // A packet object, from its '{' to its '}'.
    DataPacket packetObject() {
        DataPacket result;
        bool haveFields = false;
        bool haveRows = false;
        const char* rowsStart = nullptr;
        expect('{');
        skipBlanks();
        if (peek() != '}') {
            for (;;) {
                skipBlanks();
                const QString key = string();
                skipBlanks();
                expect(':');
                skipBlanks();
                if (key == u"fields") {
                    if (haveFields)
                        throw GiveUp{};
                    result.fields = fields();
                    haveFields = true;
                } else if (key == u"rows") {
                    if (haveRows)
                        throw GiveUp{};
                    haveRows = true;
                    if (peek() == 'n') {
                        literal("null");
                    } else if (haveFields) {
                        result.rows = rows(result.fields);
                    } else {
                        rowsStart = m_p; // read once the fields are known
                        skipValue(0);
                    }
                } else if (key == u"changes") {
                    throw GiveUp{}; // change logs are small: the general road
                } else {
                    skipValue(0);
                }
                skipBlanks();
                if (peek() == ',') {
                    ++m_p;
                    continue;
                }
                expect('}');
                break;
            }
        } else {
            ++m_p;
        }
        if (!haveFields)
            throw GiveUp{};
        if (rowsStart) {
            const char* after = m_p;
            m_p = rowsStart;
            result.rows = rows(result.fields);
            m_p = after;
        }
        return result;
    }

    char peek() const {
        if (m_p == m_end)
            throw GiveUp{};
        return *m_p;
    }
    void expect(char c) {
        if (peek() != c)
            throw GiveUp{};
        ++m_p;
    }
    void skipBlanks() {
        while (m_p != m_end && (*m_p == ' ' || *m_p == '\n' || *m_p == '\r' || *m_p == '\t'))
            ++m_p;
    }
    void literal(const char* word) {
        for (; *word; ++word)
            expect(*word);
    }

    QList<FieldDef> fields() {
        const char* start = m_p;
        skipValue(0);
        const QJsonDocument document =
            QJsonDocument::fromJson(QByteArray::fromRawData(start, m_p - start));
        if (!document.isArray())
            throw GiveUp{};
        QList<FieldDef> list;
        for (const QJsonValue& value : document.array()) {
            auto field = fieldFromJsonValue(value);
            if (!field)
                throw GiveUp{};
            for (const FieldDef& other : list)
                if (other.name.compare(field->name, Qt::CaseInsensitive) == 0)
                    throw GiveUp{};
            list.append(std::move(*field));
        }
        return list;
    }

    QList<Row> rows(const QList<FieldDef>& fields) {
        m_lastText.assign(size_t(fields.size()), {});
        QList<Row> list;
        expect('[');
        skipBlanks();
        if (peek() == ']')
            return list;
        for (;;) {
            skipBlanks();
            list.append(row(fields));
            skipBlanks();
            if (peek() == ',') {
                ++m_p;
                continue;
            }
            expect(']');
            return list;
        }
    }

    Row row(const QList<FieldDef>& fields) {
        Row values;
        values.reserve(fields.size());
        expect('[');
        for (qsizetype i = 0; i < fields.size(); ++i) {
            skipBlanks();
            values.append(cell(fields[i], i));
            skipBlanks();
            if (i + 1 < fields.size())
                expect(',');
        }
        expect(']');
        return values;
    }

    QVariant cell(const FieldDef& field, qsizetype column) {
        if (peek() == 'n') {
            literal("null");
            return {};
        }
        switch (field.kind) {
        case FieldKind::String: {
            QString text = columnString(column);
            if (field.size > 0 && text.size() > field.size)
                throw GiveUp{};
            return text;
        }
        case FieldKind::Date: {
            const QDate date = parseIsoDate(string());
            if (!date.isValid())
                throw GiveUp{};
            return date;
        }
        case FieldKind::DateTime:
            return dateTime(string());
        case FieldKind::Float:
            return number();
        case FieldKind::Integer:
            return integer();
        case FieldKind::Boolean:
            if (peek() == 't') {
                literal("true");
                return true;
            }
            literal("false");
            return false;
        }
        throw GiveUp{};
    }

    // Equal date-times share one value: a local QDateTime costs a zone look-up.
    QVariant dateTime(const QString& text) {
        QDate date;
        QTime time;
        if (!splitIsoDateTime(text, &date, &time))
            throw GiveUp{};
        const qint64 key = date.toJulianDay() * 86400 + time.msecsSinceStartOfDay() / 1000;
        auto found = m_dateTimes.constFind(key);
        if (found == m_dateTimes.constEnd())
            found = m_dateTimes.insert(key, QVariant(QDateTime(date, time)));
        return *found;
    }

    // The span of a JSON number, checked against the grammar.
    std::pair<const char*, const char*> numberSpan(bool* whole) {
        const char* start = m_p;
        if (m_p != m_end && *m_p == '-')
            ++m_p;
        if (m_p == m_end || !isDigit(*m_p))
            throw GiveUp{};
        if (*m_p == '0')
            ++m_p;
        else
            while (m_p != m_end && isDigit(*m_p))
                ++m_p;
        *whole = true;
        if (m_p != m_end && *m_p == '.') {
            *whole = false;
            ++m_p;
            if (m_p == m_end || !isDigit(*m_p))
                throw GiveUp{};
            while (m_p != m_end && isDigit(*m_p))
                ++m_p;
        }
        if (m_p != m_end && (*m_p == 'e' || *m_p == 'E')) {
            *whole = false;
            ++m_p;
            if (m_p != m_end && (*m_p == '+' || *m_p == '-'))
                ++m_p;
            if (m_p == m_end || !isDigit(*m_p))
                throw GiveUp{};
            while (m_p != m_end && isDigit(*m_p))
                ++m_p;
        }
        return {start, m_p};
    }

    double number() {
        bool whole = false;
        const auto [start, end] = numberSpan(&whole);
        double value = 0;
        const auto result = std::from_chars(start, end, value);
        if (result.ec != std::errc() || result.ptr != end || !std::isfinite(value))
            throw GiveUp{};
        return value;
    }

    qint64 integer() {
        bool whole = false;
        const auto [start, end] = numberSpan(&whole);
        qint64 value = 0;
        const auto result = std::from_chars(start, end, value);
        if (!whole || result.ec != std::errc() || result.ptr != end)
            throw GiveUp{}; // fractions, exponents and overflow: the general road decides
        return value;
    }

    // Codes and flags repeat down a column: a text equal to the one above shares its string.
    QString columnString(qsizetype column) {
        LastText& last = m_lastText[size_t(column)];
        if (peek() == '"') {
            const char* start = m_p + 1;
            const char* end = start;
            while (end != m_end && *end != '"' && *end != '\\' &&
                   static_cast<unsigned char>(*end) >= 0x20)
                ++end;
            if (end != m_end && *end == '"' && last.bytes && last.size == end - start &&
                std::equal(start, end, last.bytes)) {
                m_p = end + 1;
                return last.text;
            }
            QString text = string();
            if (end != m_end && *end == '"') {
                last.bytes = start;
                last.size = end - start;
                last.text = text;
            }
            return text;
        }
        return string();
    }

    static bool isDigit(char c) { return c >= '0' && c <= '9'; }

    QString string() {
        expect('"');
        const char* start = m_p;
        bool ascii = true;
        while (m_p != m_end && *m_p != '"' && *m_p != '\\') {
            const auto c = static_cast<unsigned char>(*m_p);
            if (c < 0x20)
                throw GiveUp{};
            ascii = ascii && c < 0x80;
            ++m_p;
        }
        if (m_p == m_end)
            throw GiveUp{};
        if (*m_p == '"') {
            const qsizetype length = m_p - start;
            ++m_p;
            if (ascii)
                return QString::fromLatin1(start, length);
            if (!validUtf8(start, m_p - 1))
                throw GiveUp{};
            return QString::fromUtf8(start, length);
        }
        // Escapes: rare in packets; unescape into UTF-8 first.
        QByteArray text(start, m_p - start);
        while (true) {
            const char c = peek();
            ++m_p;
            if (c == '"')
                break;
            if (static_cast<unsigned char>(c) < 0x20)
                throw GiveUp{};
            if (c == '\\')
                appendEscaped(text);
            else
                text.append(c);
        }
        if (!validUtf8(text.constData(), text.constData() + text.size()))
            throw GiveUp{};
        return QString::fromUtf8(text);
    }

    // The character of the escape after a backslash, as UTF-8.
    void appendEscaped(QByteArray& text) {
        const char e = peek();
        ++m_p;
        switch (e) {
        case '"':
        case '\\':
        case '/':
            text.append(e);
            return;
        case 'b':
            text.append('\b');
            return;
        case 'f':
            text.append('\f');
            return;
        case 'n':
            text.append('\n');
            return;
        case 'r':
            text.append('\r');
            return;
        case 't':
            text.append('\t');
            return;
        case 'u': {
            const char32_t code = codePoint();
            text.append(QString::fromUcs4(&code, 1).toUtf8());
            return;
        }
        default:
            throw GiveUp{};
        }
    }

    // The code point of \uXXXX (the \u read), a surrogate pair joined; a lone half is refused.
    char32_t codePoint() {
        const char32_t code = hex4();
        if (code >= 0xD800 && code <= 0xDBFF) {
            literal("\\u");
            const char32_t low = hex4();
            if (low < 0xDC00 || low > 0xDFFF)
                throw GiveUp{};
            return 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
        }
        if (code >= 0xDC00 && code <= 0xDFFF)
            throw GiveUp{};
        return code;
    }

    void skipString() {
        const char* start = m_p + 1;
        expect('"');
        bool plain = true;
        while (m_p != m_end && *m_p != '"') {
            const auto c = static_cast<unsigned char>(*m_p);
            if (c < 0x20)
                throw GiveUp{};
            if (c == '\\' || c >= 0x80) {
                plain = false;
                break;
            }
            ++m_p;
        }
        if (plain) {
            expect('"');
            return;
        }
        m_p = start - 1;
        string(); // escapes or non-ASCII: check them the full way
    }

    char32_t hex4() {
        char32_t value = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = peek();
            ++m_p;
            value <<= 4;
            if (c >= '0' && c <= '9')
                value |= char32_t(c - '0');
            else if (c >= 'a' && c <= 'f')
                value |= char32_t(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F')
                value |= char32_t(c - 'A' + 10);
            else
                throw GiveUp{};
        }
        return value;
    }

    // Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
    static bool validUtf8(const char* p, const char* end) {
        while (p < end) {
            const auto c = static_cast<unsigned char>(*p);
            int extra = 0;
            char32_t code = 0;
            if (c < 0x80) {
                ++p;
                continue;
            } else if ((c & 0xE0) == 0xC0) {
                extra = 1;
                code = c & 0x1F;
            } else if ((c & 0xF0) == 0xE0) {
                extra = 2;
                code = c & 0x0F;
            } else if ((c & 0xF8) == 0xF0) {
                extra = 3;
                code = c & 0x07;
            } else {
                return false;
            }
            if (end - p <= extra)
                return false;
            for (int i = 1; i <= extra; ++i) {
                const auto next = static_cast<unsigned char>(p[i]);
                if ((next & 0xC0) != 0x80)
                    return false;
                code = (code << 6) | (next & 0x3F);
            }
            static constexpr char32_t minimum[] = {0, 0x80, 0x800, 0x10000};
            if (code < minimum[extra] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
                return false;
            p += extra + 1;
        }
        return true;
    }

    // Checks and passes over any JSON value.
    void skipValue(int depth) {
        if (depth > 64)
            throw GiveUp{};
        skipBlanks();
        switch (peek()) {
        case '"':
            skipString();
            return;
        case '{':
            ++m_p;
            skipBlanks();
            if (peek() == '}') {
                ++m_p;
                return;
            }
            for (;;) {
                skipBlanks();
                skipString();
                skipBlanks();
                expect(':');
                skipValue(depth + 1);
                skipBlanks();
                if (peek() == ',') {
                    ++m_p;
                    continue;
                }
                expect('}');
                return;
            }
        case '[':
            ++m_p;
            skipBlanks();
            if (peek() == ']') {
                ++m_p;
                return;
            }
            for (;;) {
                skipValue(depth + 1);
                skipBlanks();
                if (peek() == ',') {
                    ++m_p;
                    continue;
                }
                expect(']');
                return;
            }
        case 't':
            literal("true");
            return;
        case 'f':
            literal("false");
            return;
        case 'n':
            literal("null");
            return;
        default:
            // Read, not only spanned: a number out of double's range goes to the general road,
            // which refuses it, instead of passing unseen in a key the reader does not know.
            number();
            return;
        }
    }

    struct LastText {
        const char* bytes = nullptr;
        qsizetype size = 0;
        QString text;
    };

    const char* m_p;
    const char* m_end;
    std::vector<LastText> m_lastText;
    QHash<qint64, QVariant> m_dateTimes;
};

} // namespace

std::optional<DataPacket> readPacketFast(const QByteArray& bytes) {
    try {
        return Reader(bytes).packet();
    } catch (const GiveUp&) {
        return std::nullopt;
    }
}

} // namespace dieta::detail
