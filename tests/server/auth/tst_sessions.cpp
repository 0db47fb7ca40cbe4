// Who may call the server: nothing but GET /health answers without a session, a session comes
// from a password checked against its Argon2id hash, it ends at logout or expiry (seen by every
// server on the database within a second), failed logins are limited, and the operator of a
// call is always the session's. Every refusal and login leaves a log line and an audit row.

#include "contracts/rdmdietaoral.h"
#include "platform/sqldatabase.h"
#include "platform/tnetconnection.h"
#include "platform/wirevalue.h"
#include "server/auth/operators.h"
#include "server/auth/passwords.h"
#include "server/auth/sessiongate.h"
#include "server/storage/auditqueue.h"
#include "server/storage/schema.h"
#include "tests/support/hostenvironment.h"
#include "tests/support/screenpackets.h"
#include "tests/support/sqlprobes.h"
#include "tests/support/testdatabase.h"
#include "tests/support/testserver.h"

#include <QElapsedTimer>
#include <QMutex>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>
#include <QtTest>

using namespace dieta;
using test::TestServer;

namespace {

namespace rdm = contracts::rdm;

server::DemoOptions smallDemo() {
    server::DemoOptions demo;
    demo.inpatients = 30;
    demo.today = test::HostEnvironment::today();
    return demo;
}

// The server log as this process sees it: every line the server writes through Qt's log.
class LogCapture {
public:
    LogCapture() {
        lines().clear();
        previous_ = qInstallMessageHandler(&LogCapture::handle);
    }
    ~LogCapture() { qInstallMessageHandler(previous_); }

    static QStringList taken() {
        QMutexLocker guard(&mutex());
        return lines();
    }
    static bool has(const QStringList& parts) {
        for (const QString& line : taken())
            if (std::all_of(parts.begin(), parts.end(),
                            [&](const QString& part) { return line.contains(part); }))
                return true;
        return false;
    }

private:
    static void handle(QtMsgType, const QMessageLogContext&, const QString& text) {
        QMutexLocker guard(&mutex());
        lines().append(text);
    }
    static QStringList& lines() {
        static QStringList all;
        return all;
    }
    static QMutex& mutex() {
        static QMutex lock;
        return lock;
    }
    QtMessageHandler previous_ = nullptr;
};

// The audit rows of a method, once the queue has written what it holds.
int auditRows(TestServer& server, const QString& method, const QString& reasonPart = {}) {
    server.app().auditQueue().flush();
    return test::countOf(server.database(),
                         "SELECT COUNT(*) FROM AUDIT WHERE NMMETODO = :M"
                         " AND (:R = '' OR DSMOTIVO LIKE :LIKE)",
                         {{"M", method}, {"R", reasonPart}, {"LIKE", "%" + reasonPart + "%"}});
}

QString errorOf(const QVariant& answer) {
    return serverErrorText(answer);
}

QVariantList setUpdServinteArgs(const QString& operatorCode) {
    return {"0001", "P1", test::HostEnvironment::today(), "", "", "D1", operatorCode, false,
            "",     ""};
}

} // namespace

class tst_Sessions : public QObject {
    Q_OBJECT

private slots:
    void passwordsAreSaltedSlowHashes();
    void onlyABearerTokenOfItsAlphabetIsRead();
    void nothingAnswersWithoutASession_data() { test::addEngineRows(); }
    void nothingAnswersWithoutASession();
    void loginOpensAndLogoutEndsTheSession_data() { test::addEngineRows(); }
    void loginOpensAndLogoutEndsTheSession();
    void sessionsExpire();
    void theOperatorOfACallIsTheSessions_data() { test::addEngineRows(); }
    void theOperatorOfACallIsTheSessions();
    void failedLoginsAreLimited_data() { test::addEngineRows(); }
    void failedLoginsAreLimited();
    void refusalsAreLoggedAndAudited_data() { test::addEngineRows(); }
    void refusalsAreLoggedAndAudited();
    void listReadsAreAuditedPerCall_data() { test::addEngineRows(); }
    void listReadsAreAuditedPerCall();
    void administrationDisablesAndGrants_data() { test::addEngineRows(); }
    void administrationDisablesAndGrants();
    void twoServersShareOneDatabaseSessions_data() { test::addEngineRows(); }
    void twoServersShareOneDatabaseSessions();
    void demoOperatorsGetRandomPasswords();
    void programsHandOutAndSetPasswords();
};

