#include "tests/server/support/testserver.h"

#include "contracts/rdmdietaoral.h"
#include "platform/sqldatabase.h"

#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

namespace dieta::test {

namespace {

// The same connection string, pointing at another database.
QString withDatabase(const QString& connection, const QString& name) {
    static const QRegularExpression dbname(QStringLiteral("\\bdbname\\s*=\\s*\\S+"));
    QString result = connection;
    if (result.contains(dbname))
        return result.replace(dbname, QStringLiteral("dbname=") + name);
    return result + QStringLiteral(" dbname=") + name;
}

// Runs one administrative statement on the cluster's maintenance database.
void execAdmin(const QString& statement) {
    SqlDatabase admin(DatabaseConfig::parse(testPgConnection()));
    {
        QSqlQuery query(admin.connection());
        if (!query.exec(statement))
            throw SqlError(query.lastError().text().toStdString());
    }
    admin.releaseThreadConnection();
}

} // namespace

QString testPgConnection() {
    return qEnvironmentVariable("DIETA_TEST_PG").trimmed();
}

TestServer::TestServer(TestServerOptions options) {
    try {
        start(options);
    } catch (const std::exception& e) {
        error_ = QStringLiteral("the test server did not start: ") + QString::fromUtf8(e.what());
    }
}

TestServer::~TestServer() {
    connection_.reset();
    app_.reset();
    try {
        dropPgDatabase();
    } catch (const std::exception& e) {
        qWarning("TestServer: %s", e.what());
    }
}

void TestServer::start(const TestServerOptions& options) {
    if (!folder_.isValid())
        throw std::runtime_error("no temporary folder");
    server::ServerOptions serverOptions;
    serverOptions.dataDir = folder_.path();
    serverOptions.database = options.engine == TestEngine::PostgreSQL
                                 ? createPgDatabase()
                                 : folder_.filePath(QStringLiteral("dieta.db"));
    serverOptions.host = QStringLiteral("127.0.0.1");
    serverOptions.port = 0;
    serverOptions.demo = options.demo;
    serverOptions.workers = 16;
    serverOptions.extraMethods = options.extraMethods;
    app_ = std::make_unique<server::ServerApp>(serverOptions);
    app_->start();
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

QString TestServer::createPgDatabase() {
    if (testPgConnection().isEmpty())
        throw std::runtime_error("DIETA_TEST_PG is not set");
    const QString name =
        QStringLiteral("dieta_t_") + QUuid::createUuid().toString(QUuid::Id128).left(20);
    execAdmin(QStringLiteral("CREATE DATABASE ") + name);
    pgDatabase_ = name;
    return withDatabase(testPgConnection(), name);
}

void TestServer::dropPgDatabase() {
    if (pgDatabase_.isEmpty())
        return;
    const QString name = std::exchange(pgDatabase_, QString());
    execAdmin(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(name));
}

void addEngineRows() {
    QTest::addColumn<TestEngine>("engine");
    QTest::newRow("sqlite") << TestEngine::SQLite;
    QTest::newRow("postgresql") << TestEngine::PostgreSQL;
}

} // namespace dieta::test
