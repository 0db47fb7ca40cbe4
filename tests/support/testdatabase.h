#pragma once
// A throwaway database for one test: a SQLite file in a temporary folder, or a PostgreSQL
// database of its own (tests/support/pgdatabase.h). Empty: the test creates what it needs.

#include "platform/sqldatabase.h"
#include "tests/support/engine.h"
#include "tests/support/pgdatabase.h"

#include <QString>
#include <QTemporaryDir>
#include <memory>

namespace dieta::test {

class TestDatabase {
public:
    // Skip the row first (DIETA_FETCH_ENGINE); an engine that is off throws.
    explicit TestDatabase(TestEngine engine = TestEngine::SQLite);
    TestDatabase(const TestDatabase&) = delete;
    TestDatabase& operator=(const TestDatabase&) = delete;

    // For suites whose rows still carry the engine's name ("sqlite", "postgresql") instead of
    // a TestEngine; new suites use addEngineRows() and DIETA_FETCH_ENGINE.
    explicit TestDatabase(const QString& engineName);
    static bool available(const QString& engineName);
    static void addEngineRows();

    TestEngine engine() const { return engine_; }
    SqlDatabase& db() { return *db_; }
    QSqlDatabase connection() { return db_->connection(); }
    void exec(const QString& sql); // throws SqlError

private:
    // In this order, so that the connections close before the database is dropped.
    TestEngine engine_;
    QTemporaryDir dir_;
    std::unique_ptr<ThrowawayPgDatabase> pg_;
    std::unique_ptr<SqlDatabase> db_;
};

} // namespace dieta::test
