#include "server/serverapp.h"

#include "contracts/rdmdietaoral.h"
#include "platform/sqldatabase.h"
#include "server/methods/methods.h"
#include "server/storage/auditqueue.h"
#include "server/storage/changelistener.h"
#include "server/storage/schema.h"
#include "server/transport/httpserver.h"
#include "server/transport/sessioncalls.h"

#include <QDir>
#include <QFileInfo>
#include <stdexcept>

namespace dieta::server {

ServerApp::ServerApp(ServerOptions options) : options_(std::move(options)) {}

ServerApp::~ServerApp() {
    stop();
    changes_.reset(); // before the database it listens to
    sessions_.reset();
    audit_.reset(); // writes what is pending
    if (db_)
        db_->releaseThreadConnection();
}

QString ServerApp::databaseConnection() const {
    if (!options_.database.trimmed().isEmpty())
        return options_.database.trimmed();
    return QDir(options_.dataDir).absoluteFilePath(QStringLiteral("dieta.db"));
}

void ServerApp::start() {
    if (isRunning())
        return;
    const DatabaseConfig config = DatabaseConfig::parse(databaseConnection());
    if (config.engine == SqlEngine::SQLite) {
        const QString folder = QFileInfo(config.sqlitePath).absolutePath();
        if (!QDir().mkpath(folder))
            throw std::runtime_error(
                QStringLiteral("Não foi possível criar a pasta %1.").arg(folder).toStdString());
    }
    if (!db_) {
        auto db = std::make_unique<SqlDatabase>(config);
        migrate(*db);
        if (options_.demo)
            demoCredentials_ = generateDemo(*db, *options_.demo);
        registerAllMethods(registry_);
        if (options_.extraMethods)
            options_.extraMethods(registry_);
        db_ = std::move(db);
        if (db_->engine() == SqlEngine::PostgreSQL)
            changes_ = ChangeListener::start(*db_);
        audit_ = std::make_unique<AuditQueue>(*db_);
        sessions_ = std::make_unique<auth::SessionGate>(*db_, audit_.get(), options_.sessions);
    }
    HttpServerOptions http;
    http.host = options_.host;
    http.port = options_.port;
    http.workers = options_.workers;
    http.certificateFile = options_.certificateFile;
    http.privateKeyFile = options_.privateKeyFile;
    http.allowInsecure = options_.allowInsecure;
    // Every transport refusal reaches the security audit, then whoever else asked for it.
    http.onRefusal = [gate = sessions_.get(), also = options_.onRefusal](const RefusalEvent& e) {
        reportTransportRefusal(gate, e.clientAddress, e.path, refusalReasonName(e.reason));
        if (also)
            also(e);
    };
    http.objectName = QString::fromLatin1(contracts::rdm::kServerObject);
    http.sessions = sessions_.get();
    auto server = std::make_unique<HttpServer>(registry_, db_.get(), http);
    server->start();
    http_ = std::move(server);
}

void ServerApp::stop() {
    if (http_)
        http_->stop();
    http_.reset();
}

bool ServerApp::isRunning() const {
    return http_ && http_->isRunning();
}

QString ServerApp::host() const {
    return options_.host;
}

int ServerApp::port() const {
    return http_ ? http_->port() : 0;
}

AuditQueue& ServerApp::auditQueue() {
    if (!audit_)
        throw std::logic_error("ServerApp::auditQueue() before start()");
    return *audit_;
}

SqlDatabase& ServerApp::database() {
    if (!db_)
        throw std::logic_error("ServerApp::database() before start()");
    return *db_;
}

} // namespace dieta::server
