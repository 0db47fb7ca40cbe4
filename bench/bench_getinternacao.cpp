// GetInternacao for a service of 1,000 inpatients (the demo hospital with every stay of its
// main branch moved into one service), end to end through TNetConnection, beside the same
// SELECT run straight on the database plus the packet's encoding in the same process.
// Reports the median and 99th percentile of single calls and the throughput of 8 clients.
// SQLite always; PostgreSQL too when DIETA_TEST_PG is set.

#include "platform/sqldatabase.h"
#include "platform/tnetconnection.h"
#include "platform/wirevalue.h"
#include "server/methods/inpatientlist.h"
#include "tests/support/screenpackets.h"
#include "tests/support/testserver.h"

#include <QCoreApplication>
#include <QSqlQuery>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <map>
#include <mutex>

using namespace dieta;
using namespace dieta::test;

namespace {

constexpr int kInpatients = 1000;
const QDate kToday = QDate::currentDate();

struct Setup {
    std::unique_ptr<TestServer> server;
    QString branch;
    QString service;
    int listRows = 0;
};

std::map<TestEngine, Setup>& setups() {
    static std::map<TestEngine, Setup> all;
    return all;
}
std::mutex setupLock;

QSqlQuery run(SqlDatabase& db, const QString& sql, const QVariantMap& values = {}) {
    return execSql(db.connection(), sql, values);
}

// Moves the first 1,000 stays of the main branch active today into its largest service and the
// rest into another one.
void concentrate(Setup& setup) {
    SqlDatabase& db = setup.server->database();
    const QString active = QStringLiteral(" FROM INTERNA WHERE CDFILIAL = :B AND DTINTERNA <= :D "
                                          "AND (DTALTA IS NULL OR DTALTA >= :D)");
    QSqlQuery largest = run(db, QStringLiteral("SELECT CDFILIAL, CDSERVFILI, COUNT(*) FROM INTERNA"
                                               " GROUP BY CDFILIAL, CDSERVFILI ORDER BY 3 DESC"));
    largest.next();
    setup.branch = largest.value(0).toString();
    setup.service = largest.value(1).toString();
    QString other;
    while (largest.next() && other.isEmpty())
        if (largest.value(0).toString() == setup.branch)
            other = largest.value(1).toString();
    const QVariantMap day{{QStringLiteral("B"), setup.branch}, {QStringLiteral("D"), kToday}};
    QSqlQuery stays =
        run(db, QStringLiteral("SELECT CDPACIENTE") + active + " ORDER BY CDPACIENTE", day);
    QStringList patients;
    while (stays.next())
        patients.append(stays.value(0).toString());
    if (patients.size() < kInpatients)
        qFatal("demo hospital too small: %d inpatients", int(patients.size()));
    WriteTransaction transaction(db);
    for (int i = 0; i < patients.size(); ++i) {
        QVariantMap values = day;
        values.insert(QStringLiteral("S"), i < kInpatients ? setup.service : other);
        values.insert(QStringLiteral("P"), patients[i]);
        execSql(transaction.connection(),
                QStringLiteral("UPDATE INTERNA SET CDSERVFILI = :S WHERE CDPACIENTE = :P AND"
                               " CDFILIAL = :B AND DTINTERNA <= :D AND (DTALTA IS NULL OR"
                               " DTALTA >= :D)"),
                values);
    }
    transaction.commit();
    // Fresh statistics, as autovacuum would have them on a hospital's database: without them
    // PostgreSQL plans the restriction subqueries as scans.
    if (db.engine() == SqlEngine::PostgreSQL)
        run(db, QStringLiteral("ANALYZE"));
}

DataPacket params(const Setup& setup) {
    return listParams(setup.branch, setup.service, kToday);
}

Setup& setupFor(TestEngine engine) {
    std::lock_guard lock(setupLock);
    Setup& setup = setups()[engine];
    if (!setup.server) {
        TestServerOptions options;
        options.engine = engine;
        options.demo = server::DemoOptions{kInpatients * 9 / 8 + 20, 13000, kToday};
        setup.server = std::make_unique<TestServer>(options);
        if (!setup.server->ok())
            qFatal("%s", qPrintable(setup.server->error()));
        concentrate(setup);
        setup.listRows =
            int(server::buildInpatientList(setup.server->database().connection(), params(setup))
                    .rows.size());
    }
    return setup;
}

bool skipped(benchmark::State& state, TestEngine engine) {
    if (!engineAvailable(engine)) {
        state.SkipWithError(kPgOffMessage);
        return true;
    }
    return false;
}

void reportLatencies(benchmark::State& state, std::vector<double>& millis, int rows) {
    if (millis.empty())
        return;
    std::sort(millis.begin(), millis.end());
    state.counters["p50_ms"] = millis[millis.size() / 2];
    state.counters["p99_ms"] = millis[std::min(millis.size() - 1, millis.size() * 99 / 100)];
    state.counters["rows"] = rows;
}

// The server's SELECT and the packet's JSON, in this process: what the wire adds to nothing.
void BM_GetInternacao_Raw(benchmark::State& state, TestEngine engine) {
    if (skipped(state, engine))
        return;
    Setup& setup = setupFor(engine);
    const DataPacket request = params(setup);
    QSqlDatabase conn = setup.server->database().connection();
    std::vector<double> millis;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const QByteArray bytes = server::buildInpatientList(conn, request).toJsonBytes();
        benchmark::DoNotOptimize(bytes.size());
        millis.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
    }
    reportLatencies(state, millis, setup.listRows);
}

