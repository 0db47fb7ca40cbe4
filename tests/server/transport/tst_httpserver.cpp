// The transport seen from the wire: the protocol's shape, every kind of bad request answered
// with an error while the server keeps serving, and several clients at once.

#include "platform/tnetconnection.h"
#include "server/transport/httpserver.h"
#include "tests/support/echomethods.h"

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpSocket>
#include <QThread>
#include <QtTest>

using namespace dieta;

namespace {

// A transport and a client left at their defaults address the same server object.
const QByteArray callPath = "/" + QByteArray(TNetConnection::DefaultServerName) + "/";

struct RawAnswer {
    int status = 0; // 0: no answer at all
    QByteArray headers;
    QByteArray body;
};

bool isComplete(const QByteArray& data) {
    const qsizetype end = data.indexOf("\r\n\r\n");
    if (end < 0)
        return false;
    const QByteArray head = data.left(end).toLower();
    const qsizetype at = head.indexOf("content-length:");
    if (at < 0)
        return true;
    const qsizetype eol = head.indexOf("\r\n", at);
    const qint64 length = head.mid(at + 15, eol < 0 ? -1 : eol - at - 15).trimmed().toLongLong();
    return data.size() - (end + 4) >= length;
}

// One request written byte for byte, one answer read back.
RawAnswer exchange(int port, const QByteArray& request) {
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, quint16(port));
    if (!socket.waitForConnected(3000))
        return {};
    socket.write(request);
    QByteArray data;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 15000 && !isComplete(data)) {
        if (socket.bytesToWrite() > 0)
            socket.waitForBytesWritten(100);
        if (socket.waitForReadyRead(100))
            data += socket.readAll();
        else if (socket.state() != QAbstractSocket::ConnectedState)
            break;
    }
    data += socket.readAll();
    RawAnswer answer;
    const qsizetype end = data.indexOf("\r\n\r\n");
    const QList<QByteArray> statusLine = data.left(data.indexOf("\r\n")).split(' ');
    if (statusLine.size() >= 2)
        answer.status = statusLine.at(1).toInt();
    answer.headers = data.left(end);
    answer.body = end < 0 ? QByteArray() : data.mid(end + 4);
    return answer;
}

QByteArray post(const QByteArray& path, const QByteArray& body,
                const QByteArray& extraHeaders = "Content-Type: application/json\r\n") {
    return "POST " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" + extraHeaders +
           "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

QByteArray chunked(const QByteArray& path, const QByteArray& chunks) {
    return "POST " + path +
           " HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: application/json\r\n"
           "Transfer-Encoding: chunked\r\n\r\n" +
           chunks;
}

QJsonObject jsonOf(const QByteArray& body) {
    return QJsonDocument::fromJson(body).object();
}

} // namespace

class tst_HttpServer : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void answersFollowTheProtocol();
    void textArgumentsArriveAsWritten();
    void badRequestsAreAnsweredAndServingGoesOn_data();
    void badRequestsAreAnsweredAndServingGoesOn();
    void clientAddressComesFromTheSocket();
    void eightClientsAtOnce();
    void portInUseIsReported();
    void stopClosesThePort();

private:
    bool healthy() const;

    server::MethodRegistry registry_;
    std::unique_ptr<server::HttpServer> server_;
};

void tst_HttpServer::init() {
    registry_ = {};
    test::addEchoMethods(registry_);
    server_ = std::make_unique<server::HttpServer>(registry_, nullptr);
    server_->start();
}

void tst_HttpServer::cleanup() {
    server_.reset();
}

bool tst_HttpServer::healthy() const {
    const RawAnswer answer =
        exchange(server_->port(), "GET /health HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
    return answer.status == 200 && jsonOf(answer.body).value("status").toString() == "ok";
}

void tst_HttpServer::answersFollowTheProtocol() {
    QVERIFY(server_->port() > 0);
    QVERIFY(healthy());

    RawAnswer swap =
        exchange(server_->port(), post(callPath + "Swap", R"({"args": ["abc", null, 1, null]})"));
    QCOMPARE(swap.status, 200);
    QVERIFY(swap.headers.toLower().contains("content-type: application/json"));
    // Every by-reference argument comes back, by 0-based position, never null.
    QCOMPARE(jsonOf(swap.body), QJsonDocument::fromJson(R"({"result": null,
             "byref": {"1": "abc!", "3": ""}})")
                                    .object());

    RawAnswer fail =
        exchange(server_->port(), post(callPath + "Fail", R"({"args": ["Sem cardápio."]})"));
    QCOMPARE(fail.status, 200);
    QCOMPARE(jsonOf(fail.body).value("error").toString(), QString("Sem cardápio."));

    // A method without arguments may be called with an empty object.
    RawAnswer op = exchange(server_->port(), post(callPath + "Operator", "{}",
                                                  "Content-Type: application/json; charset=utf-8"
                                                  "\r\nX-Operador: NUTRI01\r\n"));
    QCOMPARE(op.status, 200);
    QCOMPARE(jsonOf(op.body).value("result").toString(), QString("NUTRI01"));
}

