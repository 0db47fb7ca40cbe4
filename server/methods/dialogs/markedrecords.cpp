#include "server/methods/dialogs/markedrecords.h"

#include "server/methods/dialogs/menuwriter.h"
#include "server/methods/methodsupport.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>

namespace dieta::server {

namespace {

QString text(const SqlStatement& query, int column) {
    const QVariant value = query.value(column);
    return value.isNull() ? QString() : value.toString();
}

QVariant nullIfEmpty(const QString& value) {
    return value.isEmpty() ? QVariant() : QVariant(value);
}

QString patientList(const QList<MarkedPatient>& patients) {
    QStringList codes;
    codes.reserve(patients.size());
    for (const MarkedPatient& marked : patients)
        codes.append(marked.patient);
    return jsonList(codes);
}

QList<KeyPair> keysOf(const QList<TargetRecord>& targets, bool fresh) {
    QList<KeyPair> keys;
    for (const TargetRecord& target : targets)
        if (target.fresh == fresh)
            keys.append({target.patient, target.sequence});
    return keys;
}

QVariantMap dayValues(const MarkedDay& day) {
    return {{QStringLiteral("BRANCH"), day.branch}, {QStringLiteral("DAY"), day.day}};
}

QString patientCondition(SqlEngine engine) {
    return codeCondition(engine, QStringLiteral("CDPACIENTE"), QStringLiteral("PATIENTS"));
}

// The records of the day among `records` (patient, sequence), for a WHERE clause.
QString recordCondition(const MarkedDay& day) {
    return QStringLiteral("CDFILIAL = :BRANCH AND DTSERVINTE = :DAY AND %1")
        .arg(pairCondition(day.engine, QStringLiteral("CDPACIENTE"), QStringLiteral("NRSEQUSERV"),
                           QStringLiteral("RECORDS")));
}

struct ExistingRecord {
    QString sequence;
    QString status;
};

TargetRecord pickTarget(const MarkedPatient& marked, const QList<ExistingRecord>& records,
                        const MarkedDay& day) {
    const bool patientRecord = isPatientStatus(day.status);
    const bool samePerson = isPatientStatus(marked.status) == patientRecord;
    if (samePerson && !marked.sequence.isEmpty() &&
        (!marked.day.isValid() || marked.day == day.day))
        for (const ExistingRecord& record : records)
            if (record.sequence == marked.sequence &&
                isPatientStatus(record.status) == patientRecord)
                return {marked.patient, record.sequence, false};
    for (const ExistingRecord& record : records)
        if (isPatientStatus(record.status) == patientRecord)
            return {marked.patient, record.sequence, false};
    int last = 0;
    for (const ExistingRecord& record : records)
        last = std::max(last, record.sequence.toInt());
    if (last >= 99)
        throw MethodError(
            QStringLiteral("O paciente já tem o número máximo de registros de dieta no dia."));
    return {marked.patient, formatSequence(last + 1, kSequenceWidth), true};
}

// The menu's rows as a JSON array of arrays, each with the values of choiceColumns: a
// date-time as the driver binds one (UTC, milliseconds), a null as JSON null.
QString menuJson(const QList<Choice>& menu) {
    QJsonArray rows;
    for (qsizetype i = 0; i < menu.size(); ++i) {
        QJsonArray row;
        for (const QVariant& value : choiceColumns(menu[i], int(i) + 1)) {
            if (value.isNull())
                row.append(QJsonValue::Null);
            else if (value.metaType().id() == QMetaType::QDateTime)
                row.append(value.toDateTime().isValid()
                               ? QJsonValue(value.toDateTime().toUTC().toString(Qt::ISODateWithMs))
                               : QJsonValue(QJsonValue::Null));
            else
                row.append(QJsonValue::fromVariant(value));
        }
        rows.append(row);
    }
    return QString::fromUtf8(QJsonDocument(rows).toJson(QJsonDocument::Compact));
}

// Every menu row for every record in one statement: one round trip instead of a prepared
// multi-row INSERT for the first record (prepared, run and released) and a copy to the rest.
void insertMenusAtOnce(const MarkedDay& day, const QList<KeyPair>& records,
                       const QList<Choice>& menu) {
    QVariantMap values = dayValues(day);
    values.insert(QStringLiteral("RECORDS"), jsonPairs(records));
    values.insert(QStringLiteral("MENU"), menuJson(menu));
    const SqlStatement insert(
        day.conn,
        QStringLiteral(
            "INSERT INTO CONFESCO (CDFILIAL, CDPACIENTE, DTSERVINTE, NRSEQUSERV, CDSEQUCOPR,"
            " CDTIPOPRAT, CDPRATO, CDFILAUXPRAT, IDESCOCONF, IDOPCAOCONF, DSOBSCONF, QTPRATCONF,"
            " HRCONSCONF, HRINTECONF, HRPERICONF, DTCONSCONF, IDRESTCONF)"
            " SELECT :BRANCH, K ->> 0, CAST(:DAY AS DATE), K ->> 1, M ->> 0, M ->> 1, M ->> 2,"
            " M ->> 3, M ->> 4, M ->> 5, M ->> 6, CAST(M ->> 7 AS DOUBLE PRECISION),"
            " CAST(M ->> 8 AS DOUBLE PRECISION), CAST(M ->> 9 AS DOUBLE PRECISION),"
            " CAST(M ->> 10 AS DOUBLE PRECISION), CAST(M ->> 11 AS TIMESTAMPTZ), M ->> 12"
            " FROM jsonb_array_elements(CAST(:RECORDS AS jsonb)) K"
            " CROSS JOIN jsonb_array_elements(CAST(:MENU AS jsonb)) M"),
        values);
}

} // namespace

QString dishIdentity(const QString& type, const QString& branch, const QString& dish) {
    return type + u'|' + branch + u'|' + dish;
}

void requireStays(const MarkedDay& day, const QList<MarkedPatient>& patients) {
    QVariantMap values = dayValues(day);
    values.insert(QStringLiteral("PATIENTS"), patientList(patients));
    SqlStatement query(day.conn,
                       QStringLiteral("SELECT CDPACIENTE, IDACOMPANH FROM INTERNA WHERE CDFILIAL ="
                                      " :BRANCH AND %1 AND DTINTERNA <= :DAY AND"
                                      " (DTALTA IS NULL OR DTALTA >= :DAY)"
                                      " ORDER BY CDPACIENTE, DTINTERNA DESC%2")
                           .arg(patientCondition(day.engine), rowLock(day.engine)),
                       values);
    // The latest stay of each patient decides, as it does for one patient.
    QHash<QString, bool> companion;
    while (query.next()) {
        const QString patient = text(query, 0);
        if (!companion.contains(patient))
            companion.insert(patient, text(query, 1) == u"S");
    }
    for (const MarkedPatient& marked : patients) {
        const auto stay = companion.constFind(marked.patient);
        if (stay == companion.constEnd())
            throw MethodError(QStringLiteral("Paciente %1 não está internado na filial %2 em %3.")
                                  .arg(marked.patient, day.branch,
                                       day.day.toString(QStringLiteral("dd/MM/yyyy"))));
        if (!isPatientStatus(day.status) && !*stay)
            throw MethodError(
                QStringLiteral("Acompanhante para o paciente %1 deve estar cadastrado.")
                    .arg(marked.patient));
    }
}

QList<TargetRecord> targetRecords(const MarkedDay& day, const QList<MarkedPatient>& patients) {
    QVariantMap values = dayValues(day);
    values.insert(QStringLiteral("PATIENTS"), patientList(patients));
    SqlStatement query(day.conn,
                       QStringLiteral("SELECT CDPACIENTE, NRSEQUSERV, STPACIACOM FROM SERVINTE"
                                      " WHERE CDFILIAL = :BRANCH AND DTSERVINTE = :DAY AND %1"
                                      " ORDER BY CDPACIENTE, NRSEQUSERV%2")
                           .arg(patientCondition(day.engine), rowLock(day.engine)),
                       values);
    QHash<QString, QList<ExistingRecord>> records;
    while (query.next())
        records[text(query, 0)].append({text(query, 1), text(query, 2)});
    QList<TargetRecord> targets;
    targets.reserve(patients.size());
    for (const MarkedPatient& marked : patients)
        targets.append(pickTarget(marked, records.value(marked.patient), day));
    return targets;
}

QList<TargetRecord> nextRecords(const MarkedDay& day, const QString& patient, int count) {
    QVariantMap values = dayValues(day);
    values.insert(QStringLiteral("PATIENT"), patient);
    SqlStatement query(day.conn,
                       QStringLiteral("SELECT NRSEQUSERV FROM SERVINTE WHERE CDFILIAL = :BRANCH"
                                      " AND DTSERVINTE = :DAY AND CDPACIENTE = :PATIENT%1")
                           .arg(rowLock(day.engine)),
                       values);
    int last = 0;
    while (query.next())
        last = std::max(last, text(query, 0).toInt());
    if (last + count > 99)
        throw MethodError(
            QStringLiteral("O paciente já tem o número máximo de registros de dieta no dia."));
    QList<TargetRecord> records;
    for (int i = 1; i <= count; ++i)
        records.append({patient, formatSequence(last + i, kSequenceWidth), true});
    return records;
}

void updateRecords(const MarkedDay& day, const QList<TargetRecord>& targets,
                   const RecordValues& values) {
    const QList<KeyPair> keys = keysOf(targets, false);
    if (keys.isEmpty())
        return;
    QVariantMap bound = dayValues(day);
    bound.insert(QStringLiteral("RECORDS"), jsonPairs(keys));
    bound.insert(QStringLiteral("SERVICE"), values.service);
    bound.insert(QStringLiteral("DIET"), nullIfEmpty(values.diet));
    bound.insert(QStringLiteral("OPERATOR"), nullIfEmpty(values.operatorCode));
    bound.insert(QStringLiteral("CHANGED"), QDateTime::currentDateTime());
    const QString remark =
        values.keepRemark ? QStringLiteral("DSSERVINTE = NULLIF(DSSERVINTE, ''),"
                                           " IDIMPRSERV = COALESCE(NULLIF(IDIMPRSERV, ''), 'N')")
                          : QStringLiteral("DSSERVINTE = NULL, IDIMPRSERV = 'N'");
    SqlStatement update(day.conn,
                        QStringLiteral("UPDATE SERVINTE SET CDSERVFILI = :SERVICE, CDDIETPAD ="
                                       " :DIET, %1, DSPRESMEDI = NULLIF(DSPRESMEDI, ''),"
                                       " CDOPERADOR = :OPERATOR, DTULTALTE = :CHANGED,"
                                       " NRVERSAO = NRVERSAO + 1 WHERE %2 RETURNING CDPACIENTE")
                            .arg(remark, recordCondition(day)),
                        bound);
    QSet<QString> updated;
    while (update.next())
        updated.insert(text(update, 0));
    for (const KeyPair& key : keys)
        if (!updated.contains(key.first))
            throw MethodError(QStringLiteral("O registro de dieta do paciente %1 foi excluído por"
                                             " outro usuário. Atualize a lista.")
                                  .arg(key.first));
}

void insertRecords(const MarkedDay& day, QList<TargetRecord>& targets, const RecordValues& values) {
    const QList<KeyPair> keys = keysOf(targets, true);
    if (keys.isEmpty())
        return;
    const bool pg = day.engine == SqlEngine::PostgreSQL;
    QVariantMap bound = dayValues(day);
    bound.insert(QStringLiteral("RECORDS"), jsonPairs(keys));
    bound.insert(QStringLiteral("STATUS"), day.status);
    bound.insert(QStringLiteral("SERVICE"), values.service);
    bound.insert(QStringLiteral("DIET"), nullIfEmpty(values.diet));
    bound.insert(QStringLiteral("OPERATOR"), nullIfEmpty(values.operatorCode));
    bound.insert(QStringLiteral("CHANGED"), QDateTime::currentDateTime());
    // A value selected (not inserted) has no column to take its type from on PostgreSQL.
    SqlStatement insert(
        day.conn,
        QStringLiteral("INSERT INTO SERVINTE (CDFILIAL, CDPACIENTE, DTSERVINTE, NRSEQUSERV,"
                       " STPACIACOM, CDSERVFILI, CDDIETPAD, IDIMPRSERV, CDOPERADOR, DTULTALTE)"
                       " SELECT :BRANCH, K.FIRSTKEY, %1, K.SECONDKEY, :STATUS, :SERVICE, :DIET,"
                       " 'N', :OPERATOR, %2 FROM (%3) K WHERE 1 = 1 ON CONFLICT DO NOTHING"
                       " RETURNING CDPACIENTE")
            .arg(pg ? QStringLiteral("CAST(:DAY AS DATE)") : QStringLiteral(":DAY"),
                 pg ? QStringLiteral("CAST(:CHANGED AS TIMESTAMPTZ)") : QStringLiteral(":CHANGED"),
                 pairsFrom(day.engine, QStringLiteral("RECORDS"))),
        bound);
    QSet<QString> stored;
    while (insert.next())
        stored.insert(text(insert, 0));
    // Another server took the number meanwhile: the one-record path finds the next free one.
    for (TargetRecord& target : targets) {
        if (!target.fresh || stored.contains(target.patient))
            continue;
        DayRecord record;
        record.key = {day.branch, target.patient, day.day, QString()};
        record.status = day.status;
        record.service = values.service;
        record.diet = values.diet;
        target.sequence = insertDayRecord(day.conn, record, values.operatorCode).key.sequence;
    }
}

QHash<KeyPair, DishSettings> dishSettings(const MarkedDay& day, const QList<KeyPair>& records) {
    QHash<KeyPair, DishSettings> settings;
    if (records.isEmpty())
        return settings;
    QVariantMap values = dayValues(day);
    values.insert(QStringLiteral("RECORDS"), jsonPairs(records));
    SqlStatement query(day.conn,
                       QStringLiteral("SELECT CDPACIENTE, NRSEQUSERV, CDTIPOPRAT, CDFILAUXPRAT,"
                                      " CDPRATO, DSOBSCONF, HRCONSCONF, HRINTECONF, HRPERICONF"
                                      " FROM CONFESCO WHERE %1")
                           .arg(recordCondition(day)),
                       values);
    while (query.next())
        settings[{text(query, 0), text(query, 1)}].insert(
            dishIdentity(text(query, 2), text(query, 3), text(query, 4)),
            {query.value(5), cellFromSql(query.value(6), FieldKind::Float),
             cellFromSql(query.value(7), FieldKind::Float),
             cellFromSql(query.value(8), FieldKind::Float)});
    return settings;
}

void deleteChoicesOf(const MarkedDay& day, const QList<KeyPair>& records) {
    if (records.isEmpty())
        return;
    QVariantMap values = dayValues(day);
    values.insert(QStringLiteral("RECORDS"), jsonPairs(records));
    const SqlStatement remove(
        day.conn, QStringLiteral("DELETE FROM CONFESCO WHERE %1").arg(recordCondition(day)),
        values);
}

void copyChoices(const MarkedDay& day, const KeyPair& source, const QList<KeyPair>& records) {
    if (records.isEmpty())
        return;
    QVariantMap values = dayValues(day);
    values.insert(QStringLiteral("RECORDS"), jsonPairs(records));
    values.insert(QStringLiteral("SOURCE"), source.first);
    values.insert(QStringLiteral("SOURCESEQ"), source.second);
    const SqlStatement copy(
        day.conn,
        QStringLiteral(
            "INSERT INTO CONFESCO (CDFILIAL, CDPACIENTE, DTSERVINTE, NRSEQUSERV, CDSEQUCOPR,"
            " CDTIPOPRAT, CDPRATO, CDFILAUXPRAT, IDESCOCONF, IDOPCAOCONF, DSOBSCONF, QTPRATCONF,"
            " HRCONSCONF, HRINTECONF, HRPERICONF, DTCONSCONF, IDRESTCONF)"
            " SELECT C.CDFILIAL, K.FIRSTKEY, C.DTSERVINTE, K.SECONDKEY, C.CDSEQUCOPR,"
            " C.CDTIPOPRAT, C.CDPRATO, C.CDFILAUXPRAT, C.IDESCOCONF, C.IDOPCAOCONF, C.DSOBSCONF,"
            " C.QTPRATCONF, C.HRCONSCONF, C.HRINTECONF, C.HRPERICONF, C.DTCONSCONF, C.IDRESTCONF"
            " FROM CONFESCO C CROSS JOIN (%1) K WHERE C.CDFILIAL = :BRANCH AND C.DTSERVINTE ="
            " :DAY AND C.CDPACIENTE = :SOURCE AND C.NRSEQUSERV = :SOURCESEQ")
            .arg(pairsFrom(day.engine, QStringLiteral("RECORDS"))),
        values);
}

void insertMenus(const MarkedDay& day, const QList<KeyPair>& records, const QList<Choice>& menu) {
    if (records.isEmpty() || menu.isEmpty())
        return;
    checkMenuSize(menu);
    if (day.engine == SqlEngine::PostgreSQL) {
        insertMenusAtOnce(day, records, menu);
        return;
    }
    MenuWriter(day.conn).insert(
        {day.branch, records.first().first, day.day, records.first().second}, menu);
    copyChoices(day, records.first(), records.mid(1));
}

} // namespace dieta::server
