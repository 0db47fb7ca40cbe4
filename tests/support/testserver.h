#pragma once
// A real application server for one test: ServerApp on 127.0.0.1 and a free port, over a fresh
// SQLite file in a temporary folder or a PostgreSQL database of its own, optionally filled
// with demo data or seeded by the test, plus a client logged in as a given operator.
// Everything stops and is removed in the destructor.
//
// Clients log in as the host does (POST /login with the operator's password): the fixture
// registers the operator when the database lacks it and gives it a password of its own,
// hashed at the cheap cost kept for tests.
//
//   void tst_X::save_data() { dieta::test::addEngineRows(); }
//   void tst_X::save() {
//       DIETA_FETCH_ENGINE(engine);
//       dieta::test::TestServer server({.engine = engine, .seed = seedMyHospital});
//       QVERIFY2(server.ok(), qPrintable(server.error()));
//       QVariant result = server.connection().call("GetDiagnost");
//   }

#include "platform/tnetconnection.h"
#include "server/serverapp.h"
#include "tests/support/engine.h"
#include "tests/support/pgdatabase.h"

#include <QHash>
#include <QString>
#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

namespace dieta::test {

struct TestServerOptions {
    TestEngine engine = TestEngine::SQLite;
    std::optional<server::DemoOptions> demo = {}; // none: an empty, migrated database
    // Fills the migrated database before the first client connects.
    std::function<void(SqlDatabase&)> seed = {};
    QString operatorCode = QStringLiteral("NUTRI01");
    // Methods of the test's own, added after the real ones.
    std::function<void(server::MethodRegistry&)> extraMethods = {};
    server::auth::SessionPolicy sessions = {}; // session lifetime, cache, login limits
    // PostgreSQL: the connection string the server uses, given its database's (a relay).
    std::function<QString(const QString&)> routeDatabase = {};
};

class TestServer {
public:
    explicit TestServer(TestServerOptions options = {});
    ~TestServer();
    TestServer(const TestServer&) = delete;
    TestServer& operator=(const TestServer&) = delete;

    // false when the server could not be started or seeded; error() says why.
    bool ok() const { return error_.isEmpty(); }
    QString error() const { return error_; }

    // Logged in as options.operatorCode (at the first call).
    TNetConnection& connection();
    // Another client, logged in as the given operator (the caller owns it). Any thread once
    // the operator has its password (passwordOf).
    std::unique_ptr<TNetConnection> connect(const QString& operatorCode) const;
    // The operator's password, given it first when needed; the first call for an operator
    // writes to the database on this thread's connection, so make it on the test's thread.
    QString passwordOf(const QString& operatorCode) const;
    // A session of the operator for clients made elsewhere (the module's, through
    // TNetConnection::setProcessSession); one per operator, opened at the first request.
    QString sessionOf(const QString& operatorCode) const;
    // A client connected without a session (the caller owns it).
    std::unique_ptr<TNetConnection> connectWithoutSession() const;

    server::ServerApp& app() { return *app_; }
    SqlDatabase& database() { return app_->database(); }
    int port() const { return app_ ? app_->port() : 0; }

private:
    void start(const TestServerOptions& options);

    // In this order, so that the server stops before its database goes.
    QString error_;
    QTemporaryDir folder_;
    std::unique_ptr<ThrowawayPgDatabase> pg_;
    std::unique_ptr<server::ServerApp> app_;
    std::unique_ptr<TNetConnection> connection_;
    QString operatorCode_;
    mutable std::mutex passwordsLock_;
    mutable QHash<QString, QString> passwords_;
    mutable QHash<QString, QString> sessions_;
};

} // namespace dieta::test