// Plain texts are read by a short road, the rest by the general reader: both give the text the
// client wrote, and both refuse what is no text.
void tst_HttpServer::textArgumentsArriveAsWritten() {
    const QList<std::pair<QByteArray, QString>> texts{
        {R"("0001")", "0001"},
        {R"(  " spaced "  )", " spaced "},
        {R"("")", ""},
        {R"("a\"b\\c")", "a\"b\\c"},
        {R"("tab\there")", "tab\there"},
        {R"("caf\u00e9")", QString::fromUtf8("café")},
        {"\"caf\xc3\xa9 \xf0\x9d\x84\x9e\"", QString::fromUtf8("café 𝄞")},
        {"\"del\x7f\"", QString::fromLatin1("del\x7f")},
    };
    for (const auto& [wire, text] : texts) {
        const RawAnswer echo =
            exchange(server_->port(), post(callPath + "Echo", R"({"args": [)" + wire + "]}"));
        QCOMPARE(echo.status, 200);
        QCOMPARE(jsonOf(echo.body).value("result").toString(), text);
    }
    for (const QByteArray& wire :
         {QByteArray("\"raw\ttab\""), QByteArray("\"open"), QByteArray(R"("\ud800")")}) {
        const RawAnswer refused =
            exchange(server_->port(), post(callPath + "Echo", R"({"args": [)" + wire + "]}"));
        QVERIFY2(refused.status == 400, wire.constData());
    }
}

void tst_HttpServer::badRequestsAreAnsweredAndServingGoesOn_data() {
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<int>("status");

    const QByteArray tooBig(16 * 1024 * 1024 + 10, ' ');
    QByteArray manyChunks;
    const QByteArray chunk(1024 * 1024, ' ');
    for (int i = 0; i < 17; ++i)
        manyChunks += QByteArray::number(chunk.size(), 16) + "\r\n" + chunk + "\r\n";
    manyChunks += "0\r\n\r\n";
    QByteArray manyHeaders;
    for (int i = 0; i < 200; ++i)
        manyHeaders += "X-H" + QByteArray::number(i) + ": v\r\n";

    QTest::newRow("malformed JSON") << post(callPath + "Echo", R"({"args": [1,)") << 400;
    QTest::newRow("body not an object") << post(callPath + "Echo", "[1]") << 400;
    QTest::newRow("args not an array") << post(callPath + "Echo", R"({"args": 5})") << 400;
    QTest::newRow("too many arguments") << post(callPath + "Echo", R"({"args": [1, 2]})") << 400;
    QTest::newRow("too few arguments") << post(callPath + "Echo", R"({"args": []})") << 400;
    QTest::newRow("text for a date")
        << post(callPath + "Kinds",
                R"({"args": ["a", "2026-01-01", 1, true, {"packet": {"fields": [], "rows": []}}]})")
        << 400;
    QTest::newRow("number for a text")
        << post(
               callPath + "Kinds",
               R"({"args": [1, {"date": "2026-01-01"}, 1, true, {"packet": {"fields": [], "rows": []}}]})")
        << 400;
    QTest::newRow("impossible date")
        << post(callPath + "Echo", R"({"args": [{"date": "2026-13-45"}]})") << 400;
    QTest::newRow("malformed packet")
        << post(callPath + "Echo", R"({"args": [{"packet": {"fields": 5}}]})") << 400;
    QTest::newRow("unknown method") << post(callPath + "Nothing", R"({"args": []})") << 404;
    QTest::newRow("unknown object") << post("/Other.rdm/Echo", R"({"args": [1]})") << 404;
    QTest::newRow("unknown path") << post("/", "{}") << 404;
    QTest::newRow("GET on a method")
        << QByteArray("GET " + callPath + "Echo HTTP/1.1\r\nHost: x\r\n\r\n") << 404;
    QTest::newRow("PUT") << QByteArray("PUT /health HTTP/1.1\r\nContent-Length: 0\r\n\r\n") << 404;
    QTest::newRow("oversized body") << post(callPath + "Echo", tooBig) << 413;
    QTest::newRow("oversized chunked body") << chunked(callPath + "Echo", manyChunks) << 413;
    QTest::newRow("text content type")
        << post(callPath + "Echo", R"({"args": [1]})", "Content-Type: text/plain\r\n") << 415;
    QTest::newRow("no content type") << post(callPath + "Echo", R"({"args": [1]})", "") << 415;
    QTest::newRow("no length") << QByteArray(
                                      "POST " + callPath +
                                      "Echo HTTP/1.1\r\nContent-Type: application/json\r\n\r\n")
                               << 411;
    QTest::newRow("over-long header line")
        << post(callPath + "Echo", R"({"args": [1]})",
                "Content-Type: application/json\r\nX-Long: " + QByteArray(64 * 1024, 'a') + "\r\n")
        << 431;
    QTest::newRow("header over our limit")
        << post(callPath + "Echo", R"({"args": [1]})",
                "Content-Type: application/json\r\nX-Long: " + QByteArray(5000, 'a') + "\r\n")
        << 431;
    QTest::newRow("too many headers") << post(callPath + "Echo", R"({"args": [1]})",
                                              "Content-Type: application/json\r\n" + manyHeaders)
                                      << 431;
    QTest::newRow("two operators")
        << post(callPath + "Operator", "{}",
                "Content-Type: application/json\r\nX-Operador: A\r\nX-Operador: B\r\n")
        << 400;
    QTest::newRow("chunked garbage")
        << chunked(callPath + "Echo", "ZZZ\r\n{\"args\": [1]}\r\n0\r\n\r\n") << 400;
    QTest::newRow("chunk longer than announced")
        << chunked(callPath + "Echo", "2\r\n{\"args\": [1]}\r\n0\r\n\r\n") << 400;
    QTest::newRow("garbage request line") << QByteArray("HELLO\r\n\r\n") << 400;
    QTest::newRow("handler fails inside") << post(callPath + "Throw", "{}") << 500;
}

