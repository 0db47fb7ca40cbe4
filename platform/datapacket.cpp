#include "platform/datapacket.h"

#include "platform/packetreader.h"
#include "platform/packetwriter.h"
#include "platform/wiredate.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>
#include <cmath>
#include <limits>

namespace dieta {
namespace {

struct KindName {
    FieldKind kind;
    QStringView name;
};

constexpr KindName kindNames[] = {
    {FieldKind::String, u"string"},     {FieldKind::Date, u"date"},
    {FieldKind::DateTime, u"datetime"}, {FieldKind::Float, u"float"},
    {FieldKind::Integer, u"integer"},   {FieldKind::Boolean, u"boolean"},
};

bool fail(QString* error, const QString& text) {
    if (error)
        *error = text;
    return false;
}

QString statusName(Change::Status status) {
    switch (status) {
    case Change::Status::Inserted:
        return QStringLiteral("inserted");
    case Change::Status::Deleted:
        return QStringLiteral("deleted");
    case Change::Status::Modified:
        break;
    }
    return QStringLiteral("modified");
}

std::optional<Change::Status> statusFromName(const QString& name) {
    if (name == u"inserted")
        return Change::Status::Inserted;
    if (name == u"modified")
        return Change::Status::Modified;
    if (name == u"deleted")
        return Change::Status::Deleted;
    return std::nullopt;
}

QJsonObject fieldToJson(const FieldDef& field) {
    QJsonObject object{{QStringLiteral("name"), field.name},
                       {QStringLiteral("type"), fieldKindName(field.kind)}};
    if (field.size > 0)
        object.insert(QStringLiteral("size"), field.size);
    if (field.required)
        object.insert(QStringLiteral("required"), true);
    if (field.readOnly)
        object.insert(QStringLiteral("readonly"), true);
    if (field.hidden)
        object.insert(QStringLiteral("hidden"), true);
    return object;
}

bool flagFromJson(const QJsonObject& object, const QString& key, bool* flag, QString* error) {
    const QJsonValue value = object.value(key);
    if (value.isUndefined() || value.isNull()) {
        *flag = false;
        return true;
    }
    if (!value.isBool())
        return fail(error, QStringLiteral("Pacote de dados inválido: o atributo \"%1\" do campo "
                                          "\"%2\" deve ser verdadeiro ou falso.")
                               .arg(key, object.value(QStringLiteral("name")).toString()));
    *flag = value.toBool();
    return true;
}

std::optional<FieldDef> fieldFromJson(const QJsonValue& value, int position, QString* error) {
    const QString where = QStringLiteral("Pacote de dados inválido: campo %1").arg(position + 1);
    if (!value.isObject()) {
        fail(error, where + QStringLiteral(" não é um objeto."));
        return std::nullopt;
    }
    const QJsonObject object = value.toObject();
    FieldDef field;
    field.name = object.value(QStringLiteral("name")).toString().trimmed();
    if (field.name.isEmpty() || !QStringView(field.name).isValidUtf16()) {
        fail(error, where + QStringLiteral(" sem nome válido."));
        return std::nullopt;
    }
    const auto kind = fieldKindFromName(object.value(QStringLiteral("type")).toString());
    if (!kind) {
        fail(error,
             QStringLiteral("Pacote de dados inválido: tipo desconhecido \"%1\" no campo "
                            "\"%2\".")
                 .arg(object.value(QStringLiteral("type")).toVariant().toString(), field.name));
        return std::nullopt;
    }
    field.kind = *kind;
    const QJsonValue size = object.value(QStringLiteral("size"));
    if (!size.isUndefined() && !size.isNull()) {
        const double number = size.toDouble(-1);
        if (!size.isDouble() || number < 0 || number > std::numeric_limits<int>::max() ||
            number != std::floor(number)) {
            fail(error, QStringLiteral("Pacote de dados inválido: tamanho inválido no campo "
                                       "\"%1\".")
                            .arg(field.name));
            return std::nullopt;
        }
        field.size = int(number);
    }
    if (!flagFromJson(object, QStringLiteral("required"), &field.required, error) ||
        !flagFromJson(object, QStringLiteral("readonly"), &field.readOnly, error) ||
        !flagFromJson(object, QStringLiteral("hidden"), &field.hidden, error))
        return std::nullopt;
    return field;
}

QJsonArray rowToJson(const Row& row, const QList<FieldDef>& fields) {
    QJsonArray array;
    for (qsizetype i = 0; i < fields.size(); ++i)
        array.append(cellToJson(i < row.size() ? row[i] : QVariant(), fields[i].kind));
    return array;
}

template <typename Cell>
std::optional<QVariant> decodeCell(const Cell& cell, const FieldDef& field, QString* error);

// Decodes the cells of one packet. Equal date-times share one value: building a local
// QDateTime asks the C library for the zone's offset, which costs more than parsing the text.
class CellDecoder {
public:
    template <typename Cell>
    std::optional<QVariant> decode(const Cell& cell, const FieldDef& field, QString* error) {
        if (field.kind == FieldKind::DateTime && cell.isString())
            return dateTime(cell.toString(), field, error);
        return decodeCell(cell, field, error);
    }

