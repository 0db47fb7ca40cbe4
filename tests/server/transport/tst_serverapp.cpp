// The whole server: ServerApp through the shared test fixture on both engines, and the
// dieta-server program as scripts start and stop it.

#include "contracts/rdmdietaoral.h"
#include "platform/sqldatabase.h"
#include "platform/tnetconnection.h"
#include "server/storage/schema.h"
#include "tests/support/testserver.h"

#include <QProcess>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QThread>
#include <QtTest>

using namespace dieta;

namespace {

// Answers "<operator>:<schema version>", read through the calling worker's own connection.
void addProbe(server::MethodRegistry& registry) {
    registry.add({"Probe", {}, {}, [](server::CallContext& context, QVariantList&) {
                      return server::CallResult::ok(QString("%1:%2")
                                                        .arg(context.operatorCode)
                                                        .arg(server::schemaVersion(*context.db)));
                  }});
}

QString expectedProbe(const QString& op) {
    return QString("%1:%2").arg(op).arg(server::latestSchemaVersion());
}

// The port the started program says it listens on; 0 when it never says so.
[[maybe_unused]] int waitForListening(QProcess& program) {
    if (!program.waitForStarted())
        return 0;
    static const QRegularExpression ready("listening on 127\\.0\\.0\\.1:(\\d+)");
    QRegularExpressionMatch match;
    QByteArray output;
    while (!match.hasMatch() && program.waitForReadyRead(60000)) {
        output += program.readAllStandardOutput();
        match = ready.match(QString::fromUtf8(output));
    }
    if (!match.hasMatch())
        qWarning("%s", program.readAllStandardError().constData());
    return match.hasMatch() ? match.captured(1).toInt() : 0;
}

} // namespace

class tst_ServerApp : public QObject {
    Q_OBJECT

private slots:
    void servesAMigratedDatabase_data() { test::addEngineRows(); }
    void servesAMigratedDatabase();
    void workersShareTheDatabase_data() { test::addEngineRows(); }
    void workersShareTheDatabase();
    void demoDataIsGeneratedOnRequest();
    void unusableDatabaseIsReportedAtStart();
    void programPrintsItsPortAndStopsOnSignal();
    void programLaysTheDemoAroundTheGivenDay();
    void programRefusesBadOptions_data();
    void programRefusesBadOptions();
    void programRefusesPlainTextBeyondLoopback();
};

void tst_ServerApp::servesAMigratedDatabase() {
    DIETA_FETCH_ENGINE(engine);
    test::TestServer server(
        {.engine = engine, .operatorCode = "NUTRI01", .extraMethods = addProbe});
    QVERIFY2(server.ok(), qPrintable(server.error()));
    QVERIFY(server.port() > 0);
    QCOMPARE(server.connection().call("Probe"), QVariant(expectedProbe("NUTRI01")));
    // The real methods are registered next to the test's own.
    QVERIFY(server.app().registry().find("GetInternacao"));
}

void tst_ServerApp::workersShareTheDatabase() {
    DIETA_FETCH_ENGINE(engine);
    test::TestServer server({.engine = engine, .extraMethods = addProbe});
    QVERIFY2(server.ok(), qPrintable(server.error()));
    constexpr int clients = 4;
    QList<int> good(clients, 0);
    QList<QThread*> threads;
    for (int c = 0; c < clients; ++c) // registered here: the threads only log in
        server.passwordOf(QString("OP%1").arg(c));
    for (int c = 0; c < clients; ++c)
        threads << QThread::create([&, c] {
            std::unique_ptr<TNetConnection> connection = server.connect(QString("OP%1").arg(c));
            for (int i = 0; i < 10; ++i)
                if (connection->call("Probe") == QVariant(expectedProbe(QString("OP%1").arg(c))))
                    ++good[c];
        });
    for (QThread* thread : threads)
        thread->start();
    for (QThread* thread : threads) {
        QVERIFY(thread->wait(60000));
        delete thread;
    }
    QCOMPARE(good, QList<int>(clients, 10));
}

void tst_ServerApp::demoDataIsGeneratedOnRequest() {
    server::DemoOptions demo;
    demo.inpatients = 20;
    test::TestServer server({.demo = demo});
    QVERIFY2(server.ok(), qPrintable(server.error()));
    QSqlQuery query(server.database().connection());
    QVERIFY(query.exec("SELECT COUNT(*) FROM FILIAL"));
    QVERIFY(query.next());
    QVERIFY(query.value(0).toInt() > 0);
}

