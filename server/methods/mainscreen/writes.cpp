// The main screen's writing methods on day records: saving a patient's diet and remark,
// deleting the marked patients' records, and marking restricted dishes.

#include "platform/wirevalue.h"
#include "server/methods/dayrecords.h"
#include "server/methods/inpatientlist.h"
#include "server/methods/mainscreen/handlers.h"
#include "server/methods/mainscreen/restrictions.h"
#include "server/methods/methodsupport.h"

#include <QJsonArray>
#include <QSet>

namespace dieta::server {

namespace {

QString staleRecordText(const QString& patient) {
    return QStringLiteral("O registro de dieta do paciente %1 foi excluído ou alterado por outro"
                          " usuário. Atualize a lista.")
        .arg(patient);
}

Stay requireStay(const WriteScope& scope, const QString& branch, const QString& patient,
                 QDate date) {
    std::optional<Stay> stay = activeStay(scope.conn, scope.engine, branch, patient, date, true);
    if (!stay)
        throw MethodError(
            QStringLiteral("Paciente %1 não está internado na filial %2 na data informada.")
                .arg(patient, branch));
    return *stay;
}

// The record the save goes to: the one named by its sequence, or with an empty sequence the
// patient's first record of the day, created when there is none (never a second one).
DayRecord recordToSave(WriteScope& scope, const Stay& stay, QDate date, const QString& sequence,
                       bool& created) {
    created = false;
    if (!sequence.isEmpty()) {
        std::optional<DayRecord> record =
            lockDayRecord(scope.conn, scope.engine, {stay.branch, stay.patient, date, sequence});
        if (!record)
            throw MethodError(staleRecordText(stay.patient));
        return *record;
    }
    if (std::optional<DayRecord> record =
            firstDayRecord(scope.conn, stay.branch, stay.patient, date, QStringLiteral("0")))
        return *record;
    created = true;
    DayRecord record;
    record.key = {stay.branch, stay.patient, date, QString()};
    return record;
}

} // namespace

// The choices packet is what the screen holds; the stored choices are the truth
// (SetUpdConfesco keeps them), so it is not applied. With "rebuild menu" true, a diet that
// changes takes its new card's dishes in place of the old diet's.
CallResult setUpdServinte(MethodCall& call) {
    try {
        const QString branch = checkedCode(call.text("branch"), 4, QStringLiteral("Filial"));
        const QString patient = checkedCode(call.text("patient"), 12, QStringLiteral("Paciente"));
        const QDate date = call.date("day");
        const QString sequence = checkedCode(call.text("sequence"), 2, QStringLiteral("Sequência"));
        const QString serviceGiven =
            checkedCode(call.text("service"), 5, QStringLiteral("Serviço"));
        const QString diet = checkedCode(call.text("diet"), 4, QStringLiteral("Dieta"));
        const QString operatorCode =
            checkedCode(call.text("operatorCode"), 12, QStringLiteral("Operador"));
        const bool rebuildMenu = call.boolean("rebuildMenu");
        const QString remark = checkedCode(call.text("remark"), 255, QStringLiteral("Observação"));
        if (branch.isEmpty())
            return CallResult::fail(QStringLiteral("Filial deve ser informada."));
        if (patient.isEmpty())
            return CallResult::fail(QStringLiteral("Paciente deve ser informado."));
        if (!date.isValid())
            return CallResult::fail(QStringLiteral("Data deve ser informada."));
        if (diet.isEmpty())
            return CallResult::fail(QStringLiteral("Dieta deve ser informada."));

        return runWrite(call.context(), operatorCode, {branch}, [&](WriteScope& scope) {
            const Stay stay = requireStay(scope, branch, patient, date);
            const QString service = serviceGiven.isEmpty() ? stay.service : serviceGiven;
            if (serviceKind(scope.conn, branch, service).isEmpty())
                throw MethodError(QStringLiteral("Serviço não cadastrado."));
            checkDietOfService(scope.conn, branch, service, diet);

            bool created = false;
            DayRecord record = recordToSave(scope, stay, date, sequence, created);
            const QString previousDiet = record.diet;
            const bool dietChanged = created || previousDiet != diet;
            record.diet = diet;
            record.remark = remark;
            record.service = service;
            if (dietChanged)
                record.printMark = QStringLiteral("N"); // a printed label no longer holds
            if (created)
                record = insertDayRecord(scope.conn, record, operatorCode);
            else
                updateDayRecord(scope.conn, record, operatorCode);
            int rebuilt = -1;
            if (dietChanged && rebuildMenu) {
                rebuilt = rebuildChoicesFromCard(scope.conn, record);
                markRestrictions(scope.conn, stay, date);
            }
            scope.audit.patients = {patient};
            scope.audit.changes = QJsonObject{
                {QStringLiteral("data"), date.toString(Qt::ISODate)},
                {QStringLiteral("sequencia"), record.key.sequence},
                {QStringLiteral("novo"), created},
                {QStringLiteral("dietaAnterior"), previousDiet},
                {QStringLiteral("dieta"), diet},
                {QStringLiteral("observacao"), remark},
                {QStringLiteral("pratosRefeitos"), rebuilt},
            };
            return CallResult::ok();
        });
    } catch (const MethodError& error) {
        return CallResult::fail(error.text());
    }
}

// The marked rows hold patient, date, sequence and patient or companion. Answers "" or why
// nothing was deleted; all the given records go, or none.
CallResult delServ(MethodCall& call) {
    const QString branch = call.text("branch");
    if (branch.isEmpty())
        return CallResult::ok(QStringLiteral("Filial deve ser informada."));
    if (branch.size() > 4)
        return CallResult::ok(QStringLiteral("Filial \"%1\" inválida.").arg(branch));
    const std::optional<DataPacket> marked = call.packet("marked");
    if (!marked || marked->rows.isEmpty())
        return CallResult::ok(QStringLiteral("Paciente deve ser informado."));
    for (const char* field : {"CDPACIENTE", "DTSERVINTE", "NRSEQUSERV"})
        if (marked->fieldIndex(QString::fromLatin1(field)) < 0)
            return CallResult::ok(QStringLiteral("Pacientes marcados inválidos: falta o campo %1.")
                                      .arg(QString::fromLatin1(field)));

    CallContext& context = call.context();
    return runWriteAnsweringText(
        context, context.operatorCode, {branch}, [&](WriteScope& scope) -> QString {
            QJsonArray deleted;
            for (int row = 0; row < marked->rows.size(); ++row) {
                const QString rowBranch = cellText(*marked, row, u"CDFILIAL");
                const QString patient = cellText(*marked, row, u"CDPACIENTE");
                const QString sequence = cellText(*marked, row, u"NRSEQUSERV");
                const QDate date = cellDate(*marked, row, u"DTSERVINTE");
                if (!rowBranch.isEmpty() && rowBranch != branch)
                    return QStringLiteral("O paciente %1 é de outra filial.").arg(patient);
                if (sequence.isEmpty())
                    continue; // no record yet: nothing of this patient to delete
                if (!date.isValid() || patient.size() > 12 || sequence.size() > 2)
                    return QStringLiteral("Pacientes marcados inválidos.");
                const DayRecordKey key{branch, patient, date, sequence};
                const std::optional<DayRecord> record =
                    lockDayRecord(scope.conn, scope.engine, key);
                const int statusColumn = marked->fieldIndex(u"STPACIACOM");
                const QString status = cellText(*marked, row, u"STPACIACOM");
                if (!record || (statusColumn >= 0 && !status.isEmpty() &&
                                isPatientStatus(status) != isPatientStatus(record->status)))
                    return staleRecordText(patient);
                if (!deleteDayRecord(scope.conn, key))
                    return staleRecordText(patient);
                scope.audit.patients.append(patient);
                deleted.append(QJsonObject{{QStringLiteral("paciente"), patient},
                                           {QStringLiteral("data"), date.toString(Qt::ISODate)},
                                           {QStringLiteral("sequencia"), sequence},
                                           {QStringLiteral("dieta"), record->diet}});
            }
            if (deleted.isEmpty())
                return QStringLiteral("Os pacientes marcados não têm registro de dieta no dia.");
            scope.audit.changes = QJsonObject{{QStringLiteral("excluidos"), deleted}};
            return QString();
        });
}

// The mode is "0" for the listed patients, "1" for the current one. Answers the list again.
CallResult getVerifRestInto(MethodCall& call) {
    const QString mode = call.text("mode");
    call.setText("mode", mode); // back as it came, never null
    try {
        const QString branch = checkedCode(call.text("branch"), 4, QStringLiteral("Filial"));
        const QString current = checkedCode(call.text("patient"), 12, QStringLiteral("Paciente"));
        const std::optional<DataPacket> list = call.packet("list");
        const DataPacket params =
            call.requirePacket("params", QStringLiteral("Pacote de parâmetros"));
        if (branch.isEmpty())
            return CallResult::fail(QStringLiteral("Filial deve ser informada."));
        if (mode != u"0" && mode != u"1")
            return CallResult::fail(QStringLiteral("Modo de verificação inválido."));
        QDate date = cellDate(params, 0, u"DTSERVINTE");
        if (!date.isValid() && list && !list->rows.isEmpty())
            date = cellDate(*list, 0, u"DTSERVINTE");
        if (!date.isValid())
            return CallResult::fail(QStringLiteral("Data deve ser informada."));

        QStringList patients;
        if (mode == u"1") {
            if (current.isEmpty())
                return CallResult::fail(QStringLiteral("Paciente deve ser informado."));
            patients.append(current);
        } else if (list) {
            QSet<QString> seen;
            for (int row = 0; row < list->rows.size(); ++row) {
                const QString patient = cellText(*list, row, u"CDPACIENTE");
                if (!patient.isEmpty() && !seen.contains(patient)) {
                    seen.insert(patient);
                    patients.append(checkedCode(patient, 12, QStringLiteral("Paciente")));
                }
            }
        }

        const CallResult written =
            runWrite(call.context(), call.context().operatorCode, {branch}, [&](WriteScope& scope) {
                int marked = 0;
                for (const QString& patient : std::as_const(patients))
                    if (const std::optional<Stay> stay =
                            activeStay(scope.conn, scope.engine, branch, patient, date))
                        marked += markRestrictions(scope.conn, *stay, date);
                scope.audit.patients = patients;
                scope.audit.changes =
                    QJsonObject{{QStringLiteral("modo"), mode},
                                {QStringLiteral("data"), date.toString(Qt::ISODate)},
                                {QStringLiteral("pratosVerificados"), marked}};
                return CallResult::ok();
            });
        if (written.failed())
            return written;
        // The list is read after the commit, outside the write lock.
        return readAfterCommit(call.context(), [&](QSqlDatabase& conn) {
            return CallResult::ok(fromPacket(buildInpatientList(conn, params)));
        });
    } catch (const MethodError& error) {
        return CallResult::fail(error.text());
    }
}

} // namespace dieta::server
