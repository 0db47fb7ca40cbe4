// The client of the remote calls against a real transport with test methods, and against
// servers that misbehave (down, silent, slow, answering garbage).

#include "platform/datapacket.h"
#include "platform/tnetconnection.h"
#include "platform/wirevalue.h"
#include "server/transport/httpserver.h"
#include "tests/support/echoserver.h"

#include <QTcpServer>
#include <QtTest>
#include <httplib.h>
#include <memory>
#include <thread>

using namespace dieta;

namespace {

// A stand-in server answering every call with a fixed status and body.
class FakeServer {
public:
    FakeServer(int status, std::string body, std::string type = "application/json",
               bool healthy = true) {
        http_.Get("/health", [=](const httplib::Request&, httplib::Response& res) {
            if (healthy)
                res.set_content(R"({"status":"ok"})", "application/json");
            else
                res.set_content(body, type.c_str());
        });
        http_.Post(R"(/.*)", [=](const httplib::Request&, httplib::Response& res) {
            res.status = status;
            res.set_content(body, type.c_str());
        });
        port_ = http_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { http_.listen_after_bind(); });
        // The socket listens already; an answer proves the accept loop runs, so that stop()
        // in the destructor cannot come before it and leave the thread listening for ever.
        httplib::Client probe("127.0.0.1", port_);
        probe.set_connection_timeout(5);
        probe.set_read_timeout(5);
        ready_ = bool(probe.Get("/health"));
    }
    ~FakeServer() {
        http_.stop();
        thread_.join();
    }
    int port() const { return port_; }
    bool ready() const { return ready_; }

private:
    httplib::Server http_;
    std::thread thread_;
    int port_ = 0;
    bool ready_ = false;
};

// A port on which nothing listens.
int closedPort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    return probe.serverPort();
}

DataPacket samplePacket() {
    DataPacket packet;
    packet.fields = {{"CDPACIENTE", FieldKind::String, 12},
                     {"DTNASC", FieldKind::Date},
                     {"QTPRATCONF", FieldKind::Float},
                     {"IDCHECK", FieldKind::Boolean}};
    packet.rows = {{QString("P0001"), QDate(1950, 3, 1), 1.5, true},
                   {QString("Ação ç"), QVariant(), QVariant(), false}};
    return packet;
}

} // namespace

class tst_TNetConnection : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void valuesTravelBothWays_data();
    void valuesTravelBothWays();
    void byReferenceArgumentsComeBackByPosition();
    void byReferenceNullComesBackEmpty();
    void argumentKindsReachTheHandler();
    void errorAnswerIsAnErrorResult();
    void internalFaultLeaksNoDetail();
    void operatorHeaderArrives();
    void connectChecksHealth();
    void beforeConnectRunsFirstAndMayAbandon();
    void callConnectsWhenNeeded();
    void unreachableServerIsAnErrorResult();
    void silentServerFailsTheConnectionQuickly();
    void serverGoneMidSessionIsAnErrorResult();
    void timeoutIsAnErrorResultAndTheConnectionRecovers();
    void garbageAnswersAreErrorResults_data();
    void garbageAnswersAreErrorResults();
    void compactAnswersAreReadWhateverTheirTexts_data();
    void compactAnswersAreReadWhateverTheirTexts();
    void invalidMethodNameIsRefusedLocally();
    void shorterKeepAliveAnnouncedIsFollowed();

private:
    std::unique_ptr<TNetConnection> connectedClient(const QString& op = "NUTRI01") {
        return echo_->connectedClient(op);
    }

    std::unique_ptr<test::EchoServer> echo_;
};

void tst_TNetConnection::init() {
    echo_ = std::make_unique<test::EchoServer>();
}

void tst_TNetConnection::cleanup() {
    echo_.reset();
}

void tst_TNetConnection::valuesTravelBothWays_data() {
    QTest::addColumn<QVariant>("value");
    QTest::newRow("text with accents") << QVariant(QString("Ação  com brancos "));
    QTest::newRow("empty text") << QVariant(QString(""));
    QTest::newRow("date") << QVariant(QDate(2026, 12, 7));
    QTest::newRow("date-time") << QVariant(QDateTime(QDate(2026, 12, 7), QTime(13, 45, 0)));
    QTest::newRow("boolean") << QVariant(true);
    QTest::newRow("number") << QVariant(1.5);
    QTest::newRow("null") << QVariant();
    QTest::newRow("packet") << fromPacket(samplePacket());
    QTest::newRow("array of packet, number, text")
        << QVariant(QVariantList{fromPacket(samplePacket()), 2.5, QString("x")});
}

