#include "platform/wirevalue.h"

#include "platform/packetstream.h"
#include "platform/wiredate.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>

namespace dieta {
namespace {

// Deeply nested input must fail cleanly rather than exhaust the stack.
constexpr int maxDepth = 64;

bool fail(QString* error, const QString& text) {
    if (error)
        *error = text;
    return false;
}

QJsonValue numberToWire(double number) {
    return std::isfinite(number) ? QJsonValue(number) : QJsonValue(QJsonValue::Null);
}

std::optional<QVariant> objectFromWire(const QJsonObject& object, QString* error) {
    if (object.size() == 1) {
        const QString key = object.begin().key();
        const QJsonValue inner = object.begin().value();
        if (key == u"date") {
            const QDate date = parseIsoDate(inner.toString());
            if (date.isValid())
                return QVariant(date);
            fail(error, QStringLiteral("Valor inválido: data fora do formato aaaa-mm-dd."));
            return std::nullopt;
        }
        if (key == u"datetime") {
            const QDateTime dateTime = parseIsoDateTime(inner.toString());
            if (dateTime.isValid())
                return QVariant(dateTime);
            fail(error, QStringLiteral("Valor inválido: data e hora fora do formato "
                                       "aaaa-mm-ddThh:mm:ss."));
            return std::nullopt;
        }
        if (key == u"packet") {
            if (!inner.isObject()) {
                fail(error, QStringLiteral("Valor inválido: pacote de dados malformado."));
                return std::nullopt;
            }
            auto packet = DataPacket::fromJson(inner.toObject(), error);
            if (!packet)
                return std::nullopt;
            return fromPacket(*packet);
        }
    }
    fail(error, QStringLiteral("Valor inválido: objeto desconhecido."));
    return std::nullopt;
}

std::optional<QVariant> fromWireAt(const QJsonValue& value, int depth, QString* error) {
    if (depth > maxDepth) {
        fail(error, QStringLiteral("Valor inválido: listas aninhadas em excesso."));
        return std::nullopt;
    }
    switch (value.type()) {
    case QJsonValue::Null:
        return QVariant();
    case QJsonValue::Bool:
        return QVariant(value.toBool());
    case QJsonValue::String: {
        QString text = value.toString();
        if (!QStringView(text).isValidUtf16()) { // a lone surrogate would change on its way
            fail(error, QStringLiteral("Valor inválido: texto com caractere inválido."));
            return std::nullopt;
        }
        return QVariant(std::move(text));
    }
    case QJsonValue::Double: {
        const double number = value.toDouble();
        // Whole numbers come back as integers, so codes and counts compare as such.
        if (number == std::floor(number) && std::abs(number) < 9.0e15)
            return QVariant(qint64(number));
        return QVariant(number);
    }
    case QJsonValue::Array: {
        const QJsonArray array = value.toArray();
        QVariantList list;
        list.reserve(array.size());
        for (const QJsonValue& element : array) {
            auto item = fromWireAt(element, depth + 1, error);
            if (!item)
                return std::nullopt;
            list.append(std::move(*item));
        }
        return QVariant(list);
    }
    case QJsonValue::Object:
        return objectFromWire(value.toObject(), error);
    case QJsonValue::Undefined:
        break;
    }
    fail(error, QStringLiteral("Valor inválido: ausente."));
    return std::nullopt;
}

} // namespace

QJsonValue toWire(const QVariant& value) {
    if (!value.isValid() || value.isNull())
        return QJsonValue(QJsonValue::Null);
    if (isPacket(value))
        return QJsonObject{{QStringLiteral("packet"), toPacket(value).toJson()}};
    if (value.metaType() == QMetaType::fromType<EncodedPacket>())
        return QJsonObject{{QStringLiteral("packet"),
                            QJsonDocument::fromJson(value.value<EncodedPacket>().json).object()}};
    switch (value.metaType().id()) {
    case QMetaType::Bool:
        return value.toBool();
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
        return QJsonValue(value.toLongLong());
    case QMetaType::ULong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
        return numberToWire(value.toDouble());
    case QMetaType::QDate: {
        const QString text = formatIsoDate(value.toDate());
        return text.isEmpty() ? QJsonValue(QJsonValue::Null)
                              : QJsonObject{{QStringLiteral("date"), text}};
    }
    case QMetaType::QDateTime: {
        const QString text = formatIsoDateTime(value.toDateTime());
        return text.isEmpty() ? QJsonValue(QJsonValue::Null)
                              : QJsonObject{{QStringLiteral("datetime"), text}};
    }
    case QMetaType::QVariantList: {
        QJsonArray array;
        for (const QVariant& element : value.toList())
            array.append(toWire(element));
        return array;
    }
    case QMetaType::QStringList: {
        QJsonArray array;
        for (const QString& element : value.toStringList())
            array.append(element);
        return array;
    }
    default:
        break;
    }
    return value.toString();
}

std::optional<QVariant> fromWire(const QJsonValue& value, QString* error) {
    return fromWireAt(value, 0, error);
}

} // namespace dieta
