// GetInternacao for a service of 300, 1,000 and 5,000 inpatients (the demo hospital with that
// many stays of its main branch moved into one service), posted as raw HTTP to the real server
// on loopback, beside its floor in the same run: the same rows read from a table that holds
// them ready (one SELECT, SQLite through its C API) and written into the same packet bytes.
// Reports the median and 99th percentile of single calls, and the throughput of 8 clients at
// 1,000 inpatients. SQLite always; PostgreSQL too when DIETA_TEST_PG is set.

#include "bench/cputime.h"
#include "bench/wirecall.h"
#include "platform/packetstream.h"
#include "platform/sqldatabase.h"
#include "platform/wirevalue.h"
#include "server/methods/inpatientlist.h"
#include "server/storage/batchinsert.h"
#include "server/storage/rowcursor.h"
#include "tests/support/screenpackets.h"
#include "tests/support/testserver.h"

#include <QCoreApplication>
#include <QSqlQuery>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <ctime>
#include <map>
#include <mutex>

using namespace dieta;
using namespace dieta::test;

namespace {

const QDate kToday = QDate::currentDate();
constexpr int kSizes[] = {300, 1000, 5000};

struct Setup {
    std::unique_ptr<TestServer> server;
    QString branch;
    QString service;
    int listRows = 0;
    qsizetype listBytes = 0;
    DataPacket diagnoses; // GetDiagInter's answer, rows and fields
};

std::map<std::pair<TestEngine, int>, Setup>& setups() {
    static std::map<std::pair<TestEngine, int>, Setup> all;
    return all;
}
std::mutex setupLock;

QSqlQuery run(SqlDatabase& db, const QString& sql, const QVariantMap& values = {}) {
    return execSql(db.connection(), sql, values);
}

// Moves the first `inpatients` stays of the main branch active today into its largest service
// and the rest into another one.
void concentrate(Setup& setup, int inpatients) {
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
    if (patients.size() < inpatients)
        qFatal("demo hospital too small: %d inpatients", int(patients.size()));
    WriteTransaction transaction(db);
    SqlStatement move(transaction.connection(),
                      QStringLiteral("UPDATE INTERNA SET CDSERVFILI = :S WHERE CDPACIENTE = :P AND"
                                     " CDFILIAL = :B AND DTINTERNA <= :D AND (DTALTA IS NULL OR"
                                     " DTALTA >= :D)"));
    move.bind(day);
    for (int i = 0; i < patients.size(); ++i) {
        move.bind(QStringLiteral("S"), i < inpatients ? setup.service : other);
        move.bind(QStringLiteral("P"), patients[i]);
        move.exec();
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

QString floorColumn(int i) {
    return QStringLiteral("C%1").arg(i);
}

// The floor's table: the list's rows as they are, in their order.
void buildFloorTable(SqlDatabase& db, const DataPacket& list) {
    QStringList columns{QStringLiteral("NRROW INTEGER PRIMARY KEY")};
    QStringList names{QStringLiteral("NRROW")};
    for (int i = 0; i < list.fields.size(); ++i) {
        const FieldDef& field = list.fields[i];
        columns.append(
            floorColumn(i) +
            (field.kind == FieldKind::DateTime
                 ? QStringLiteral(" TIMESTAMP")
                 : QStringLiteral(" VARCHAR(%1)").arg(field.size > 0 ? field.size : 255)));
        names.append(floorColumn(i));
    }
    WriteTransaction transaction(db);
    execSql(transaction.connection(),
            QStringLiteral("CREATE TABLE LISTFLOOR (%1)").arg(columns.join(u", ")));
    server::BatchInsert insert(transaction.connection(), QStringLiteral("LISTFLOOR"), names);
    for (int r = 0; r < list.rows.size(); ++r)
        insert.add(QVariantList{r} + list.rows[r]);
    insert.flush();
    transaction.commit();
    if (db.engine() == SqlEngine::PostgreSQL)
        run(db, QStringLiteral("ANALYZE LISTFLOOR"));
}

// Rows ready in a table read by the fastest reader the server has (SQLite's C API; QtSql on
// PostgreSQL), each cell straight into the packet's bytes.
QByteArray readyRows(const QSqlDatabase& conn, const QString& sql, const QList<FieldDef>& fields) {
    server::RowCursor rows(conn, sql, {});
    PacketStream packet(fields);
    while (rows.next()) {
        packet.beginRow();
        for (int i = 0; i < fields.size(); ++i) {
            if (fields[i].kind == FieldKind::DateTime)
                rows.appendDateTime(packet, i);
            else
                rows.appendText(packet, i);
        }
        packet.endRow();
    }
    return packet.finish();
}

// GetDiagInter's answer for the branch, and its floor: its rows ready in a table.
DataPacket diagnosisAnswer(Setup& setup) {
    auto net = setup.server->connect(QStringLiteral("NUTRI01"));
    return toPacket(net->call(QStringLiteral("GetDiagInter"), {setup.branch}));
}

void buildDiagnosisFloor(SqlDatabase& db, const DataPacket& answer) {
    WriteTransaction transaction(db);
    execSql(transaction.connection(),
            QStringLiteral("CREATE TABLE DIAGFLOOR (NRROW INTEGER PRIMARY KEY, C0 VARCHAR(12),"
                           " C1 VARCHAR(10), C2 VARCHAR(250))"));
    server::BatchInsert insert(transaction.connection(), QStringLiteral("DIAGFLOOR"),
                               {"NRROW", "C0", "C1", "C2"});
    for (int r = 0; r < answer.rows.size(); ++r)
        insert.add(QVariantList{r} + answer.rows[r]);
    insert.flush();
    transaction.commit();
}

QByteArray diagnosisFloorBytes(const QSqlDatabase& conn, const QList<FieldDef>& fields) {
    return readyRows(conn, QStringLiteral("SELECT C0, C1, C2 FROM DIAGFLOOR ORDER BY NRROW"),
                     fields);
}

QByteArray floorBytes(const QSqlDatabase& conn, int fieldCount) {
    QStringList names;
    for (int i = 0; i < fieldCount; ++i)
        names.append(floorColumn(i));
    return readyRows(
        conn, QStringLiteral("SELECT %1 FROM LISTFLOOR ORDER BY NRROW").arg(names.join(u", ")),
        server::inpatientFields());
}

Setup& setupFor(TestEngine engine, int inpatients) {
    std::lock_guard lock(setupLock);
    Setup& setup = setups()[{engine, inpatients}];
    if (!setup.server) {
        // One size at a time in memory and on disk.
        for (auto& [key, other] : setups())
            if (&other != &setup)
                other.server.reset();
        TestServerOptions options;
        options.engine = engine;
        options.demo = server::DemoOptions{inpatients * 5 / 4 + 300, 13000, kToday};
        setup.server = std::make_unique<TestServer>(options);
        if (!setup.server->ok())
            qFatal("%s", qPrintable(setup.server->error()));
        concentrate(setup, inpatients);
        SqlDatabase& db = setup.server->database();
        const DataPacket list = server::buildInpatientList(db.connection(), params(setup));
        setup.listRows = int(list.rows.size());
        setup.listBytes = list.toJsonBytes().size();
        buildFloorTable(db, list);
        if (floorBytes(db.connection(), int(list.fields.size())) != list.toJsonBytes())
            qFatal("the floor's table does not give the list's bytes");
        setup.diagnoses = diagnosisAnswer(setup);
        buildDiagnosisFloor(db, setup.diagnoses);
        if (diagnosisFloorBytes(db.connection(), setup.diagnoses.fields) !=
            setup.diagnoses.toJsonBytes())
            qFatal("the floor's table does not give the diagnoses' bytes");
    }
    return setup;
}

// CPU time of the whole process (client, server threads, SQLite) in milliseconds: on a loaded
// machine the wall clock mostly measures the wait for a core; this does not.
bool skipped(benchmark::State& state, TestEngine engine) {
    if (!engineAvailable(engine)) {
        state.SkipWithError(kPgOffMessage);
        return true;
    }
    return false;
}

// cpuMillis: the process's CPU time over all the timed calls.
void reportLatenciesAndCpu(benchmark::State& state, std::vector<double>& millis, const Setup& setup,
                           double cpuMillis) {
    if (millis.empty())
        return;
    state.counters["cpu_ms"] = cpuMillis / double(millis.size());
    std::sort(millis.begin(), millis.end());
    state.counters["p50_ms"] = millis[millis.size() / 2];
    state.counters["p99_ms"] = millis[std::min(millis.size() - 1, millis.size() * 99 / 100)];
    state.counters["rows"] = setup.listRows;
    state.counters["packet_bytes"] = double(setup.listBytes);
}

void reportLatencies(benchmark::State& state, std::vector<double>& millis, const Setup& setup,
                     double cpuStart) {
    reportLatenciesAndCpu(state, millis, setup, bench::processCpuMillis() - cpuStart);
}

double millisSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

void BM_Floor(benchmark::State& state, TestEngine engine, int inpatients) {
    if (skipped(state, engine))
        return;
    Setup& setup = setupFor(engine, inpatients);
    const QSqlDatabase conn = setup.server->database().connection();
    const int fields = int(server::inpatientFields().size());
    std::vector<double> millis;
    const double cpuStart = bench::processCpuMillis();
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(floorBytes(conn, fields).size());
        millis.push_back(millisSince(start));
    }
    reportLatencies(state, millis, setup, cpuStart);
}

// A change of the table counted as its triggers count one, made outside the timing: the next
// call reads afresh what it keeps of that table.
void countChange(benchmark::State& state, Setup& setup, const QString& table) {
    state.PauseTiming();
    WriteTransaction transaction(setup.server->database());
    execSql(transaction.connection(),
            QStringLiteral("UPDATE VERSAODADO SET NRVERSAO = NRVERSAO + 1 WHERE NMTABELA = :T"),
            {{QStringLiteral("T"), table}});
    transaction.commit();
    state.ResumeTiming();
}

// GetInternacao as the client sees it, or (afterChange) the first list after the medicines
// changed, when the restriction flags are read again.
void BM_Remote(benchmark::State& state, TestEngine engine, int inpatients, bool afterChange) {
    if (skipped(state, engine))
        return;
    Setup& setup = setupFor(engine, inpatients);
    bench::RawCall call(setup.server->port(), QStringLiteral("GetInternacao"),
                        {fromPacket(params(setup))},
                        setup.server->sessionOf(QStringLiteral("NUTRI01")));
    std::vector<double> millis;
    double cpu = 0;
    for (auto _ : state) {
        if (afterChange)
            countChange(state, setup, QStringLiteral("MEDIINTE"));
        const double cpuStart = bench::processCpuMillis();
        const auto start = std::chrono::steady_clock::now();
        const std::string answer = call.post();
        millis.push_back(millisSince(start));
        cpu += bench::processCpuMillis() - cpuStart;
        if (answer.size() < size_t(setup.listBytes)) {
            state.SkipWithError("GetInternacao failed");
            break;
        }
    }
    reportLatenciesAndCpu(state, millis, setup, cpu);
}

void BM_DiagFloor(benchmark::State& state, TestEngine engine, int inpatients) {
    if (skipped(state, engine))
        return;
    Setup& setup = setupFor(engine, inpatients);
    const QSqlDatabase conn = setup.server->database().connection();
    std::vector<double> millis;
    const double cpuStart = bench::processCpuMillis();
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(diagnosisFloorBytes(conn, setup.diagnoses.fields).size());
        millis.push_back(millisSince(start));
    }
    reportLatencies(state, millis, setup, cpuStart);
    state.counters["rows"] = double(setup.diagnoses.rows.size());
}

// GetDiagInter as the client sees it: its kept answer, or (afterChange) the first answer after
// the diagnoses changed, when the rows are read again. The change is made outside the timing.
void BM_DiagRemote(benchmark::State& state, TestEngine engine, int inpatients, bool afterChange) {
    if (skipped(state, engine))
        return;
    Setup& setup = setupFor(engine, inpatients);
    bench::RawCall call(setup.server->port(), QStringLiteral("GetDiagInter"), {setup.branch},
                        setup.server->sessionOf(QStringLiteral("NUTRI01")));
    std::vector<double> millis;
    double cpu = 0;
    for (auto _ : state) {
        if (afterChange)
            countChange(state, setup, QStringLiteral("DIAGINTER"));
        const double cpuStart = bench::processCpuMillis();
        const auto start = std::chrono::steady_clock::now();
        const std::string answer = call.post();
        millis.push_back(millisSince(start));
        cpu += bench::processCpuMillis() - cpuStart;
        if (answer.find("\"packet\"") == std::string::npos) {
            state.SkipWithError("GetDiagInter failed");
            break;
        }
    }
    reportLatenciesAndCpu(state, millis, setup, cpu);
    state.counters["rows"] = double(setup.diagnoses.rows.size());
}

// Each benchmark thread is one client with its own connection.
void BM_Clients(benchmark::State& state, TestEngine engine, int inpatients) {
    if (skipped(state, engine))
        return;
    Setup& setup = setupFor(engine, inpatients);
    bench::RawCall call(setup.server->port(), QStringLiteral("GetInternacao"),
                        {fromPacket(params(setup))},
                        setup.server->sessionOf(QStringLiteral("NUTRI01")));
    for (auto _ : state) {
        if (call.post().size() < size_t(setup.listBytes)) {
            state.SkipWithError("GetInternacao failed");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations());
}

void registerEngine(TestEngine engine, const std::string& name) {
    for (const int beds : kSizes) {
        const std::string suffix = "/" + name + "/" + std::to_string(beds);
        const double seconds = beds >= 5000 ? 2.0 : 1.0;
        benchmark::RegisterBenchmark(("GetInternacao_floor" + suffix).c_str(), BM_Floor, engine,
                                     beds)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->MinTime(seconds);
        benchmark::RegisterBenchmark(("GetInternacao" + suffix).c_str(), BM_Remote, engine, beds,
                                     false)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->MinTime(seconds);
        if (beds != 1000)
            continue;
        benchmark::RegisterBenchmark(("GetInternacao_afterChange" + suffix).c_str(), BM_Remote,
                                     engine, beds, true)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->MinTime(seconds);
        benchmark::RegisterBenchmark(("GetInternacao_8clients" + suffix).c_str(), BM_Clients,
                                     engine, beds)
            ->Unit(benchmark::kMillisecond)
            ->Threads(8)
            ->UseRealTime()
            ->MinTime(seconds);
        benchmark::RegisterBenchmark(("GetDiagInter_floor" + suffix).c_str(), BM_DiagFloor, engine,
                                     beds)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->MinTime(seconds);
        benchmark::RegisterBenchmark(("GetDiagInter" + suffix).c_str(), BM_DiagRemote, engine, beds,
                                     false)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->MinTime(seconds);
        benchmark::RegisterBenchmark(("GetDiagInter_afterChange" + suffix).c_str(), BM_DiagRemote,
                                     engine, beds, true)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->MinTime(seconds);
    }
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    registerEngine(TestEngine::SQLite, "sqlite");
    if (engineAvailable(TestEngine::PostgreSQL))
        registerEngine(TestEngine::PostgreSQL, "postgresql");
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    setups().clear();
    benchmark::Shutdown();
    return 0;
}
