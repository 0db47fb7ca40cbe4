#include "tests/support/testserver.h"

#include "contracts/rdmdietaoral.h"
#include "platform/sqldatabase.h"

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
        serverOptions.database = pg_->connection();
    } else {
        serverOptions.database = folder_.filePath(QStringLiteral("dieta.db"));
    }
    serverOptions.host = QStringLiteral("127.0.0.1");
    serverOptions.port = 0;
    serverOptions.demo = options.demo;
    serverOptions.workers = 16;
    serverOptions.extraMethods = options.extraMethods;
    app_ = std::make_unique<server::ServerApp>(serverOptions);
    app_->start();
    if (options.seed)
        options.seed(app_->database());
    connection_ = connect(options.operatorCode);
}

std::unique_ptr<TNetConnection> TestServer::connect(const QString& operatorCode) const {
    auto connection = std::make_unique<TNetConnection>();
    connection->setHost(QStringLiteral("127.0.0.1"));
    connection->setPort(app_->port());
    connection->setServerName(QString::fromLatin1(contracts::rdm::kServerObject));
    connection->setOperator(operatorCode);
    connection->setConnected(true);
    return connection;
}

} // namespace dieta::test
