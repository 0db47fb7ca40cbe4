// The whole server: ServerApp through the shared test fixture on both engines, and the
// dieta-server program as scripts start and stop it.

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
    void programRefusesBadOptions();
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
    for (int c = 0; c < clients; ++c)
        threads << QThread::create([&, c] {
            TNetConnection connection;
            connection.setHost("127.0.0.1");
            connection.setPort(server.port());
            connection.setOperator(QString("OP%1").arg(c));
            for (int i = 0; i < 10; ++i)
                if (connection.call("Probe") == QVariant(expectedProbe(QString("OP%1").arg(c))))
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
    QVERIFY(program.waitForStarted());
    static const QRegularExpression ready("listening on 127\\.0\\.0\\.1:(\\d+)");
    QRegularExpressionMatch match;
    QByteArray output;
    while (!match.hasMatch() && program.waitForReadyRead(60000)) {
        output += program.readAllStandardOutput();
        match = ready.match(QString::fromUtf8(output));
    }
    QVERIFY2(match.hasMatch(), program.readAllStandardError().constData());

    TNetConnection connection;
    connection.setHost("127.0.0.1");
    connection.setPort(match.captured(1).toInt());
    connection.setConnected(true); // /health answers
    QVERIFY(QFile::exists(data.filePath("dieta.db")));
    connection.setConnected(false);

    program.terminate(); // SIGTERM
    QVERIFY(program.waitForFinished(30000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
}

void tst_ServerApp::programRefusesBadOptions() {
    QProcess program;
    program.start(DIETA_SERVER_EXE, {"--port", "seventy"});
    QVERIFY(program.waitForFinished(30000));
    QCOMPARE(program.exitCode(), 2);
    QVERIFY(program.readAllStandardError().contains("--port"));
}
#else
void tst_ServerApp::programPrintsItsPortAndStopsOnSignal() {
    QSKIP("dieta-server is not built");
}
void tst_ServerApp::programRefusesBadOptions() {
    QSKIP("dieta-server is not built");
}
#endif

QTEST_GUILESS_MAIN(tst_ServerApp)
#include "tst_serverapp.moc"
