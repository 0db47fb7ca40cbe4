// A PostgreSQL connection that breaks around a write's COMMIT, through a relay that cuts it
// at that very moment: the answer must say what the database holds. A commit whose answer
// was lost is a success (the write's audit row proves it), a COMMIT that never arrived is a
// failure, and a list that cannot be read after a committed write is read again on a fresh
// connection instead of reporting the write as failed.

#include "platform/sqldatabase.h"
#include "platform/tnetconnection.h"
#include "platform/wirevalue.h"
#include "tests/server/methods_main/mainhospital.h"
#include "tests/support/cuttableproxy.h"
#include "tests/support/testserver.h"

#include <QtTest>

using namespace dieta;
using namespace dieta::test;
using namespace dieta::test::mainscreen;
using namespace Qt::StringLiterals;

namespace {

const QString branch = QStringLiteral("0001");

int rowsOf(SqlDatabase& db, const QString& table, const QString& patient) {
    return countOf(db, u"SELECT COUNT(*) FROM "_s + table + u" WHERE CDPACIENTE = :P"_s,
                   {{QStringLiteral("P"), patient}});
}

int writesAudited(SqlDatabase& db, const QString& method) {
    return countOf(db,
                   QStringLiteral("SELECT COUNT(*) FROM AUDIT WHERE NMMETODO = :M"
                                  " AND CDCHAMADA IS NOT NULL"),
                   {{QStringLiteral("M"), method}});
}

} // namespace

class tst_CommitDoubt : public QObject {
    Q_OBJECT

private:
    QDate today = QDate::currentDate();
    std::unique_ptr<CuttableProxy> proxy;
    std::unique_ptr<TestServer> server;

    QVariantList saveArgs(const QString& patient) const {
        return {branch,
                patient,
                today,
                QString(),
                QStringLiteral("00010"),
                QStringLiteral("0001"),
                QStringLiteral("NUTRI01"),
                true,
                QStringLiteral("Sem sal"),
                fromPacket(DataPacket())};
    }

private slots:
    void init() {
        if (qEnvironmentVariableIsEmpty("DIETA_TEST_PG"))
            QSKIP("DIETA_TEST_PG is not set: the cut connection is a PostgreSQL one");
        TestServerOptions options;
        options.engine = TestEngine::PostgreSQL;
        options.routeDatabase = [this](const QString& connection) {
            const PgConnectionSettings settings = parsePgConnection(connection);
            proxy = std::make_unique<CuttableProxy>(settings.host, settings.port);
            return proxy->routed(connection);
        };
        server = std::make_unique<TestServer>(options);
        QVERIFY2(server->ok(), qPrintable(server->error()));
        seedMainHospital(server->database(), today);
        server->connection(); // logged in before any cut is armed
    }
    void cleanup() {
        server.reset();
        proxy.reset();
    }

    void commitWhoseAnswerIsLostIsASuccess() {
        proxy->arm(CuttableProxy::Cut::AfterCommitReached);
        const QVariant result = server->connection().call("SetUpdServinte", saveArgs("P002"));
        QCOMPARE(proxy->cuts(), 1);
        QVERIFY2(!isServerError(result), qPrintable(serverErrorText(result)));
        QCOMPARE(rowsOf(server->database(), "SERVINTE", "P002"), 1);
        QCOMPARE(writesAudited(server->database(), "SetUpdServinte"), 1);

        // The server goes on answering on a fresh connection.
        QVERIFY(!isServerError(server->connection().call(
            "GetInternacao", {fromPacket(listParams(branch, "00010", today))})));
    }

    void commitThatNeverArrivesIsAFailure() {
        proxy->arm(CuttableProxy::Cut::BeforeCommit);
        const QVariant result = server->connection().call("SetUpdServinte", saveArgs("P002"));
        QCOMPARE(proxy->cuts(), 1);
        QCOMPARE(serverErrorText(result),
                 u"Não foi possível concluir a operação no banco de dados. Tente novamente."_s);
        QCOMPARE(rowsOf(server->database(), "SERVINTE", "P002"), 0);
        QCOMPARE(writesAudited(server->database(), "SetUpdServinte"), 0);

        // Asked again, it is written once.
        QVERIFY(!isServerError(server->connection().call("SetUpdServinte", saveArgs("P002"))));
        QCOMPARE(rowsOf(server->database(), "SERVINTE", "P002"), 1);
    }

    void listAfterACommittedWriteIsReadAgain() {
        TNetConnection& net = server->connection();
        const DataPacket params = listParams(branch, "G01", today);
        const QVariant list = net.call("GetInternacao", {fromPacket(params)});
        QVERIFY(!isServerError(list));
        // The read's audit row is written in the background and commits too: let it land
        // before arming, so that the cut meets the write's COMMIT.
        QTRY_COMPARE_WITH_TIMEOUT(
            countOf(server->database(), "SELECT COUNT(*) FROM AUDIT WHERE QTLINHAS IS NOT NULL"), 1,
            10000);

        proxy->arm(CuttableProxy::Cut::AfterCommitAnswered);
        QVariantList args{branch, "P005", "00020", "0", list, fromPacket(params)};
        const QVariant result = net.call("GetVerifRestInto", args);
        QCOMPARE(proxy->cuts(), 1);
        QVERIFY2(!isServerError(result), qPrintable(serverErrorText(result)));
        QCOMPARE(listKeys(toPacket(result)).size(), 5);
        QCOMPARE(writesAudited(server->database(), "GetVerifRestInto"), 1);
    }
};

QTEST_GUILESS_MAIN(tst_CommitDoubt)
#include "tst_commitdoubt.moc"
