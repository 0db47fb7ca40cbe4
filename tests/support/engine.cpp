#include "tests/support/engine.h"

namespace dieta::test {

QString testPgConnection() {
    return qEnvironmentVariable("DIETA_TEST_PG").trimmed();
}

bool engineAvailable(TestEngine engine) {
    return engine == TestEngine::SQLite || !testPgConnection().isEmpty();
}

QString engineName(TestEngine engine) {
    return engine == TestEngine::SQLite ? QStringLiteral("sqlite") : QStringLiteral("postgresql");
}

void addEngineRows() {
    QTest::addColumn<TestEngine>("engine");
    for (TestEngine engine : {TestEngine::SQLite, TestEngine::PostgreSQL})
        QTest::newRow(qPrintable(engineName(engine))) << engine;
}

} // namespace dieta::test
