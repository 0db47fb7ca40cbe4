// The transport under clients that misbehave on purpose or by accident: slow senders,
// half-sent and oversized requests, too many connections, long pauses between calls. Each
// case measures what an ordinary client sees meanwhile.

#include "platform/tnetconnection.h"
#include "server/transport/httpserver.h"
#include "tests/server/transport/rawclient.h"
#include "tests/server/transport/socketqueues.h"
#include "tests/support/echomethods.h"

#include <QElapsedTimer>
#include <QtTest>
#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>

using namespace dieta;
using test::postRequest;
using test::RawAnswer;
using test::RawClient;

namespace {

const QByteArray echoCall = R"({"args": ["ok"]})";

// The refusals the server reported, as its callback saw them (on worker threads).
class RefusalLog {
public:
    void add(const server::RefusalEvent& event) {
        std::lock_guard lock(mutex_);
        events_.append(event);
    }
    QList<server::RefusalEvent> events() {
        std::lock_guard lock(mutex_);
        return events_;
    }
    void clear() {
        std::lock_guard lock(mutex_);
        events_.clear();
    }
    int count(server::RefusalReason reason) {
        const QList<server::RefusalEvent> all = events();
        return int(std::count_if(all.begin(), all.end(),
                                 [reason](const auto& event) { return event.reason == reason; }));
    }

private:
    std::mutex mutex_;
    QList<server::RefusalEvent> events_;
};

// Milliseconds of the slowest of `calls` Echo calls of an ordinary client.
qint64 slowestCall(int port, int calls) {
    TNetConnection client;
    client.setHost("127.0.0.1");
    client.setPort(port);
    client.setTimeouts(3000, 3000);
    qint64 slowest = 0;
    for (int i = 0; i < calls; ++i) {
        QElapsedTimer clock;
        clock.start();
        if (client.call("Echo", {QString("x")}) != QVariant(QString("x")))
            return 1'000'000;
        slowest = std::max(slowest, clock.elapsed());
    }
    return slowest;
}

QByteArray healthRequest() {
    return "GET /health HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
}

} // namespace

class tst_TransportLimits : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void slowClientsDoNotDelayACall();
    void halfSentRequestsEndAtTheDeadline();
    void tricklingRequestEndsAtTheDeadline();
    void oversizedDeclaredBodyIsRefusedAtOnce();
    void continueIsSentOnlyForAnAcceptableBody();
    void connectionsPerClientAreLimited();
    void idleConnectionsGiveWayWhenTheServerIsFull();
    void thousandIdleConnectionsDoNotDelayACall();
    void keepAliveOutlastsAPauseOfSeconds();
    void pipelinedRequestsAreAnsweredInOrder();
    void idleConnectionIsClosedQuietlyAfterKeepAlive();
    void deadlinesHoldAfterCallsOnAKeptConnection();
    void stopDoesNotWaitForIdleOrSlowClients();

private:
    void startServer(server::HttpServerOptions options = {});

    server::MethodRegistry registry_;
    RefusalLog refusals_;
    std::unique_ptr<server::HttpServer> server_;
};

void tst_TransportLimits::init() {
    registry_ = {};
    test::addEchoMethods(registry_);
    refusals_.clear();
}

void tst_TransportLimits::cleanup() {
    server_.reset();
}

void tst_TransportLimits::startServer(server::HttpServerOptions options) {
    options.onRefusal = [this](const server::RefusalEvent& event) { refusals_.add(event); };
    server_ = std::make_unique<server::HttpServer>(registry_, nullptr, options);
    server_->start();
}

// Connections that send a header line now and then hold no worker: the ordinary client's
// calls go through while 64 of them trickle.
void tst_TransportLimits::slowClientsDoNotDelayACall() {
    startServer();
    std::vector<std::unique_ptr<RawClient>> slow;
    for (int i = 0; i < 64; ++i) {
        slow.push_back(std::make_unique<RawClient>());
        QVERIFY(slow.back()->connect(server_->port()));
        QVERIFY(slow.back()->send("POST /" + QByteArray(TNetConnection::DefaultServerName) +
                                  "/Echo HTTP/1.1\r\n"));
    }
    std::atomic<bool> done = false;
    std::thread trickle([&] {
        for (int line = 0; !done; ++line) {
            for (auto& client : slow)
                client->send("X-Line-" + QByteArray::number(line) + ": v\r\n");
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        }
    });
    const qint64 slowest = slowestCall(server_->port(), 20);
    done = true;
    trickle.join();
    qInfo("slowest of 20 calls while 64 clients trickle: %lld ms", slowest);
    QVERIFY2(slowest < 1000, qPrintable(QString::number(slowest)));
}