    // `where` names the row for a message ("a linha 3"); only called on error.
    template <typename Where>
    std::optional<Row> row(const QJsonArray& array, const QList<FieldDef>& fields,
                           const Where& where, QString* error) {
        if (array.size() != fields.size()) {
            fail(error, QStringLiteral("Pacote de dados inválido: %1 tem %2 valores, esperados %3.")
                            .arg(where())
                            .arg(array.size())
                            .arg(fields.size()));
            return std::nullopt;
        }
        Row row;
        row.reserve(fields.size());
        QString cellError;
        qsizetype i = 0;
        for (auto it = array.constBegin(); it != array.constEnd(); ++it, ++i) {
            auto cell = decode(*it, fields[i], &cellError);
            if (!cell) {
                fail(error,
                     QStringLiteral("Pacote de dados inválido: %1: %2").arg(where(), cellError));
                return std::nullopt;
            }
            row.append(std::move(*cell));
        }
        return row;
    }

    template <typename Value, typename Where>
    std::optional<Row> row(const Value& value, const QList<FieldDef>& fields, const Where& where,
                           QString* error) {
        if (!value.isArray()) {
            fail(error, QStringLiteral("Pacote de dados inválido: %1 não é uma lista de valores.")
                            .arg(where()));
            return std::nullopt;
        }
        return row(value.toArray(), fields, where, error);
    }

private:
    std::optional<QVariant> dateTime(const QString& text, const FieldDef& field, QString* error) {
        QDate date;
        QTime time;
        if (!splitIsoDateTime(text, &date, &time)) {
            fail(error, QStringLiteral("o campo \"%1\" espera uma data e hora no formato "
                                       "aaaa-mm-ddThh:mm:ss.")
                            .arg(field.name));
            return std::nullopt;
        }
        const qint64 key = date.toJulianDay() * 86400 + time.msecsSinceStartOfDay() / 1000;
        auto found = m_dateTimes.constFind(key);
        if (found == m_dateTimes.constEnd())
            found = m_dateTimes.insert(key, QVariant(QDateTime(date, time)));
        return *found;
    }

