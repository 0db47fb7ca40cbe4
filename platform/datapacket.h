#pragma once
// Data packets: the one tabular format of the wire and of files such as FILPACI.cds.
// Rows travel as arrays in field order (half the bytes of objects, twice as fast to parse).
// A change log (Delta) is the same packet with "changes" in place of "rows".
//
// In memory a value is a QVariant: null is QVariant() (never an empty string), a string
// QString, a date QDate, a date-time QDateTime (local time, no zone), a float double,
// an integer qint64, a boolean bool.

#include "platform/platform_export.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QVariant>
#include <optional>

namespace dieta {

enum class FieldKind { String, Date, DateTime, Float, Integer, Boolean };

PLATFORM_EXPORT QString fieldKindName(FieldKind kind);
PLATFORM_EXPORT std::optional<FieldKind> fieldKindFromName(QStringView name);

struct FieldDef {
    QString name;
    FieldKind kind = FieldKind::String;
    int size = 0; // characters, strings only; 0 = unlimited
    bool required = false;
    bool readOnly = false;
    bool hidden = false;

    bool operator==(const FieldDef&) const = default;
};

using Row = QVariantList;

struct Change {
    enum class Status { Inserted, Modified, Deleted };
    Status status = Status::Modified;
    Row row;      // new values (inserted, modified)
    Row original; // values as read (modified, deleted)

    bool operator==(const Change&) const = default;
};

class PLATFORM_EXPORT DataPacket {
public:
    QList<FieldDef> fields;
    QList<Row> rows;
    QList<Change> changes;
    bool changeLog = false; // true: "changes" travel instead of "rows"

    // Case-insensitive, since PostgreSQL folds unquoted names to lower case. -1 when absent.
    int fieldIndex(QStringView name) const;
    // The value of a named field in a row; null when the field or the row is absent.
    QVariant value(int row, QStringView field) const;

    QJsonObject toJson() const;
    QByteArray toJsonBytes() const;
    static std::optional<DataPacket> fromJson(const QJsonObject& packet, QString* error = nullptr);
    static std::optional<DataPacket> fromJsonBytes(const QByteArray& bytes,
                                                   QString* error = nullptr);

    bool saveToFile(const QString& path, QString* error = nullptr) const;
    static std::optional<DataPacket> loadFromFile(const QString& path, QString* error = nullptr);

    bool operator==(const DataPacket&) const = default;
};

// One cell: JSON to memory by the field's kind, and back. Errors name the problem in Portuguese.
PLATFORM_EXPORT std::optional<QVariant> cellFromJson(const QJsonValue& cell, const FieldDef& field,
                                                     QString* error);
PLATFORM_EXPORT QJsonValue cellToJson(const QVariant& value, FieldKind kind);

} // namespace dieta

Q_DECLARE_METATYPE(dieta::DataPacket)