// A request whose body never ends is answered 408 at the deadline, holding no worker
// meanwhile, and the refusal is reported with its address and path.
void tst_TransportLimits::halfSentRequestsEndAtTheDeadline() {
    server::HttpServerOptions options;
    options.requestTimeoutSeconds = 1;
    startServer(options);
    std::vector<std::unique_ptr<RawClient>> half;
    for (int i = 0; i < 40; ++i) {
        half.push_back(std::make_unique<RawClient>());
        QVERIFY(half.back()->connect(server_->port()));
        QVERIFY(half.back()->send(postRequest("Echo", echoCall).chopped(5)));
    }
    QVERIFY(slowestCall(server_->port(), 5) < 500);
    for (auto& client : half)
        QCOMPARE(client->readAnswer(5000).status, 408);
    QTRY_COMPARE(refusals_.count(server::RefusalReason::Deadline), 40);
    const server::RefusalEvent first = refusals_.events().first();
    QCOMPARE(first.clientAddress, QString("127.0.0.1"));
    QCOMPARE(first.path, "/" + QString(TNetConnection::DefaultServerName) + "/Echo");
    QCOMPARE(first.status, 408);
}

// The deadline covers the whole request, not each read: sending a byte now and then does
// not extend it.
void tst_TransportLimits::tricklingRequestEndsAtTheDeadline() {
    server::HttpServerOptions options;
    options.requestTimeoutSeconds = 1;
    startServer(options);
    RawClient client;
    QVERIFY(client.connect(server_->port()));
    QVERIFY(client.send("POST /x/Echo HTTP/1.1\r\n"));
    QElapsedTimer clock;
    clock.start();
    while (client.isOpen() && !client.closedWithin(200) && clock.elapsed() < 5000)
        client.send("X-More: v\r\n");
    QVERIFY2(clock.elapsed() < 3000, qPrintable(QString::number(clock.elapsed())));
    QTRY_COMPARE(refusals_.count(server::RefusalReason::Deadline), 1);
}

void tst_TransportLimits::oversizedDeclaredBodyIsRefusedAtOnce() {
    startServer();
    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression("refused 127\\.0\\.0\\.1 oversized 413 /.*/Echo"));
    RawClient client;
    QVERIFY(client.connect(server_->port()));
    QElapsedTimer clock;
    clock.start();
    QVERIFY(client.send("POST /" + QByteArray(TNetConnection::DefaultServerName) +
                        "/Echo HTTP/1.1\r\nContent-Type: application/json\r\n"
                        "Content-Length: 100000000\r\n\r\n{\"args\": ["));
    const RawAnswer answer = client.readAnswer(5000);
    qInfo("100 MB declared body refused after %lld ms", clock.elapsed());
    QCOMPARE(answer.status, 413);
    QVERIFY(clock.elapsed() < 1000);
    QVERIFY(answer.headers.toLower().contains("connection: close"));
    QVERIFY(client.closedWithin(3000));
    QTRY_COMPARE(refusals_.count(server::RefusalReason::Oversized), 1);
}

// A client asking before it uploads learns the refusal without sending the body, and gets
// the go-ahead for an acceptable one.
void tst_TransportLimits::continueIsSentOnlyForAnAcceptableBody() {
    startServer();
    RawClient client;
    QVERIFY(client.connect(server_->port()));
    const QByteArray request = postRequest("Echo", echoCall, "Expect: 100-continue\r\n");
    const qsizetype headEnd = request.indexOf("\r\n\r\n") + 4;
    QVERIFY(client.send(request.left(headEnd)));
    QCOMPARE(client.readAnswer(2000).status, 100);
    QVERIFY(client.send(request.mid(headEnd)));
    const RawAnswer echoed = client.readAnswer(2000);
    QCOMPARE(echoed.status, 200);
    QVERIFY(echoed.body.contains("\"ok\""));

    QVERIFY(client.send("POST /x/Echo HTTP/1.1\r\nContent-Type: application/json\r\n"
                        "Expect: 100-continue\r\nContent-Length: 100000000\r\n\r\n"));
    QCOMPARE(client.readAnswer(2000).status, 413);
}

