// The day's proposed prescriptions of a branch, for the operator to tick.

#include "platform/wirevalue.h"
#include "server/methods/methodsupport.h"
#include "server/methods/prescalc/handlers.h"
#include "server/methods/prescalc/proposals.h"

namespace dieta::server {

CallResult getPropPresDieta(MethodCall& call) {
    return runRead(call.context(), [&](QSqlDatabase& conn) {
        const QString branch =
            checkedCode(call.text("branch").trimmed(), 4, QStringLiteral("Filial"));
        const QDate day = call.date("day");
        if (branch.isEmpty())
            throw MethodError(QStringLiteral("Filial deve ser informada."));
        if (!day.isValid())
            throw MethodError(QStringLiteral("Data deve ser informada."));
        DataPacket answer;
        answer.fields = proposalFields();
        for (const Proposal& proposal : proposePrescriptions(conn, branch, day))
            answer.rows.append(proposalRow(proposal));
        return CallResult::ok(fromPacket(answer));
    });
}

} // namespace dieta::server