void tst_ServerApp::unusableDatabaseIsReportedAtStart() {
    QTemporaryDir folder;
    QFile blocker(folder.filePath("file"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    server::ServerOptions options;
    options.database = folder.filePath("file/dieta.db"); // a folder that cannot exist
    server::ServerApp app(options);
    QVERIFY_THROWS_EXCEPTION(std::exception, app.start());
    QVERIFY(!app.isRunning());
}

#ifdef DIETA_SERVER_EXE
void tst_ServerApp::programPrintsItsPortAndStopsOnSignal() {
    QTemporaryDir data;
    QProcess program;
    program.start(DIETA_SERVER_EXE, {"--data-dir", data.path(), "--port", "0"});
    const int port = waitForListening(program);
    QVERIFY(port > 0);

    TNetConnection connection;
    connection.setHost("127.0.0.1");
    connection.setPort(port);
    connection.setConnected(true); // /health answers
    QVERIFY(QFile::exists(data.filePath("dieta.db")));
    connection.setConnected(false);

    program.terminate(); // SIGTERM
    QVERIFY(program.waitForFinished(30000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
}

// Scripts and tests seed the demo for a fixed day, so that a run across midnight still finds
// its data where it looks for it.
void tst_ServerApp::programLaysTheDemoAroundTheGivenDay() {
    QTemporaryDir data;
    QProcess program;
    program.start(DIETA_SERVER_EXE,
                  {"--data-dir", data.path(), "--demo", "20", "--today", "2024-02-29"});
    QVERIFY(waitForListening(program));
    program.terminate();
    QVERIFY(program.waitForFinished(30000));
    QCOMPARE(program.exitCode(), 0);

    SqlDatabase db(DatabaseConfig::parse(data.filePath("dieta.db")));
    QSqlQuery query(db.connection());
    QVERIFY(query.exec("SELECT MIN(DTSERVINTE), MAX(DTSERVINTE) FROM SERVINTE"));
    QVERIFY(query.next());
    QCOMPARE(query.value(0).toString().left(10), QString("2024-02-28"));
    QCOMPARE(query.value(1).toString().left(10), QString("2024-02-29"));
    query.finish();
    db.releaseThreadConnection();
}

void tst_ServerApp::programRefusesBadOptions_data() {
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QByteArray>("named");
    QTest::newRow("port not a number") << QStringList{"--port", "seventy"} << QByteArray("--port");
    QTest::newRow("impossible day")
        << QStringList{"--demo", "5", "--today", "2024-02-30"} << QByteArray("--today");
    QTest::newRow("day in another format")
        << QStringList{"--demo", "5", "--today", "29/02/2024"} << QByteArray("--today");
    QTest::newRow("day without demo")
        << QStringList{"--today", "2024-02-29"} << QByteArray("--demo");
    QTest::newRow("certificate without key")
        << QStringList{"--cert", "server.crt"} << QByteArray("--key");
}

void tst_ServerApp::programRefusesBadOptions() {
    QFETCH(QStringList, options);
    QFETCH(QByteArray, named);
    QProcess program;
    program.start(DIETA_SERVER_EXE, options);
    QVERIFY(program.waitForFinished(30000));
    QCOMPARE(program.exitCode(), 2);
    QVERIFY(program.readAllStandardError().contains(named));
}
// Refused before binding anything: the test listens on no outside address.
void tst_ServerApp::programRefusesPlainTextBeyondLoopback() {
    QTemporaryDir data;
    QProcess program;
    program.start(DIETA_SERVER_EXE, {"--data-dir", data.path(), "--host", "0.0.0.0"});
    QVERIFY(program.waitForFinished(30000));
    QCOMPARE(program.exitCode(), 1);
    QVERIFY(program.readAllStandardError().contains("TLS"));
}
#else
void tst_ServerApp::programRefusesPlainTextBeyondLoopback() {
    QSKIP("dieta-server is not built");
}
void tst_ServerApp::programPrintsItsPortAndStopsOnSignal() {
    QSKIP("dieta-server is not built");
}
void tst_ServerApp::programLaysTheDemoAroundTheGivenDay() {
    QSKIP("dieta-server is not built");
}
void tst_ServerApp::programRefusesBadOptions_data() {}
void tst_ServerApp::programRefusesBadOptions() {
    QSKIP("dieta-server is not built");
}
#endif

QTEST_GUILESS_MAIN(tst_ServerApp)
#include "tst_serverapp.moc"
