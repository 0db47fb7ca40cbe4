#include "platform/tnetconnection.h"

#include "platform/wirebytes.h"
#include "platform/wirevalue.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <csignal>
#include <httplib.h>
#include <mutex>

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
    QByteArray body = "{\"args\":[";
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (i > 0)
            body += ',';
        body += toWireBytes(args.at(i));
    }
    return body + "]}";
}

// Decodes the by-reference values into a separate list first, so that a bad answer leaves
// the caller's arguments untouched.
bool readByRef(std::optional<QByteArrayView> byref, QVariantList& args) {
    if (!byref || *byref == "null")
        return true;
    const std::optional<WireMembers> values = wireObjectMembers(*byref);
    if (!values)
        return false;
    QList<std::pair<int, QVariant>> decoded;
    for (const auto& [key, bytes] : *values) {
        bool numeric = false;
        const int position = key.toInt(&numeric);
        if (!numeric || position < 0 || position >= args.size())
            return false;
        std::optional<QVariant> value = fromWireBytes(bytes);
        if (!value)
            return false;
        decoded.append({position, *value});
    }
    for (const auto& [position, value] : decoded)
        args[position] = value;
    return true;
}

std::optional<QByteArrayView> member(const WireMembers& members, QStringView key) {
    for (const auto& [name, bytes] : members)
        if (name == key)
            return bytes;
    return std::nullopt;
}

// The server writes a success as {"result":R} or, with by-reference values, as
// {"byref":B,"result":R}: R, a list of hundreds of kilobytes, is then read in place, without a
// scan of the whole answer to find its members. Anything else (another order, blanks, more
// members, an older server) is read member by member.
std::optional<QVariant> readCompactResult(QByteArrayView bytes, QVariantList& args) {
    static constexpr QByteArrayView resultHead = "{\"result\":";
    static constexpr QByteArrayView resultNext = ",\"result\":";
    if (!bytes.endsWith('}'))
        return std::nullopt;
    std::optional<QByteArrayView> byref;
    QByteArrayView resultBytes;
    if (bytes.startsWith(resultHead)) {
        resultBytes = bytes.sliced(resultHead.size(), bytes.size() - resultHead.size() - 1);
    } else {
        const std::optional<WireFirstMember> first = wireFirstMember(bytes);
        if (!first || first->key != u"byref" || !first->rest.startsWith(resultNext))
            return std::nullopt;
        byref = first->value;
        resultBytes =
            first->rest.sliced(resultNext.size(), first->rest.size() - resultNext.size() - 1);
    }
    std::optional<QVariant> result = fromWireBytes(resultBytes);
    // A by-reference part that does not read leaves args untouched.
    if (!result || !readByRef(byref, args))
        return std::nullopt;
    return result;
}

QVariant readAnswer(int status, const std::string& body, QVariantList& args) {
    const QByteArrayView bytes(body.data(), qsizetype(body.size()));
    if (status == 200)
        if (std::optional<QVariant> result = readCompactResult(bytes, args))
            return *std::move(result);
    const std::optional<WireMembers> answer = wireObjectMembers(bytes);
    if (!answer)
        return makeServerError(invalidAnswerText(status));
    if (const auto error = member(*answer, u"error")) {
        const std::optional<QVariant> text = fromWireBytes(*error);
        if (!text || text->typeId() != QMetaType::QString)
            return makeServerError(invalidAnswerText(status));
        return makeServerError(text->toString());
    }
    const std::optional<QByteArrayView> resultBytes = member(*answer, u"result");
    if (status != 200 || !resultBytes)
        return makeServerError(invalidAnswerText(status));
    std::optional<QVariant> result = fromWireBytes(*resultBytes);
    if (!result || !readByRef(member(*answer, u"byref"), args))
        return makeServerError(invalidAnswerText(status));
    return *result;
}

// The answer of /login or /logout: a JSON object, or its error.
QVariant readPlainAnswer(int status, const std::string& body) {
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(body));
    if (!document.isObject())
        return makeServerError(invalidAnswerText(status));
    const QJsonObject object = document.object();
    if (object.contains(QLatin1String("error")))
        return makeServerError(object.value(QLatin1String("error")).toString());
    if (status != 200)
        return makeServerError(invalidAnswerText(status));
    return QVariant::fromValue(object);
}

bool isHealthy(const httplib::Result& res) {
    if (!res || res->status != 200)
        return false;
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(res->body));
    return document.object().value(QLatin1String("status")).toString() == QLatin1String("ok");
}

