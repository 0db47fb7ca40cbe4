// Doctors' diet prescriptions: listing those of the inpatients on the screen for the day, and
// taking the marked ones over into the day's diet records.

#include "server/methods/dayrecords.h"
#include "server/methods/dialogs/handlers.h"
#include "server/methods/dialogs/menu.h"
#include "server/methods/inpatientlist.h"
#include "server/methods/methodsupport.h"

#include <QHash>
#include <QJsonArray>
#include <QSet>
#include <QSqlQuery>

namespace dieta::server {

namespace {

QList<FieldDef> prescriptionFields() {
    return {textField(QStringLiteral("CDPACIENTE"), 12, true),
            dateTimeField(QStringLiteral("DTINTERNA"), true),
            textField(QStringLiteral("CDLEITO"), 12),
            textField(QStringLiteral("NMPACIENTE"), 80),
            dateTimeField(QStringLiteral("DTPRESDIET")),
            textField(QStringLiteral("CDDIETPAD"), 4, true),
            textField(QStringLiteral("DSPRESDIET"), 80),
            textField(QStringLiteral("DSDIETPAD"), 50),
            textField(QStringLiteral("NMSERPADDIE"), 30),
            textField(QStringLiteral("IDPRESDIET"), 1, true)};
}

QString stayKey(const QString& patient, QDate admission) {
    return patient + u'|' + admission.toString(Qt::ISODate);
}

struct Prescription {
    QDate date;
    QString diet;
    QString remark;
    QString dietName;
};

// The branch's prescriptions of the day, by stay.
QHash<QString, Prescription> prescriptionsOfDay(const QSqlDatabase& conn, const QString& branch,
                                                QDate day) {
    SqlStatement query(
        conn,
        QStringLiteral("SELECT P.CDPACIENTE, P.DTINTERNA, P.DTPRESDIET, P.CDDIETPAD, P.DSPRESDIET,"
                       " D.DSDIETPAD FROM PRESDIET P"
                       " LEFT JOIN DIETPADR D ON D.CDDIETPAD = P.CDDIETPAD"
                       " WHERE P.CDFILIAL = :FILIAL AND P.DTPRESDIET = :DIA"),
        {{QStringLiteral("FILIAL"), branch}, {QStringLiteral("DIA"), day}});
    QHash<QString, Prescription> found;
    while (query.next()) {
        const QDate admission = cellFromSql(query.value(1), FieldKind::Date).toDate();
        found.insert(stayKey(query.value(0).toString(), admission),
                     {cellFromSql(query.value(2), FieldKind::Date).toDate(),
                      query.value(3).toString(), query.value(4).toString(),
                      query.value(5).toString()});
    }
    return found;
}

std::optional<Prescription> findPrescription(const QSqlDatabase& conn, const QString& branch,
                                             const QString& patient, QDate admission, QDate date) {
    SqlStatement query(
        conn,
        QStringLiteral("SELECT CDDIETPAD, DSPRESDIET FROM PRESDIET WHERE CDFILIAL = :FILIAL"
                       " AND CDPACIENTE = :PACIENTE AND DTINTERNA = :INTERNA"
                       " AND DTPRESDIET = :DIA"),
        {{QStringLiteral("FILIAL"), branch},
         {QStringLiteral("PACIENTE"), patient},
         {QStringLiteral("INTERNA"), admission},
         {QStringLiteral("DIA"), date}});
    if (!query.next())
        return std::nullopt;
    return Prescription{date,
                        query.value(0).toString(),
                        query.value(1).isNull() ? QString() : query.value(1).toString(),
                        {}};
}

// The service a prescription's record belongs to: the service given, or, when a service group
// is given, the stay's own service within the group.
QString recordService(const QSqlDatabase& conn, const QString& branch, const QString& code,
                      const Stay& stay) {
    if (findService(conn, branch, code))
        return code;
    const QStringList services = servicesOf(conn, branch, code);
    if (services.isEmpty())
        throw MethodError(
            QStringLiteral("Serviço %1 não cadastrado na filial %2.").arg(code, branch));
    if (!services.contains(stay.service))
        throw MethodError(QStringLiteral("O serviço %1 do paciente %2 não pertence ao grupo %3.")
                              .arg(stay.service, stay.patient, code));
    return stay.service;
}

struct MarkedPrescription {
    QString patient;
    QDate admission;
    QDate date;
};

// Each marked stay once, in the order marked.
QList<MarkedPrescription> markedPrescriptions(const DataPacket& packet, QDate day) {
    QList<MarkedPrescription> marked;
    QSet<QString> seen;
    for (int row = 0; row < packet.rows.size(); ++row) {
        if (cellText(packet, row, u"IDPRESDIET").compare(u"S", Qt::CaseInsensitive) != 0)
            continue;
        MarkedPrescription item{checkedCode(cellText(packet, row, u"CDPACIENTE").trimmed(), 12,
                                            QStringLiteral("Paciente")),
                                cellDate(packet, row, u"DTINTERNA"),
                                cellDate(packet, row, u"DTPRESDIET")};
        if (item.patient.isEmpty() || !item.admission.isValid())
            throw MethodError(QStringLiteral("Prescrição marcada sem paciente ou internação."));
        if (!item.date.isValid())
            item.date = day;
        const QString stay = item.patient + u'|' + item.admission.toString(Qt::ISODate);
        if (seen.contains(stay))
            continue;
        seen.insert(stay);
        marked.append(item);
    }
    if (marked.isEmpty())
        throw MethodError(QStringLiteral("Paciente deve ser informado."));
    return marked;
}

} // namespace

// Every listed prescription gets the mark.
CallResult getPrescricao(MethodCall& call) {
    return runRead(call.context(), [&](QSqlDatabase& conn) {
        const QString branch = checkedCode(call.text("branch"), 4, QStringLiteral("Filial"));
        const QString mark = call.text("mark").trimmed().toUpper();
        if (mark != u"S" && mark != u"N")
            throw MethodError(
                QStringLiteral("Marca da prescrição inválida: \"%1\".").arg(call.text("mark")));
        DataPacket answer;
        answer.fields = prescriptionFields();
        const std::optional<DataPacket> params = call.packet("params");
        if (!params || params->rows.isEmpty())
            return CallResult::ok(fromPacket(answer));
        const QString listBranch = cellText(*params, 0, u"CDFILIAL");
        if (!branch.isEmpty() && listBranch != branch)
            throw MethodError(QStringLiteral("Filial %1 difere da filial %2 da lista de pacientes.")
                                  .arg(branch, listBranch));
        const QDate day = cellDate(*params, 0, u"DTSERVINTE");
        const DataPacket list = buildInpatientList(conn, *params);
        const QHash<QString, Prescription> prescriptions =
            prescriptionsOfDay(conn, listBranch, day);
        QSet<QString> listed;
        for (int row = 0; row < list.rows.size(); ++row) {
            if (cellText(list, row, u"STPACIACOM") != u"0")
                continue;
            const QString patient = cellText(list, row, u"CDPACIENTE");
            const QDate admission = cellDate(list, row, u"DTINTERNA");
            const QString key = stayKey(patient, admission);
            const auto found = prescriptions.constFind(key);
            if (found == prescriptions.constEnd() || listed.contains(key))
                continue;
            listed.insert(key);
            answer.rows.append(Row{patient, QDateTime(admission, QTime(0, 0)),
                                   list.value(row, u"CDLEITO"), list.value(row, u"NMPACIENTE"),
                                   QDateTime(found->date, QTime(0, 0)), found->diet,
                                   found->remark.isEmpty() ? QVariant() : QVariant(found->remark),
                                   found->dietName, list.value(row, u"NMSERPADDIE"), mark});
        }
        return CallResult::ok(fromPacket(answer));
    });
}

// The service may be a service group. Answer: null, or the text for diets without a menu
// followed by the diets whose records were set without one.
CallResult setConfirmaPrescricao(MethodCall& call) {
    const CallOperator op = callOperator(call.context(), call.text("operatorCode"));
    if (!op.error.isEmpty())
        return CallResult::fail(op.error);
    const QString branch = call.text("branch");
    QString code;
    QDate day;
    QList<MarkedPrescription> marked;
    try { // the arguments are checked before the transaction begins
        checkedCode(branch, 4, QStringLiteral("Filial"));
        code = checkedCode(call.text("service").trimmed(), 5, QStringLiteral("Serviço"));
        day = call.date("day");
        if (code.isEmpty())
            throw MethodError(QStringLiteral("Serviço deve ser informado."));
        if (!day.isValid())
            throw MethodError(QStringLiteral("Data deve ser informada."));
        marked = markedPrescriptions(
            call.requirePacket("prescriptions", QStringLiteral("Lista de prescrições")), day);
    } catch (const MethodError& error) {
        return CallResult::fail(error.text());
    }
    return runWrite(call.context(), op.code, {branch}, [&](WriteScope& scope) {
        QStringList withoutMenu;
        QJsonArray applied;
        for (const MarkedPrescription& item : marked) {
            const std::optional<Prescription> prescription =
                findPrescription(scope.conn, branch, item.patient, item.admission, item.date);
            if (!prescription)
                throw MethodError(
                    QStringLiteral("Prescrição dietética do paciente %1 não encontrada.")
                        .arg(item.patient));
            const std::optional<Stay> stay =
                activeStay(scope.conn, scope.engine, branch, item.patient, day, true);
            if (!stay || stay->admission != item.admission)
                throw MethodError(
                    QStringLiteral("Paciente %1 não está internado na filial %2 em %3.")
                        .arg(item.patient, branch, day.toString(QStringLiteral("dd/MM/yyyy"))));
            const QString service = recordService(scope.conn, branch, code, *stay);
            const std::optional<DietInfo> diet = findDiet(scope.conn, prescription->diet);
            if (!diet)
                throw MethodError(
                    QStringLiteral("Dieta %1 não cadastrada.").arg(prescription->diet));
            checkDietOfService(scope.conn, branch, service, diet->code);

            std::optional<DayRecord> record =
                firstDayRecord(scope.conn, branch, item.patient, day, QStringLiteral("0"));
            if (!record) {
                DayRecord fresh;
                fresh.key = {branch, item.patient, day, QString()};
                fresh.status = QStringLiteral("0");
                fresh.service = service;
                fresh.diet = diet->code;
                fresh.remark = prescription->remark;
                record = insertDayRecord(scope.conn, fresh, scope.operatorCode);
            } else {
                record->service = service;
                record->diet = diet->code;
                record->remark = prescription->remark;
                updateDayRecord(scope.conn, *record, scope.operatorCode);
            }
            // The old diet's menu never stays under the new diet: without a card it is emptied.
            if (rebuildChoicesFromCard(scope.conn, *record) == 0 && diet->needsCard()) {
                const QString line = QStringLiteral("%1 - %2").arg(diet->code, diet->name);
                if (!withoutMenu.contains(line))
                    withoutMenu.append(line);
            }
            scope.audit.patients.append(item.patient);
            applied.append(QJsonObject{{QStringLiteral("paciente"), item.patient},
                                       {QStringLiteral("sequencia"), record->key.sequence},
                                       {QStringLiteral("dieta"), diet->code}});
        }
        scope.audit.changes = QJsonObject{{QStringLiteral("data"), day.toString(Qt::ISODate)},
                                          {QStringLiteral("prescricoes"), applied}};
        if (withoutMenu.isEmpty())
            return CallResult::ok();
        const QString missingText = call.text("missingCardText");
        const QString message = missingText.isEmpty()
                                    ? QStringLiteral("Não existe cardápio cadastrado para "
                                                     " dieta e dia informado.")
                                    : missingText;
        return CallResult::ok(message + u'\n' + withoutMenu.join(u'\n'));
    });
}

} // namespace dieta::server
