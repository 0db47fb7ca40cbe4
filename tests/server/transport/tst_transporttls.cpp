// HTTPS between the client and the server with throwaway certificates made here: the client
// trusts only the authority it is given and the name it dialled, and the server refuses to
// serve plain text beyond loopback.

#include "platform/tnetconnection.h"
#include "server/transport/httpserver.h"
#include "tests/server/transport/rawclient.h"
#include "tests/support/echomethods.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <mutex>
#include <optional>

using namespace dieta;

namespace {

struct Certificate {
    QString cert;
    QString key;
};

// A self-signed certificate (its own authority) for the names given.
std::optional<Certificate> makeCertificate(const QString& folder, const QString& name,
                                           const QString& altNames) {
    const Certificate made{folder + "/" + name + ".crt", folder + "/" + name + ".key"};
    QProcess openssl;
    openssl.start("openssl",
                  {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                   "-nodes", "-days", "2", "-subj", "/CN=" + name, "-addext",
                   "subjectAltName=" + altNames, "-keyout", made.key, "-out", made.cert});
    if (!openssl.waitForFinished(30000) || openssl.exitCode() != 0)
        return std::nullopt;
    return made;
}

} // namespace

class tst_TransportTls : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void callsTravelOverTls();
    void untrustedServerIsRefusedByTheClient_data();
    void untrustedServerIsRefusedByTheClient();
    void plainTextOnTheTlsPortIsRefused();
    void unusableCertificateOrKeyStopsTheStart();
    void plainTextBeyondLoopbackIsRefused();

private:
    std::unique_ptr<TNetConnection> client(const QString& caFile) const;

    QTemporaryDir folder_;
    Certificate server_;
    Certificate stranger_;  // an authority the server's certificate does not come from
    Certificate otherName_; // trusted, but made out to another host
    server::MethodRegistry registry_;
    std::unique_ptr<server::HttpServer> http_;
    QList<server::RefusalEvent> refusals_;
    std::mutex refusalsMutex_;
};

void tst_TransportTls::initTestCase() {
    QVERIFY(folder_.isValid());
    const auto server = makeCertificate(folder_.path(), "server", "IP:127.0.0.1,DNS:localhost");
    const auto stranger = makeCertificate(folder_.path(), "stranger", "IP:127.0.0.1");
    const auto otherName = makeCertificate(folder_.path(), "other", "DNS:elsewhere.example");
    if (!server || !stranger || !otherName)
        QSKIP("the openssl program is not available to make test certificates");
    server_ = *server;
    stranger_ = *stranger;
    otherName_ = *otherName;
}

void tst_TransportTls::init() {
    registry_ = {};
    test::addEchoMethods(registry_);
    {
        std::lock_guard lock(refusalsMutex_);
        refusals_.clear();
    }
    server::HttpServerOptions options;
    options.certificateFile = server_.cert;
    options.privateKeyFile = server_.key;
    options.onRefusal = [this](const server::RefusalEvent& event) {
        std::lock_guard lock(refusalsMutex_);
        refusals_.append(event);
    };
    http_ = std::make_unique<server::HttpServer>(registry_, nullptr, options);
    http_->start();
    QVERIFY(http_->isTls());
}

void tst_TransportTls::cleanup() {
    http_.reset();
}

std::unique_ptr<TNetConnection> tst_TransportTls::client(const QString& caFile) const {
    auto connection = std::make_unique<TNetConnection>();
    connection->setHost("127.0.0.1");
    connection->setPort(http_->port());
    connection->setOperator("NUTRI01");
    connection->setTls(true, caFile);
    return connection;
}

void tst_TransportTls::callsTravelOverTls() {
    auto connection = client(server_.cert);
    connection->setConnected(true);
    QVariantList args{QString("abc"), QString(), 1.0, QString("k")};
    QCOMPARE(connection->call("Swap", args), QVariant());
    QCOMPARE(args.at(1).toString(), QString("abc!"));
    QCOMPARE(connection->call("Operator"), QVariant(QString("NUTRI01")));
    QCOMPARE(connection->call("Peer"), QVariant(QString("127.0.0.1")));
    // The default every new connection takes, as the host sets it.
    TNetConnection::setDefaultTls(true, server_.cert);
    TNetConnection byDefault;
    TNetConnection::setDefaultTls(false, {});
    byDefault.setPort(http_->port());
    QVERIFY(byDefault.Tls());
    QCOMPARE(byDefault.call("Echo", {QString("x")}), QVariant(QString("x")));
}

