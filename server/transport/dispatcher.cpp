#include "server/transport/dispatcher.h"

#include "platform/wirebytes.h"
#include "platform/wirevalue.h"
#include "server/auth/listreadaudit.h"
#include "server/methods/domain.h"
#include "server/transport/sessioncalls.h"

#include <QDate>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtDebug>
#include <exception>

namespace dieta::server {

namespace {

QByteArray compact(const QJsonObject& object) {
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QString kindName(ArgKind kind) {
    switch (kind) {
    case ArgKind::String:
        return QStringLiteral("texto");
    case ArgKind::Date:
        return QStringLiteral("data");
    case ArgKind::Number:
        return QStringLiteral("número");
    case ArgKind::Boolean:
        return QStringLiteral("lógico");
    case ArgKind::Packet:
        return QStringLiteral("pacote de dados");
    case ArgKind::Variant:
        return QStringLiteral("pacote de dados ou vazio");
    case ArgKind::Any:
        return QStringLiteral("valor");
    }
    return QStringLiteral("valor");
}

bool isNumber(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return true;
    default:
        return false;
    }
}

// The value the handler sees for a kind, or nothing when the value is not of that kind.
std::optional<QVariant> coerce(const QVariant& value, ArgKind kind) {
    switch (kind) {
    case ArgKind::String:
        if (!value.isValid())
            return QVariant(QString(""));
        if (value.typeId() == QMetaType::QString)
            return value;
        return std::nullopt;
    case ArgKind::Date:
        if (value.typeId() == QMetaType::QDate && isServiceDate(value.toDate()))
            return value;
        if (value.typeId() == QMetaType::QDateTime && isServiceDate(value.toDateTime().date()))
            return QVariant(value.toDateTime().date());
        return std::nullopt;
    case ArgKind::Number:
        return isNumber(value) ? std::optional<QVariant>(value) : std::nullopt;
    case ArgKind::Boolean:
        return value.typeId() == QMetaType::Bool ? std::optional<QVariant>(value) : std::nullopt;
    case ArgKind::Packet:
        return isPacket(value) ? std::optional<QVariant>(value) : std::nullopt;
    case ArgKind::Variant: // a packet, or nothing: null or an empty text
        if (isPacket(value) || !value.isValid() || value.isNull() ||
            (value.typeId() == QMetaType::QString && value.toString().isEmpty()))
            return value;
        return std::nullopt;
    case ArgKind::Any:
        return value;
    }
    return std::nullopt;
}

struct Decoded {
    QVariantList args;
    QString error; // non-empty: the reason for a 400
};

// Why a body is no {"args": [...]}, worded for the 400 answer.
QString bodyFault(const QByteArray& body) {
    QJsonParseError parseError;
    QJsonDocument::fromJson(body, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return QStringLiteral("Corpo da requisição inválido: JSON malformado.");
    return QStringLiteral("Corpo da requisição inválido: esperado {\"args\": [...]}.");
}

// The raw bytes of each argument; a method without arguments may be called with {}.
std::optional<QList<QByteArrayView>> argumentBytes(const QByteArray& body) {
    const std::optional<WireMembers> members = wireObjectMembers(body);
    if (!members)
        return std::nullopt;
    for (const auto& [key, value] : *members)
        if (key == u"args")
            return wireArrayElements(value);
    return QList<QByteArrayView>();
}

// A plain ASCII string with nothing to unescape, as most codes are: read without the general
// JSON reader, to the same value it would give.
std::optional<QVariant> plainString(QByteArrayView element) {
    element = element.trimmed();
    if (element.size() < 2 || element.front() != '"' || element.back() != '"')
        return std::nullopt;
    const QByteArrayView inner = element.sliced(1, element.size() - 2);
    for (const char c : inner) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u >= 0x80 || c == '"' || c == '\\')
            return std::nullopt;
    }
    return QVariant(QString::fromLatin1(inner));
}

std::optional<QVariant> argumentValue(QByteArrayView element, QString* error) {
    if (std::optional<QVariant> text = plainString(element))
        return text;
    return fromWireBytes(element, error);
}

Decoded decodeArguments(const MethodEntry& entry, const QByteArray& body) {
    const std::optional<QList<QByteArrayView>> elements = argumentBytes(body);
    if (!elements)
        return {{}, bodyFault(body)};
    if (elements->size() != entry.args.size())
        return {{},
                QStringLiteral("%1 espera %2 argumento(s), recebeu %3.")
                    .arg(entry.name)
                    .arg(entry.args.size())
                    .arg(elements->size())};
    Decoded decoded;
    for (int i = 0; i < elements->size(); ++i) {
        QString wireError;
        std::optional<QVariant> value = argumentValue(elements->at(i), &wireError);
        if (!value)
            return {{},
                    QStringLiteral("%1: argumento %2 inválido: %3")
                        .arg(entry.name)
                        .arg(i + 1)
                        .arg(wireError)};
        std::optional<QVariant> coerced = coerce(*value, entry.args.at(i));
        if (!coerced)
            return {{},
                    QStringLiteral("%1: o argumento %2 deve ser %3.")
                        .arg(entry.name)
                        .arg(i + 1)
                        .arg(kindName(entry.args.at(i)))};
        decoded.args.append(*coerced);
    }
    return decoded;
}

// Every by-reference argument goes back, changed or not; never null, which the caller's
// string variables cannot hold.
QByteArray byRefBytes(const MethodEntry& entry, const QVariantList& args) {
    QByteArray out = "{";
    for (int position : entry.byref) {
        if (position < 0 || position >= args.size())
            continue;
        QByteArray value = toWireBytes(args.at(position));
        if (value == "null")
            value = "\"\"";
        if (out.size() > 1)
            out += ',';
        out += '"' + QByteArray::number(position) + "\":" + value;
    }
    return out + '}';
}

HttpAnswer runHandler(const MethodEntry& entry, QVariantList& args, CallContext& context) {
    const bool listRead = context.audit && auth::readsPatientList(entry.name);
    const QVariantList argsBefore = listRead ? args : QVariantList();
    CallResult outcome = entry.handler(context, args);
    if (outcome.failed())
        return {200, compact({{QStringLiteral("error"), outcome.error}})};
    if (listRead)
        auditListRead(context, argsBefore, outcome.result);
    // Written as bytes: a packet result goes through the packet's fast writer.
    // Appended in place: a list answer is hundreds of kilobytes, copied once per "x" + bytes.
    // The small by-reference part first: the client then reads the result, which may be a
    // list of hundreds of kilobytes, in place up to the closing brace.
    QByteArray answer("{");
    if (!entry.byref.isEmpty())
        answer += "\"byref\":" + byRefBytes(entry, args) + ',';
    answer += "\"result\":";
    appendWireBytes(answer, outcome.result);
    answer += '}';
    return {200, std::move(answer)};
}

} // namespace