void tst_HttpServer::badRequestsAreAnsweredAndServingGoesOn() {
    QFETCH(QByteArray, request);
    QFETCH(int, status);
    if (status == 500)
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Throw failed"));
    const RawAnswer answer = exchange(server_->port(), request);
    QCOMPARE(answer.status, status);
    const QString error = jsonOf(answer.body).value("error").toString();
    QVERIFY2(!error.isEmpty(), answer.body.left(200).constData());
    QVERIFY(!answer.body.contains(test::secretDetail));
    QVERIFY(!answer.headers.contains(test::secretDetail));
    QVERIFY(healthy());
}

void tst_HttpServer::clientAddressComesFromTheSocket() {
    const RawAnswer answer = exchange(
        server_->port(), post(callPath + "Peer", "{}",
                              "Content-Type: application/json\r\nREMOTE_ADDR: 10.9.8.7\r\n"));
    QCOMPARE(answer.status, 200);
    QCOMPARE(jsonOf(answer.body).value("result").toString(), QString("127.0.0.1"));
}

void tst_HttpServer::eightClientsAtOnce() {
    constexpr int clients = 8;
    constexpr int calls = 40;
    QList<QThread*> threads;
    QList<int> good(clients, 0);
    for (int c = 0; c < clients; ++c) {
        threads << QThread::create([this, c, &good] {
            TNetConnection connection;
            connection.setHost("127.0.0.1");
            connection.setPort(server_->port());
            connection.setOperator(QString("OP%1").arg(c));
            for (int i = 0; i < calls; ++i) {
                const QString mine = QString("c%1-%2").arg(c).arg(i);
                QVariantList args{mine, QString(), double(i), QString("k")};
                const QVariant result = connection.call("Swap", args);
                const bool swapOk = !isServerError(result) && args.at(1).toString() == mine + "!";
                const bool operatorOk =
                    connection.call("Operator").toString() == QString("OP%1").arg(c);
                if (swapOk && operatorOk)
                    ++good[c];
            }
        });
    }
    for (QThread* thread : threads)
        thread->start();
    for (QThread* thread : threads) {
        QVERIFY(thread->wait(60000));
        delete thread;
    }
    for (int c = 0; c < clients; ++c)
        QCOMPARE(good.at(c), calls);
}

void tst_HttpServer::portInUseIsReported() {
    server::HttpServerOptions options;
    options.port = server_->port();
    server::HttpServer second(registry_, nullptr, options);
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, second.start());
    QVERIFY(!second.isRunning());
    QVERIFY(healthy());
}

void tst_HttpServer::stopClosesThePort() {
    const int port = server_->port();
    server_->stop();
    QVERIFY(!server_->isRunning());
    QCOMPARE(exchange(port, "GET /health HTTP/1.1\r\n\r\n").status, 0);
}

QTEST_GUILESS_MAIN(tst_HttpServer)
#include "tst_httpserver.moc"
