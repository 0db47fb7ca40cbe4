#include "tests/support/testserver.h"

#include "contracts/rdmdietaoral.h"
#include "platform/sqldatabase.h"
#include "server/auth/operators.h"

#include <stdexcept>

namespace dieta::test {

TestServer::TestServer(TestServerOptions options) {
    try {
        start(options);
    } catch (const std::exception& e) {
        error_ = QStringLiteral("the test server did not start: ") + QString::fromUtf8(e.what());
    }
}

TestServer::~TestServer() = default;

void TestServer::start(const TestServerOptions& options) {
    if (!folder_.isValid())
        throw std::runtime_error("no temporary folder");
    server::ServerOptions serverOptions;
    serverOptions.dataDir = folder_.path();
    if (options.engine == TestEngine::PostgreSQL) {
        pg_ = std::make_unique<ThrowawayPgDatabase>();
        serverOptions.database =
            options.routeDatabase ? options.routeDatabase(pg_->connection()) : pg_->connection();
    } else {
        serverOptions.database = folder_.filePath(QStringLiteral("dieta.db"));
    }
    serverOptions.host = QStringLiteral("127.0.0.1");
    serverOptions.port = 0;
    serverOptions.demo = options.demo;
    if (serverOptions.demo)
        serverOptions.demo->passwordCost = server::auth::PasswordCost::Minimal;
    serverOptions.workers = 16;
    serverOptions.extraMethods = options.extraMethods;
    serverOptions.sessions = options.sessions;
    app_ = std::make_unique<server::ServerApp>(serverOptions);
    app_->start();
    if (options.seed)
        options.seed(app_->database());
    operatorCode_ = options.operatorCode;
}

// At first use, so that a test may still seed its operators after the server started.
TNetConnection& TestServer::connection() {
    if (!connection_)
        connection_ = connect(operatorCode_);
    return *connection_;
}

QString TestServer::passwordOf(const QString& operatorCode) const {
    std::lock_guard guard(passwordsLock_);
    if (const auto known = passwords_.constFind(operatorCode); known != passwords_.constEnd())
        return *known;
    SqlDatabase& db = app_->database();
    if (!server::auth::findOperator(db.connection(), operatorCode))
        server::auth::addOperator(db, operatorCode, operatorCode);
    const QString password = server::auth::randomSecret(12);
    server::auth::setPassword(db, operatorCode, password, server::auth::PasswordCost::Minimal);
    passwords_.insert(operatorCode, password);
    return password;
}

QString TestServer::sessionOf(const QString& operatorCode) const {
    {
        std::lock_guard guard(passwordsLock_);
        if (const auto known = sessions_.constFind(operatorCode); known != sessions_.constEnd())
            return *known;
    }
    const QString token = connect(operatorCode)->SessionToken();
    std::lock_guard guard(passwordsLock_);
    sessions_.insert(operatorCode, token);
    return token;
}

std::unique_ptr<TNetConnection> TestServer::connectWithoutSession() const {
    auto connection = std::make_unique<TNetConnection>();
    connection->setHost(QStringLiteral("127.0.0.1"));
    connection->setPort(app_->port());
    connection->setServerName(QString::fromLatin1(contracts::rdm::kServerObject));
    connection->setConnected(true);
    return connection;
}

std::unique_ptr<TNetConnection> TestServer::connect(const QString& operatorCode) const {
    std::unique_ptr<TNetConnection> connection = connectWithoutSession();
    QString refusal;
    if (!connection->login(operatorCode, passwordOf(operatorCode), &refusal))
        throw std::runtime_error(
            QStringLiteral("%1 could not log in: %2").arg(operatorCode, refusal).toStdString());
    return connection;
}

} // namespace dieta::test
