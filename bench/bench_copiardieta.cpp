// Copying a whole branch's day (1,000 patients, 20 menu choices each) with GetCopiarDieta
// through the real server, beside the same copy as two bare INSERT ... SELECT statements on the
// same database in the same run. SQLite always; PostgreSQL too when DIETA_TEST_PG is set.
#include "platform/sqldatabase.h"
#include "platform/tnetconnection.h"
#include "platform/wirevalue.h"
#include "tests/support/largebranch.h"
#include "tests/support/screenpackets.h"
#include "tests/support/serverperengine.h"
#include "tests/support/sqlprobes.h"

#include <QCoreApplication>
#include <benchmark/benchmark.h>

using namespace dieta;
using namespace dieta::test;

namespace {

constexpr int kPatients = 1000;
constexpr int kDishes = 20;
const QDate kOrigin = QDate::currentDate();
const QDate kDestination = kOrigin.addDays(1);

ServerPerEngine& servers() {
    static ServerPerEngine all({.seed = [](SqlDatabase& db) {
        seedLargeBranch(db, kPatients, kDishes, kOrigin);
        // Fresh statistics, as autovacuum keeps them on a hospital's database: without them
        // PostgreSQL plans the joins over the stays for a table of one row.
        if (db.engine() == SqlEngine::PostgreSQL)
            execOn(db, QStringLiteral("ANALYZE"));
    }});
    return all;
}

TestServer& serverFor(TestEngine engine) {
    return servers().get(engine);
}

void clearDestination(SqlDatabase& db) {
    for (const char* table : {"CONFESCO", "SERVINTE"})
        execOn(db, QStringLiteral("DELETE FROM %1 WHERE DTSERVINTE = :D").arg(QLatin1String(table)),
               {{QStringLiteral("D"), kDestination}});
}

int copiedChoices(SqlDatabase& db) {
    return countOf(db, QStringLiteral("SELECT COUNT(*) FROM CONFESCO WHERE DTSERVINTE = :D"),
                   {{QStringLiteral("D"), kDestination}});
}

// withList: the answer carries the screen's new list (one service, 200 patients), as the
// dialog asks; without it the call does the copy alone.
void BM_GetCopiarDieta(benchmark::State& state, TestEngine engine, bool withList) {
    TestServer& server = serverFor(engine);
    const QVariant params =
        withList
            ? fromPacket(listParams(QStringLiteral("0001"), QStringLiteral("00010"), kDestination))
            : QVariant(QString());
    for (auto _ : state) {
        state.PauseTiming();
        clearDestination(server.database());
        state.ResumeTiming();
        QVariantList args{"0001", "T",   "T",          kOrigin,   "T",    "T", "T",
                          true,   false, kDestination, "NUTRI01", params, "T"};
        const QVariant result = server.connection().call(QStringLiteral("GetCopiarDieta"), args);
        if (isServerError(result) || result.toList().value(0).toString() != QString()) {
            state.SkipWithError(qPrintable(serverErrorText(result)));
            break;
        }
    }
    state.counters["choices"] = copiedChoices(server.database());
}

void BM_RawInsertSelect(benchmark::State& state, TestEngine engine) {
    TestServer& server = serverFor(engine);
    const QVariantMap values{{QStringLiteral("F"), QStringLiteral("0001")},
                             {QStringLiteral("O"), kOrigin},
                             {QStringLiteral("D"), kDestination}};
    for (auto _ : state) {
        state.PauseTiming();
        clearDestination(server.database());
        state.ResumeTiming();
        WriteTransaction transaction(server.database());
        execSql(
            transaction.connection(),
            QStringLiteral("INSERT INTO SERVINTE (CDFILIAL, CDPACIENTE, DTSERVINTE, NRSEQUSERV,"
                           " STPACIACOM, CDSERVFILI, CDDIETPAD, DSSERVINTE, DSPRESMEDI,"
                           " IDIMPRSERV, CDOPERADOR, DTULTALTE, NRVERSAO)"
                           " SELECT CDFILIAL, CDPACIENTE, :D, NRSEQUSERV, STPACIACOM, CDSERVFILI,"
                           " CDDIETPAD, DSSERVINTE, DSPRESMEDI, 'N', CDOPERADOR, DTULTALTE, 1"
                           " FROM SERVINTE WHERE CDFILIAL = :F AND DTSERVINTE = :O"),
            values);
        execSql(
            transaction.connection(),
            QStringLiteral("INSERT INTO CONFESCO (CDFILIAL, CDPACIENTE, DTSERVINTE, NRSEQUSERV,"
                           " CDSEQUCOPR, CDTIPOPRAT, CDPRATO, CDFILAUXPRAT, IDESCOCONF,"
                           " IDOPCAOCONF, DSOBSCONF, QTPRATCONF, HRCONSCONF, HRINTECONF,"
                           " HRPERICONF, DTCONSCONF, IDRESTCONF, NRVERSAO)"
                           " SELECT CDFILIAL, CDPACIENTE, :D, NRSEQUSERV, CDSEQUCOPR, CDTIPOPRAT,"
                           " CDPRATO, CDFILAUXPRAT, IDESCOCONF, IDOPCAOCONF, DSOBSCONF,"
                           " QTPRATCONF, HRCONSCONF, HRINTECONF, HRPERICONF, DTCONSCONF,"
                           " IDRESTCONF, 1 FROM CONFESCO WHERE CDFILIAL = :F AND DTSERVINTE = :O"),
            values);
        transaction.commit();
    }
    state.counters["choices"] = copiedChoices(server.database());
}

void registerFor(TestEngine engine, const char* name) {
    const std::string suffix = std::string("/") + name;
    benchmark::RegisterBenchmark(("GetCopiarDieta_withList" + suffix).c_str(), BM_GetCopiarDieta,
                                 engine, true)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark(("GetCopiarDieta_copyOnly" + suffix).c_str(), BM_GetCopiarDieta,
                                 engine, false)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark(("RawInsertSelect" + suffix).c_str(), BM_RawInsertSelect, engine)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    registerFor(TestEngine::SQLite, "sqlite");
    if (engineAvailable(TestEngine::PostgreSQL))
        registerFor(TestEngine::PostgreSQL, "postgresql");
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    servers().clear();
    return 0;
}