void tst_Sessions::passwordsAreSaltedSlowHashes() {
    const QString first = server::auth::hashPassword("correct horse");
    const QString second = server::auth::hashPassword("correct horse");
    QVERIFY(first.startsWith("$argon2id$"));
    QVERIFY(first != second); // salted
    QVERIFY(!first.contains("correct horse"));
    QVERIFY(server::auth::verifyPassword(first, "correct horse"));
    QVERIFY(!server::auth::verifyPassword(first, "correct horsE"));
    QVERIFY(!server::auth::verifyPassword("", ""));
    QVERIFY(!server::auth::verifyPassword("not a hash", "not a hash"));
    // Tokens: 256 random bits, stored only as a digest.
    const QString token = server::auth::newSessionToken();
    QVERIFY(token.size() >= 43);
    QVERIFY(token != server::auth::newSessionToken());
    QCOMPARE(server::auth::tokenDigest(token).size(), 64);
    QVERIFY(server::auth::tokenDigest(token) != token);
}

// The Authorization header's token, read on every call; anything but the one form is no token.
void tst_Sessions::onlyABearerTokenOfItsAlphabetIsRead() {
    using server::auth::SessionGate;
    const QString token16 = QStringLiteral("abcDEF0123456_-z");
    const QString token128 = QString(128, u'A');
    QCOMPARE(SessionGate::bearerToken("Bearer " + token16), token16);
    QCOMPARE(SessionGate::bearerToken("bEARER    " + token16), token16);
    QCOMPARE(SessionGate::bearerToken("  Bearer " + token128 + " \r\n"), token128);
    const QStringList refused{
        "",
        "Bearer",
        "Bearer ",
        "Bearer" + token16,                           // no space
        "Bearer\t" + token16,                         // a tab is no space
        "Basic " + token16,                           // another scheme
        "Bearer " + token16.left(15),                 // too short
        "Bearer " + token128 + "A",                   // too long
        "Bearer " + token16 + "=",                    // outside the alphabet
        "Bearer " + token16 + " " + token16,          // two tokens
        "Bearer " + token16.left(15) + QChar(0xE9),   // a letter outside ASCII
        "Bearer " + token16.left(15) + QChar(0x212A), // the Kelvin sign folds to k elsewhere
        "Bearer\u00A0" + token16,                     // a no-break space
    };
    for (const QString& header : refused)
        QVERIFY2(SessionGate::bearerToken(header).isEmpty(), qPrintable(header));
}

// Before sessions any process on the port read every patient and wrote as any nutritionist
// by naming one in X-Operador.
void tst_Sessions::nothingAnswersWithoutASession() {
    DIETA_FETCH_ENGINE(engine);
    TestServer server({.engine = engine, .demo = smallDemo()});
    QVERIFY2(server.ok(), qPrintable(server.error()));
    std::unique_ptr<TNetConnection> anonymous = server.connectWithoutSession(); // /health open
    anonymous->setOperator("NUTRI01");

    const QVariant list = anonymous->call(
        rdm::GetInternacao,
        {fromPacket(test::listParams("0001", "00010", test::HostEnvironment::today()))});
    QCOMPARE(errorOf(list), server::auth::missingSessionMessage());
    QCOMPARE(errorOf(anonymous->call(rdm::GetDiagnost)), server::auth::missingSessionMessage());
    QCOMPARE(errorOf(anonymous->call(rdm::SetUpdServinte, setUpdServinteArgs("NUTRI01"))),
             server::auth::missingSessionMessage());

    anonymous->setSessionToken(server::auth::newSessionToken()); // well-formed, never issued
    QCOMPARE(errorOf(anonymous->call(rdm::GetDiagnost)), server::auth::invalidSessionMessage());
    anonymous->setSessionToken("x"); // malformed
    QCOMPARE(errorOf(anonymous->call(rdm::GetDiagnost)), server::auth::missingSessionMessage());

    QVERIFY(!isServerError(server.connection().call(rdm::GetDiagnost)));
}

