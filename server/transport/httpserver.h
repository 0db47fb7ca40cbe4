#pragma once
// The HTTP side of the application server: POST /<object>/<method> with {"args": [...]} and
// GET /health, on a pool of worker threads. Limits are set here because the HTTP library has
// none by default (body size) or lets a keep-alive connection hold a worker.

#include "platform/tnetconnection.h"
#include "server/methodregistry.h"

#include <QString>
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
    // Above the number of clients: each keep-alive connection holds one worker.
    int workers = 32;
    // Short, so that stopping waits little for idle connections; clients reuse a connection
    // only while it is much younger than this (TNetConnection::ReuseIdleMs).
    int keepAliveSeconds = 2;
    int keepAliveMaxRequests = 1000;
    int readTimeoutSeconds = 10;
    qint64 maxBodyBytes = 16 * 1024 * 1024;
    int maxHeaderBytes = 4 * 1024; // one header's name and value
    int maxHeaderCount = 64;
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
    // address cannot be bound. Connections are accepted once it returns.
    void start();
    // Stops accepting, lets the running calls finish and joins every thread.
    void stop();

    bool isRunning() const;
    const QString& host() const;
    int port() const; // the bound port once started

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace dieta::server