void tst_TransportLimits::connectionsPerClientAreLimited() {
    server::HttpServerOptions options;
    options.maxConnectionsPerClient = 4;
    startServer(options);
    std::vector<std::unique_ptr<RawClient>> held(4);
    for (auto& client : held) {
        client = std::make_unique<RawClient>();
        QVERIFY(client->connect(server_->port()));
    }
    RawClient fifth;
    QVERIFY(fifth.connect(server_->port()));
    QCOMPARE(fifth.readAnswer(3000).status, 503);
    QTRY_COMPARE(refusals_.count(server::RefusalReason::TooManyFromClient), 1);
    QCOMPARE(refusals_.events().first().clientAddress, QString("127.0.0.1"));

    // Another address has its own share.
    RawClient other;
    QVERIFY(other.connect(server_->port(), "127.0.0.2"));
    QVERIFY(other.send(healthRequest()));
    QCOMPARE(other.readAnswer(3000).status, 200);

    // A closed connection frees its slot once the server has seen it close. The check latches:
    // QTRY evaluates its condition once more after success, and a second probe would find the
    // first probe's own slot not yet freed on a busy machine.
    held.front()->close();
    bool served = false;
    const auto probe = [&] {
        if (served)
            return true;
        RawClient again;
        served = again.connect(server_->port()) && again.send(healthRequest()) &&
                 again.readAnswer(1000).status == 200;
        return served;
    };
    QTRY_VERIFY_WITH_TIMEOUT(probe(), 5000);
}

// At the total limit an idle keep-alive connection makes room; connections all busy with a
// request do not, and the newcomer is told so.
void tst_TransportLimits::idleConnectionsGiveWayWhenTheServerIsFull() {
    server::HttpServerOptions options;
    options.maxConnections = 4;
    startServer(options);
    std::vector<std::unique_ptr<RawClient>> idle(4);
    for (auto& client : idle) {
        client = std::make_unique<RawClient>();
        QVERIFY(client->connect(server_->port()));
        QVERIFY(client->send(healthRequest()));
        QCOMPARE(client->readAnswer(2000).status, 200);
    }
    RawClient newcomer;
    QVERIFY(newcomer.connect(server_->port()));
    QVERIFY(newcomer.send(healthRequest()));
    QCOMPARE(newcomer.readAnswer(2000).status, 200);
    QVERIFY(idle.front()->closedWithin(2000)); // the longest idle gave way
    QVERIFY(!idle.back()->closedWithin(100));

    // Now every slot holds a half-sent request.
    for (size_t i = 1; i < idle.size(); ++i)
        QVERIFY(idle[i]->send("POST /x/Echo HTTP/1.1\r\n"));
    QVERIFY(newcomer.send("POST /x/Echo HTTP/1.1\r\n"));
    // The refused one must come after the server has read those first bytes.
    QTRY_VERIFY_WITH_TIMEOUT(test::loopbackQueuesDrained(server_->port()), 10000);
    RawClient refused;
    QVERIFY(refused.connect(server_->port()));
    QCOMPARE(refused.readAnswer(3000).status, 503);
    QTRY_COMPARE(refusals_.count(server::RefusalReason::ServerFull), 1);
}

// A thousand clients idle between calls cost the server no worker: calls of another client
// are as quick as without them. Spread over eight addresses to stay inside each address's
// share.
void tst_TransportLimits::thousandIdleConnectionsDoNotDelayACall() {
    constexpr int idleCount = 1000;
    const long files = test::raiseFileLimit();
    if (files < 2 * idleCount + 200)
        QSKIP(qPrintable(QString("the open-file limit (%1) is too low").arg(files)));
    startServer();
    const qint64 before = slowestCall(server_->port(), 20);
    std::vector<std::unique_ptr<RawClient>> idle;
    for (int i = 0; i < idleCount; ++i) {
        idle.push_back(std::make_unique<RawClient>());
        const QByteArray from = "127.0.0." + QByteArray::number(2 + i % 8);
        QVERIFY(idle.back()->connect(server_->port(), from.constData()));
        QVERIFY(idle.back()->send(healthRequest()));
        QCOMPARE(idle.back()->readAnswer(3000).status, 200);
    }
    const qint64 during = slowestCall(server_->port(), 20);
    qInfo("slowest of 20 calls: %lld ms alone, %lld ms beside %d idle connections", before, during,
          idleCount);
    QVERIFY2(during < 1000, qPrintable(QString::number(during)));
    // They are still open and served.
    for (int i = 0; i < idleCount; i += 97) {
        QVERIFY(idle[size_t(i)]->send(healthRequest()));
        QCOMPARE(idle[size_t(i)]->readAnswer(3000).status, 200);
    }
    QCOMPARE(refusals_.events().size(), 0);
}