void tst_Sessions::loginOpensAndLogoutEndsTheSession() {
    DIETA_FETCH_ENGINE(engine);
    TestServer server({.engine = engine, .demo = smallDemo()});
    QVERIFY2(server.ok(), qPrintable(server.error()));
    std::unique_ptr<TNetConnection> client = server.connectWithoutSession();
    QString refusal;
    QVERIFY(!client->login("NUTRI01", "wrong password", &refusal));
    QCOMPARE(refusal, server::auth::invalidLoginMessage());
    QVERIFY(!client->login("NOBODY", "wrong password", &refusal));
    QCOMPARE(refusal, server::auth::invalidLoginMessage()); // the same: no operator oracle
    QVERIFY(client->SessionToken().isEmpty());

    QVERIFY(client->login("NUTRI01", server.passwordOf("NUTRI01"), &refusal));
    QVERIFY(client->SessionToken().size() >= 22); // at least 128 bits
    QCOMPARE(client->Operator(), QString("NUTRI01"));
    QVERIFY(!isServerError(client->call(rdm::GetDiagnost)));
    // The database holds a digest, never the token.
    QCOMPARE(test::countOf(server.database(), "SELECT COUNT(*) FROM SESSAO WHERE CDSESSAO = :T",
                           {{"T", client->SessionToken()}}),
             0);
    QVERIFY(test::countOf(server.database(),
                          "SELECT COUNT(*) FROM SESSAO WHERE CDOPERADOR = 'NUTRI01'"
                          " AND NREXPIRA > NRCRIACAO") >= 1);

    const QString token = client->SessionToken();
    client->logout();
    client->setSessionToken(token); // replayed after logout
    QCOMPARE(errorOf(client->call(rdm::GetDiagnost)), server::auth::invalidSessionMessage());
    // Other sessions of the same operator go on.
    QVERIFY(!isServerError(server.connection().call(rdm::GetDiagnost)));
}

void tst_Sessions::sessionsExpire() {
    server::auth::SessionPolicy policy;
    policy.lifetimeMs = 3000;
    policy.cacheTrustMs = 200;
    TestServer server({.demo = smallDemo(), .sessions = policy});
    QVERIFY2(server.ok(), qPrintable(server.error()));
    QVERIFY(!isServerError(server.connection().call(rdm::GetDiagnost)));
    QTRY_COMPARE_WITH_TIMEOUT(errorOf(server.connection().call(rdm::GetDiagnost)),
                              server::auth::invalidSessionMessage(), 8000);
}

void tst_Sessions::theOperatorOfACallIsTheSessions() {
    DIETA_FETCH_ENGINE(engine);
    TestServer server({.engine = engine, .demo = smallDemo()});
    QVERIFY2(server.ok(), qPrintable(server.error()));
    TNetConnection& nutri = server.connection(); // NUTRI01

    // The header naming another nutritionist.
    nutri.setOperator("NUTRI02");
    QCOMPARE(errorOf(nutri.call(rdm::GetDiagnost)),
             QString("Operador NUTRI02 da chamada difere do operador NUTRI01 da sessão."));
    nutri.setOperator("NUTRI01");

    // The argument naming another nutritionist.
    QCOMPARE(errorOf(nutri.call(rdm::SetUpdServinte, setUpdServinteArgs("NUTRI02"))),
             QString("Operador NUTRI02 da chamada difere do operador NUTRI01 da sessão."));
    QCOMPARE(auditRows(server, rdm::SetUpdServinte, "difere"), 1);
    QCOMPARE(test::countOf(server.database(),
                           "SELECT COUNT(*) FROM AUDIT WHERE CDOPERADOR = 'NUTRI02'"),
             0); // blamed on nobody but the session's operator

    // A clerk's session cannot write as a nutritionist by naming one.
    std::unique_ptr<TNetConnection> clerk = server.connect("ADMIN01");
    QCOMPARE(errorOf(clerk->call(rdm::SetUpdServinte, setUpdServinteArgs("NUTRI01"))),
             QString("Operador NUTRI01 da chamada difere do operador ADMIN01 da sessão."));
    // An empty operator argument is the session's: refused as the clerk, not passed through.
    QCOMPARE(errorOf(clerk->call(rdm::SetUpdServinte, setUpdServinteArgs(""))),
             QString("Operador não está cadastrado como nutricionista."));
}