// Writing to a socket the server has closed raises SIGPIPE, whose default action ends the
// whole host. The HTTP library only ignores it in its server; do it for the client too, unless
// the application has chosen a handler of its own.
void ignoreBrokenPipes() {
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction current {};
        if (sigaction(SIGPIPE, nullptr, &current) == 0 && current.sa_handler == SIG_DFL)
            std::signal(SIGPIPE, SIG_IGN);
    });
}

void setTimeout(httplib::Client& client, void (httplib::Client::*setter)(time_t, time_t), int ms) {
    (client.*setter)(ms / 1000, (ms % 1000) * 1000);
}

struct TlsDefault {
    std::mutex mutex;
    bool on = false;
    QString caFile;
};

TlsDefault& tlsDefault() {
    static TlsDefault value;
    return value;
}

std::string schemeHostPort(bool tls, const QString& host, int port) {
    const QString bracketed = host.contains(QLatin1Char(':')) ? '[' + host + ']' : host;
    return QStringLiteral("%1://%2:%3")
        .arg(tls ? QLatin1String("https") : QLatin1String("http"), bracketed)
        .arg(port)
        .toStdString();
}

// The seconds of "timeout=N" in a Keep-Alive header; 0 when there is none.
int announcedKeepAlive(const std::string& header) {
    static const QRegularExpression timeout(QStringLiteral("timeout\\s*=\\s*(\\d{1,6})"),
                                            QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = timeout.match(QString::fromStdString(header));
    return match.hasMatch() ? match.captured(1).toInt() : 0;
}

} // namespace

NetConnectionError::NetConnectionError(const QString& text)
    : std::runtime_error(text.toStdString()) {}

struct TNetConnection::Client {
    Client(bool tls, const QString& host, int port) : http(schemeHostPort(tls, host, port)) {}
    httplib::Client http;
};

TNetConnection::TNetConnection(QObject* parent) : QObject(parent) {
    TlsDefault& defaults = tlsDefault();
    std::lock_guard lock(defaults.mutex);
    tls_ = defaults.on;
    caFile_ = defaults.caFile;
}

void TNetConnection::setDefaultTls(bool on, const QString& caFile) {
    TlsDefault& defaults = tlsDefault();
    std::lock_guard lock(defaults.mutex);
    defaults.on = on;
    defaults.caFile = caFile;
}

void TNetConnection::setTls(bool on, const QString& caFile) {
    disconnectNow();
    tls_ = on;
    caFile_ = caFile;
}

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

namespace {

QString& processToken() {
    static QString token;
    return token;
}

httplib::Headers callHeaders(const QString& operatorCode, const QString& session) {
    httplib::Headers headers{{"X-Operador", headerValue(operatorCode)}};
    if (!session.isEmpty())
        headers.emplace("Authorization", "Bearer " + headerValue(session));
    return headers;
}

} // namespace

void TNetConnection::setProcessSession(const QString& token) {
    processToken() = token;
}

QString TNetConnection::processSession() {
    return processToken();
}

QString TNetConnection::SessionToken() const {
    return session_.isEmpty() ? processToken() : session_;
}

bool TNetConnection::login(const QString& operatorCode, const QString& password, QString* error) {
    QJsonObject request{{QStringLiteral("operator"), operatorCode},
                        {QStringLiteral("password"), password}};
    QVariantList noArgs;
    const QVariant answer = post("/login", QJsonDocument(request).toJson(QJsonDocument::Compact),
                                 noArgs, /*expectResult=*/false);
    if (isServerError(answer)) {
        if (error)
            *error = serverErrorText(answer);
        return false;
    }
    const QJsonObject reply = answer.value<QJsonObject>();
    const QString token = reply.value(QLatin1String("token")).toString();
    if (token.isEmpty()) {
        if (error)
            *error = invalidAnswerText(200);
        return false;
    }
    session_ = token;
    operator_ = reply.value(QLatin1String("operator")).toString(operatorCode);
    return true;
}

