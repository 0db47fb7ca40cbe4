#include "platform/fieldvalues.h"

#include <QCollator>
#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <cmath>

namespace dieta {
namespace {

template <typename T> int threeWay(const T& x, const T& y) {
    return x < y ? -1 : (y < x ? 1 : 0);
}

bool isDateKind(FieldKind kind) {
    return kind == FieldKind::Date || kind == FieldKind::DateTime;
}

bool isNumberKind(FieldKind kind) {
    return kind == FieldKind::Float || kind == FieldKind::Integer;
}

} // namespace

int compareFieldValues(const QVariant& a, const QVariant& b, FieldKind kind) {
    const bool aNull = !a.isValid();
    const bool bNull = !b.isValid();
    if (aNull || bNull)
        return aNull == bNull ? 0 : (aNull ? -1 : 1);
    switch (kind) {
    case FieldKind::String:
        return a.toString().compare(b.toString());
    case FieldKind::Date:
        return threeWay(a.toDate(), b.toDate());
    case FieldKind::DateTime:
        return threeWay(a.toDateTime(), b.toDateTime());
    case FieldKind::Float:
        return threeWay(a.toDouble(), b.toDouble());
    case FieldKind::Integer:
        return threeWay(a.toLongLong(), b.toLongLong());
    case FieldKind::Boolean:
        return int(a.toBool()) - int(b.toBool());
    }
    return 0;
}

int compareFieldOrder(const QVariant& a, const QVariant& b, FieldKind kind) {
    if (kind != FieldKind::String || !a.isValid() || !b.isValid())
        return compareFieldValues(a, b, kind);
    thread_local const QCollator portuguese(QLocale(QLocale::Portuguese, QLocale::Brazil));
    const QString x = a.toString();
    const QString y = b.toString();
    const int collated = portuguese.compare(x, y);
    return collated != 0 ? collated : x.compare(y);
}

bool fieldKindsCompatible(FieldKind from, FieldKind to) {
    return from == to || (isDateKind(from) && isDateKind(to)) ||
           (isNumberKind(from) && isNumberKind(to));
}

QVariant adaptFieldValue(const QVariant& value, FieldKind to) {
    if (!value.isValid())
        return value;
    switch (to) {
    case FieldKind::Date:
        return value.toDate();
    case FieldKind::DateTime:
        return value.metaType().id() == QMetaType::QDate ? QDateTime(value.toDate(), QTime(0, 0))
                                                         : value.toDateTime();
    case FieldKind::Float:
        return value.toDouble();
    case FieldKind::Integer:
        return qint64(std::llround(value.toDouble()));
    case FieldKind::String:
    case FieldKind::Boolean:
        break;
    }
    return value;
}

QString fieldKindLabel(FieldKind kind) {
    switch (kind) {
    case FieldKind::String:
        return QStringLiteral("texto");
    case FieldKind::Date:
        return QStringLiteral("data");
    case FieldKind::DateTime:
        return QStringLiteral("data e hora");
    case FieldKind::Float:
        return QStringLiteral("número");
    case FieldKind::Integer:
        return QStringLiteral("número inteiro");
    case FieldKind::Boolean:
        return QStringLiteral("lógico");
    }
    return {};
}

} // namespace dieta
