#pragma once
// A throwaway database for one test: a SQLite file in a temporary folder, or a freshly
// created PostgreSQL database (when DIETA_TEST_PG holds a libpq connection string) that is
// dropped again at the end.

#include "platform/sqldatabase.h"

#include <QString>
#include <QTemporaryDir>
#include <memory>

namespace dieta::test {

class TestDatabase {
public:
    // engine: "sqlite" or "postgresql". Call available() first (QSKIP otherwise).
    explicit TestDatabase(const QString& engine);
    ~TestDatabase();
    TestDatabase(const TestDatabase&) = delete;
    TestDatabase& operator=(const TestDatabase&) = delete;

    static bool available(const QString& engine);
    // Adds the _data column "engine" with one row per engine ("sqlite", "postgresql").
    static void addEngineRows();

    SqlDatabase& db() { return *db_; }
    QSqlDatabase connection() { return db_->connection(); }
    void exec(const QString& sql); // throws SqlError

private:
    QTemporaryDir dir_;
    QString pgName_;
    std::unique_ptr<SqlDatabase> db_;
};

} // namespace dieta::test
