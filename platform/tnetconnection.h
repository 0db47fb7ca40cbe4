#pragma once
// The client side of the remote calls: one connection to the application server, its host,
// port and server object, the operator sent with every call, and synchronous calls by name.
//
// Calls block the calling thread on a plain socket (no nested event loop, so no handler runs
// again mid-call). A call never throws: every failure comes back as an error result, a QVariant
// holding a ServerError, which Consiste::CheckResultServ shows and abandons on:
//   an answer {"error": t}                 -> ServerError{t}
//   server down, refused, time-out         -> ServerError{"Servidor de aplicação não respondeu..."}
//   a TLS server whose certificate fails   -> ServerError{"Certificado do servidor ... não é
//   confiável..."} an answer that is not our protocol     -> ServerError{"Resposta inválida do
//   servidor..."}
// Only setConnected(true) throws (NetConnectionError), so that a failed connection at the
// creation of a screen propagates to whoever creates it.

#include "platform/platform_export.h"

#include <QElapsedTimer>
#include <QMetaType>
#include <QObject>
#include <QString>
#include <QVariant>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

namespace dieta {

// An error result of a remote call: the text is meant for the operator.
struct ServerError {
    QString text;
    bool operator==(const ServerError&) const = default;
};

} // namespace dieta

Q_DECLARE_METATYPE(dieta::ServerError)

namespace dieta {

inline QVariant makeServerError(const QString& text) {
    return QVariant::fromValue(ServerError{text});
}
inline bool isServerError(const QVariant& v) {
    return v.metaType() == QMetaType::fromType<ServerError>();
}
// The error's text; empty when the value is no error result.
inline QString serverErrorText(const QVariant& v) {
    return isServerError(v) ? v.value<ServerError>().text : QString();
}

// A connection that could not be made. what() is the UTF-8 of text().
class PLATFORM_EXPORT NetConnectionError : public std::runtime_error {
public:
    explicit NetConnectionError(const QString& text);
    QString text() const { return QString::fromUtf8(what()); }
};

class PLATFORM_EXPORT TNetConnection : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString Host READ Host WRITE setHost)
    Q_PROPERTY(int Port READ Port WRITE setPort)
    Q_PROPERTY(QString ServerName READ ServerName WRITE setServerName)
    Q_PROPERTY(QString Operator READ Operator WRITE setOperator)
    Q_PROPERTY(bool Connected READ Connected WRITE setConnected)

public:
    // The server object of a connection whose owner names none. An application names its own
    // (the module: contracts::rdm::kServerObject); a transport left at its defaults serves
    // this one, so that the two meet in tests of the transport itself.
    static constexpr const char* DefaultServerName = "RemoteDataModule";
    static constexpr int DefaultConnectTimeoutMs = 3000;
    static constexpr int DefaultReadTimeoutMs = 60000;
    // The health check at connection answers at once or not at all: a server that accepts
    // but never answers must not hold the operator for the whole read time-out.
    static constexpr int HealthTimeoutMs = 3000;
    // How long the application server keeps an idle connection open (HttpServerOptions).
    static constexpr int KeepAliveMs = 60000;
    // An idle connection is reused only this long, well inside the server's keep-alive time,
    // so that a call never races the server closing the connection under it. A server that
    // announces a shorter keep-alive (Keep-Alive: timeout=N) shortens it.
    static constexpr int ReuseIdleMs = KeepAliveMs - 10000;

    explicit TNetConnection(QObject* parent = nullptr);
    ~TNetConnection() override;

    QString Host() const { return host_; }
    void setHost(const QString& host);
    int Port() const { return port_; }
    void setPort(int port);
    // The remote data module addressed by every call.
    QString ServerName() const { return serverName_; }
    void setServerName(const QString& name);
    // Sent as the X-Operador header of every call; the server refuses it when it differs from
    // the session's operator.
    QString Operator() const { return operator_; }
    void setOperator(const QString& code);

    // The session sent as "Authorization: Bearer" with every call. Without one of its own, a
    // connection uses the process's session (setProcessSession).
    QString SessionToken() const;
    void setSessionToken(const QString& token) { session_ = token; }
    // POST /login: on success keeps the session and takes the operator; else false and the
    // server's Portuguese reason in *error. Connects first when needed.
    bool login(const QString& operatorCode, const QString& password, QString* error = nullptr);
    // POST /logout: the server ends the session; the connection forgets it either way.
    void logout();
    // The host's session: the module opens its own connections, the host logs in once.
    static void setProcessSession(const QString& token);
    static QString processSession();

    // Runs at the start of every connection attempt, before host and port are read: the place
    // to set them from the host's settings. It may throw; the attempt is then abandoned.
    void setBeforeConnect(std::function<void()> handler) { beforeConnect_ = std::move(handler); }

    // Time allowed to open the connection and to wait for each answer.
    void setTimeouts(int connectMs, int readMs);

    // HTTPS towards the server, whose certificate must verify against caFile (PEM; empty:
    // the system's authorities) and name the host. Takes effect at the next connection.
    void setTls(bool on, const QString& caFile = {});
    bool Tls() const { return tls_; }
    // What every new connection starts with; the host sets it once from its settings.
    static void setDefaultTls(bool on, const QString& caFile);

    bool Connected() const;
    // true: BeforeConnect, then GET /health; throws NetConnectionError when the server does not
    // answer as an application server. false: closes the connection. Setting the current
    // state again does nothing.
    void setConnected(bool on);

    // Calls a method of ServerName with positional arguments. By-reference arguments come
    // back changed in args (by position). Returns the result or an error result (see above).
    // Connects first when not connected; a failed connection is an error result too. Only a
    // silent abort (EAbort) thrown by BeforeConnect passes through.
    QVariant call(const QString& method, QVariantList& args);
    QVariant call(const QString& method, const QVariantList& args = {});

    // A second connection to the same server with this one's address, server object, operator,
    // session, time-outs and TLS, not yet connected: for a call that travels beside this
    // connection's. It has no BeforeConnect, so the address is the one this connection used.
    std::unique_ptr<TNetConnection> twin() const;

private:
    void connectNow();
    // POSTs a body to a path of the server; the error result of call() on failure.
    QVariant post(const std::string& path, const QByteArray& body, QVariantList& args,
                  bool expectResult);
    void disconnectNow();
    QString unreachableText() const;
    QString failureText(int error) const;
    void followKeepAlive(const std::string& announced);

    QString host_ = QStringLiteral("127.0.0.1");
    int port_ = 0;
    QString serverName_ = QString::fromLatin1(DefaultServerName);
    QString operator_;
    QString session_;
    std::function<void()> beforeConnect_;
    int connectTimeoutMs_ = DefaultConnectTimeoutMs;
    int readTimeoutMs_ = DefaultReadTimeoutMs;
    bool tls_ = false;
    QString caFile_;
    int reuseIdleMs_ = ReuseIdleMs;

    struct Client;
    std::unique_ptr<Client> client_;
    QElapsedTimer idle_; // since the last answer
};

} // namespace dieta