void tst_TNetConnection::valuesTravelBothWays() {
    QFETCH(QVariant, value);
    auto client = connectedClient();
    const QVariant result = client->call("Echo", QVariantList{value});
    QVERIFY2(!isServerError(result), qPrintable(serverErrorText(result)));
    QCOMPARE(result, value);
}

void tst_TNetConnection::byReferenceArgumentsComeBackByPosition() {
    auto client = connectedClient();
    QVariantList args{QString("abc"), QString("old"), 7.0, QString("keep")};
    const QVariant result = client->call("Swap", args);
    QVERIFY2(!isServerError(result), qPrintable(serverErrorText(result)));
    QVERIFY(!result.isValid()); // a write that succeeded answers null
    QCOMPARE(args, (QVariantList{QString("abc"), QString("abc!"), 7.0, QString("keep")}));
}

void tst_TNetConnection::byReferenceNullComesBackEmpty() {
    auto client = connectedClient();
    QVariantList args{QString("something")};
    QCOMPARE(client->call("ClearRef", args), QVariant(QString("cleared")));
    QCOMPARE(args.at(0), QVariant(QString("")));
}

void tst_TNetConnection::argumentKindsReachTheHandler() {
    auto client = connectedClient();
    // A null string is taken as "", a date-time as its date.
    const QVariant result =
        client->call("Kinds", QVariantList{QVariant(), QDateTime(QDate(2026, 1, 2), QTime(3, 4)),
                                           qint64(3), false, fromPacket(samplePacket())});
    QCOMPARE(result.toString().section(',', 0, 1), QString("QString,QDate"));
    QCOMPARE(result.toString().section(',', 3, 4), QString("bool,dieta::DataPacket"));
}

void tst_TNetConnection::errorAnswerIsAnErrorResult() {
    auto client = connectedClient();
    const QVariant result = client->call("Fail", QVariantList{QString("Dieta não cadastrada.")});
    QVERIFY(isServerError(result));
    QCOMPARE(serverErrorText(result), QString("Dieta não cadastrada."));
}

void tst_TNetConnection::internalFaultLeaksNoDetail() {
    auto client = connectedClient();
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Throw failed"));
    const QVariant result = client->call("Throw");
    QVERIFY(isServerError(result));
    QVERIFY(!serverErrorText(result).isEmpty());
    QVERIFY(!serverErrorText(result).contains(test::secretDetail));
    // The server goes on serving.
    QCOMPARE(client->call("Echo", QVariantList{1.0}), QVariant(1.0));
}

void tst_TNetConnection::operatorHeaderArrives() {
    auto client = connectedClient("NUTRI01");
    QCOMPARE(client->call("Operator"), QVariant(QString("NUTRI01")));
    client->setOperator("ZÉ");
    QCOMPARE(client->call("Operator"), QVariant(QString("ZÉ")));
    // A line break cannot smuggle a header of its own.
    client->setOperator("OP\r\nX-Operador: ADMIN");
    QCOMPARE(client->call("Operator"), QVariant(QString("OPX-Operador: ADMIN")));
}

void tst_TNetConnection::connectChecksHealth() {
    TNetConnection client;
    client.setHost("127.0.0.1");
    client.setPort(echo_->port());
    QVERIFY(!client.Connected());
    client.setConnected(true);
    QVERIFY(client.Connected());
    client.setConnected(false);
    QVERIFY(!client.Connected());

    // Answers, but is no application server.
    FakeServer notOurs(200, "hello", "text/plain", false);
    QVERIFY(notOurs.ready());
    client.setPort(notOurs.port());
    QVERIFY_THROWS_EXCEPTION(NetConnectionError, client.setConnected(true));
    QVERIFY(!client.Connected());
}

void tst_TNetConnection::beforeConnectRunsFirstAndMayAbandon() {
    TNetConnection client;
    int runs = 0;
    client.setBeforeConnect([&] {
        ++runs;
        client.setHost("127.0.0.1");
        client.setPort(echo_->port());
    });
    client.setConnected(true);
    QCOMPARE(runs, 1);
    QVERIFY(client.Connected());

    TNetConnection refusing;
    refusing.setBeforeConnect([] { throw std::runtime_error("sem endereço"); });
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, refusing.setConnected(true));
    QVERIFY(!refusing.Connected());
    // Through a call the same failure is an error result.
    QCOMPARE(serverErrorText(refusing.call("Echo", QVariantList{1.0})), QString("sem endereço"));
}

