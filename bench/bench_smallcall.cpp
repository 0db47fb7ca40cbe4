// Requests per second of a small call (GetConfCard, a few hundred bytes of answer, with a session)
// from 4 kept-alive clients against the real server on loopback, beside a bare server of the same
// HTTP library answering the same bytes (bareserver, a separate program) in the same run: with
// the server's worker count (the floor), and answering on its I/O thread (what the hand-off to a
// worker costs). The same client posts to all three. SQLite always; PostgreSQL too when
// DIETA_TEST_PG is set.

#include "bench/wirecall.h"
#include "server/transport/httpserver.h"
#include "tests/support/testserver.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryFile>
#include <atomic>
#include <benchmark/benchmark.h>
#include <chrono>
#include <thread>
#include <vector>

using namespace dieta;
using namespace dieta::test;

namespace {

constexpr int kClients = 4;
constexpr auto kLoadTime = std::chrono::seconds(3);
const QVariantList kArgs{QStringLiteral("0001"), QStringLiteral("00010")};

// Answers per second of kClients connections posting the call for kLoadTime; 0 when an answer
// differs from `expected`.
double answersPerSecond(int port, const QString& session, const std::string& expected) {
    std::atomic<long> answers = 0;
    std::atomic<bool> wrong = false;
    const auto end = std::chrono::steady_clock::now() + kLoadTime;
    std::vector<std::thread> clients;
    for (int c = 0; c < kClients; ++c)
        clients.emplace_back([&] {
            bench::RawCall call(port, QStringLiteral("GetConfCard"), kArgs, session);
            while (std::chrono::steady_clock::now() < end) {
                if (call.post() != expected)
                    wrong = true;
                ++answers;
            }
        });
    for (std::thread& client : clients)
        client.join();
    return wrong ? 0.0 : double(answers) / double(kLoadTime.count());
}

// Which server answers: ours, or the bare one with the server's workers or none.
enum class Target { Ours, Bare, BareInline };

void BM_SmallCall(benchmark::State& state, TestEngine engine, Target target) {
    if (!engineAvailable(engine)) {
        state.SkipWithError(kPgOffMessage);
        return;
    }
    TestServerOptions options;
    options.engine = engine;
    options.demo = server::DemoOptions{};
    TestServer server(options);
    const QString session = server.sessionOf(options.operatorCode);
    const std::string answer =
        bench::RawCall(server.port(), QStringLiteral("GetConfCard"), kArgs, session).post();
    if (answer.empty() || answer.find("\"error\"") != std::string::npos) {
        state.SkipWithError("GetConfCard failed");
        return;
    }
    int port = server.port();
    QTemporaryFile file;
    QProcess bareServer;
    const bool bare = target != Target::Ours;
    if (bare) {
        file.open();
        file.write(answer.data(), qint64(answer.size()));
        file.flush();
        const server::HttpServerOptions defaults;
        const int workers = target == Target::Bare ? defaults.workers : 0;
        bareServer.start(QCoreApplication::applicationDirPath() + QStringLiteral("/bareserver"),
                         {file.fileName(), QString::number(workers),
                          QString::number(defaults.keepAliveSeconds)});
        if (!bareServer.waitForReadyRead(5000)) {
            state.SkipWithError("bareserver did not start");
            return;
        }
        port = bareServer.readLine().trimmed().toInt();
    }
    double rate = 0;
    for (auto _ : state)
        rate = answersPerSecond(port, session, answer);
    if (bare) {
        bareServer.kill();
        bareServer.waitForFinished();
    }
    state.counters["rps"] = rate;
    state.counters["answer_bytes"] = double(answer.size());
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    for (const auto& [engine, name] : {std::pair{TestEngine::SQLite, "sqlite"},
                                       std::pair{TestEngine::PostgreSQL, "postgresql"}}) {
        if (!engineAvailable(engine))
            continue;
        for (const auto& [target, prefix] :
             {std::pair{Target::Ours, "GetConfCard_rps/"},
              std::pair{Target::Bare, "GetConfCard_rps_floor/"},
              std::pair{Target::BareInline, "GetConfCard_rps_floor_inline/"}})
            benchmark::RegisterBenchmark((prefix + std::string(name)).c_str(), BM_SmallCall, engine,
                                         target)
                ->Iterations(1)
                ->Unit(benchmark::kMillisecond);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