// Clients commonly reuse a connection after a few seconds of silence.
void tst_TransportLimits::keepAliveOutlastsAPauseOfSeconds() {
    startServer();
    RawClient client;
    QVERIFY(client.connect(server_->port()));
    QVERIFY(client.send(postRequest("Echo", echoCall)));
    const RawAnswer first = client.readAnswer(2000);
    QCOMPARE(first.status, 200);
    QVERIFY(first.headers.toLower().contains(
        "keep-alive: timeout=" + QByteArray::number(TNetConnection::KeepAliveMs / 1000)));
    QTest::qWait(2500);
    QVERIFY(client.send(postRequest("Echo", echoCall)));
    QCOMPARE(client.readAnswer(2000).status, 200);
    QVERIFY(TNetConnection::ReuseIdleMs < TNetConnection::KeepAliveMs);
}

void tst_TransportLimits::pipelinedRequestsAreAnsweredInOrder() {
    startServer();
    RawClient client;
    QVERIFY(client.connect(server_->port()));
    QVERIFY(client.send(postRequest("Echo", R"({"args": ["first"]})") +
                        postRequest("Echo", R"({"args": ["second"]})")));
    QVERIFY(client.readAnswer(2000).body.contains("first"));
    QVERIFY(client.readAnswer(2000).body.contains("second"));
}

void tst_TransportLimits::idleConnectionIsClosedQuietlyAfterKeepAlive() {
    server::HttpServerOptions options;
    options.keepAliveSeconds = 1;
    startServer(options);
    RawClient client;
    QVERIFY(client.connect(server_->port()));
    QVERIFY(client.send(healthRequest()));
    QCOMPARE(client.readAnswer(2000).status, 200);
    QVERIFY(client.closedWithin(3000));
    QCOMPARE(refusals_.events().size(), 0);
}

// Each phase's deadline counts from its own start, whatever the phases before it set: a
// request half sent after calls on the connection still ends at its deadline, and the
// keep-alive wait after calls is neither cut short nor extended.
void tst_TransportLimits::deadlinesHoldAfterCallsOnAKeptConnection() {
    server::HttpServerOptions options;
    options.requestTimeoutSeconds = 1;
    options.keepAliveSeconds = 3;
    startServer(options);
    RawClient half;
    RawClient idle;
    QVERIFY(half.connect(server_->port()));
    QVERIFY(idle.connect(server_->port()));
    for (int i = 0; i < 3; ++i) {
        QVERIFY(half.send(postRequest("Echo", echoCall)));
        QCOMPARE(half.readAnswer(2000).status, 200);
        QVERIFY(idle.send(postRequest("Echo", echoCall)));
        QCOMPARE(idle.readAnswer(2000).status, 200);
    }
    QElapsedTimer clock;
    clock.start();
    QVERIFY(half.send(postRequest("Echo", echoCall).chopped(5)));
    QCOMPARE(half.readAnswer(5000).status, 408);
    QVERIFY2(clock.elapsed() >= 900 && clock.elapsed() < 2500,
             qPrintable(QString::number(clock.elapsed())));
    QVERIFY(!idle.closedWithin(int(2500 - clock.elapsed())));
    QVERIFY(idle.closedWithin(3000));
    QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
    QTRY_COMPARE(refusals_.count(server::RefusalReason::Deadline), 1);
}

void tst_TransportLimits::stopDoesNotWaitForIdleOrSlowClients() {
    startServer();
    RawClient idle;
    QVERIFY(idle.connect(server_->port()));
    QVERIFY(idle.send(healthRequest()));
    QCOMPARE(idle.readAnswer(2000).status, 200);
    RawClient slow;
    QVERIFY(slow.connect(server_->port()));
    QVERIFY(slow.send("POST /x/Echo HTTP/1.1\r\n"));
    QElapsedTimer clock;
    clock.start();
    server_->stop();
    QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(idle.closedWithin(1000));
    QVERIFY(slow.closedWithin(1000));
}

QTEST_GUILESS_MAIN(tst_TransportLimits)
#include "tst_transportlimits.moc"
