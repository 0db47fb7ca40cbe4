#pragma once
// The application server as a whole: opens the database, brings its schema up to date,
// optionally fills it with demo data, registers the methods and serves them over HTTP.
// Used by dieta-server's main() and by the tests, which run it in their own process.

#include "server/auth/sessiongate.h"
#include "server/demo/demodata.h"
#include "server/methodregistry.h"
#include "server/transport/refusal.h"

#include <QString>
#include <functional>
#include <memory>
#include <optional>

namespace dieta {
class SqlDatabase;
}

namespace dieta::server {

class HttpServer;
class AuditQueue;
class ChangeListener;

struct ServerOptions {
    // A SQLite file path or a PostgreSQL connection string; empty: dieta.db under dataDir.
    QString database;
    QString dataDir = QStringLiteral("data");
    QString host = QStringLiteral("127.0.0.1");
    int port = 0;                    // 0: any free port
    std::optional<DemoOptions> demo; // fill an empty database with a demo hospital
    int workers = 32;
    // TLS certificate and key (PEM); without them only a loopback host is served, unless
    // allowInsecure says otherwise.
    QString certificateFile;
    QString privateKeyFile;
    bool allowInsecure = false;
    // Every request or connection the transport refuses (see HttpServerOptions::onRefusal).
    std::function<void(const RefusalEvent&)> onRefusal;
    auth::SessionPolicy sessions; // lifetime, cache trust, login limits
    // Called after the real methods are registered (tests add their own).
    std::function<void(MethodRegistry&)> extraMethods;
};

class ServerApp {
public:
    explicit ServerApp(ServerOptions options);
    ~ServerApp();
    ServerApp(const ServerApp&) = delete;
    ServerApp& operator=(const ServerApp&) = delete;

    // Opens and migrates the database, adds demo data when asked, then listens. Throws
    // std::exception with a readable text when any step fails; nothing is left running.
    void start();
    // Stops serving and joins every thread; the database stays open until destruction.
    void stop();

    bool isRunning() const;
    QString host() const;
    int port() const;
    // The database file or connection string actually used.
    QString databaseConnection() const;
    SqlDatabase& database();
    const MethodRegistry& registry() const { return registry_; }
    // The passwords the demo gave its operators at this start; empty when the demo was there.
    const QList<DemoCredential>& demoCredentials() const { return demoCredentials_; }
    // Where logins, refusals and list reads are audited; flush() it to see them written.
    AuditQueue& auditQueue();

private:
    ServerOptions options_;
    MethodRegistry registry_;
    std::unique_ptr<SqlDatabase> db_;
    QList<DemoCredential> demoCredentials_;
    std::shared_ptr<ChangeListener> changes_; // PostgreSQL
    std::unique_ptr<AuditQueue> audit_;
    std::unique_ptr<auth::SessionGate> sessions_;
    std::unique_ptr<HttpServer> http_;
};

} // namespace dieta::server
