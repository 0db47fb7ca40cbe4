#include "platform/tadoibquery.h"

#include "platform/dtmdbgeral.h"
#include "platform/sqldatabase.h"
#include "platform/wiredate.h"

#include <QSqlField>
#include <QSqlRecord>

namespace dieta {

using namespace Qt::StringLiterals;

namespace {

[[noreturn]] void fail(const QString& text) {
    throw EDatabaseError(text);
}

// "qryDieta: " before a message, so that the operator's report names the query.
QString named(const QObject& query, const QString& text) {
    return query.objectName().isEmpty() ? text : query.objectName() + u": "_s + text;
}

QDateTime dateTimeFromText(const QString& text) {
    // SQLite holds date-times as text; Qt writes them with milliseconds.
    const QString trimmed = text.trimmed();
    QDateTime value = parseIsoDateTime(QStringView(trimmed).left(19));
    if (!value.isValid())
        value = QDateTime::fromString(trimmed, Qt::ISODateWithMs);
    return value;
}

FieldKind inferKind(const QMetaType& type) {
    switch (type.id()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Short:
    case QMetaType::UShort:
        return FieldKind::Float;
    case QMetaType::QDate:
        return FieldKind::Date;
    case QMetaType::QDateTime:
        return FieldKind::DateTime;
    case QMetaType::Bool:
        return FieldKind::Boolean;
    default:
        return FieldKind::String;
    }
}

// The column's value in the field's kind; nullopt when it cannot be one.
std::optional<QVariant> convert(const QVariant& value, FieldKind kind) {
    if (value.isNull())
        return QVariant();
    bool ok = true;
    switch (kind) {
    case FieldKind::String:
        if (value.metaType().id() == QMetaType::QDate)
            return QVariant(formatIsoDate(value.toDate()));
        return QVariant(value.toString());
    case FieldKind::Float: {
        const double number = value.toDouble(&ok);
        return ok ? std::optional<QVariant>(number) : std::nullopt;
    }
    case FieldKind::Integer: {
        const qint64 number = value.toLongLong(&ok);
        if (!ok) {
            const double real = value.toDouble(&ok);
            if (ok && real == double(qint64(real)))
                return QVariant(qint64(real));
            return std::nullopt;
        }
        return QVariant(number);
    }
    case FieldKind::Date: {
        QDate date;
        if (value.metaType().id() == QMetaType::QDate)
            date = value.toDate();
        else if (value.metaType().id() == QMetaType::QDateTime)
            date = value.toDateTime().date();
        else
            date = parseIsoDate(QStringView(value.toString().trimmed()).left(10));
        return date.isValid() ? std::optional<QVariant>(date) : std::nullopt;
    }
    case FieldKind::DateTime: {
        QDateTime dateTime;
        if (value.metaType().id() == QMetaType::QDateTime)
            dateTime = value.toDateTime();
        else if (value.metaType().id() == QMetaType::QDate)
            dateTime = QDateTime(value.toDate(), QTime(0, 0));
        else
            dateTime = dateTimeFromText(value.toString());
        return dateTime.isValid() ? std::optional<QVariant>(dateTime) : std::nullopt;
    }
    case FieldKind::Boolean: {
        if (value.metaType().id() == QMetaType::QString) {
            const QString text = value.toString().trimmed().toUpper();
            if (text == u"S" || text == u"T" || text == u"TRUE" || text == u"1")
                return QVariant(true);
            if (text == u"N" || text == u"F" || text == u"FALSE" || text == u"0")
                return QVariant(false);
            return std::nullopt;
        }
        return QVariant(value.toBool());
    }
    }
    return std::nullopt;
}

QString dialectText(const TADOIBQuery& query, SqlDialect dialect) {
    const QStringList* lines = &query.SQL;
    switch (dialect) {
    case SqlDialect::Generic:
        break;
    case SqlDialect::Oracle:
        lines = &query.SQL_ORACLE;
        break;
    case SqlDialect::SqlServer:
        lines = &query.SQL_MSSQL;
        break;
    case SqlDialect::InterBase:
        lines = &query.SQL_IB;
        break;
    }
    const QString text = lines->join(u'\n');
    return text.trimmed().isEmpty() ? query.SQL.join(u'\n') : text;
}

} // namespace

// ---- TParam ----

void TParam::SetValue(const QVariant& value) {
    if (value.metaType().id() == QMetaType::QString && value.toString().isEmpty())
        m_value = QVariant();
    else
        m_value = value;
}

void TParam::SetAsString(const QString& text) {
    m_value = text.isEmpty() ? QVariant() : QVariant(text);
}

// ---- TADOIBQuery ----

TADOIBQuery::TADOIBQuery(QObject* parent) : TClientDataSet(parent) {}

TADOIBQuery::~TADOIBQuery() = default;

SqlDatabase* TADOIBQuery::Database() const {
    return m_database ? m_database : TdtmDBGeral::Database();
}

QString TADOIBQuery::ActiveSQL() const {
    return dialectText(*this, m_dialect);
}

void TADOIBQuery::syncParams() const {
    const QString text = ActiveSQL();
    if (m_paramsSynced && text == m_paramsText)
        return;
    std::map<QString, std::unique_ptr<TParam>> next;
    for (const QString& name : sqlPlaceholders(text)) {
        const QString key = name.toUpper();
        if (next.count(key))
            continue;
        auto old = m_params.find(key);
        next[key] = old != m_params.end() ? std::move(old->second) : std::make_unique<TParam>(name);
    }
    m_params = std::move(next);
    m_paramsText = text;
    m_paramsSynced = true;
}

TParam* TADOIBQuery::ParamByName(const QString& name) {
    syncParams();
    const auto it = m_params.find(name.toUpper());
    if (it == m_params.end())
        fail(named(*this, u"parâmetro '%1' não encontrado."_s.arg(name)));
    return it->second.get();
}

QStringList TADOIBQuery::ParamNames() const {
    QStringList names;
    for (const QString& name : sqlPlaceholders(ActiveSQL()))
        if (!names.contains(name, Qt::CaseInsensitive))
            names.append(name);
    return names;
}

void TADOIBQuery::Open() {
    if (Active())
        return;
    SqlDatabase* database = Database();
    if (!database)
        fail(named(*this, u"banco de dados geral não configurado."_s));
    const QString text = ActiveSQL();
    if (text.trimmed().isEmpty())
        fail(named(*this, u"consulta sem texto SQL."_s));
    syncParams();
    SqlStatement statement(database->connection(), text);
    for (const auto& [key, param] : m_params)
        statement.bind(key, param->Value());
    statement.exec();
    SetData(readPacket(statement));
}

void TADOIBQuery::SetActive(bool active) {
    if (active)
        Open();
    else
        Close();
}

void TADOIBQuery::Refresh() {
    Close();
    Open();
}

DataPacket TADOIBQuery::readPacket(SqlStatement& statement) {
    const QSqlRecord record = statement.query().record();
    DataPacket packet;
    std::vector<int> sourceColumns;
    // Fields from code: the data fields that the last Open did not make from columns.
    for (const FieldDef& def : DataFieldDefs()) {
        if (m_inferredFields.contains(def.name))
            continue;
        const int column = record.indexOf(def.name); // case-insensitive
        if (column < 0)
            fail(named(*this, u"campo '%1' não encontrado."_s.arg(def.name)));
        packet.fields.append(def);
        sourceColumns.push_back(column);
    }
    QStringList inferred;
    if (packet.fields.isEmpty()) {
        const bool foldedNames = Database()->engine() == SqlEngine::PostgreSQL;
        for (int column = 0; column < record.count(); ++column) {
            QString name = record.fieldName(column);
            if (foldedNames && name == name.toLower())
                name = name.toUpper();
            packet.fields.append(FieldDef{name, inferKind(record.field(column).metaType())});
            sourceColumns.push_back(column);
            inferred.append(name);
        }
    }
    while (statement.next()) {
        Row row;
        row.reserve(packet.fields.size());
        for (qsizetype i = 0; i < packet.fields.size(); ++i) {
            const QVariant raw = statement.value(sourceColumns[size_t(i)]);
            const auto value = convert(raw, packet.fields[i].kind);
            if (!value)
                fail(named(*this, u"valor '%1' inválido para o campo %2."_s.arg(
                                      raw.toString(), packet.fields[i].name)));
            row.append(*value);
        }
        packet.rows.append(std::move(row));
    }
    m_inferredFields = inferred;
    return packet;
}

} // namespace dieta
