// Sources of the dialogs' pick lists: the branch's inpatients and the diagnoses, each row with
// the pick list's mark IDMARCADO.

#include "server/methods/dialogs/handlers.h"
#include "server/methods/methodsupport.h"

#include <QSqlQuery>

namespace dieta::server {

// The patients staying in the branch today or discharged since yesterday, so that
// a copy from yesterday can still name them.
CallResult getPaciInter(MethodCall& call) {
    return runRead(call.context(), [&](QSqlDatabase& conn) {
        const QString branch = checkedCode(call.text("branch"), 4, QStringLiteral("Filial"));
        const QDate today = QDate::currentDate();
        SqlStatement query(
            conn,
            QStringLiteral("SELECT 'N', P.CDPACIENTE, P.NMPACIENTE FROM PACIENTE P"
                           " WHERE EXISTS (SELECT 1 FROM INTERNA I WHERE I.CDFILIAL = :FILIAL"
                           "  AND I.CDPACIENTE = P.CDPACIENTE AND I.DTINTERNA <= :HOJE"
                           "  AND (I.DTALTA IS NULL OR I.DTALTA >= :ONTEM))"
                           " ORDER BY P.NMPACIENTE, P.CDPACIENTE"),
            {{QStringLiteral("FILIAL"), branch},
             {QStringLiteral("HOJE"), today},
             {QStringLiteral("ONTEM"), today.addDays(-1)}});
        return CallResult::ok(fromPacket(
            packetFromQuery(query.query(), {textField(QStringLiteral("IDMARCADO"), 1),
                                            textField(QStringLiteral("CDPACIENTE"), 12),
                                            textField(QStringLiteral("NMPACIENTE"), 80)})));
    });
}

CallResult getDiagnost(MethodCall& call) {
    return runRead(call.context(), [&](QSqlDatabase& conn) {
        SqlStatement query(conn,
                           QStringLiteral("SELECT 'N', CDDIAGNOST, NMDIAGNOST FROM DIAGNOST"
                                          " ORDER BY CDDIAGNOST"),
                           QVariantMap());
        return CallResult::ok(fromPacket(
            packetFromQuery(query.query(), {textField(QStringLiteral("IDMARCADO"), 1),
                                            textField(QStringLiteral("CDDIAGNOST"), 10),
                                            textField(QStringLiteral("NMDIAGNOST"), 250)})));
    });
}

} // namespace dieta::server