void BM_GetInternacao_Remote(benchmark::State& state, TestEngine engine) {
    if (skipped(state, engine))
        return;
    Setup& setup = setupFor(engine);
    const QVariantList args{fromPacket(params(setup))};
    TNetConnection& net = setup.server->connection();
    std::vector<double> millis;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const QVariant result = net.call(QStringLiteral("GetInternacao"), args);
        millis.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
        if (!isPacket(result) || toPacket(result).rows.size() != setup.listRows) {
            state.SkipWithError(qPrintable(serverErrorText(result)));
            break;
        }
    }
    reportLatencies(state, millis, setup.listRows);
}

// Each benchmark thread is one client with its own connection.
void BM_GetInternacao_Clients(benchmark::State& state, TestEngine engine) {
    if (skipped(state, engine))
        return;
    Setup& setup = setupFor(engine);
    const QVariantList args{fromPacket(params(setup))};
    std::unique_ptr<TNetConnection> net = setup.server->connect(QStringLiteral("NUTRI01"));
    for (auto _ : state) {
        const QVariant result = net->call(QStringLiteral("GetInternacao"), args);
        if (!isPacket(result)) {
            state.SkipWithError(qPrintable(serverErrorText(result)));
            break;
        }
    }
    state.SetItemsProcessed(state.iterations());
}

BENCHMARK_CAPTURE(BM_GetInternacao_Raw, sqlite, TestEngine::SQLite)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(3.0);
BENCHMARK_CAPTURE(BM_GetInternacao_Remote, sqlite, TestEngine::SQLite)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(3.0);
BENCHMARK_CAPTURE(BM_GetInternacao_Clients, sqlite, TestEngine::SQLite)
    ->Unit(benchmark::kMillisecond)
    ->Threads(8)
    ->UseRealTime()
    ->MinTime(3.0);
BENCHMARK_CAPTURE(BM_GetInternacao_Raw, postgresql, TestEngine::PostgreSQL)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(3.0);
BENCHMARK_CAPTURE(BM_GetInternacao_Remote, postgresql, TestEngine::PostgreSQL)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(3.0);
BENCHMARK_CAPTURE(BM_GetInternacao_Clients, postgresql, TestEngine::PostgreSQL)
    ->Unit(benchmark::kMillisecond)
    ->Threads(8)
    ->UseRealTime()
    ->MinTime(3.0);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    for (auto& [engine, setup] : setups())
        setup.server.reset();
    benchmark::Shutdown();
    return 0;
}
