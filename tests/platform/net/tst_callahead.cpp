// A call sent ahead on a twin connection, against a real transport with test methods: its
// answer is the one the caller would have had, and it never stands in for a different call.

#include "platform/callahead.h"
#include "platform/tnetconnection.h"
#include "server/transport/httpserver.h"
#include "tests/support/echoserver.h"

#include <QtTest>
#include <memory>

using namespace dieta;

class tst_CallAhead : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void answerTravelsWhileTheCallerCallsOnItsOwnConnection();
    void anotherCallIsMadeByTheCallerAndTheAnswerAheadDropped();
    void nothingIsSentBeforeTheCallerHasConnected();
    void twinCarriesTheOperatorAndFailuresComeBackAsErrorResults();

private:
    std::unique_ptr<TNetConnection> connectedClient(const QString& op = "NUTRI01") {
        return echo_->connectedClient(op);
    }

    std::unique_ptr<test::EchoServer> echo_;
};

void tst_CallAhead::init() {
    echo_ = std::make_unique<test::EchoServer>();
}

void tst_CallAhead::cleanup() {
    echo_.reset();
}

void tst_CallAhead::answerTravelsWhileTheCallerCallsOnItsOwnConnection() {
    auto client = connectedClient();
    CallAhead ahead;
    ahead.start(*client, "Hold", {});
    // The held call occupies the twin, not the caller's connection.
    QCOMPARE(client->call("Echo", QVariantList{1.0}), QVariant(1.0));
    echo_->gate().open();
    const std::optional<QVariant> answer = ahead.take("Hold", {});
    QVERIFY(answer.has_value());
    QCOMPARE(*answer, QVariant(QString("released")));
    QVERIFY(!ahead.take("Hold", {}).has_value()); // taken once
}

void tst_CallAhead::anotherCallIsMadeByTheCallerAndTheAnswerAheadDropped() {
    auto client = connectedClient();
    CallAhead ahead;
    ahead.start(*client, "Echo", {QString("filial 0001")});
    QVariantList other{QString("filial 0002")};
    QCOMPARE(ahead.takeOrCall(*client, "Echo", other), QVariant(QString("filial 0002")));
    QVERIFY(!ahead.take("Echo", {QString("filial 0001")}).has_value());

    // Started again, the same call is taken, and the twin's connection is reused.
    for (const QString& branch : {QString("0003"), QString("0004")}) {
        ahead.start(*client, "Echo", {branch});
        QVariantList args{branch};
        QCOMPARE(ahead.takeOrCall(*client, "Echo", args), QVariant(branch));
    }
}

void tst_CallAhead::nothingIsSentBeforeTheCallerHasConnected() {
    TNetConnection client;
    int beforeConnectRuns = 0;
    client.setBeforeConnect([&] {
        ++beforeConnectRuns;
        client.setHost("127.0.0.1");
        client.setPort(echo_->port());
    });
    CallAhead ahead;
    ahead.start(client, "Echo", {2.0});
    QCOMPARE(beforeConnectRuns, 0);
    QVERIFY(!ahead.take("Echo", {2.0}).has_value());
    // The caller's own call connects as it always did.
    QVariantList args{2.0};
    QCOMPARE(ahead.takeOrCall(client, "Echo", args), QVariant(2.0));
    QCOMPARE(beforeConnectRuns, 1);
}

void tst_CallAhead::twinCarriesTheOperatorAndFailuresComeBackAsErrorResults() {
    auto client = connectedClient("ZÉ");
    CallAhead ahead;
    ahead.start(*client, "Operator", {});
    QCOMPARE(ahead.take("Operator", {}).value_or(QVariant()), QVariant(QString("ZÉ")));

    client->setOperator("NUTRI02"); // a changed operator gets a new twin
    ahead.start(*client, "Operator", {});
    QCOMPARE(ahead.take("Operator", {}).value_or(QVariant()), QVariant(QString("NUTRI02")));

    ahead.start(*client, "Fail", {QString("Filial sem diagnósticos.")});
    const QVariant failed = ahead.take("Fail", {QString("Filial sem diagnósticos.")}).value();
    QCOMPARE(serverErrorText(failed), QString("Filial sem diagnósticos."));

    ahead.start(*client, "Echo", {3.0});
    echo_->stop(); // the server goes while the answer is still to be taken
    const QVariant gone = ahead.take("Echo", {3.0}).value();
    QVERIFY(gone == QVariant(3.0) || isServerError(gone));
}

QTEST_GUILESS_MAIN(tst_CallAhead)
#include "tst_callahead.moc"
