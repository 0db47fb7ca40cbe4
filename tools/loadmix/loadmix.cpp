// A mixed load against a real dieta-server on 127.0.0.1: the server is started on a fresh
// SQLite file filled with a demo hospital, then CLIENTS clients call it for SECONDS seconds,
// each call a write (SetUpdServinte: a patient's diet and remark, a quarter of them rebuilding
// the menu) with probability WRITES percent, else a read (the inpatient list of a service or a
// record's menu choices). Prints the latency percentiles of reads and writes, the errors and
// the load average before and after.
//
//   loadmix --server build/server/dieta-server [--clients 32] [--seconds 30] [--writes 39]
//           [--inpatients 2000]

#include "platform/sqldatabase.h"
#include "platform/tnetconnection.h"
#include "platform/wirevalue.h"
#include "tests/support/screenpackets.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

using namespace dieta;

namespace {

const QString kBranch = QStringLiteral("0001");

struct Record {
    QString patient, sequence, service, diet;
};

struct Samples {
    std::mutex lock;
    std::vector<double> reads, writes; // milliseconds
    QStringList errors;
};

QString loadAverage() {
    QFile file(QStringLiteral("/proc/loadavg"));
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()).section(u' ', 0, 2)
                                          : QStringLiteral("?");
}

int freePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

// The patients' records of today in branch 0001, as the demo laid them.
QList<Record> recordsOf(const QString& file, QDate today) {
    DatabaseConfig config;
    config.sqlitePath = file;
    SqlDatabase db(config);
    QSqlQuery query = execSql(db.connection(),
                              QStringLiteral("SELECT CDPACIENTE, NRSEQUSERV, CDSERVFILI, CDDIETPAD"
                                             " FROM SERVINTE WHERE CDFILIAL = :B AND DTSERVINTE ="
                                             " :D AND STPACIACOM = '0' AND CDDIETPAD IS NOT NULL"),
                              {{QStringLiteral("B"), kBranch}, {QStringLiteral("D"), today}});
    QList<Record> records;
    while (query.next())
        records.append({query.value(0).toString(), query.value(1).toString(),
                        query.value(2).toString(), query.value(3).toString()});
    db.releaseThreadConnection();
    return records;
}

double percentile(std::vector<double> values, double share) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t at = std::min(values.size() - 1, size_t(share * double(values.size())));
    return values[at];
}

void report(const char* what, const std::vector<double>& values) {
    std::printf("%-6s n=%-6zu p50=%7.1f ms  p90=%7.1f ms  p99=%7.1f ms  max=%7.1f ms\n", what,
                values.size(), percentile(values, 0.5), percentile(values, 0.9),
                percentile(values, 0.99), percentile(values, 1.0));
}

// One client: its own connection, calls until the deadline.
void client(int port, const QList<Record>& records, QDate today, int writeShare, qint64 deadlineMs,
            const QElapsedTimer& clock, Samples& samples, quint32 seed) {
    TNetConnection net;
    net.setPort(port);
    net.setServerName(QStringLiteral("Zfa13000.rdmDietaOral"));
    net.setOperator(QStringLiteral("NUTRI01"));
    QRandomGenerator random(seed);
    while (clock.elapsed() < deadlineMs) {
        const Record& record = records[random.bounded(int(records.size()))];
        const bool write = int(random.bounded(100)) < writeShare;
        QElapsedTimer call;
        call.start();
        QVariant result;
        if (write) {
            result =
                net.call(QStringLiteral("SetUpdServinte"),
                         {kBranch, record.patient, today, record.sequence, record.service,
                          record.diet, QStringLiteral("NUTRI01"), random.bounded(4) == 0,
                          QStringLiteral("carga %1").arg(random.generate() % 1000), QString()});
        } else if (random.bounded(2) == 0) {
            result = net.call(QStringLiteral("GetConfesco"),
                              {kBranch, record.patient, today, record.sequence});
        } else {
            result = net.call(QStringLiteral("GetInternacao"),
                              {fromPacket(test::listParams(kBranch, record.service, today))});
        }
        const double ms = double(call.nsecsElapsed()) / 1e6;
        std::lock_guard lock(samples.lock);
        (write ? samples.writes : samples.reads).push_back(ms);
        if (isServerError(result))
            samples.errors.append(serverErrorText(result));
    }
}

bool waitForServer(int port) {
    TNetConnection probe;
    probe.setPort(port);
    for (int attempt = 0; attempt < 600; ++attempt) {
        try {
            probe.setConnected(true);
            return true;
        } catch (const NetConnectionError&) {
            QThread::msleep(100);
        }
    }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOptions(
        {{QStringLiteral("server"), QStringLiteral("dieta-server program"), QStringLiteral("PATH")},
         {QStringLiteral("clients"), QStringLiteral("clients"), QStringLiteral("N"),
          QStringLiteral("32")},
         {QStringLiteral("seconds"), QStringLiteral("duration"), QStringLiteral("S"),
          QStringLiteral("30")},
         {QStringLiteral("writes"), QStringLiteral("write percentage"), QStringLiteral("P"),
          QStringLiteral("39")},
         {QStringLiteral("inpatients"), QStringLiteral("demo size"), QStringLiteral("N"),
          QStringLiteral("2000")}});
    parser.process(app);
    if (!parser.isSet(QStringLiteral("server")))
        parser.showHelp(2);
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("load.db"));
    const int port = freePort();
    const QDate today = QDate::currentDate();
    QProcess server;
    server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    server.start(parser.value(QStringLiteral("server")),
                 {QStringLiteral("--db"), file, QStringLiteral("--port"), QString::number(port),
                  QStringLiteral("--demo"), parser.value(QStringLiteral("inpatients"))});
    if (!server.waitForStarted() || !waitForServer(port)) {
        std::fprintf(stderr, "the server did not start\n");
        return 1;
    }
    const QList<Record> records = recordsOf(file, today);
    if (records.isEmpty()) {
        std::fprintf(stderr, "the demo hospital has no records today\n");
        return 1;
    }
    const int clients = parser.value(QStringLiteral("clients")).toInt();
    const int writeShare = parser.value(QStringLiteral("writes")).toInt();
    const qint64 deadline = parser.value(QStringLiteral("seconds")).toLongLong() * 1000;
    std::printf("%d clients, %d%% writes, %lld s, %lld records; load average before %s\n", clients,
                writeShare, deadline / 1000, qint64(records.size()), qPrintable(loadAverage()));
    Samples samples;
    QElapsedTimer clock;
    clock.start();
    std::vector<std::thread> threads;
    for (int i = 0; i < clients; ++i)
        threads.emplace_back(client, port, std::cref(records), today, writeShare, deadline,
                             std::cref(clock), std::ref(samples), quint32(1000 + i));
    for (std::thread& thread : threads)
        thread.join();
    report("reads", samples.reads);
    report("writes", samples.writes);
    std::printf("errors %lld%s%s\nload average after %s\n", qint64(samples.errors.size()),
                samples.errors.isEmpty() ? "" : ", first: ",
                samples.errors.isEmpty() ? "" : qPrintable(samples.errors.first()),
                qPrintable(loadAverage()));
    server.terminate();
    server.waitForFinished(10000);
    return 0;
}