void tst_TransportTls::untrustedServerIsRefusedByTheClient_data() {
    QTest::addColumn<QString>("which");
    QTest::addColumn<QString>("says");
    QTest::newRow("another authority") << "stranger"
                                       << "não é confiável";
    QTest::newRow("certificate for another host") << "other"
                                                  << "não é confiável";
    QTest::newRow("plain client") << "plain"
                                  << "não respondeu";
    QTest::newRow("unreadable authority file") << "missing"
                                               << "ilegíveis";
}

void tst_TransportTls::untrustedServerIsRefusedByTheClient() {
    QFETCH(QString, which);
    QFETCH(QString, says);
    if (which == "other") { // a server whose certificate names elsewhere.example
        http_.reset();
        server::HttpServerOptions options;
        options.certificateFile = otherName_.cert;
        options.privateKeyFile = otherName_.key;
        http_ = std::make_unique<server::HttpServer>(registry_, nullptr, options);
        http_->start();
    }
    const QString ca = which == "stranger" ? stranger_.cert
                       : which == "other"  ? otherName_.cert
                                           : folder_.filePath("missing.crt");
    auto connection = client(ca);
    if (which == "plain")
        connection->setTls(false);
    // Long enough for a handshake on a loaded machine: the refusals come from the check.
    connection->setTimeouts(10000, 10000);
    try {
        connection->setConnected(true);
        QFAIL("connected to a server it must not trust");
    } catch (const NetConnectionError& error) {
        QVERIFY2(error.text().contains(says), qPrintable(error.text()));
    }
    const QVariant result = connection->call("Echo", {QString("x")});
    QVERIFY(serverErrorText(result).contains(says));
}

void tst_TransportTls::plainTextOnTheTlsPortIsRefused() {
    test::RawClient plain;
    QVERIFY(plain.connect(http_->port()));
    QVERIFY(plain.send("GET /health HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n"));
    QCOMPARE(plain.readAnswer(3000).status, 0);
    QVERIFY(plain.closedWithin(3000));
    QTRY_VERIFY([this] {
        std::lock_guard lock(refusalsMutex_);
        return !refusals_.isEmpty() &&
               refusals_.first().reason == server::RefusalReason::TlsHandshake;
    }());
}

void tst_TransportTls::unusableCertificateOrKeyStopsTheStart() {
    server::HttpServerOptions options;
    options.certificateFile = server_.cert;
    options.privateKeyFile = stranger_.key; // the key of another certificate
    server::HttpServer mismatched(registry_, nullptr, options);
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, mismatched.start());
    QVERIFY(!mismatched.isRunning());

    options.certificateFile = folder_.filePath("none.crt");
    server::HttpServer missing(registry_, nullptr, options);
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, missing.start());

    options.certificateFile = server_.cert;
    options.privateKeyFile.clear();
    server::HttpServer half(registry_, nullptr, options);
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, half.start());
}

// Refused before anything is bound, so the test listens on no outside address.
void tst_TransportTls::plainTextBeyondLoopbackIsRefused() {
    server::HttpServerOptions options;
    options.host = "0.0.0.0";
    server::HttpServer open(registry_, nullptr, options);
    try {
        open.start();
        QFAIL("served plain text on every address");
    } catch (const std::runtime_error& error) {
        QVERIFY(QString::fromUtf8(error.what()).contains("TLS"));
    }
    QVERIFY(!open.isRunning());
    options.host = "127.0.0.5"; // any loopback address is fine
    server::HttpServer loopback(registry_, nullptr, options);
    loopback.start();
    QVERIFY(loopback.isRunning());
}

QTEST_GUILESS_MAIN(tst_TransportTls)
#include "tst_transporttls.moc"
