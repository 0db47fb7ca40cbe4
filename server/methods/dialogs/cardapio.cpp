// The diet dialog's reading methods: the menu of a diet for a day, and the dishes a free
// composition may use in a service.

#include "server/methods/dialogs/handlers.h"
#include "server/methods/dialogs/menu.h"
#include "server/methods/methodsupport.h"

#include <QSqlQuery>

namespace dieta::server {

namespace {

const QString kMissingCardDefault =
    QStringLiteral("Não existe cardápio cadastrado para  dieta e dia informado.");

ServiceInfo requireService(const QSqlDatabase& conn, const QString& branch, const QString& code) {
    if (code.isEmpty())
        throw MethodError(QStringLiteral("Serviço deve ser informado."));
    const std::optional<ServiceInfo> service = findService(conn, branch, code);
    if (!service)
        throw MethodError(
            QStringLiteral("Serviço %1 não cadastrado na filial %2.").arg(code, branch));
    return *service;
}

} // namespace

CallResult getCardapioDieta(MethodCall& call) {
    return runRead(call.context(), [&](QSqlDatabase& conn) {
        const QString branch = checkedCode(call.text("branch"), 4, QStringLiteral("Filial"));
        const QString code = checkedCode(call.text("service"), 5, QStringLiteral("Serviço"));
        const QDate day = call.date("day");
        const QString diet = checkedCode(call.text("diet").trimmed(), 4, QStringLiteral("Dieta"));
        const QString group =
            checkedCode(call.text("dietGroup").trimmed(), 4, QStringLiteral("Grupo"));
        const QString missingText = call.text("missingCardText");
        const QString missing = missingText.isEmpty() ? kMissingCardDefault : missingText;
        if (!day.isValid())
            throw MethodError(QStringLiteral("Data deve ser informada."));
        const ServiceInfo service = requireService(conn, branch, code);
        // The dialog keeps the kind it gets back, so that a group's service is asked right.
        call.setText("serviceKind", service.kind);
        if (service.kind != u"N" && diet.isEmpty())
            throw MethodError(QStringLiteral("Dieta deve ser informada."));
        const QString key = cardKeyFor(conn, branch, service, diet, group, day);
        if (key.isEmpty())
            return CallResult::fail(missing);
        const std::optional<DietInfo> info = diet.isEmpty() ? std::nullopt : findDiet(conn, diet);
        const QString dietGroup = info ? info->group : group;
        return CallResult::ok(
            fromPacket(menuPacket(cardMenu(conn, branch, service.code, key, day), dietGroup)));
    });
}

// The number of levels of the dish-code mask comes as decimal text.
CallResult getReceitaUtili(MethodCall& call) {
    return runRead(call.context(), [&](QSqlDatabase& conn) {
        const QString branch = checkedCode(call.text("branch"), 4, QStringLiteral("Filial"));
        bool numeric = false;
        const int levels = call.text("dishCodeLevels").trimmed().toInt(&numeric);
        if (!numeric || levels < 1 || levels > 10)
            throw MethodError(
                QStringLiteral("Número de níveis do código de prato inválido: \"%1\".")
                    .arg(call.text("dishCodeLevels")));
        const QString code = checkedCode(call.text("service"), 5, QStringLiteral("Serviço"));
        requireService(conn, branch, code);
        // Levels are separated by dots ("01.02.003"): a complete code has levels - 1 of them.
        SqlStatement query(
            conn,
            QStringLiteral("SELECT P.CDPRATO, P.NMPRATO, P.CDFILAUXPRAT"
                           " FROM PRATSERV S JOIN PRATO P ON P.CDFILAUXPRAT = S.CDFILAUXPRAT"
                           "  AND P.CDPRATO = S.CDPRATO"
                           " WHERE S.CDFILIAL = :FILIAL AND S.CDSERVFILI = :SERVICO"
                           "  AND (P.CDFILAUXPRAT = :FILIAL OR P.CDFILAUXPRAT = 'P')"
                           "  AND LENGTH(P.CDPRATO) - LENGTH(REPLACE(P.CDPRATO, '.', '')) = :PONTOS"
                           "  AND P.CDPRATO NOT LIKE '%..%' AND P.CDPRATO NOT LIKE '%.'"
                           " ORDER BY P.CDPRATO, P.CDFILAUXPRAT"),
            {{QStringLiteral("FILIAL"), branch},
             {QStringLiteral("SERVICO"), code},
             {QStringLiteral("PONTOS"), levels - 1}});
        return CallResult::ok(fromPacket(
            packetFromQuery(query.query(), {textField(QStringLiteral("CDPRATO"), 10),
                                            textField(QStringLiteral("NMPRATO"), 40),
                                            textField(QStringLiteral("CDFILAUXPRAT"), 4, true)})));
    });
}

} // namespace dieta::server
