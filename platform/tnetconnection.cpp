#include "platform/tnetconnection.h"

#include "platform/wirevalue.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <httplib.h>

namespace dieta {

namespace {

const char* const jsonType = "application/json";

QString invalidAnswerText(int status) {
    if (status == 200)
        return QStringLiteral("Resposta inválida do servidor de aplicação.");
    return QStringLiteral("Resposta inválida do servidor de aplicação (HTTP %1).").arg(status);
}

bool isValidMethodName(const QString& name) {
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    return pattern.match(name).hasMatch();
}

// A header value may not carry line breaks: they would start a header of the caller's choice.
std::string headerValue(const QString& text) {
    QString clean = text;
    clean.remove(QLatin1Char('\r')).remove(QLatin1Char('\n'));
    return clean.toStdString();
}

QByteArray requestBody(const QVariantList& args) {
    QJsonArray wire;
    for (const QVariant& arg : args)
        wire.append(toWire(arg));
    return QJsonDocument(QJsonObject{{QStringLiteral("args"), wire}})
        .toJson(QJsonDocument::Compact);
}

// Decodes the by-reference values into a separate list first, so that a bad answer leaves
// the caller's arguments untouched.
bool readByRef(const QJsonValue& byref, QVariantList& args) {
    if (byref.isUndefined() || byref.isNull())
        return true;
    if (!byref.isObject())
        return false;
    const QJsonObject values = byref.toObject();
    QList<std::pair<int, QVariant>> decoded;
    for (auto it = values.begin(); it != values.end(); ++it) {
        bool numeric = false;
        const int position = it.key().toInt(&numeric);
        if (!numeric || position < 0 || position >= args.size())
            return false;
        std::optional<QVariant> value = fromWire(it.value());
        if (!value)
            return false;
        decoded.append({position, *value});
    }
    for (const auto& [position, value] : decoded)
        args[position] = value;
    return true;
}

QVariant readAnswer(int status, const std::string& body, QVariantList& args) {
    QJsonParseError parseError;
    const QJsonDocument document =
        QJsonDocument::fromJson(QByteArray::fromStdString(body), &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isObject())
        return makeServerError(invalidAnswerText(status));
    const QJsonObject answer = document.object();
    if (answer.contains(QLatin1String("error"))) {
        const QJsonValue error = answer.value(QLatin1String("error"));
        if (!error.isString())
            return makeServerError(invalidAnswerText(status));
        return makeServerError(error.toString());
    }
    if (status != 200 || !answer.contains(QLatin1String("result")))
        return makeServerError(invalidAnswerText(status));
    std::optional<QVariant> result = fromWire(answer.value(QLatin1String("result")));
    if (!result || !readByRef(answer.value(QLatin1String("byref")), args))
        return makeServerError(invalidAnswerText(status));
    return *result;
}

bool isHealthy(const httplib::Result& res) {
    if (!res || res->status != 200)
        return false;
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(res->body));
    return document.object().value(QLatin1String("status")).toString() == QLatin1String("ok");
}

void setTimeout(httplib::Client& client, void (httplib::Client::*setter)(time_t, time_t), int ms) {
    (client.*setter)(ms / 1000, (ms % 1000) * 1000);
}

} // namespace

NetConnectionError::NetConnectionError(const QString& text)
    : std::runtime_error(text.toStdString()) {}

struct TNetConnection::Client {
    Client(const QString& host, int port) : http(host.toStdString(), port) {}
    httplib::Client http;
};

TNetConnection::TNetConnection(QObject* parent) : QObject(parent) {}

TNetConnection::~TNetConnection() = default;

// Changing the address takes effect at the next connection.
void TNetConnection::setHost(const QString& host) {
    if (host != host_)
        disconnectNow();
    host_ = host;
}

void TNetConnection::setPort(int port) {
    if (port != port_)
        disconnectNow();
    port_ = port;
}

void TNetConnection::setServerName(const QString& name) {
    serverName_ = name;
}

void TNetConnection::setOperator(const QString& code) {
    operator_ = code;
}

void TNetConnection::setTimeouts(int connectMs, int readMs) {
    connectTimeoutMs_ = qMax(1, connectMs);
    readTimeoutMs_ = qMax(1, readMs);
    disconnectNow();
}

bool TNetConnection::Connected() const {
    return client_ != nullptr;
}

void TNetConnection::setConnected(bool on) {
    if (on == Connected())
        return;
    if (on)
        connectNow();
    else
        disconnectNow();
}

QString TNetConnection::unreachableText() const {
    return QStringLiteral("Servidor de aplicação não respondeu (%1:%2).").arg(host_).arg(port_);
}

void TNetConnection::connectNow() {
    if (beforeConnect_)
        beforeConnect_();
    if (host_.trimmed().isEmpty() || port_ <= 0 || port_ > 65535)
        throw NetConnectionError(
            QStringLiteral("Endereço do servidor de aplicação inválido (%1:%2).")
                .arg(host_)
                .arg(port_));
    auto client = std::make_unique<Client>(host_, port_);
    setTimeout(client->http, &httplib::Client::set_connection_timeout, connectTimeoutMs_);
    setTimeout(client->http, &httplib::Client::set_read_timeout, readTimeoutMs_);
    setTimeout(client->http, &httplib::Client::set_write_timeout, readTimeoutMs_);
    client->http.set_keep_alive(true);
    client->http.set_tcp_nodelay(true);
    if (!isHealthy(client->http.Get("/health")))
        throw NetConnectionError(unreachableText());
    client_ = std::move(client);
    idle_.start();
}

void TNetConnection::disconnectNow() {
    if (client_)
        client_->http.stop();
    client_.reset();
}

QVariant TNetConnection::call(const QString& method, const QVariantList& args) {
    QVariantList copy = args;
    return call(method, copy);
}

QVariant TNetConnection::call(const QString& method, QVariantList& args) {
    if (!isValidMethodName(method) || !isValidMethodName(QString(serverName_).remove('.')))
        return makeServerError(QStringLiteral("Método inválido: %1.%2").arg(serverName_, method));
    if (!client_) {
        try {
            connectNow();
        } catch (const NetConnectionError& error) {
            return makeServerError(error.text());
        }
    }
    const httplib::Headers headers{{"X-Operador", headerValue(operator_)}};
    const std::string path = "/" + serverName_.toStdString() + "/" + method.toStdString();
    const QByteArray body = requestBody(args);
    if (idle_.isValid() && idle_.elapsed() > ReuseIdleMs)
        client_->http.stop(); // the next request opens a fresh connection
    httplib::Result res =
        client_->http.Post(path.c_str(), headers, body.constData(), size_t(body.size()), jsonType);
    if (!res) {
        if (res.error() == httplib::Error::Read)
            return makeServerError(
                QStringLiteral("Servidor de aplicação não respondeu a tempo (%1:%2).")
                    .arg(host_)
                    .arg(port_));
        return makeServerError(unreachableText());
    }
    idle_.start();
    return readAnswer(res->status, res->body, args);
}

} // namespace dieta
