#pragma once
// The database engines a suite runs on, one _data() row each, in the manner of Qt's own SQL
// tests: SQLite always; PostgreSQL when DIETA_TEST_PG holds a libpq connection string to a
// cluster where tests may create and drop databases, else that row is skipped with a message
// that says how to turn it on.
//
//   void tst_X::saves_data() { dieta::test::addEngineRows(); }
//   void tst_X::saves() {
//       DIETA_FETCH_ENGINE(engine);
//       dieta::test::TestDatabase database(engine);
//       ...
//   }

#include <QMetaType>
#include <QString>
#include <QtTest>

namespace dieta::test {

enum class TestEngine { SQLite, PostgreSQL };

// The libpq connection string of the test cluster; empty when PostgreSQL suites are off.
QString testPgConnection();
bool engineAvailable(TestEngine engine);
// "sqlite" or "postgresql": the row's name.
QString engineName(TestEngine engine);

// Adds the column "engine" (a TestEngine) with the rows "sqlite" and "postgresql".
void addEngineRows();

inline constexpr const char* kPgOffMessage =
    "PostgreSQL is off: set DIETA_TEST_PG to a libpq connection string of a test cluster, "
    "e.g. \"host=127.0.0.1 port=55432 user=postgres dbname=postgres\"";

} // namespace dieta::test

Q_DECLARE_METATYPE(dieta::test::TestEngine)

// Fetches the row's engine into `name` and skips the row when that engine is off.
#define DIETA_FETCH_ENGINE(name)                                                                   \
    QFETCH(dieta::test::TestEngine, name);                                                         \
    if (!dieta::test::engineAvailable(name))                                                       \
    QSKIP(dieta::test::kPgOffMessage)
