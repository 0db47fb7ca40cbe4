#include "platform/tfield.h"

#include "platform/edatabaseerror.h"
#include "platform/tclientdataset.h"
#include "platform/wiredate.h"

#include <QLocale>
#include <cmath>

namespace dieta {
namespace {

const QLocale& brazil() {
    static const QLocale locale(QLocale::Portuguese, QLocale::Brazil);
    return locale;
}

QString floatText(double value) {
    QString text = QString::number(value, 'g', 15);
    text.replace(u'.', u',');
    return text;
}

// pt-BR first ("1.234,5"), then the C form ("1234.5").
std::optional<double> parseFloat(QString text) {
    text = text.trimmed();
    if (text.contains(u',')) {
        text.remove(u'.');
        text.replace(u',', u'.');
    }
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<bool> parseBoolean(const QString& text) {
    const QString t = text.trimmed().toLower();
    if (t == u"true" || t == u"s" || t == u"sim" || t == u"1" || t == u"verdadeiro")
        return true;
    if (t == u"false" || t == u"n" || t == u"não" || t == u"nao" || t == u"0" || t == u"falso")
        return false;
    return std::nullopt;
}

QDateTime parseDateTimeText(const QString& raw) {
    const QString text = raw.trimmed();
    if (text.size() >= 10 && text[2] == u'/') {
        const QDate date = parseShortDate(QStringView(text).left(10));
        if (!date.isValid())
            return {};
        if (text.size() == 10)
            return QDateTime(date, QTime(0, 0));
        const QTime time =
            QTime::fromString(text.mid(11), text.size() == 16 ? u"HH:mm" : u"HH:mm:ss");
        if (text[10] != u' ' || !time.isValid())
            return {};
        return QDateTime(date, time);
    }
    return parseIsoDateTime(text);
}

// Display formats name months "m" and minutes "n"; Qt says "M" and "m".
QString qtDateFormat(const QString& format) {
    QString out;
    for (QChar c : format) {
        switch (c.toLower().unicode()) {
        case u'm':
            out += u'M';
            break;
        case u'n':
            out += u'm';
            break;
        case u'd':
        case u'y':
        case u'h':
        case u's':
        case u'z':
            out += c.toLower();
            break;
        default:
            out += c;
        }
    }
    return out;
}

QString formatNumber(double value, const QString& format) {
    const qsizetype point = format.indexOf(u'.');
    const int decimals = point < 0 ? 0 : int(format.size() - point - 1);
    QString text = brazil().toString(value, 'f', decimals);
    if (!format.contains(u','))
        text.remove(brazil().groupSeparator());
    return text;
}

QString dateTimeText(const QDateTime& dateTime) {
    if (dateTime.time() == QTime(0, 0))
        return formatShortDate(dateTime.date());
    return formatShortDate(dateTime.date()) + dateTime.time().toString(u" HH:mm:ss");
}

// A value of another kind written into a text field, as the operator would read it.
QString textOf(const QVariant& value) {
    switch (value.metaType().id()) {
    case QMetaType::QDate:
        return formatShortDate(value.toDate());
    case QMetaType::QDateTime:
        return dateTimeText(value.toDateTime());
    case QMetaType::Double:
    case QMetaType::Float:
        return floatText(value.toDouble());
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    default:
        return value.toString();
    }
}

[[noreturn]] void refuse(const TField& field, const QString& value, const QString& kind) {
    throw EDatabaseError(QStringLiteral("'%1' não é %2 válido para o campo %3.")
                             .arg(value, kind, field.DisplayLabel()));
}

} // namespace

TField::TField(TClientDataSet* dataSet, const FieldDef& def, TFieldKind kind)
    : m_dataSet(dataSet), m_def(def), m_kind(kind) {}

int TField::Index() const {
    const QList<TField*> fields = m_dataSet->FieldList();
    return int(fields.indexOf(const_cast<TField*>(this)));
}

FieldDef TField::Def() const {
    return m_def;
}

int TField::DisplayWidth() const {
    if (m_displayWidth > 0)
        return m_displayWidth;
    switch (m_def.kind) {
    case FieldKind::String:
        return m_def.size > 0 ? m_def.size : 20;
    case FieldKind::Date:
        return 10;
    case FieldKind::DateTime:
        return 18;
    case FieldKind::Boolean:
        return 5;
    case FieldKind::Float:
    case FieldKind::Integer:
        break;
    }
    return 10;
}

QVariant TField::Value() const {
    return m_dataSet->fieldValue(this);
}

bool TField::IsNull() const {
    return !Value().isValid();
}

QString TField::AsString() const {
    return formatted(Value());
}

double TField::AsFloat() const {
    const QVariant value = Value();
    if (value.metaType().id() == QMetaType::QString) {
        if (value.toString().isEmpty())
            return 0;
        if (const auto number = parseFloat(value.toString()))
            return *number;
        refuse(*this, value.toString(), QStringLiteral("um número"));
    }
    return value.toDouble();
}

qint64 TField::AsInteger() const {
    const QVariant value = Value();
    if (value.metaType().id() == QMetaType::Double)
        return qint64(std::llround(value.toDouble()));
    if (value.metaType().id() == QMetaType::QString) {
        if (value.toString().trimmed().isEmpty())
            return 0;
        bool ok = false;
        const qint64 number = value.toString().trimmed().toLongLong(&ok);
        if (!ok)
            refuse(*this, value.toString(), QStringLiteral("um número inteiro"));
        return number;
    }
    return value.toLongLong();
}

QDateTime TField::AsDateTime() const {
    const QVariant value = Value();
    switch (value.metaType().id()) {
    case QMetaType::QDateTime:
        return value.toDateTime();
    case QMetaType::QDate:
        return QDateTime(value.toDate(), QTime(0, 0));
    case QMetaType::QString:
        return parseDateTimeText(value.toString());
    default:
        return {};
    }
}

QDate TField::AsDate() const {
    return AsDateTime().date();
}

bool TField::AsBoolean() const {
    const QVariant value = Value();
    if (value.metaType().id() == QMetaType::QString)
        return parseBoolean(value.toString()).value_or(false);
    return value.toBool();
}

QString TField::formatted(const QVariant& value) const {
    if (!value.isValid())
        return {};
    switch (m_def.kind) {
    case FieldKind::String:
        return value.toString();
    case FieldKind::Date:
        return formatShortDate(value.toDate());
    case FieldKind::DateTime:
        return dateTimeText(value.toDateTime());
    case FieldKind::Float:
        return floatText(value.toDouble());
    case FieldKind::Integer:
        return QString::number(value.toLongLong());
    case FieldKind::Boolean:
        return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    }
    return value.toString();
}

QString TField::textThroughHandler(bool displayText) const {
    QString text;
    const QVariant value = Value();
    if (displayText && !m_displayFormat.isEmpty() && value.isValid()) {
        if (m_def.kind == FieldKind::Float || m_def.kind == FieldKind::Integer)
            text = formatNumber(value.toDouble(), m_displayFormat);
        else if (m_def.kind == FieldKind::Date || m_def.kind == FieldKind::DateTime)
            text = value.toDateTime().toString(qtDateFormat(m_displayFormat));
        else
            text = formatted(value);
    } else {
        text = formatted(value);
    }
    if (OnGetText)
        OnGetText(const_cast<TField*>(this), text, displayText);
    return text;
}

QString TField::DisplayText() const {
    return textThroughHandler(true);
}

QString TField::Text() const {
    return textThroughHandler(false);
}

QVariant TField::OldValue() const {
    return m_dataSet->fieldOldValue(this);
}

QVariant TField::convert(const QVariant& value) const {
    if (!value.isValid() || value.isNull())
        return {};
    const bool isText = value.metaType().id() == QMetaType::QString;
    // An empty text clears: a cleared value is null, never "" (SQL would match nothing).
    if (isText && value.toString().isEmpty())
        return {};
    switch (m_def.kind) {
    case FieldKind::String: {
        QString text = isText ? value.toString() : textOf(value);
        if (m_def.size > 0 && text.size() > m_def.size) {
            if (Calculated())
                return text.left(m_def.size);
            throw EDatabaseError(
                QStringLiteral("O valor '%1' excede o tamanho do campo %2 (%3 caracteres).")
                    .arg(text, DisplayLabel())
                    .arg(m_def.size));
        }
        return text;
    }
    case FieldKind::Date:
    case FieldKind::DateTime: {
        QDateTime dateTime;
        if (value.metaType().id() == QMetaType::QDate)
            dateTime = QDateTime(value.toDate(), QTime(0, 0));
        else if (value.metaType().id() == QMetaType::QDateTime)
            dateTime = value.toDateTime();
        else if (isText)
            dateTime = parseDateTimeText(value.toString());
        if (!dateTime.isValid())
            refuse(*this, value.toString(), QStringLiteral("uma data"));
        if (m_def.kind == FieldKind::Date)
            return dateTime.date();
        return dateTime;
    }
    case FieldKind::Float: {
        std::optional<double> number;
        if (isText)
            number = parseFloat(value.toString());
        else if (value.canConvert<double>())
            number = value.toDouble();
        if (!number || !std::isfinite(*number))
            refuse(*this, value.toString(), QStringLiteral("um número"));
        return *number;
    }
    case FieldKind::Integer: {
        bool ok = false;
        qint64 number = 0;
        if (value.metaType().id() == QMetaType::Double) {
            const double d = value.toDouble();
            ok = std::isfinite(d) && d == std::floor(d) && std::abs(d) < 9.2e18;
            number = ok ? qint64(d) : 0;
        } else {
            number = isText ? value.toString().trimmed().toLongLong(&ok) : value.toLongLong(&ok);
        }
        if (!ok)
            refuse(*this, value.toString(), QStringLiteral("um número inteiro"));
        return number;
    }
    case FieldKind::Boolean: {
        if (!isText)
            return value.toBool();
        const auto flag = parseBoolean(value.toString());
        if (!flag)
            refuse(*this, value.toString(), QStringLiteral("um valor lógico"));
        return *flag;
    }
    }
    return value;
}

void TField::SetValue(const QVariant& value) {
    m_dataSet->setFieldValue(this, convert(value));
}

void TField::SetAsString(const QString& text) {
    SetValue(QVariant(text));
}

void TField::SetAsFloat(double value) {
    SetValue(QVariant(value));
}

void TField::SetAsInteger(qint64 value) {
    SetValue(QVariant(value));
}

void TField::SetAsDateTime(const QDateTime& value) {
    SetValue(value.isValid() ? QVariant(value) : QVariant());
}

void TField::SetAsDate(QDate value) {
    SetValue(value.isValid() ? QVariant(value) : QVariant());
}

void TField::SetAsBoolean(bool value) {
    SetValue(QVariant(value));
}

void TField::Clear() {
    SetValue(QVariant());
}

} // namespace dieta
