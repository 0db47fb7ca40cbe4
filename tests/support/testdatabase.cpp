#include "tests/support/testdatabase.h"

#include <QTest>

namespace dieta::test {

using namespace Qt::StringLiterals;

namespace {

TestEngine engineNamed(const QString& name) {
    return name == engineName(TestEngine::PostgreSQL) ? TestEngine::PostgreSQL : TestEngine::SQLite;
}

} // namespace

TestDatabase::TestDatabase(TestEngine engine) : engine_(engine) {
    DatabaseConfig config;
    if (engine == TestEngine::SQLite) {
        config.engine = SqlEngine::SQLite;
        config.sqlitePath = dir_.filePath(u"test.db"_s);
    } else {
        pg_ = std::make_unique<ThrowawayPgDatabase>();
        config.engine = SqlEngine::PostgreSQL;
        config.pgConnection = pg_->connection();
    }
    db_ = std::make_unique<SqlDatabase>(config);
}

TestDatabase::TestDatabase(const QString& engineName) : TestDatabase(engineNamed(engineName)) {}

bool TestDatabase::available(const QString& engineName) {
    return engineAvailable(engineNamed(engineName));
}

void TestDatabase::addEngineRows() {
    QTest::addColumn<QString>("engine");
    for (TestEngine engine : {TestEngine::SQLite, TestEngine::PostgreSQL})
        QTest::newRow(qPrintable(engineName(engine))) << engineName(engine);
}

void TestDatabase::exec(const QString& sql) {
    execSql(connection(), sql);
}

} // namespace dieta::test