    QHash<qint64, QVariant> m_dateTimes;
};

std::optional<Change> changeFromJson(CellDecoder& decoder, const QJsonValue& value,
                                     const QList<FieldDef>& fields, qsizetype position,
                                     QString* error) {
    const auto where = [position] { return QStringLiteral("a alteração %1").arg(position + 1); };
    const QJsonObject object = value.toObject();
    const auto status = statusFromName(object.value(QStringLiteral("status")).toString());
    if (!value.isObject() || !status) {
        fail(error,
             QStringLiteral("Pacote de dados inválido: %1 não tem situação válida.").arg(where()));
        return std::nullopt;
    }
    Change change;
    change.status = *status;
    if (*status != Change::Status::Deleted) {
        auto row = decoder.row(object.value(QStringLiteral("row")), fields, where, error);
        if (!row)
            return std::nullopt;
        change.row = std::move(*row);
    }
    if (*status != Change::Status::Inserted) {
        auto original = decoder.row(object.value(QStringLiteral("original")), fields, where, error);
        if (!original)
            return std::nullopt;
        change.original = std::move(*original);
    }
    return change;
}

bool hasDuplicateName(const QList<FieldDef>& fields, QString* duplicate) {
    for (qsizetype i = 0; i < fields.size(); ++i)
        for (qsizetype j = 0; j < i; ++j)
            if (fields[i].name.compare(fields[j].name, Qt::CaseInsensitive) == 0) {
                *duplicate = fields[i].name;
                return true;
            }
    return false;
}

} // namespace

namespace detail {
std::optional<FieldDef> fieldFromJsonValue(const QJsonValue& value) {
    return fieldFromJson(value, 0, nullptr);
}
QJsonObject fieldToJsonObject(const FieldDef& field) {
    return fieldToJson(field);
}
} // namespace detail

QString fieldKindName(FieldKind kind) {
    for (const auto& entry : kindNames)
        if (entry.kind == kind)
            return entry.name.toString();
    return QStringLiteral("string");
}

std::optional<FieldKind> fieldKindFromName(QStringView name) {
    for (const auto& entry : kindNames)
        if (entry.name.compare(name, Qt::CaseInsensitive) == 0)
            return entry.kind;
    return std::nullopt;
}

int DataPacket::fieldIndex(QStringView name) const {
    for (qsizetype i = 0; i < fields.size(); ++i)
        if (QStringView(fields[i].name).compare(name, Qt::CaseInsensitive) == 0)
            return int(i);
    return -1;
}

QVariant DataPacket::value(int row, QStringView field) const {
    const int column = fieldIndex(field);
    if (column < 0 || row < 0 || row >= rows.size() || column >= rows[row].size())
        return {};
    return rows[row][column];
}

QJsonObject DataPacket::toJson() const {
    QJsonArray fieldArray;
    for (const FieldDef& field : fields)
        fieldArray.append(fieldToJson(field));
    QJsonObject object{{QStringLiteral("fields"), fieldArray}};
    if (changeLog) {
        QJsonArray changeArray;
        for (const Change& change : changes) {
            QJsonObject entry{{QStringLiteral("status"), statusName(change.status)}};
            if (change.status != Change::Status::Deleted)
                entry.insert(QStringLiteral("row"), rowToJson(change.row, fields));
            if (change.status != Change::Status::Inserted)
                entry.insert(QStringLiteral("original"), rowToJson(change.original, fields));
            changeArray.append(entry);
        }
        object.insert(QStringLiteral("changes"), changeArray);
    } else {
        QJsonArray rowArray;
        for (const Row& row : rows)
            rowArray.append(rowToJson(row, fields));
        object.insert(QStringLiteral("rows"), rowArray);
    }
    return object;
}

QByteArray DataPacket::toJsonBytes() const {
    return detail::writePacket(*this);
}

std::optional<DataPacket> DataPacket::fromJson(const QJsonObject& packet, QString* error) {
    const QJsonValue fieldsValue = packet.value(QStringLiteral("fields"));
    if (!fieldsValue.isArray()) {
        fail(error, QStringLiteral("Pacote de dados inválido: falta a lista de campos."));
        return std::nullopt;
    }
    DataPacket result;
    const QJsonArray fieldArray = fieldsValue.toArray();
    result.fields.reserve(fieldArray.size());
    for (qsizetype i = 0; i < fieldArray.size(); ++i) {
        auto field = fieldFromJson(fieldArray.at(i), int(i), error);
        if (!field)
            return std::nullopt;
        result.fields.append(std::move(*field));
    }
    QString duplicate;
    if (hasDuplicateName(result.fields, &duplicate)) {
        fail(error,
             QStringLiteral("Pacote de dados inválido: campo \"%1\" repetido.").arg(duplicate));
        return std::nullopt;
    }

    CellDecoder decoder;
    const QJsonValue changesValue = packet.value(QStringLiteral("changes"));
    const QJsonValue rowsValue = packet.value(QStringLiteral("rows"));
    if (!changesValue.isUndefined()) {
        if (!changesValue.isArray() || !rowsValue.isUndefined()) {
            fail(error, QStringLiteral("Pacote de dados inválido: lista de alterações "
                                       "malformada."));
            return std::nullopt;
        }
        result.changeLog = true;
        const QJsonArray changeArray = changesValue.toArray();
        result.changes.reserve(changeArray.size());
        for (qsizetype i = 0; i < changeArray.size(); ++i) {
            auto change = changeFromJson(decoder, changeArray.at(i), result.fields, i, error);
            if (!change)
                return std::nullopt;
            result.changes.append(std::move(*change));
        }
        return result;
    }
    if (rowsValue.isUndefined() || rowsValue.isNull())
        return result;
    if (!rowsValue.isArray()) {
        fail(error, QStringLiteral("Pacote de dados inválido: \"rows\" não é uma lista."));
        return std::nullopt;
    }
    const QJsonArray rowArray = rowsValue.toArray();
    result.rows.reserve(rowArray.size());
    qsizetype i = 0;
    for (auto it = rowArray.constBegin(); it != rowArray.constEnd(); ++it, ++i) {
        auto row = decoder.row(
            *it, result.fields, [i] { return QStringLiteral("a linha %1").arg(i + 1); }, error);
        if (!row)
            return std::nullopt;
        result.rows.append(std::move(*row));
    }
    return result;
}

std::optional<DataPacket> DataPacket::fromJsonBytes(const QByteArray& bytes, QString* error) {
    if (auto packet = detail::readPacketFast(bytes))
        return packet;
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        fail(error, QStringLiteral("Pacote de dados inválido: JSON malformado na posição %1.")
                        .arg(parseError.offset));
        return std::nullopt;
    }
    if (!document.isObject()) {
        fail(error, QStringLiteral("Pacote de dados inválido: o conteúdo não é um objeto."));
        return std::nullopt;
    }
    return fromJson(document.object(), error);
}

