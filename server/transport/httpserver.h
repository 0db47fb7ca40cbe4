#pragma once
// The HTTP side of the application server: POST /<object>/<method> with {"args": [...]} and
// GET /health, over plain TCP or TLS. One I/O thread serves every connection, event-driven, so
// that an idle or slow connection costs a socket and a few kilobytes, never a thread; the
// methods run on a pool of worker threads because they block on the database. Every limit
// below is checked by the I/O thread before a worker is involved.

#include "platform/tnetconnection.h"
#include "server/methodregistry.h"
#include "server/transport/refusal.h"

#include <QString>
#include <functional>
#include <memory>

namespace dieta {
class SqlDatabase;
}

namespace dieta::server {

namespace auth {
class SessionGate;
}

struct HttpServerOptions {
    QString host = QStringLiteral("127.0.0.1");
    int port = 0; // 0: any free port, see HttpServer::port()
    // The server object served; ServerApp serves the module's (contracts/rdmdietaoral.h).
    QString objectName = QString::fromLatin1(TNetConnection::DefaultServerName);
    // Threads running methods; connections do not hold them.
    int workers = 32;
    // An idle connection stays open this long between requests; the client reuses one only
    // well inside it (TNetConnection::ReuseIdleMs).
    int keepAliveSeconds = TNetConnection::KeepAliveMs / 1000;
    int keepAliveMaxRequests = 1000;
    // The whole request, headers and body, must arrive within this time of its first byte (of
    // the connection's opening for the first request, TLS handshake included).
    int requestTimeoutSeconds = 10;
    // The answer must be taken by the client within this time.
    int writeTimeoutSeconds = 30;
    qint64 maxBodyBytes = 16 * 1024 * 1024;
    int maxHeaderBytes = 4 * 1024; // one header's name and value
    int maxHeaderCount = 64;
    int maxHeaderTotalBytes = 16 * 1024; // request line and every header
    // Connections open at once from one client address.
    int maxConnectionsPerClient = 256;
    // Connections open at once in all; 0: as many as the process's file limit leaves room
    // for. When full, the longest-idle keep-alive connection makes room for a new one.
    int maxConnections = 0;
    // TLS: both files in PEM. Without them the server speaks plain HTTP, which start() allows
    // only on a loopback address unless allowInsecure is set.
    QString certificateFile;
    QString privateKeyFile;
    bool allowInsecure = false;
    // Called for every refusal, on a worker thread (it may use the database), after the log
    // line. Refusals beyond a backlog of pending calls are logged only.
    std::function<void(const RefusalEvent&)> onRefusal;
    // Sessions: every call but GET /health needs one. Null: no sessions (transport tests),
    // the X-Operador header then names the operator.
    auth::SessionGate* sessions = nullptr;
};

class HttpServer {
public:
    // The registry and the database must outlive the server. db may be null (tests).
    HttpServer(const MethodRegistry& registry, SqlDatabase* db, HttpServerOptions options = {});
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    // Binds and starts serving on a thread of its own; throws std::runtime_error when the
    // address cannot be bound, the certificate or key cannot be used, or a non-loopback
    // address would be served without TLS. Connections are accepted once it returns.
    void start();
    // Stops accepting, closes idle connections, lets the running calls finish and answer,
    // and joins every thread.
    void stop();

    bool isRunning() const;
    const QString& host() const;
    int port() const; // the bound port once started
    bool isTls() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace dieta::server