void tst_TNetConnection::callConnectsWhenNeeded() {
    auto client = connectedClient();
    client->setConnected(false);
    QCOMPARE(client->call("Echo", QVariantList{QString("a")}), QVariant(QString("a")));
    QVERIFY(client->Connected());
}

void tst_TNetConnection::unreachableServerIsAnErrorResult() {
    TNetConnection client;
    client.setHost("127.0.0.1");
    client.setPort(closedPort());
    try {
        client.setConnected(true);
        QFAIL("connecting to a closed port must throw");
    } catch (const NetConnectionError& e) {
        QVERIFY2(e.text().startsWith("Servidor de aplicação não respondeu"), e.what());
    }
    const QVariant result = client.call("Echo", QVariantList{1.0});
    QVERIFY(isServerError(result));
    QVERIFY(serverErrorText(result).startsWith("Servidor de aplicação não respondeu"));

    client.setPort(0);
    QVERIFY_THROWS_EXCEPTION(NetConnectionError, client.setConnected(true));
}

void tst_TNetConnection::silentServerFailsTheConnectionQuickly() {
    // Accepts connections (the listening socket's backlog) but never answers.
    QTcpServer silent;
    QVERIFY(silent.listen(QHostAddress::LocalHost));
    TNetConnection client;
    client.setHost("127.0.0.1");
    client.setPort(silent.serverPort());
    QElapsedTimer waited;
    waited.start();
    try {
        client.setConnected(true);
        QFAIL("a server that never answers must not count as connected");
    } catch (const NetConnectionError& e) {
        QVERIFY2(e.text().startsWith("Servidor de aplicação não respondeu"), e.what());
    }
    QVERIFY2(waited.elapsed() < TNetConnection::HealthTimeoutMs + 2000,
             qPrintable(QString::number(waited.elapsed())));
    QVERIFY(!client.Connected());
}

void tst_TNetConnection::serverGoneMidSessionIsAnErrorResult() {
    auto client = connectedClient();
    QVariantList args{QString("abc"), QString("old"), 1.0, QString("keep")};
    echo_->stop();
    const QVariant result = client->call("Swap", args);
    QVERIFY(isServerError(result));
    QCOMPARE(args.at(1), QVariant(QString("old"))); // untouched by a failed call
}

void tst_TNetConnection::timeoutIsAnErrorResultAndTheConnectionRecovers() {
    auto client = connectedClient();
    client->setTimeouts(1000, 300);
    // The server holds the call until the client has given up on it.
    const QVariant result = client->call("Hold");
    echo_->gate().open();
    QVERIFY(isServerError(result));
    QVERIFY2(serverErrorText(result).contains("a tempo"), qPrintable(serverErrorText(result)));
    QCOMPARE(client->call("Echo", QVariantList{2.0}), QVariant(2.0));
}

void tst_TNetConnection::garbageAnswersAreErrorResults_data() {
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::newRow("html") << 200 << QByteArray("<html>oops</html>");
    QTest::newRow("empty") << 200 << QByteArray();
    QTest::newRow("json array") << 200 << QByteArray("[1,2]");
    QTest::newRow("no result") << 200 << QByteArray(R"({"resultado": 1})");
    QTest::newRow("error not text") << 200 << QByteArray(R"({"error": 5})");
    QTest::newRow("bad wire value") << 200 << QByteArray(R"({"result": {"date": "ontem"}})");
    QTest::newRow("byref out of range")
        << 200 << QByteArray(R"({"result": null, "byref": {"9": "x"}})");
    // The call below passes one argument: position 0 is the last one.
    QTest::newRow("byref one past the last argument")
        << 200 << QByteArray(R"({"result": null, "byref": {"1": "x"}})");
    QTest::newRow("byref before the first argument")
        << 200 << QByteArray(R"({"result": null, "byref": {"-1": "x"}})");
    QTest::newRow("byref not a position")
        << 200 << QByteArray(R"({"result": null, "byref": {"a": "x"}})");
    // The server's own compact writing, read in place.
    QTest::newRow("compact byref out of range")
        << 200 << QByteArray(R"({"byref":{"9":"x"},"result":null})");
    QTest::newRow("compact byref cut") << 200 << QByteArray(R"({"byref":{"0":"x","result":null})");
    QTest::newRow("compact byref, no result")
        << 200 << QByteArray(R"({"byref":{"0":"x"},"resultado":null})");
    QTest::newRow("compact bad wire value") << 200 << QByteArray(R"({"result":{"date":"ontem"}})");
    QTest::newRow("compact, unclosed") << 200 << QByteArray(R"({"result":[1,2})");
    QTest::newRow("proxy error page") << 502 << QByteArray("Bad Gateway");
    QTest::newRow("result with failure status") << 500 << QByteArray(R"({"result": 1})");
}