void tst_Sessions::failedLoginsAreLimited() {
    DIETA_FETCH_ENGINE(engine);
    server::auth::SessionPolicy policy;
    policy.limits.perOperator = 3;
    policy.limits.perAddress = 5;
    TestServer server({.engine = engine, .demo = smallDemo(), .sessions = policy});
    QVERIFY2(server.ok(), qPrintable(server.error()));
    std::unique_ptr<TNetConnection> client = server.connectWithoutSession();
    const QString nutri02 = server.passwordOf("NUTRI02");
    QString refusal;

    // Per operator: after three failures even the right password is refused for a while.
    for (int i = 0; i < 3; ++i) {
        QVERIFY(!client->login("NUTRI02", "guess" + QString::number(i), &refusal));
        QCOMPARE(refusal, server::auth::invalidLoginMessage());
    }
    QVERIFY(!client->login("NUTRI02", nutri02, &refusal));
    QCOMPARE(refusal, server::auth::loginLimitedMessage());
    QCOMPARE(auditRows(server, "login", "limite"), 1);

    // Per address: failures spread over operators add up for the client.
    QVERIFY(!client->login("NUTRI03", "guess", &refusal));
    QVERIFY(!client->login("NOBODY", "guess", &refusal));
    QCOMPARE(refusal, server::auth::invalidLoginMessage());
    QVERIFY(!client->login("NUTRI01", server.passwordOf("NUTRI01"), &refusal));
    QCOMPARE(refusal, server::auth::loginLimitedMessage());

    // Once the failures leave the window, the operator gets in.
    test::execOn(server.database(), "UPDATE FALHALOGIN SET NRMOMENTO = NRMOMENTO - :W",
                 {{"W", policy.limits.windowMs}});
    QVERIFY2(client->login("NUTRI02", nutri02, &refusal), qPrintable(refusal));
}

void tst_Sessions::refusalsAreLoggedAndAudited() {
    DIETA_FETCH_ENGINE(engine);
    TestServer server({.engine = engine, .demo = smallDemo()});
    QVERIFY2(server.ok(), qPrintable(server.error()));
    LogCapture log;
    std::unique_ptr<TNetConnection> clerk = server.connect("ADMIN01");
    QCOMPARE(errorOf(clerk->call(rdm::SetUpdServinte, setUpdServinteArgs("ADMIN01"))),
             QString("Operador não está cadastrado como nutricionista."));
    QVERIFY(!server.connectWithoutSession()->login("ADMIN01", "not the password"));
    QVERIFY(isServerError(server.connectWithoutSession()->call(rdm::GetDiagnost)));

    server.app().auditQueue().flush();
    const QStringList refused = test::columnOf(
        server.database(),
        "SELECT CDOPERADOR || '|' || NMMETODO || '|' || DSENDERECO || '|' || CDFILIAL"
        " FROM AUDIT WHERE DSMOTIVO = :R",
        {{"R", "Operador não está cadastrado como nutricionista."}});
    QCOMPARE(refused, QStringList{"ADMIN01|SetUpdServinte|127.0.0.1|0001"});
    QCOMPARE(auditRows(server, "login", "senha incorreta"), 1);
    QCOMPARE(auditRows(server, rdm::GetDiagnost, "sessão não informada"), 1);
    QCOMPARE(test::countOf(server.database(), "SELECT COUNT(*) FROM AUDIT WHERE NMMETODO = 'login'"
                                              " AND DSMOTIVO IS NULL AND CDOPERADOR = 'ADMIN01'"),
             1); // the successful login

    QVERIFY(LogCapture::has({"refused", "operator=ADMIN01", "address=127.0.0.1",
                             "method=SetUpdServinte", "nutricionista"}));
    QVERIFY(LogCapture::has({"refused", "operator=ADMIN01", "method=login", "senha incorreta"}));
    QVERIFY(LogCapture::has({"accepted", "operator=ADMIN01", "method=login"}));
    QVERIFY(LogCapture::has({"refused", "method=GetDiagnost", "sessão não informada"}));
}

