// Copying a day's diet records and menu choices to another day, for a scope of patients,
// services (or a service group), floors, wings and beds.
//
// The copy is set-based (INSERT ... SELECT), so a whole branch copies in a few statements:
// the records in scope are first collected in a temporary table, then the destination is
// cleared or the patients already served there are left out, then records and choices are
// copied. A patient is the unit of "already has diets": sequences are unique per patient and
// day, so a patient's day is either kept whole or replaced whole.

#include "server/methods/dialogs/handlers.h"
#include "server/methods/dialogs/menu.h"
#include "server/methods/methodcall.h"
#include "server/methods/methodsupport.h"
#include "server/storage/schema.h"

#include <QJsonObject>
#include <QSqlQuery>

namespace dieta::server {

namespace {

struct CopyScope {
    QString branch;
    CodeList patients;
    CodeList services;
    CodeList beds;
    CodeList wings;
    CodeList floors;
    QString group; // "" for every group
};

QString groupOf(const QString& text) {
    const QString group = text.trimmed();
    if (group.isEmpty() || group == u"T")
        return QString();
    return checkedCode(group, 3, QStringLiteral("Grupo de serviços"));
}

CodeList listOf(const QString& text, const QString& what, int width) {
    return parseCodeList(text.trimmed().isEmpty() ? text : text.trimmed(), what, width);
}

// Everything the copy is asked for, read and checked before its transaction begins: a long
// list must not hold the database's write lock while it is parsed.
struct CopyRequest {
    CopyScope scope;
    QDate origin;
    QDate destination;
    bool special = false;
    bool overwrite = false;
};

CopyRequest copyRequest(const MethodCall& call, const QString& branch) {
    CopyRequest request;
    request.scope.branch = checkedCode(branch, 4, QStringLiteral("Filial"));
    if (branch.isEmpty())
        throw MethodError(QStringLiteral("Filial deve ser informada."));
    request.origin = call.date("origin");
    request.destination = call.date("destination");
    if (!request.origin.isValid())
        throw MethodError(QStringLiteral("Data de origem deve ser informada."));
    if (!request.destination.isValid())
        throw MethodError(QStringLiteral("Data de destino deve ser informada."));
    // Copying a day onto itself would, with overwrite, delete what it means to copy.
    if (request.origin == request.destination)
        throw MethodError(QStringLiteral("Data de destino deve ser diferente da data de origem."));
    CopyScope& scope = request.scope;
    scope.patients = listOf(call.text("patients"), QStringLiteral("Paciente"), 12);
    scope.services = listOf(call.text("services"), QStringLiteral("Serviço"), 5);
    scope.beds = listOf(call.text("beds"), QStringLiteral("Leito"), 12);
    scope.wings = listOf(call.text("wings"), QStringLiteral("Ala"), 12);
    scope.floors = listOf(call.text("floors"), QStringLiteral("Andar"), 20);
    scope.group = groupOf(call.text("serviceGroup"));
    request.special = call.boolean("copySpecial");
    request.overwrite = call.boolean("overwrite");
    return request;
}

void requireBranch(const QSqlDatabase& conn, const QString& branch) {
    checkedCode(branch, 4, QStringLiteral("Filial"));
    if (branch.isEmpty())
        throw MethodError(QStringLiteral("Filial deve ser informada."));
    if (!execSql(conn, QStringLiteral("SELECT 1 FROM FILIAL WHERE CDFILIAL = :FILIAL"),
                 {{QStringLiteral("FILIAL"), branch}})
             .next())
        throw MethodError(QStringLiteral("Filial %1 não cadastrada.").arg(branch));
}

// " AND ..." conditions of the records (alias S, service SV) of the scope's patients, services
// and group.
QString recordConditions(const CopyScope& scope, SqlEngine engine, QVariantMap& values) {
    QString sql;
    if (!scope.patients.all)
        sql += inCondition(QStringLiteral("S.CDPACIENTE"), scope.patients.codes,
                           QStringLiteral("PAC"), values, engine);
    if (!scope.services.all)
        sql += inCondition(QStringLiteral("S.CDSERVFILI"), scope.services.codes,
                           QStringLiteral("SRV"), values, engine);
    if (!scope.group.isEmpty()) {
        sql += QStringLiteral(" AND SV.CDGRUPSERV = :GRUPO");
        values.insert(QStringLiteral("GRUPO"), scope.group);
    }
    return sql;
}

// " AND ..." conditions that the stay (alias I, its bed L) is in the scope's beds, wings and
// floors.
QString bedConditions(const CopyScope& scope, SqlEngine engine, QVariantMap& values) {
    QString sql;
    if (!scope.beds.all)
        sql += inCondition(QStringLiteral("I.CDLEITO"), scope.beds.codes, QStringLiteral("LEI"),
                           values, engine);
    if (!scope.wings.all)
        sql += inCondition(QStringLiteral("L.CDALA"), scope.wings.codes, QStringLiteral("ALA"),
                           values, engine);
    if (!scope.floors.all)
        sql += inCondition(QStringLiteral("L.CDANDAR"), scope.floors.codes, QStringLiteral("AND"),
                           values, engine);
    return sql;
}

// The condition that the record's stay is active on the destination day, in a bed of the
// scope's beds, wings and floors, and, for a companion's record, still has its companion.
// The branch's active stays are read once, as a set (a hashed subquery on PostgreSQL): a
// correlated EXISTS per record let PostgreSQL, with its statistics not yet gathered, probe the
// branch's stays by an index on the branch alone for every record (a whole day's copy went
// from a few milliseconds to a quarter of a second).
QString stayCondition(const CopyScope& scope, SqlEngine engine, QVariantMap& values) {
    const QString activeStays =
        QStringLiteral("SELECT I.CDPACIENTE FROM INTERNA I"
                       " LEFT JOIN LEITO L ON L.CDFILIAL = I.CDFILIAL AND L.CDLEITO = I.CDLEITO"
                       " WHERE I.CDFILIAL = :FILIAL AND I.DTINTERNA <= :DESTINO"
                       " AND (I.DTALTA IS NULL OR I.DTALTA >= :DESTINO)") +
        bedConditions(scope, engine, values);
    return QStringLiteral(" AND ((S.STPACIACOM = '0' AND S.CDPACIENTE IN (%1))"
                          " OR S.CDPACIENTE IN (%1 AND I.IDACOMPANH = 'S'))")
        .arg(activeStays);
}

// The patients with records of the origin day in scope whose stay ended between the two days:
// the copy leaves them out, and the window names them rather than report a plain success.
DataPacket dischargedPatients(const QSqlDatabase& conn, SqlEngine engine,
                              const CopyRequest& request) {
    const CopyScope& scope = request.scope;
    QVariantMap values{{QStringLiteral("FILIAL"), scope.branch},
                       {QStringLiteral("ORIGEM"), request.origin},
                       {QStringLiteral("DESTINO"), request.destination}};
    QString sql = QStringLiteral(
        "SELECT S.CDPACIENTE, P.NMPACIENTE, MAX(I.DTALTA) FROM SERVINTE S"
        " JOIN SERVICO SV ON SV.CDFILIAL = S.CDFILIAL AND SV.CDSERVFILI = S.CDSERVFILI"
        " LEFT JOIN DIETPADR D ON D.CDDIETPAD = S.CDDIETPAD"
        " JOIN PACIENTE P ON P.CDPACIENTE = S.CDPACIENTE"
        " JOIN INTERNA I ON I.CDFILIAL = S.CDFILIAL AND I.CDPACIENTE = S.CDPACIENTE"
        " AND I.DTALTA >= :ORIGEM AND I.DTALTA < :DESTINO"
        " LEFT JOIN LEITO L ON L.CDFILIAL = I.CDFILIAL AND L.CDLEITO = I.CDLEITO"
        " WHERE S.CDFILIAL = :FILIAL AND S.DTSERVINTE = :ORIGEM");
    sql += recordConditions(scope, engine, values);
    if (!request.special)
        sql += QStringLiteral(" AND (D.IDDIETESPE IS NULL OR D.IDDIETESPE <> 'S')");
    sql += bedConditions(scope, engine, values);
    sql += QStringLiteral(" AND NOT EXISTS (SELECT 1 FROM INTERNA A WHERE A.CDFILIAL = S.CDFILIAL"
                          " AND A.CDPACIENTE = S.CDPACIENTE AND A.DTINTERNA <= :DESTINO"
                          " AND (A.DTALTA IS NULL OR A.DTALTA >= :DESTINO))"
                          " GROUP BY S.CDPACIENTE, P.NMPACIENTE ORDER BY S.CDPACIENTE");
    QSqlQuery query = execSql(conn, sql, values);
    return packetFromQuery(query, {textField(QStringLiteral("CDPACIENTE"), 12),
                                   textField(QStringLiteral("NMPACIENTE"), 80),
                                   dateField(QStringLiteral("DTALTA"))});
}

// The temporary table of the records to copy. Created once per connection; emptied before
// and after each copy, so that a connection reused by the next call starts clean.
void prepareScopeTable(const QSqlDatabase& conn) {
    execSql(conn, QStringLiteral("CREATE TEMP TABLE IF NOT EXISTS COPIA_ESCOPO ("
                                 "CDPACIENTE VARCHAR(12) NOT NULL, NRSEQUSERV VARCHAR(2) NOT NULL,"
                                 " PRIMARY KEY (CDPACIENTE, NRSEQUSERV))"));
    execSql(conn, QStringLiteral("DELETE FROM COPIA_ESCOPO"));
}

int collectScope(const QSqlDatabase& conn, SqlEngine engine, const CopyScope& scope, QDate origin,
                 QDate destination, bool special) {
    QVariantMap values{{QStringLiteral("FILIAL"), scope.branch},
                       {QStringLiteral("ORIGEM"), origin},
                       {QStringLiteral("DESTINO"), destination}};
    QString sql = QStringLiteral(
        "INSERT INTO COPIA_ESCOPO (CDPACIENTE, NRSEQUSERV)"
        " SELECT S.CDPACIENTE, S.NRSEQUSERV FROM SERVINTE S"
        " JOIN SERVICO SV ON SV.CDFILIAL = S.CDFILIAL AND SV.CDSERVFILI = S.CDSERVFILI"
        " LEFT JOIN DIETPADR D ON D.CDDIETPAD = S.CDDIETPAD"
        " WHERE S.CDFILIAL = :FILIAL AND S.DTSERVINTE = :ORIGEM");
    sql += recordConditions(scope, engine, values);
    if (!special)
        sql += QStringLiteral(" AND (D.IDDIETESPE IS NULL OR D.IDDIETESPE <> 'S')");
    sql += stayCondition(scope, engine, values);
    return execSql(conn, sql, values).numRowsAffected();
}

// Destination: overwrite replaces the day of every patient being copied; otherwise the
// patients that already have records there are left out of the copy.
void clearOrSkipDestination(const QSqlDatabase& conn, const QString& branch, QDate destination,
                            bool overwrite) {
    const QVariantMap values{{QStringLiteral("FILIAL"), branch},
                             {QStringLiteral("DESTINO"), destination}};
    if (overwrite) {
        for (const char* table : {"CONFESCO", "SERVINTE"})
            execSql(
                conn,
                QStringLiteral("DELETE FROM %1 WHERE CDFILIAL = :FILIAL AND DTSERVINTE = :DESTINO"
                               " AND CDPACIENTE IN (SELECT CDPACIENTE FROM COPIA_ESCOPO)")
                    .arg(QLatin1String(table)),
                values);
        return;
    }
    execSql(conn,
            QStringLiteral("DELETE FROM COPIA_ESCOPO WHERE CDPACIENTE IN (SELECT CDPACIENTE FROM"
                           " SERVINTE WHERE CDFILIAL = :FILIAL AND DTSERVINTE = :DESTINO)"),
            values);
}

// The consumption date-time of a copied choice moves by the days between the two dates.
QString shiftedConsumption(SqlEngine engine) {
    return engine == SqlEngine::SQLite
               ? QStringLiteral("strftime('%Y-%m-%dT%H:%M:%S', C.DTCONSCONF, :DESLOCA)")
               : QStringLiteral("C.DTCONSCONF + CAST(:DIAS AS INTEGER) * INTERVAL '1 day'");
}

struct CopyCounts {
    int records = 0;
    int choices = 0;
};

CopyCounts copyRecords(const QSqlDatabase& conn, SqlEngine engine, const QString& branch,
                       QDate origin, QDate destination, const QString& operatorCode) {
    const QVariantMap common{{QStringLiteral("FILIAL"), branch},
                             {QStringLiteral("ORIGEM"), origin},
                             {QStringLiteral("DESTINO"), destination}};
    QVariantMap recordValues = common;
    recordValues.insert(QStringLiteral("OPERADOR"), operatorCode);
    recordValues.insert(QStringLiteral("AGORA"),
                        QDateTime(QDate::currentDate(),
                                  QTime::currentTime().addMSecs(-QTime::currentTime().msec())));
    CopyCounts counts;
    counts.records =
        execSql(
            conn,
            QStringLiteral("INSERT INTO SERVINTE (CDFILIAL, CDPACIENTE, DTSERVINTE, NRSEQUSERV,"
                           " STPACIACOM, CDSERVFILI, CDDIETPAD, DSSERVINTE, DSPRESMEDI, IDIMPRSERV,"
                           " CDOPERADOR, DTULTALTE, NRVERSAO)"
                           " SELECT S.CDFILIAL, S.CDPACIENTE, :DESTINO, S.NRSEQUSERV, S.STPACIACOM,"
                           " S.CDSERVFILI, S.CDDIETPAD, S.DSSERVINTE, S.DSPRESMEDI, 'N', :OPERADOR,"
                           " :AGORA, 1 FROM SERVINTE S JOIN COPIA_ESCOPO T ON T.CDPACIENTE ="
                           " S.CDPACIENTE AND T.NRSEQUSERV = S.NRSEQUSERV"
                           " WHERE S.CDFILIAL = :FILIAL AND S.DTSERVINTE = :ORIGEM"),
            recordValues)
            .numRowsAffected();
    QVariantMap choiceValues = common;
    const qint64 days = origin.daysTo(destination);
    if (engine == SqlEngine::SQLite)
        choiceValues.insert(QStringLiteral("DESLOCA"),
                            QStringLiteral("%1 days").arg(days < 0 ? QString::number(days)
                                                                   : u'+' + QString::number(days)));
    else
        choiceValues.insert(QStringLiteral("DIAS"), days);
    counts.choices =
        execSql(conn,
                QStringLiteral(
                    "INSERT INTO CONFESCO (CDFILIAL, CDPACIENTE, DTSERVINTE, NRSEQUSERV,"
                    " CDSEQUCOPR, CDTIPOPRAT, CDPRATO, CDFILAUXPRAT, IDESCOCONF, IDOPCAOCONF,"
                    " DSOBSCONF, QTPRATCONF, HRCONSCONF, HRINTECONF, HRPERICONF, DTCONSCONF,"
                    " IDRESTCONF, NRVERSAO)"
                    " SELECT C.CDFILIAL, C.CDPACIENTE, :DESTINO, C.NRSEQUSERV, C.CDSEQUCOPR,"
                    " C.CDTIPOPRAT, C.CDPRATO, C.CDFILAUXPRAT, C.IDESCOCONF, C.IDOPCAOCONF,"
                    " C.DSOBSCONF, C.QTPRATCONF, C.HRCONSCONF, C.HRINTECONF, C.HRPERICONF, %1,"
                    " C.IDRESTCONF, 1 FROM CONFESCO C JOIN COPIA_ESCOPO T ON T.CDPACIENTE ="
                    " C.CDPACIENTE AND T.NRSEQUSERV = C.NRSEQUSERV"
                    " WHERE C.CDFILIAL = :FILIAL AND C.DTSERVINTE = :ORIGEM")
                    .arg(shiftedConsumption(engine)),
                choiceValues)
            .numRowsAffected();
    return counts;
}

DataPacket missingMenuFields() {
    DataPacket packet;
    packet.fields = {textField(QStringLiteral("NMSERVFILI"), 200),
                     textField(QStringLiteral("DSDIETPAD"), 200)};
    return packet;
}

// The services and diets of the copied records that have no menu card on the destination day
// (the diet's, its group's, or the service's own for a service whose menu ignores the diet).
DataPacket missingMenus(const QSqlDatabase& conn, const QString& branch, QDate destination) {
    QSqlQuery query = execSql(
        conn,
        QStringLiteral(
            "SELECT SV.CDSERVFILI, SV.NMSERVICO, D.CDDIETPAD, D.DSDIETPAD"
            " FROM (SELECT DISTINCT S.CDSERVFILI, S.CDDIETPAD FROM SERVINTE S"
            "  JOIN COPIA_ESCOPO T ON T.CDPACIENTE = S.CDPACIENTE AND T.NRSEQUSERV = S.NRSEQUSERV"
            "  WHERE S.CDFILIAL = :FILIAL AND S.DTSERVINTE = :DESTINO) X"
            " JOIN SERVICO SV ON SV.CDFILIAL = :FILIAL AND SV.CDSERVFILI = X.CDSERVFILI"
            " JOIN DIETPADR D ON D.CDDIETPAD = X.CDDIETPAD"
            " WHERE (D.IDFORMDIET <> '4' OR SV.IDTIPOSERV = 'N')"
            "  AND NOT EXISTS (SELECT 1 FROM COMPCARD K WHERE K.CDFILIAL = :FILIAL"
            "   AND K.CDSERVFILI = X.CDSERVFILI AND K.DTCOMPCARD = :DESTINO"
            "   AND ((SV.IDTIPOSERV = 'N' AND K.CDDIETCARD = :CARTAOSERVICO)"
            "    OR (SV.IDTIPOSERV <> 'N' AND (K.CDDIETCARD = X.CDDIETPAD"
            "     OR K.CDDIETCARD = D.CDDIETGRUP))))"
            " ORDER BY SV.CDSERVFILI, D.CDDIETPAD"),
        {{QStringLiteral("FILIAL"), branch},
         {QStringLiteral("DESTINO"), destination},
         {QStringLiteral("CARTAOSERVICO"), QString::fromLatin1(kServiceCardDiet)}});
    DataPacket packet = missingMenuFields();
    while (query.next())
        packet.rows.append(Row{query.value(1).toString(), query.value(3).toString()});
    return packet;
}

QStringList copiedPatients(const QSqlDatabase& conn) {
    QSqlQuery query = execSql(
        conn, QStringLiteral("SELECT DISTINCT CDPACIENTE FROM COPIA_ESCOPO ORDER BY CDPACIENTE"));
    QStringList patients;
    while (query.next())
        patients.append(query.value(0).toString());
    return patients;
}

// The copy itself; answers [message key, services and diets without a menu] and, when there
// was nothing to copy, the empty list as its third element.
CallResult copyInTransaction(WriteScope& write, const CopyRequest& request) {
    const QSqlDatabase& conn = write.conn;
    const CopyScope& scope = request.scope;
    requireBranch(conn, scope.branch);
    prepareScopeTable(conn);
    if (collectScope(conn, write.engine, scope, request.origin, request.destination,
                     request.special) == 0)
        return CallResult::ok(QVariantList{QStringLiteral("NExist_Conf"),
                                           fromPacket(missingMenuFields()), QStringLiteral("")});
    clearOrSkipDestination(conn, scope.branch, request.destination, request.overwrite);
    const CopyCounts counts = copyRecords(conn, write.engine, scope.branch, request.origin,
                                          request.destination, write.operatorCode);
    const DataPacket errors = missingMenus(conn, scope.branch, request.destination);
    write.audit.patients = copiedPatients(conn);
    write.audit.changes =
        QJsonObject{{QStringLiteral("origem"), request.origin.toString(Qt::ISODate)},
                    {QStringLiteral("destino"), request.destination.toString(Qt::ISODate)},
                    {QStringLiteral("sobrepor"), request.overwrite},
                    {QStringLiteral("especial"), request.special},
                    {QStringLiteral("registros"), counts.records},
                    {QStringLiteral("escolhas"), counts.choices}};
    execSql(conn, QStringLiteral("DELETE FROM COPIA_ESCOPO"));
    return CallResult::ok(QVariantList{QStringLiteral(""), fromPacket(errors)});
}

} // namespace

// The patients of the scope that already have records on the destination day.
CallResult getVdCopia(MethodCall& call) {
    return runRead(call.context(), [&](QSqlDatabase& conn) {
        const QDate destination = call.date("destination");
        if (!destination.isValid())
            throw MethodError(QStringLiteral("Data de destino deve ser informada."));
        CopyScope scope;
        scope.branch = call.text("branch");
        requireBranch(conn, scope.branch);
        scope.services = listOf(call.text("services"), QStringLiteral("Serviço"), 5);
        scope.patients = listOf(call.text("patients"), QStringLiteral("Paciente"), 12);
        scope.group = groupOf(call.text("serviceGroup"));
        QVariantMap values{{QStringLiteral("FILIAL"), scope.branch},
                           {QStringLiteral("DESTINO"), destination}};
        QString sql = QStringLiteral(
            "SELECT DISTINCT S.CDPACIENTE FROM SERVINTE S"
            " JOIN SERVICO SV ON SV.CDFILIAL = S.CDFILIAL AND SV.CDSERVFILI = S.CDSERVFILI"
            " WHERE S.CDFILIAL = :FILIAL AND S.DTSERVINTE = :DESTINO");
        sql += recordConditions(scope, call.context().db->engine(), values);
        sql += QStringLiteral(" ORDER BY S.CDPACIENTE");
        QSqlQuery query = execSql(conn, sql, values);
        return CallResult::ok(
            fromPacket(packetFromQuery(query, {textField(QStringLiteral("CDPACIENTE"), 12)})));
    });
}

// Answer: [message key, services and diets without a menu, the new inpatient list (empty
// text when nothing was copied), the patients left out because they were discharged]. The
// lists are read after the commit, outside the write lock.
CallResult getCopiarDieta(MethodCall& call) {
    const CallOperator op = callOperator(call.context(), call.text("operatorCode"));
    if (!op.error.isEmpty())
        return CallResult::fail(op.error);
    const QString branch = call.text("branch");
    CopyRequest request;
    try {
        request = copyRequest(call, branch);
    } catch (const MethodError& error) {
        return CallResult::fail(error.text());
    }
    const CallResult copied = runWrite(call.context(), op.code, {branch}, [&](WriteScope& write) {
        return copyInTransaction(write, request);
    });
    if (copied.failed())
        return copied;
    return readAfterCommit(call.context(), [&](QSqlDatabase& conn) {
        QVariantList answer = copied.result.toList();
        if (answer.size() < 3) // the "nothing to copy" answer has its empty list already
            answer.append(inpatientListAnswer(conn, call.packet("params")));
        answer.append(fromPacket(dischargedPatients(conn, call.context().db->engine(), request)));
        return CallResult::ok(answer);
    });
}

} // namespace dieta::server