HttpAnswer errorAnswer(int status, const QString& text) {
    return {status, compact({{QStringLiteral("error"), text}})};
}

HttpAnswer internalErrorAnswer() {
    return errorAnswer(500, QStringLiteral("Erro interno do servidor de aplicação."));
}

Dispatcher::Dispatcher(const MethodRegistry& registry, QString objectName,
                       auth::SessionGate* sessions)
    : registry_(registry), objectName_(std::move(objectName)), sessions_(sessions) {}

HttpAnswer Dispatcher::session(const QString& action, const QByteArray& body,
                               const CallContext& context) const {
    if (!sessions_)
        return errorAnswer(404, QStringLiteral("Este servidor não abre sessões."));
    if (action == QLatin1String("login"))
        return loginAnswer(*sessions_, body, context);
    if (action == QLatin1String("logout"))
        return logoutAnswer(*sessions_, context);
    return errorAnswer(404, QStringLiteral("Recurso desconhecido: %1.").arg(action));
}

HttpAnswer Dispatcher::dispatch(const QString& object, const QString& method,
                                const QByteArray& body, CallContext context) const {
    context.method = method;
    if (!sessions_)
        context.operatorCode = context.claimedOperator;
    else if (std::optional<HttpAnswer> refusal = authenticateCall(*sessions_, context))
        return *refusal;
    if (object != objectName_)
        return errorAnswer(404, QStringLiteral("Objeto desconhecido: %1.").arg(object));
    const MethodEntry* entry = registry_.find(method);
    if (!entry || !entry->handler)
        return errorAnswer(404, QStringLiteral("Método desconhecido: %1.").arg(method));
    Decoded decoded = decodeArguments(*entry, body);
    if (!decoded.error.isEmpty())
        return errorAnswer(400, decoded.error);
    if (sessions_)
        if (std::optional<HttpAnswer> refusal =
                checkOperatorArgument(method, decoded.args, context))
            return *refusal;
    try {
        return runHandler(*entry, decoded.args, context);
    } catch (const std::exception& e) {
        qWarning().noquote() << "dieta-server:" << method << "failed:" << e.what();
    } catch (...) {
        qWarning().noquote() << "dieta-server:" << method << "failed with an unknown exception";
    }
    return internalErrorAnswer();
}

} // namespace dieta::server
