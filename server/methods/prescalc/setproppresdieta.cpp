// Writing the ticked proposals as the day's prescriptions, in one transaction. A stay that got
// a prescription after the proposals were read (a doctor's, or another operator's calculation)
// keeps it: the insert does nothing on the existing key, on both engines, and the answer leaves
// that stay out. The answer lists exactly what was written.

#include "platform/wirevalue.h"
#include "server/methods/dayrecords.h"
#include "server/methods/dialogs/menu.h"
#include "server/methods/methodsupport.h"
#include "server/methods/prescalc/handlers.h"
#include "server/methods/prescalc/proposals.h"

#include <QJsonArray>
#include <QSqlQuery>

namespace dieta::server {

namespace {

QString diagnosisName(const QSqlDatabase& conn, const QString& code) {
    SqlStatement query(conn,
                       QStringLiteral("SELECT NMDIAGNOST FROM DIAGNOST WHERE CDDIAGNOST = :CODIGO"),
                       {{QStringLiteral("CODIGO"), code}});
    return query.next() ? query.value(0).toString() : QString();
}

struct Ticked {
    QString patient;
    QDate admission;
    QString diet;
    QChar origin;
    QString diagnosis;
};

QChar checkedOrigin(const QString& origin) {
    if (origin.size() != 1 || (origin[0] != kOriginPreviousDay && origin[0] != kOriginDiagnosis))
        throw MethodError(QStringLiteral("Origem da proposta inválida: \"%1\".").arg(origin));
    return origin[0];
}

// The ticked rows, checked before the transaction starts.
QList<Ticked> tickedProposals(const DataPacket& packet) {
    QList<Ticked> ticked;
    for (int row = 0; row < packet.rows.size(); ++row) {
        if (cellText(packet, row, u"IDCHECK").compare(u"S", Qt::CaseInsensitive) != 0)
            continue;
        Ticked item{
            checkedCode(cellText(packet, row, u"CDPACIENTE").trimmed(), 12,
                        QStringLiteral("Paciente")),
            cellDate(packet, row, u"DTINTERNA"),
            checkedCode(cellText(packet, row, u"CDDIETPAD").trimmed(), 4, QStringLiteral("Dieta")),
            checkedOrigin(cellText(packet, row, u"IDORIGEM")),
            checkedCode(cellText(packet, row, u"CDDIAGNOST").trimmed(), 10,
                        QStringLiteral("Diagnóstico"))};
        if (item.patient.isEmpty() || !item.admission.isValid() || item.diet.isEmpty())
            throw MethodError(
                QStringLiteral("Proposta marcada sem paciente, internação ou dieta."));
        ticked.append(item);
    }
    if (ticked.isEmpty())
        throw MethodError(QStringLiteral("Nenhuma proposta de prescrição marcada."));
    return ticked;
}

// The stay as it shows in the answer, after checking that it is the one on the day and that its
// service allows the diet.
Proposal checkedStay(WriteScope& scope, const QString& branch, const Ticked& item, QDate day) {
    const std::optional<Stay> stay =
        activeStay(scope.conn, scope.engine, branch, item.patient, day, true);
    std::optional<Proposal> shown;
    if (stay && stay->admission == item.admission)
        shown = describeStay(scope.conn, branch, item.patient, item.admission);
    if (!shown)
        throw MethodError(
            QStringLiteral("Paciente %1 não está internado na filial %2 em %3.")
                .arg(item.patient, branch, day.toString(QStringLiteral("dd/MM/yyyy"))));
    const std::optional<DietInfo> diet = findDiet(scope.conn, item.diet);
    if (!diet)
        throw MethodError(QStringLiteral("Dieta %1 não cadastrada.").arg(item.diet));
    checkDietOfService(scope.conn, branch, shown->service, item.diet);
    shown->diet = diet->code;
    shown->dietName = diet->name;
    shown->origin = item.origin;
    shown->diagnosis = item.diagnosis;
    if (!item.diagnosis.isEmpty())
        shown->diagnosisName = diagnosisName(scope.conn, item.diagnosis);
    return *shown;
}

// false when the stay already has a prescription for the day (it is left as it is).
bool insertPrescription(const QSqlDatabase& conn, const QString& branch, const Ticked& item,
                        QDate day) {
    SqlStatement insert(
        conn,
        QStringLiteral("INSERT INTO PRESDIET (CDFILIAL, CDPACIENTE, DTINTERNA, DTPRESDIET,"
                       " CDDIETPAD) VALUES (:FILIAL, :PACIENTE, :INTERNA, :DIA, :DIETA)"
                       " ON CONFLICT (CDFILIAL, CDPACIENTE, DTINTERNA, DTPRESDIET) DO NOTHING"),
        {{QStringLiteral("FILIAL"), branch},
         {QStringLiteral("PACIENTE"), item.patient},
         {QStringLiteral("INTERNA"), item.admission},
         {QStringLiteral("DIA"), day},
         {QStringLiteral("DIETA"), item.diet}});
    return insert.numRowsAffected() > 0;
}

} // namespace

CallResult setPropPresDieta(MethodCall& call) {
    const CallOperator op = callOperator(call.context(), call.text("operatorCode"));
    if (!op.error.isEmpty())
        return CallResult::fail(op.error);
    const QString branch = call.text("branch").trimmed();
    return runWrite(call.context(), op.code, {branch}, [&](WriteScope& scope) {
        checkedCode(branch, 4, QStringLiteral("Filial"));
        const QDate day = call.date("day");
        if (!day.isValid())
            throw MethodError(QStringLiteral("Data deve ser informada."));
        const QList<Ticked> ticked =
            tickedProposals(call.requirePacket("proposals", QStringLiteral("Lista de propostas")));

        DataPacket answer;
        answer.fields = proposalFields();
        QJsonArray written, kept;
        for (const Ticked& item : ticked) {
            const Proposal shown = checkedStay(scope, branch, item, day);
            if (!insertPrescription(scope.conn, branch, item, day)) {
                kept.append(item.patient);
                continue;
            }
            answer.rows.append(proposalRow(shown));
            scope.audit.patients.append(item.patient);
            written.append(
                QJsonObject{{QStringLiteral("paciente"), item.patient},
                            {QStringLiteral("internacao"), item.admission.toString(Qt::ISODate)},
                            {QStringLiteral("dieta"), item.diet},
                            {QStringLiteral("origem"), QString(item.origin)}});
        }
        scope.audit.changes = QJsonObject{{QStringLiteral("data"), day.toString(Qt::ISODate)},
                                          {QStringLiteral("prescricoes"), written},
                                          {QStringLiteral("jaPrescritos"), kept}};
        return CallResult::ok(fromPacket(answer));
    });
}

} // namespace dieta::server
