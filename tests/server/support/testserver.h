#pragma once
// A real application server for one test: ServerApp on 127.0.0.1 and a free port, over a fresh
// SQLite file in a temporary folder or a fresh PostgreSQL database (created on DIETA_TEST_PG
// under a unique name, dropped at the end), optionally filled with demo data, plus a client
// connected as a given operator. Everything stops and is removed in the destructor.
//
//   void tst_X::save_data() { dieta::test::addEngineRows(); }
//   void tst_X::save() {
//       DIETA_FETCH_ENGINE(engine);
//       dieta::test::TestServer server({.engine = engine, .demo = dieta::server::DemoOptions{}});
//       QVERIFY2(server.ok(), qPrintable(server.error()));
//       QVariant result = server.connection().call("GetDiagnost");
//   }

#include "platform/tnetconnection.h"
#include "server/serverapp.h"

#include <QString>
#include <QTemporaryDir>
#include <QtTest>
#include <functional>
#include <memory>
#include <optional>

namespace dieta::test {

enum class TestEngine { SQLite, PostgreSQL };

struct TestServerOptions {
    TestEngine engine = TestEngine::SQLite;
    std::optional<server::DemoOptions> demo = {}; // none: an empty, migrated database
    QString operatorCode = QStringLiteral("NUTRI01");
    // Methods of the test's own, added after the real ones.
    std::function<void(server::MethodRegistry&)> extraMethods = {};
};

// The libpq connection string of the test cluster; empty when PostgreSQL tests are off.
QString testPgConnection();

class TestServer {
public:
    explicit TestServer(TestServerOptions options = {});
    ~TestServer();
    TestServer(const TestServer&) = delete;
    TestServer& operator=(const TestServer&) = delete;

    // false when the server could not be started; error() says why.
    bool ok() const { return error_.isEmpty(); }
    QString error() const { return error_; }

    // Connected as options.operatorCode.
    TNetConnection& connection() { return *connection_; }
    // Another client, connected as the given operator (the caller owns it).
    std::unique_ptr<TNetConnection> connect(const QString& operatorCode) const;

    server::ServerApp& app() { return *app_; }
    SqlDatabase& database() { return app_->database(); }
    int port() const { return app_ ? app_->port() : 0; }

private:
    void start(const TestServerOptions& options);
    QString createPgDatabase();
    void dropPgDatabase();

    QString error_;
    QTemporaryDir folder_;
    QString pgDatabase_; // name of the database created for this test
    std::unique_ptr<server::ServerApp> app_;
    std::unique_ptr<TNetConnection> connection_;
};

// Adds the column "engine" with rows "sqlite" and "postgresql" to a _data() function.
void addEngineRows();

} // namespace dieta::test

Q_DECLARE_METATYPE(dieta::test::TestEngine)

// Fetches the engine of the row and skips the PostgreSQL row when DIETA_TEST_PG is unset.
#define DIETA_FETCH_ENGINE(name)                                                                   \
    QFETCH(dieta::test::TestEngine, name);                                                         \
    if (name == dieta::test::TestEngine::PostgreSQL && dieta::test::testPgConnection().isEmpty())  \
    QSKIP("DIETA_TEST_PG is not set")