void tst_TNetConnection::garbageAnswersAreErrorResults() {
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    FakeServer fake(status, body.toStdString());
    QVERIFY(fake.ready());
    TNetConnection client;
    client.setHost("127.0.0.1");
    client.setPort(fake.port());
    client.setConnected(true);
    QVariantList args{QString("mine")};
    const QVariant result = client.call("Anything", args);
    QVERIFY(isServerError(result));
    QVERIFY2(serverErrorText(result).startsWith("Resposta inválida do servidor de aplicação"),
             qPrintable(serverErrorText(result)));
    QCOMPARE(args, QVariantList{QString("mine")});
}

void tst_TNetConnection::compactAnswersAreReadWhateverTheirTexts_data() {
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QVariant>("result");
    QTest::addColumn<QVariant>("argument");
    const QVariant mine(QString("mine"));
    QTest::newRow("a text holding the by-reference key")
        << QByteArray(R"({"result":"a,\"byref\":{\"0\":1}"})")
        << QVariant(QString(R"(a,"byref":{"0":1})")) << mine;
    QTest::newRow("by reference after such a text")
        << QByteArray(R"({"result":["x,\"byref\":",2],"byref":{"0":"novo"}})")
        << QVariant(QVariantList{QString(R"(x,"byref":)"), 2.0}) << QVariant(QString("novo"));
    QTest::newRow("by reference first, then the result")
        << QByteArray(R"({"byref":{"0":"novo"},"result":["x",2]})")
        << QVariant(QVariantList{QString("x"), 2.0}) << QVariant(QString("novo"));
    QTest::newRow("by reference first, holding the result's key in a text")
        << QByteArray(R"({"byref":{"0":",\"result\":"},"result":1})") << QVariant(1.0)
        << QVariant(QString(R"(,"result":)"));
    QTest::newRow("by reference holding the key in a text")
        << QByteArray(R"({"result":null,"byref":{"0":",\"byref\":"}})") << QVariant()
        << QVariant(QString(R"(,"byref":)"));
}

void tst_TNetConnection::compactAnswersAreReadWhateverTheirTexts() {
    QFETCH(QByteArray, body);
    QFETCH(QVariant, result);
    QFETCH(QVariant, argument);
    FakeServer fake(200, body.toStdString());
    QVERIFY(fake.ready());
    TNetConnection client;
    client.setHost("127.0.0.1");
    client.setPort(fake.port());
    QVariantList args{QString("mine")};
    const QVariant answer = client.call("Anything", args);
    QVERIFY2(!isServerError(answer), qPrintable(serverErrorText(answer)));
    QCOMPARE(answer, result);
    QCOMPARE(args.at(0), argument);
}

void tst_TNetConnection::invalidMethodNameIsRefusedLocally() {
    auto client = connectedClient();
    QVERIFY(isServerError(client->call("../health")));
    QVERIFY(isServerError(client->call("")));
    client->setServerName("Zfa13000/rdm");
    QVERIFY(isServerError(client->call("Echo", QVariantList{1.0})));
}

// A server that keeps an idle connection one second and says so: reusing the connection
// after that would write into a socket the server has closed.
void tst_TNetConnection::shorterKeepAliveAnnouncedIsFollowed() {
    httplib::Server http;
    http.set_keep_alive_timeout(1);
    http.Get("/health", [](const httplib::Request&, httplib::Response& res) {
        res.set_header("Keep-Alive", "timeout=1");
        res.set_content(R"({"status":"ok"})", "application/json");
    });
    http.Post(R"(/.*)", [](const httplib::Request&, httplib::Response& res) {
        res.set_header("Keep-Alive", "timeout=1");
        res.set_content(R"({"result":"ok"})", "application/json");
    });
    const int port = http.bind_to_any_port("127.0.0.1");
    std::thread thread([&] { http.listen_after_bind(); });
    auto stop = qScopeGuard([&] {
        http.stop();
        thread.join();
    });
    QTRY_VERIFY(http.is_running());

    TNetConnection client;
    client.setPort(port);
    client.setConnected(true);
    QCOMPARE(client.call("X"), QVariant(QString("ok")));
    QTest::qWait(1500); // past the announced keep-alive, well inside ReuseIdleMs
    QCOMPARE(client.call("X"), QVariant(QString("ok")));
}

QTEST_GUILESS_MAIN(tst_TNetConnection)
#include "tst_tnetconnection.moc"