void tst_Sessions::listReadsAreAuditedPerCall() {
    DIETA_FETCH_ENGINE(engine);
    TestServer server({.engine = engine, .demo = smallDemo()});
    QVERIFY2(server.ok(), qPrintable(server.error()));
    const QDate today = test::HostEnvironment::today();
    const QVariant answer = server.connection().call(
        rdm::GetInternacao, {fromPacket(test::listParams("0001", "00010", today))});
    QVERIFY2(!isServerError(answer), qPrintable(errorOf(answer)));
    const int rows = int(toPacket(answer).rows.size());
    QVERIFY(rows > 0);
    QVERIFY(!isServerError(server.connection().call(rdm::GetDiagnost))); // no patient data

    server.app().auditQueue().flush();
    const QStringList audited = test::columnOf(
        server.database(),
        "SELECT CDOPERADOR || '|' || CDFILIAL || '|' || CDSERVFILI || '|' || QTLINHAS"
        " FROM AUDIT WHERE NMMETODO = 'GetInternacao' AND DTSERVINTE = :D",
        {{"D", today}});
    QCOMPARE(audited, QStringList{QString("NUTRI01|0001|00010|%1").arg(rows)});
    QCOMPARE(auditRows(server, rdm::GetDiagnost), 0);
}

void tst_Sessions::administrationDisablesAndGrants() {
    DIETA_FETCH_ENGINE(engine);
    TestServer server({.engine = engine, .demo = smallDemo()});
    QVERIFY2(server.ok(), qPrintable(server.error()));
    SqlDatabase& db = server.database();
    using server::auth::AdminError;

    QVERIFY_THROWS_EXCEPTION(AdminError, server::auth::addOperator(db, "NUTRI01", "Outra"));
    QVERIFY_THROWS_EXCEPTION(AdminError, server::auth::setPassword(db, "NUTRI01", "short"));
    QVERIFY_THROWS_EXCEPTION(AdminError, server::auth::setPassword(db, "NOBODY", "long enough"));
    QVERIFY_THROWS_EXCEPTION(AdminError, server::auth::setNutritionist(db, "ADMIN01", "9999"));

    server::auth::addOperator(db, "NUTRI09", "Nova nutricionista");
    server::auth::setPassword(db, "NUTRI09", "senha da nova", server::auth::PasswordCost::Minimal);
    TNetConnection& nutri = server.connection();
    std::unique_ptr<TNetConnection> newcomer = server.connectWithoutSession();
    QVERIFY(newcomer->login("NUTRI09", "senha da nova"));
    QCOMPARE(errorOf(newcomer->call(rdm::SetUpdServinte, setUpdServinteArgs(""))),
             QString("Operador não está cadastrado como nutricionista."));
    server::auth::setNutritionist(db, "NUTRI09", "0001");
    // Past the nutritionist check now: the made-up patient is what stops it.
    QVERIFY(errorOf(newcomer->call(rdm::SetUpdServinte, setUpdServinteArgs(""))) !=
            QString("Operador não está cadastrado como nutricionista."));

    // Disabled: the open session ends and no new one opens.
    server::auth::disableOperator(db, "NUTRI01");
    QTRY_COMPARE_WITH_TIMEOUT(errorOf(nutri.call(rdm::GetDiagnost)),
                              server::auth::invalidSessionMessage(), 2000);
    QVERIFY(!server.connectWithoutSession()->login("NUTRI01", server.passwordOf("NUTRI01")));
}

// Several stateless servers behind a load balancer on one database: a login on one is a
// session on all, and a logout on one is seen by the others within a second.
void tst_Sessions::twoServersShareOneDatabaseSessions() {
    DIETA_FETCH_ENGINE(engine);
    TestServer first({.engine = engine, .demo = smallDemo()});
    QVERIFY2(first.ok(), qPrintable(first.error()));
    server::ServerOptions options;
    options.database = first.app().databaseConnection();
    options.workers = 8;
    server::ServerApp second(options);
    second.start();

    TNetConnection& viaFirst = first.connection();
    TNetConnection viaSecond;
    viaSecond.setHost("127.0.0.1");
    viaSecond.setPort(second.port());
    viaSecond.setServerName(rdm::kServerObject);
    viaSecond.setOperator("NUTRI01");
    viaSecond.setSessionToken(viaFirst.SessionToken());
    for (int i = 0; i < 6; ++i) {
        TNetConnection& next = i % 2 ? viaSecond : viaFirst;
        const QVariant answer = next.call(rdm::GetDiagnost);
        QVERIFY2(!isServerError(answer), qPrintable(errorOf(answer)));
    }

    viaSecond.logout();
    QElapsedTimer sinceLogout;
    sinceLogout.start();
    viaSecond.setSessionToken(viaFirst.SessionToken());
    QCOMPARE(errorOf(viaSecond.call(rdm::GetDiagnost)), server::auth::invalidSessionMessage());
    QTRY_COMPARE_WITH_TIMEOUT(errorOf(viaFirst.call(rdm::GetDiagnost)),
                              server::auth::invalidSessionMessage(), 3000);
    // Within the cache's second, plus the polling step and a loaded machine's call time.
    QVERIFY2(sinceLogout.elapsed() <= 1500, qPrintable(QString::number(sinceLogout.elapsed())));
    second.stop();
}

