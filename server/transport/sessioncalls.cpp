#include "server/transport/sessioncalls.h"

#include "contracts/rdmdietaoral.h"
#include "server/auth/listreadaudit.h"
#include "server/auth/sessiongate.h"
#include "server/storage/auditqueue.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QtDebug>
#include <exception>

namespace dieta::server {

namespace {

QByteArray compact(const QJsonObject& object) {
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

void reportRefusal(const CallContext& context, const QString& operatorCode, const QString& reason) {
    AuditEntry entry;
    entry.operatorCode = operatorCode;
    entry.address = context.clientAddress;
    entry.method = context.method;
    entry.reason = reason;
    reportSecurityEvent(context.audit, std::move(entry));
}

} // namespace

void reportTransportRefusal(auth::SessionGate* gate, const QString& address, const QString& method,
                            const QString& reason) {
    AuditEntry entry;
    entry.address = address;
    entry.method = method;
    entry.reason = reason;
    reportSecurityEvent(gate ? gate->audit() : nullptr, std::move(entry));
}

QString operatorMismatchMessage(const QString& named, const QString& session) {
    return QStringLiteral("Operador %1 da chamada difere do operador %2 da sessão.")
        .arg(named, session);
}

HttpAnswer loginAnswer(auth::SessionGate& gate, const QByteArray& body,
                       const CallContext& context) {
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(body, &parseError);
    const QJsonObject request = document.object();
    const QJsonValue operatorCode = request.value(QLatin1String("operator"));
    const QJsonValue password = request.value(QLatin1String("password"));
    if (parseError.error != QJsonParseError::NoError || !operatorCode.isString() ||
        !password.isString())
        return errorAnswer(400, QStringLiteral("Corpo da requisição inválido: esperado "
                                               "{\"operator\": ..., \"password\": ...}."));
    try {
        const auth::LoginResult result =
            gate.login(operatorCode.toString(), password.toString(), context.clientAddress);
        if (result.status != 200)
            return errorAnswer(result.status, result.error);
        return {200, compact({{QStringLiteral("token"), result.token},
                              {QStringLiteral("expires"), result.expires.toString(Qt::ISODate)},
                              {QStringLiteral("operator"), result.operatorCode}})};
    } catch (const std::exception& e) {
        qWarning().noquote() << "dieta-server: login failed:" << e.what();
        return internalErrorAnswer();
    }
}

HttpAnswer logoutAnswer(auth::SessionGate& gate, const CallContext& context) {
    try {
        if (!gate.logout(context.authorization, context.clientAddress)) {
            CallContext refused = context;
            refused.audit = gate.audit();
            refused.method = QStringLiteral("logout");
            reportRefusal(refused, context.claimedOperator, QStringLiteral("sessão inválida"));
            return errorAnswer(401, auth::invalidSessionMessage());
        }
        return {200, R"({"result":null})"};
    } catch (const std::exception& e) {
        qWarning().noquote() << "dieta-server: logout failed:" << e.what();
        return internalErrorAnswer();
    }
}

std::optional<HttpAnswer> authenticateCall(auth::SessionGate& gate, CallContext& context) {
    context.audit = gate.audit();
    auth::Identity identity;
    try {
        identity = gate.identify(context.authorization);
    } catch (const std::exception& e) {
        // Closed, never let through; but a database that is away says so, so that the client
        // tells the operator to try again instead of reporting a fault of the server.
        qWarning().noquote() << "dieta-server: session check failed:" << e.what();
        return errorAnswer(503, QStringLiteral("Não foi possível concluir a operação no banco de "
                                               "dados. Tente novamente."));
    }
    if (identity.status != 200) {
        reportRefusal(context, context.claimedOperator, identity.reason);
        return errorAnswer(identity.status, identity.error);
    }
    if (!context.claimedOperator.isEmpty() && context.claimedOperator != identity.operatorCode) {
        reportRefusal(context, identity.operatorCode,
                      QStringLiteral("cabeçalho X-Operador %1 difere da sessão")
                          .arg(context.claimedOperator));
        return errorAnswer(403,
                           operatorMismatchMessage(context.claimedOperator, identity.operatorCode));
    }
    context.operatorCode = identity.operatorCode;
    return std::nullopt;
}

std::optional<HttpAnswer> checkOperatorArgument(const QString& method, QVariantList& args,
                                                const CallContext& context) {
    const contracts::rdm::MethodDecl* decl = contracts::rdm::findMethod(method);
    const int at = decl ? decl->position("operatorCode") : -1;
    if (at < 0 || at >= args.size())
        return std::nullopt;
    const QString named = args.at(at).toString().trimmed();
    if (named.isEmpty()) {
        args[at] = context.operatorCode;
        return std::nullopt;
    }
    if (named == context.operatorCode)
        return std::nullopt;
    reportRefusal(context, context.operatorCode,
                  QStringLiteral("argumento operador %1 difere da sessão").arg(named));
    return errorAnswer(403, operatorMismatchMessage(named, context.operatorCode));
}

void auditListRead(const CallContext& context, const QVariantList& argsBefore,
                   const QVariant& result) {
    if (!context.audit)
        return;
    std::optional<AuditEntry> entry = auth::listReadEntry(context.method, argsBefore, result);
    if (!entry)
        return;
    entry->operatorCode = context.operatorCode;
    entry->address = context.clientAddress;
    context.audit->post(*std::move(entry));
}

} // namespace dieta::server