void TNetConnection::logout() {
    if (!session_.isEmpty()) {
        QVariantList noArgs;
        post("/logout", "{}", noArgs, false);
    }
    session_.clear();
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

QString TNetConnection::failureText(int error) const {
    switch (httplib::Error(error)) {
    case httplib::Error::Read:
        return QStringLiteral("Servidor de aplicação não respondeu a tempo (%1:%2).")
            .arg(host_)
            .arg(port_);
    case httplib::Error::SSLServerVerification:
        return QStringLiteral("Certificado do servidor de aplicação não é confiável (%1:%2).")
            .arg(host_)
            .arg(port_);
    case httplib::Error::SSLConnection:
        return QStringLiteral("Conexão segura com o servidor de aplicação falhou (%1:%2).")
            .arg(host_)
            .arg(port_);
    case httplib::Error::SSLLoadingCerts:
        return QStringLiteral("Certificados de confiança ilegíveis: %1.").arg(caFile_);
    default:
        return unreachableText();
    }
}

// Keeps the reuse window inside the keep-alive the server announces, with a margin for the
// time an answer and the next request spend on the way.
void TNetConnection::followKeepAlive(const std::string& announced) {
    const int seconds = announcedKeepAlive(announced);
    if (seconds <= 0)
        return;
    const int serverMs = seconds * 1000;
    reuseIdleMs_ = qBound(0, serverMs - qMax(1000, serverMs / 6), int(ReuseIdleMs));
}

void TNetConnection::connectNow() {
    ignoreBrokenPipes();
    if (beforeConnect_)
        beforeConnect_();
    if (host_.trimmed().isEmpty() || port_ <= 0 || port_ > 65535)
        throw NetConnectionError(
            QStringLiteral("Endereço do servidor de aplicação inválido (%1:%2).")
                .arg(host_)
                .arg(port_));
    if (tls_ && !caFile_.isEmpty() && !QFileInfo(caFile_).isReadable())
        throw NetConnectionError(
            QStringLiteral("Certificados de confiança ilegíveis: %1.").arg(caFile_));
    auto client = std::make_unique<Client>(tls_, host_, port_);
    if (tls_) {
        if (!caFile_.isEmpty())
            client->http.set_ca_cert_path(caFile_.toStdString());
        client->http.enable_server_certificate_verification(true);
    }
    setTimeout(client->http, &httplib::Client::set_connection_timeout, connectTimeoutMs_);
    const int healthMs = qMin(readTimeoutMs_, int(HealthTimeoutMs));
    setTimeout(client->http, &httplib::Client::set_read_timeout, healthMs);
    setTimeout(client->http, &httplib::Client::set_write_timeout, healthMs);
    client->http.set_keep_alive(true);
    client->http.set_tcp_nodelay(true);
    const httplib::Result health = client->http.Get("/health");
    if (!health)
        throw NetConnectionError(failureText(int(health.error())));
    if (!isHealthy(health))
        throw NetConnectionError(unreachableText());
    reuseIdleMs_ = ReuseIdleMs;
    followKeepAlive(health->get_header_value("Keep-Alive"));
    setTimeout(client->http, &httplib::Client::set_read_timeout, readTimeoutMs_);
    setTimeout(client->http, &httplib::Client::set_write_timeout, readTimeoutMs_);
    client_ = std::move(client);
    idle_.start();
}

std::unique_ptr<TNetConnection> TNetConnection::twin() const {
    auto other = std::make_unique<TNetConnection>();
    other->host_ = host_;
    other->port_ = port_;
    other->serverName_ = serverName_;
    other->operator_ = operator_;
    other->session_ = SessionToken(); // read here, not from the twin's thread
    other->connectTimeoutMs_ = connectTimeoutMs_;
    other->readTimeoutMs_ = readTimeoutMs_;
    other->tls_ = tls_;
    other->caFile_ = caFile_;
    return other;
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
    const std::string path = "/" + serverName_.toStdString() + "/" + method.toStdString();
    return post(path, requestBody(args), args, true);
}

QVariant TNetConnection::post(const std::string& path, const QByteArray& body, QVariantList& args,
                              bool expectResult) {
    if (!client_) {
        try {
            connectNow();
        } catch (const NetConnectionError& error) {
            return makeServerError(error.text());
        } catch (const std::exception& error) { // from BeforeConnect
            return makeServerError(QString::fromUtf8(error.what()));
        }
    }
    if (idle_.isValid() && idle_.elapsed() > reuseIdleMs_)
        client_->http.stop(); // the next request opens a fresh connection
    httplib::Result res = client_->http.Post(path.c_str(), callHeaders(operator_, SessionToken()),
                                             body.constData(), size_t(body.size()), jsonType);
    if (!res)
        return makeServerError(failureText(int(res.error())));
    idle_.start();
    followKeepAlive(res->get_header_value("Keep-Alive"));
    if (!expectResult)
        return readPlainAnswer(res->status, res->body);
    return readAnswer(res->status, res->body, args);
}

} // namespace dieta