bool DataPacket::saveToFile(const QString& path, QString* error) const {
    // QSaveFile: a failed write never leaves half a file in place of the old one.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(error, QStringLiteral("Não foi possível gravar o arquivo \"%1\": %2")
                               .arg(path, file.errorString()));
    const QByteArray bytes = toJsonBytes();
    if (file.write(bytes) != bytes.size() || !file.commit())
        return fail(error, QStringLiteral("Não foi possível gravar o arquivo \"%1\": %2")
                               .arg(path, file.errorString()));
    return true;
}

std::optional<DataPacket> DataPacket::loadFromFile(const QString& path, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        fail(error, QStringLiteral("Não foi possível ler o arquivo \"%1\": %2")
                        .arg(path, file.errorString()));
        return std::nullopt;
    }
    return fromJsonBytes(file.readAll(), error);
}

namespace {

template <typename Cell>
std::optional<QVariant> decodeCell(const Cell& cell, const FieldDef& field, QString* error) {
    if (cell.isNull())
        return QVariant();
    const auto wrongType = [&](const QString& expected) {
        fail(error, QStringLiteral("o campo \"%1\" espera %2.").arg(field.name, expected));
        return std::nullopt;
    };
    switch (field.kind) {
    case FieldKind::String: {
        if (!cell.isString())
            return wrongType(QStringLiteral("um texto"));
        QString text = cell.toString();
        // A lone surrogate (\ud800) cannot be stored or written back: it would come back as
        // another character, so it is refused as the fast reader refuses it.
        if (!QStringView(text).isValidUtf16()) {
            fail(error, QStringLiteral("o campo \"%1\" tem um texto com caractere inválido.")
                            .arg(field.name));
            return std::nullopt;
        }
        if (field.size > 0 && text.size() > field.size) {
            fail(error, QStringLiteral("o valor do campo \"%1\" excede %2 caracteres.")
                            .arg(field.name)
                            .arg(field.size));
            return std::nullopt;
        }
        return QVariant(std::move(text));
    }
    case FieldKind::Date: {
        const QDate date = cell.isString() ? parseIsoDate(cell.toString()) : QDate();
        if (!date.isValid())
            return wrongType(QStringLiteral("uma data no formato aaaa-mm-dd"));
        return QVariant(date);
    }
    case FieldKind::DateTime: {
        const QDateTime dateTime =
            cell.isString() ? parseIsoDateTime(cell.toString()) : QDateTime();
        if (!dateTime.isValid())
            return wrongType(QStringLiteral("uma data e hora no formato aaaa-mm-ddThh:mm:ss"));
        return QVariant(dateTime);
    }
    case FieldKind::Float:
        if (!cell.isDouble())
            return wrongType(QStringLiteral("um número"));
        return QVariant(cell.toDouble());
    case FieldKind::Integer: {
        const double number = cell.toDouble();
        // 2^63 is the first double above the range of qint64.
        if (!cell.isDouble() || number != std::floor(number) || number < -9.2233720368547758e18 ||
            number >= 9.2233720368547758e18)
            return wrongType(QStringLiteral("um número inteiro"));
        return QVariant(cell.toInteger());
    }
    case FieldKind::Boolean:
        if (!cell.isBool())
            return wrongType(QStringLiteral("verdadeiro ou falso"));
        return QVariant(cell.toBool());
    }
    return wrongType(QStringLiteral("um valor conhecido"));
}

} // namespace

std::optional<QVariant> cellFromJson(const QJsonValue& cell, const FieldDef& field,
                                     QString* error) {
    return decodeCell(cell, field, error);
}

QJsonValue cellToJson(const QVariant& value, FieldKind kind) {
    if (value.isNull() || !value.isValid())
        return QJsonValue(QJsonValue::Null);
    switch (kind) {
    case FieldKind::String:
        return value.toString();
    case FieldKind::Date: {
        const QString text = formatIsoDate(value.toDate());
        return text.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(text);
    }
    case FieldKind::DateTime: {
        const QString text = formatIsoDateTime(value.toDateTime());
        return text.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(text);
    }
    case FieldKind::Float: {
        const double number = value.toDouble();
        return std::isfinite(number) ? QJsonValue(number) : QJsonValue(QJsonValue::Null);
    }
    case FieldKind::Integer:
        return QJsonValue(value.toLongLong());
    case FieldKind::Boolean:
        return value.toBool();
    }
    return QJsonValue(QJsonValue::Null);
}

} // namespace dieta
