// SetConfDieta for 50 marked patients (a diet with a 20-dish menu) through the real server,
// answering the screen's new list of their service (200 patients), beside its floor in the
// same run: the same records and choices written set-based (one UPDATE, one DELETE and one
// INSERT ... SELECT in one transaction). SQLite always; PostgreSQL too when DIETA_TEST_PG is set.
#include "platform/sqldatabase.h"
#include "platform/tnetconnection.h"
#include "platform/wirevalue.h"
#include "tests/support/largebranch.h"
#include "tests/support/screenpackets.h"
#include "tests/support/serverperengine.h"
#include "tests/support/sqlprobes.h"

#include <QCoreApplication>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <ctime>
#include <string>
#include <vector>

using namespace dieta;
using namespace dieta::test;

namespace {

constexpr int kPatients = 1000;
constexpr int kDishes = 20;
constexpr int kMarked = 50;
const QDate kOrigin = QDate::currentDate();
const QDate kDay = kOrigin.addDays(1);

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

// CPU time of the whole process (client, server threads, SQLite) in milliseconds: on a loaded
// machine the wall clock mostly measures the wait for a core; this does not.
double processCpuMillis() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

void BM_SetConfDieta(benchmark::State& state, TestEngine engine) {
    TestServer& server = serverFor(engine);
    const QVariant marked = fromPacket(markedPatients());
    const QVariant rows = fromPacket(menu());
    const QVariant params =
        fromPacket(listParams(QStringLiteral("0001"), QStringLiteral("00010"), kDay));
    const double cpuStart = processCpuMillis();
    for (auto _ : state) {
        QVariantList args{"0001", "00010", kDay, marked, rows, "0001", "0", "NUTRI01", "N", params};
        const QVariant result = server.connection().call(QStringLiteral("SetConfDieta"), args);
        if (!isPacket(result)) {
            state.SkipWithError(qPrintable(serverErrorText(result)));
            break;
        }
    }
    state.counters["cpu_ms"] = (processCpuMillis() - cpuStart) /
                               double(std::max<benchmark::IterationCount>(1, state.iterations()));
    state.counters["choices"] = countOf(
        server.database(), QStringLiteral("SELECT COUNT(*) FROM CONFESCO WHERE DTSERVINTE = :D"),
        {{QStringLiteral("D"), kDay}});
}

QString markedList() {
    QStringList codes;
    for (int p = 0; codes.size() < kMarked; p += 5)
        codes.append(QStringLiteral("'P%1'").arg(p + 1, 6, 10, QLatin1Char('0')));
    return codes.join(u", ");
}

QString menuValues() {
    QStringList rows;
    for (int d = 0; d < kDishes; ++d)
        rows.append(QStringLiteral("('%1', '%2', '%2.01.%3', 'P', 'S', 'N', 1, '0')")
                        .arg(d + 1, 4, 10, QLatin1Char('0'))
                        .arg(d % 5 + 1, 2, 10, QLatin1Char('0'))
                        .arg(d + 1, 3, 10, QLatin1Char('0')));
    return rows.join(u", ");
}

void BM_SetConfDieta_floor(benchmark::State& state, TestEngine engine) {
    TestServer& server = serverFor(engine);
    const QString records = QStringLiteral(" WHERE CDFILIAL = '0001' AND DTSERVINTE = :D AND"
                                           " CDPACIENTE IN (%1)")
                                .arg(markedList());
    const QString update =
        QStringLiteral("UPDATE SERVINTE SET CDSERVFILI = '00010', CDDIETPAD = '0001'") + records +
        QStringLiteral(" AND STPACIACOM = '0'");
    const QString remove = QStringLiteral("DELETE FROM CONFESCO") + records;
    const QString insert =
        QStringLiteral("INSERT INTO CONFESCO (CDFILIAL, CDPACIENTE, DTSERVINTE, NRSEQUSERV,"
                       " CDSEQUCOPR, CDTIPOPRAT, CDPRATO, CDFILAUXPRAT, IDESCOCONF, IDOPCAOCONF,"
                       " QTPRATCONF, IDRESTCONF) SELECT CDFILIAL, CDPACIENTE, DTSERVINTE,"
                       " NRSEQUSERV, M.column1, M.column2, M.column3, M.column4, M.column5,"
                       " M.column6, M.column7, M.column8 FROM SERVINTE CROSS JOIN (VALUES %1) M")
            .arg(menuValues()) +
        records + QStringLiteral(" AND STPACIACOM = '0'");
    const QVariantMap day{{QStringLiteral("D"), kDay}};
    const double cpuStart = processCpuMillis();
    for (auto _ : state) {
        WriteTransaction transaction(server.database());
        execSql(transaction.connection(), update, day);
        execSql(transaction.connection(), remove, day);
        execSql(transaction.connection(), insert, day);
        transaction.commit();
    }
    state.counters["cpu_ms"] = (processCpuMillis() - cpuStart) /
                               double(std::max<benchmark::IterationCount>(1, state.iterations()));
    state.counters["choices"] = countOf(
        server.database(), QStringLiteral("SELECT COUNT(*) FROM CONFESCO WHERE DTSERVINTE = :D"),
        {{QStringLiteral("D"), kDay}});
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // The path first: its first call creates the day's records the floor rewrites.
    std::vector<std::pair<TestEngine, std::string>> engines{{TestEngine::SQLite, "sqlite"}};
    if (engineAvailable(TestEngine::PostgreSQL))
        engines.emplace_back(TestEngine::PostgreSQL, "postgresql");
    for (const auto& [engine, name] : engines) {
        benchmark::RegisterBenchmark(("SetConfDieta_50patients/" + name).c_str(), BM_SetConfDieta,
                                     engine)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->MinTime(1.0);
        benchmark::RegisterBenchmark(("SetConfDieta_50patients_floor/" + name).c_str(),
                                     BM_SetConfDieta_floor, engine)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->MinTime(1.0);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    servers().clear();
    return 0;
}
