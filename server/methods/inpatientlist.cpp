#include "server/methods/inpatientlist.h"

#include "platform/sqldatabase.h"
#include "server/methods/methodsupport.h"

#include <QHash>
#include <QSqlQuery>
#include <algorithm>
#include <vector>

namespace dieta::server {

namespace {

constexpr int listWidth = 4000;

// Positions of the list's fields (inpatientFields() order).
enum Column {
    NMPACIENTE,
    CDPACIENTE,
    DTALTA,
    DTINTERNA,
    CDSERPADDIE,
    CDLEITO,
    NMLEITO,
    NMSERPADDIE,
    DTNASCPACI,
    CDDIETPAD,
    DSDIETPAD,
    CDFILIAL,
    CDSERVFILI,
    DTSERVINTE,
    STPACIACOM,
    DSPRESMEDI,
    IDCHECK,
    NRSEQUSERV,
    IDFORMDIET,
    IDRESTSERIN,
    IDIMPRSERV,
    CDDIETGRUP,
    IDCHECKTODOS,
    DSSERVINTE,
    ColumnCount
};

struct Filters {
    QString branch;
    QDate date;
    QStringList services;
    CodeList floors, wings, diagnoses, standards, patientTypes;
};

QString paramText(const DataPacket& params, QStringView field, int width, const QString& what) {
    return checkedCode(cellText(params, 0, field), width, what);
}

Filters readFilters(const QSqlDatabase& conn, const DataPacket& params) {
    Filters filters;
    filters.branch = paramText(params, u"CDFILIAL", 4, QStringLiteral("Filial"));
    if (filters.branch.isEmpty())
        throw MethodError(QStringLiteral("Filial deve ser informada."));
    const QString service = paramText(params, u"CDSERVFILI", 5, QStringLiteral("Serviço"));
    if (service.isEmpty())
        throw MethodError(QStringLiteral("Serviço deve ser informado."));
    filters.date = cellDate(params, 0, u"DTSERVINTE");
    if (!filters.date.isValid())
        throw MethodError(QStringLiteral("Data deve ser informada."));
    filters.floors = parseCodeList(
        paramText(params, u"CDANDAR", listWidth, QStringLiteral("Andar")), QStringLiteral("Andar"));
    filters.wings = parseCodeList(paramText(params, u"CDALA", listWidth, QStringLiteral("Ala")),
                                  QStringLiteral("Ala"));
    filters.diagnoses =
        parseCodeList(paramText(params, u"CDDIAGNOST", listWidth, QStringLiteral("Diagnóstico")),
                      QStringLiteral("Diagnóstico"));
    filters.standards = parseCodeList(
        paramText(params, u"CDSERPADDIE", listWidth, QStringLiteral("Padrão de internação")),
        QStringLiteral("Padrão de internação"));
    // One type ("3") as the filter sends it, or a list of them.
    const QString type = paramText(params, u"IDTIPOPACI", 5, QStringLiteral("Tipo de paciente"));
    if (type.startsWith(u'_'))
        filters.patientTypes = parseCodeList(type, QStringLiteral("Tipo de paciente"));
    else if (!type.isEmpty() && type != u"T")
        filters.patientTypes = CodeList{false, {type}};
    filters.services = servicesOf(conn, filters.branch, service);
    if (filters.services.isEmpty())
        throw MethodError(QStringLiteral("Serviço não cadastrado."));
    return filters;
}

QString listQuery(const Filters& filters, QVariantMap& values) {
    values.insert(QStringLiteral("BRANCH"), filters.branch);
    values.insert(QStringLiteral("DAY"), filters.date);
    QString where = inCondition(QStringLiteral("I.CDSERVFILI"), filters.services,
                                QStringLiteral("SERV"), values);
    if (!filters.floors.all)
        where += inCondition(QStringLiteral("L.CDANDAR"), filters.floors.codes,
                             QStringLiteral("FLOOR"), values);
    if (!filters.wings.all)
        where += inCondition(QStringLiteral("L.CDALA"), filters.wings.codes, QStringLiteral("WING"),
                             values);
    if (!filters.standards.all)
        where += inCondition(QStringLiteral("I.CDSERPADDIE"), filters.standards.codes,
                             QStringLiteral("STD"), values);
    if (!filters.patientTypes.all)
        where += inCondition(QStringLiteral("I.IDTIPOPACI"), filters.patientTypes.codes,
                             QStringLiteral("TYPE"), values);
    if (!filters.diagnoses.all)
        where += QStringLiteral(" AND EXISTS (SELECT 1 FROM DIAGINTER DF WHERE DF.CDFILIAL ="
                                " I.CDFILIAL AND DF.CDPACIENTE = I.CDPACIENTE AND DF.DTINTERNA ="
                                " I.DTINTERNA") +
                 inCondition(QStringLiteral("DF.CDDIAGNOST"), filters.diagnoses.codes,
                             QStringLiteral("DIAG"), values) +
                 u')';
    // The restriction flag: a diagnosis of the stay restricts a product group, or a medicine
    // given on the day has an active ingredient that interacts with a nutrient.
    return QStringLiteral(
               "SELECT P.NMPACIENTE, I.CDPACIENTE, I.DTALTA, I.DTINTERNA, I.CDSERPADDIE,"
               " I.CDLEITO, L.NMLEITO, PS.NMSERPADDIE, P.DTNASCPACI, S.CDDIETPAD, D.DSDIETPAD,"
               " I.CDSERVFILI, S.STPACIACOM, S.DSPRESMEDI, S.NRSEQUSERV, D.IDFORMDIET,"
               " S.IDIMPRSERV, D.CDDIETGRUP, S.DSSERVINTE, I.IDACOMPANH,"
               " CASE WHEN EXISTS (SELECT 1 FROM DIAGINTER DI JOIN RESTINTO R ON R.CDDIAGNOST ="
               " DI.CDDIAGNOST WHERE DI.CDFILIAL = I.CDFILIAL AND DI.CDPACIENTE = I.CDPACIENTE"
               " AND DI.DTINTERNA = I.DTINTERNA) OR EXISTS (SELECT 1 FROM MEDIINTE MI JOIN"
               " MEDIPRIN MP ON MP.CDMEDICAMENT = MI.CDMEDICAMENT JOIN PRINNUTR PN ON"
               " PN.CDPRINATIV = MP.CDPRINATIV WHERE MI.CDFILIAL = I.CDFILIAL AND MI.CDPACIENTE"
               " = I.CDPACIENTE AND MI.DTINTERNA = I.DTINTERNA AND MI.DTINIMEDI <= :DAY AND"
               " (MI.DTFIMMEDI IS NULL OR MI.DTFIMMEDI >= :DAY)) THEN '1' ELSE '0' END"
               " FROM INTERNA I"
               " JOIN PACIENTE P ON P.CDPACIENTE = I.CDPACIENTE"
               " LEFT JOIN LEITO L ON L.CDFILIAL = I.CDFILIAL AND L.CDLEITO = I.CDLEITO"
               " LEFT JOIN PADRAOSERV PS ON PS.CDSERPADDIE = I.CDSERPADDIE"
               " LEFT JOIN SERVINTE S ON S.CDFILIAL = I.CDFILIAL AND S.CDPACIENTE ="
               " I.CDPACIENTE AND S.DTSERVINTE = :DAY"
               " LEFT JOIN DIETPADR D ON D.CDDIETPAD = S.CDDIETPAD"
               " WHERE I.CDFILIAL = :BRANCH AND I.DTINTERNA <= :DAY AND (I.DTALTA IS NULL OR"
               " I.DTALTA >= :DAY)%1"
               " ORDER BY I.CDLEITO, I.CDPACIENTE, I.DTINTERNA, S.STPACIACOM, S.NRSEQUSERV")
        .arg(where);
}

// The selected columns, by position in listQuery().
enum Selected {
    qNMPACIENTE,
    qCDPACIENTE,
    qDTALTA,
    qDTINTERNA,
    qCDSERPADDIE,
    qCDLEITO,
    qNMLEITO,
    qNMSERPADDIE,
    qDTNASCPACI,
    qCDDIETPAD,
    qDSDIETPAD,
    qCDSERVFILI,
    qSTPACIACOM,
    qDSPRESMEDI,
    qNRSEQUSERV,
    qIDFORMDIET,
    qIDIMPRSERV,
    qCDDIETGRUP,
    qDSSERVINTE,
    qIDACOMPANH,
    qRESTRICTION
};

// Date-time cells of the list, converted once per distinct value: admission and discharge
// dates repeat across the list, and each conversion of a local time asks the time zone.
class DateTimeCells {
public:
    QVariant operator()(const QVariant& value) {
        if (value.isNull())
            return QVariant();
        const QString key = value.toString();
        auto it = cells_.constFind(key);
        if (it == cells_.constEnd())
            it = cells_.insert(key, cellFromSql(value, FieldKind::DateTime));
        return it.value();
    }

private:
    QHash<QString, QVariant> cells_;
};

QVariant textAt(const QSqlQuery& query, int column) {
    const QVariant value = query.value(column);
    return value.isNull() ? QVariant() : QVariant(value.toString());
}

// The stay's part of a row; the record's part is left null.
Row stayRow(const QSqlQuery& query, const Filters& filters, DateTimeCells& dates) {
    Row row(ColumnCount);
    row[NMPACIENTE] = textAt(query, qNMPACIENTE);
    row[CDPACIENTE] = textAt(query, qCDPACIENTE);
    row[DTALTA] = dates(query.value(qDTALTA));
    row[DTINTERNA] = dates(query.value(qDTINTERNA));
    row[CDSERPADDIE] = textAt(query, qCDSERPADDIE);
    row[CDLEITO] = textAt(query, qCDLEITO);
    row[NMLEITO] = textAt(query, qNMLEITO);
    row[NMSERPADDIE] = textAt(query, qNMSERPADDIE);
    row[DTNASCPACI] = dates(query.value(qDTNASCPACI));
    row[CDFILIAL] = filters.branch;
    row[CDSERVFILI] = textAt(query, qCDSERVFILI);
    row[DTSERVINTE] = dates(filters.date);
    row[IDCHECK] = QStringLiteral("N");
    row[IDCHECKTODOS] = QStringLiteral("S");
    return row;
}

Row emptyPatientRow(Row row, const QString& restriction) {
    row[STPACIACOM] = QStringLiteral("0");
    row[NRSEQUSERV] = QString();
    row[CDDIETPAD] = QString();
    row[DSDIETPAD] = QString();
    row[IDRESTSERIN] = restriction;
    return row;
}

Row recordRow(Row row, const QSqlQuery& query, bool patient) {
    row[CDDIETPAD] = textAt(query, qCDDIETPAD);
    row[DSDIETPAD] = textAt(query, qDSDIETPAD);
    row[STPACIACOM] = textAt(query, qSTPACIACOM);
    row[DSPRESMEDI] = textAt(query, qDSPRESMEDI);
    row[NRSEQUSERV] = textAt(query, qNRSEQUSERV);
    row[IDFORMDIET] = textAt(query, qIDFORMDIET);
    row[IDIMPRSERV] = textAt(query, qIDIMPRSERV);
    row[CDDIETGRUP] = textAt(query, qCDDIETGRUP);
    row[DSSERVINTE] = textAt(query, qDSSERVINTE);
    // Restrictions are the patient's; a companion's meals are not checked against them.
    row[IDRESTSERIN] = patient ? query.value(qRESTRICTION).toString() : QStringLiteral("0");
    return row;
}

// Bed order the same on every engine (collations differ); rows of one stay stay together.
void sortByBed(QList<Row>& rows) {
    struct Key {
        QString bed;
        QString patient;
        QDateTime admission;
        qsizetype index;
    };
    std::vector<Key> keys;
    keys.reserve(rows.size());
    for (qsizetype i = 0; i < rows.size(); ++i)
        keys.push_back({rows[i][CDLEITO].toString(), rows[i][CDPACIENTE].toString(),
                        rows[i][DTINTERNA].toDateTime(), i});
    std::stable_sort(keys.begin(), keys.end(), [](const Key& a, const Key& b) {
        if (const int c = QString::compare(a.bed, b.bed); c != 0)
            return c < 0;
        if (const int c = QString::compare(a.patient, b.patient); c != 0)
            return c < 0;
        return a.admission < b.admission;
    });
    QList<Row> sorted;
    sorted.reserve(rows.size());
    for (const Key& key : keys)
        sorted.append(std::move(rows[key.index]));
    rows = std::move(sorted);
}

} // namespace

QList<FieldDef> inpatientFields() {
    QList<FieldDef> fields{
        textField(QStringLiteral("NMPACIENTE"), 80),
        textField(QStringLiteral("CDPACIENTE"), 12),
        dateTimeField(QStringLiteral("DTALTA"), true),
        dateTimeField(QStringLiteral("DTINTERNA"), true),
        textField(QStringLiteral("CDSERPADDIE"), 3, true),
        textField(QStringLiteral("CDLEITO"), 12),
        textField(QStringLiteral("NMLEITO"), 40, true),
        textField(QStringLiteral("NMSERPADDIE"), 30),
        dateTimeField(QStringLiteral("DTNASCPACI"), true),
        textField(QStringLiteral("CDDIETPAD"), 4),
        textField(QStringLiteral("DSDIETPAD"), 50),
        textField(QStringLiteral("CDFILIAL"), 4, true),
        textField(QStringLiteral("CDSERVFILI"), 5),
        dateTimeField(QStringLiteral("DTSERVINTE"), true),
        textField(QStringLiteral("STPACIACOM"), 1, true),
        textField(QStringLiteral("DSPRESMEDI"), 40, true),
        textField(QStringLiteral("IDCHECK"), 1, true),
        textField(QStringLiteral("NRSEQUSERV"), 2, true),
        textField(QStringLiteral("IDFORMDIET"), 1, true),
        textField(QStringLiteral("IDRESTSERIN"), 1, true),
        textField(QStringLiteral("IDIMPRSERV"), 1, true),
        textField(QStringLiteral("CDDIETGRUP"), 4, true),
        textField(QStringLiteral("IDCHECKTODOS"), 1, true),
        textField(QStringLiteral("DSSERVINTE"), 255),
    };
    fields[CDSERVFILI].readOnly = true;
    return fields;
}

DataPacket buildInpatientList(const QSqlDatabase& conn, const DataPacket& params) {
    DataPacket list;
    list.fields = inpatientFields();
    if (params.rows.isEmpty())
        return list;
    const Filters filters = readFilters(conn, params);
    QVariantMap values;
    QSqlQuery query = execSql(conn, listQuery(filters, values), values);

    DateTimeCells dates;
    QString currentStay;
    bool stayHasPatientRow = false;
    while (query.next()) {
        const QString stay =
            query.value(qCDPACIENTE).toString() + u'|' + query.value(qDTINTERNA).toString();
        const bool firstOfStay = stay != currentStay;
        currentStay = stay;
        const QVariant status = query.value(qSTPACIACOM);
        const bool patient = status.isNull() || status.toString() == u"0";
        const bool companionShown = query.value(qIDACOMPANH).toString() == u"S";
        if (firstOfStay)
            stayHasPatientRow = false;
        Row base = stayRow(query, filters, dates);
        if (!patient && !stayHasPatientRow) {
            // Only the companion has a record: the patient still gets a row of its own.
            list.rows.append(emptyPatientRow(base, query.value(qRESTRICTION).toString()));
            stayHasPatientRow = true;
        }
        if (status.isNull())
            list.rows.append(emptyPatientRow(base, query.value(qRESTRICTION).toString()));
        else if (patient || companionShown)
            list.rows.append(recordRow(base, query, patient));
        stayHasPatientRow = stayHasPatientRow || patient;
    }
    sortByBed(list.rows);
    return list;
}

} // namespace dieta::server