void tst_Sessions::demoOperatorsGetRandomPasswords() {
    test::TestDatabase first;
    test::TestDatabase second;
    for (test::TestDatabase* database : {&first, &second})
        server::migrate(database->db());
    server::DemoOptions demo = smallDemo();
    demo.passwordCost = server::auth::PasswordCost::Minimal;
    const QList<server::DemoCredential> one = server::generateDemo(first.db(), demo);
    const QList<server::DemoCredential> two = server::generateDemo(second.db(), demo);
    QVERIFY(one.size() >= 2);
    QCOMPARE(one.size(), two.size());
    for (int i = 0; i < one.size(); ++i) {
        QCOMPARE(one[i].operatorCode, two[i].operatorCode);
        QVERIFY(one[i].password != two[i].password); // the same seed, not the same password
        QVERIFY(one[i].password.size() >= 16);
    }
    QVERIFY(server::generateDemo(first.db(), demo).isEmpty()); // already there: nothing new
    QCOMPARE(
        test::countOf(first.db(), "SELECT COUNT(*) FROM OPERADOR WHERE DSSENHA LIKE '$argon2id$%'"),
        int(one.size()));
}

// What tools/main-job.sh relies on: the server prints the demo's passwords once on its
// standard output, and the administration program sets passwords read from its input.
void tst_Sessions::programsHandOutAndSetPasswords() {
    QTemporaryDir data;
    QProcess server;
    server.start(DIETA_SERVER_EXE, {"--data-dir", data.path(), "--demo", "12", "--port", "0"});
    QVERIFY(server.waitForStarted());
    QByteArray output;
    static const QRegularExpression ready("listening on 127\\.0\\.0\\.1:(\\d+)");
    while (!ready.match(QString::fromUtf8(output)).hasMatch() && server.waitForReadyRead(60000))
        output += server.readAllStandardOutput();
    const int port = ready.match(QString::fromUtf8(output)).captured(1).toInt();
    QVERIFY2(port > 0, server.readAllStandardError().constData());
    static const QRegularExpression given("demo operator NUTRI01 password (\\S+)");
    const QString demoPassword = given.match(QString::fromUtf8(output)).captured(1);
    QVERIFY2(!demoPassword.isEmpty(), output.constData());

    TNetConnection client;
    client.setHost("127.0.0.1");
    client.setPort(port);
    QVERIFY(client.login("NUTRI01", demoPassword));

    const QString db = data.filePath("dieta.db");
    QProcess admin;
    admin.start(DIETA_OPERATORS_EXE, {"--db", db, "set-password", "NUTRI01"});
    admin.write("uma senha nova\n");
    admin.closeWriteChannel();
    QVERIFY(admin.waitForFinished(30000));
    QCOMPARE(admin.exitCode(), 0);
    QVERIFY(!client.login("NUTRI01", demoPassword));
    QVERIFY(client.login("NUTRI01", "uma senha nova"));

    admin.start(DIETA_OPERATORS_EXE, {"--db", db, "set-password", "NUTRI01"});
    admin.write("curta\n");
    admin.closeWriteChannel();
    QVERIFY(admin.waitForFinished(30000));
    QCOMPARE(admin.exitCode(), 1);
    QVERIFY(admin.readAllStandardError().contains("ao menos 8"));

    admin.start(DIETA_OPERATORS_EXE, {"--db", db, "disable", "NUTRI01"});
    QVERIFY(admin.waitForFinished(30000));
    QCOMPARE(admin.exitCode(), 0);
    QVERIFY(!client.login("NUTRI01", "uma senha nova"));

    server.terminate();
    QVERIFY(server.waitForFinished(30000));
}

QTEST_GUILESS_MAIN(tst_Sessions)
#include "tst_sessions.moc"
