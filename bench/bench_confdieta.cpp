// SetConfDieta for 50 marked patients (a diet with a 20-dish menu) through the real server,
// answering the screen's new list of their service (200 patients). SQLite always; PostgreSQL
// too when DIETA_TEST_PG is set.
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
constexpr int kMarked = 50;
const QDate kOrigin = QDate::currentDate();
const QDate kDay = kOrigin.addDays(1);

ServerPerEngine& servers() {
    static ServerPerEngine all(
        {.seed = [](SqlDatabase& db) { seedLargeBranch(db, kPatients, kDishes, kOrigin); }});
    return all;
}

TestServer& serverFor(TestEngine engine) {
    return servers().get(engine);
}

// The first 50 patients of service 00010 (every fifth patient of the branch).
DataPacket markedPatients() {
    QList<QStringList> rows;
    for (int p = 0; rows.size() < kMarked; p += 5)
        rows.append({QStringLiteral("P%1").arg(p + 1, 6, 10, QLatin1Char('0')), "0", ""});
    return markedRows(rows, kDay);
}

// The diet's card of the day, every dish chosen.
DataPacket menu() {
    QStringList dishes;
    for (int d = 0; d < kDishes; ++d)
        dishes.append(QStringLiteral("%1|P|%1.01.%2|S|1")
                          .arg(d % 5 + 1, 2, 10, QLatin1Char('0'))
                          .arg(d + 1, 3, 10, QLatin1Char('0')));
    return menuRows(dishes);
}

void BM_SetConfDieta(benchmark::State& state, TestEngine engine) {
    TestServer& server = serverFor(engine);
    const QVariant marked = fromPacket(markedPatients());
    const QVariant rows = fromPacket(menu());
    const QVariant params =
        fromPacket(listParams(QStringLiteral("0001"), QStringLiteral("00010"), kDay));
    for (auto _ : state) {
        QVariantList args{"0001", "00010", kDay, marked, rows, "0001", "0", "NUTRI01", "N", params};
        const QVariant result = server.connection().call(QStringLiteral("SetConfDieta"), args);
        if (!isPacket(result)) {
            state.SkipWithError(qPrintable(serverErrorText(result)));
            break;
        }
    }
    state.counters["choices"] = countOf(
        server.database(), QStringLiteral("SELECT COUNT(*) FROM CONFESCO WHERE DTSERVINTE = :D"),
        {{QStringLiteral("D"), kDay}});
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::RegisterBenchmark("SetConfDieta_50patients/sqlite", BM_SetConfDieta,
                                 TestEngine::SQLite)
        ->Unit(benchmark::kMillisecond);
    if (engineAvailable(TestEngine::PostgreSQL))
        benchmark::RegisterBenchmark("SetConfDieta_50patients/postgresql", BM_SetConfDieta,
                                     TestEngine::PostgreSQL)
            ->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    servers().clear();
    return 0;
}
