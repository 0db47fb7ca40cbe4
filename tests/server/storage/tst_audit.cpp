// The audit trail lands or disappears with the caller's transaction; the nutritionist check
// that guards every write.

#include "platform/sqldatabase.h"
#include "server/storage/audit.h"
#include "server/storage/auditqueue.h"
#include "server/storage/authorization.h"
#include "server/storage/schema.h"
#include "tests/support/testdatabase.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlQuery>
#include <QTest>

using namespace dieta;
using namespace dieta::server;
using dieta::test::TestDatabase;

namespace {

int auditRows(const QSqlDatabase& conn) {
    QSqlQuery query = execSql(conn, "SELECT COUNT(*) FROM AUDIT");
    return query.next() ? query.value(0).toInt() : -1;
}

AuditEntry sampleEntry() {
    AuditEntry entry;
    entry.operatorCode = "NUTRI01";
    entry.method = "SetUpdServinte";
    entry.branch = "0001";
    entry.patients = {"100001", "100002", "100001", ""};
    entry.changes = QJsonObject{{"CDDIETPAD", QJsonObject{{"old", "0001"}, {"new", "0005"}}},
                                {"DSSERVINTE", "Prefere suco sem açúcar"}};
    return entry;
}

} // namespace

class tst_Audit : public QObject {
    Q_OBJECT

private slots:
    void auditLandsWithCommit_data() { TestDatabase::addEngineRows(); }
    void auditLandsWithCommit() {
        QFETCH(QString, engine);
        if (!TestDatabase::available(engine))
            QSKIP("DIETA_TEST_PG not set");
        TestDatabase test(engine);
        migrate(test.db());
        const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
        {
            WriteTransaction transaction(test.db());
            QSqlDatabase conn = transaction.connection();
            recordAudit(conn, sampleEntry());
            transaction.commit();
        }
        QSqlQuery query = execSql(test.connection(),
                                  "SELECT DTAUDIT, CDOPERADOR, NMMETODO, CDFILIAL, DSPACIENTES,"
                                  " DSALTERACAO FROM AUDIT");
        QVERIFY(query.next());
        QVERIFY(query.value(0).toDateTime() >= before);
        QVERIFY(query.value(0).toDateTime() <= QDateTime::currentDateTime().addSecs(1));
        QCOMPARE(query.value(1).toString(), QString("NUTRI01"));
        QCOMPARE(query.value(2).toString(), QString("SetUpdServinte"));
        QCOMPARE(query.value(3).toString(), QString("0001"));
        QCOMPARE(query.value(4).toString(), QString("_100001_100002_"));
        const QJsonDocument changes = QJsonDocument::fromJson(query.value(5).toString().toUtf8());
        QCOMPARE(changes.object(), sampleEntry().changes.toObject());
        QVERIFY(!query.next());
    }

    // A lone entry (one login, one list read) is written within the batch delay, not held
    // until a batch fills or the server stops.
    void queuedEntryLandsWithoutFlush_data() { TestDatabase::addEngineRows(); }
    void queuedEntryLandsWithoutFlush() {
        QFETCH(QString, engine);
        if (!TestDatabase::available(engine))
            QSKIP("DIETA_TEST_PG not set");
        TestDatabase test(engine);
        migrate(test.db());
        AuditQueue queue(test.db());
        queue.post(sampleEntry());
        QTRY_COMPARE_WITH_TIMEOUT(auditRows(test.connection()), 1, 5000);
    }

    // The id a write's row carries is how a commit in doubt is settled afterwards.
    void callIdFindsTheCommittedWrite_data() { TestDatabase::addEngineRows(); }
    void callIdFindsTheCommittedWrite() {
        QFETCH(QString, engine);
        if (!TestDatabase::available(engine))
            QSKIP("DIETA_TEST_PG not set");
        TestDatabase test(engine);
        migrate(test.db());
        AuditEntry committed = sampleEntry();
        committed.callId = newCallId();
        AuditEntry rolledBack = sampleEntry();
        rolledBack.callId = newCallId();
        QCOMPARE(committed.callId.size(), 32);
        QVERIFY(committed.callId != rolledBack.callId);
        {
            WriteTransaction transaction(test.db());
            QSqlDatabase conn = transaction.connection();
            recordAudit(conn, committed);
            transaction.commit();
        }
        {
            WriteTransaction transaction(test.db());
            QSqlDatabase conn = transaction.connection();
            recordAudit(conn, rolledBack);
        }
        QVERIFY(auditedCall(test.connection(), committed.callId));
        QVERIFY(!auditedCall(test.connection(), rolledBack.callId));
    }

    // A write that fails after its audit row leaves no audit row behind.
    void auditDisappearsWithRollback_data() { TestDatabase::addEngineRows(); }
    void auditDisappearsWithRollback() {
        QFETCH(QString, engine);
        if (!TestDatabase::available(engine))
            QSKIP("DIETA_TEST_PG not set");
        TestDatabase test(engine);
        migrate(test.db());
        {
            WriteTransaction transaction(test.db());
            QSqlDatabase conn = transaction.connection();
            recordAudit(conn, sampleEntry());
            QCOMPARE(auditRows(conn), 1);
        }
        QCOMPARE(auditRows(test.connection()), 0);
    }

    // An operator code longer than the column fails the write instead of being cut.
    void overlongOperatorFails_data() { TestDatabase::addEngineRows(); }
    void overlongOperatorFails() {
        QFETCH(QString, engine);
        if (!TestDatabase::available(engine))
            QSKIP("DIETA_TEST_PG not set");
        TestDatabase test(engine);
        migrate(test.db());
        AuditEntry entry = sampleEntry();
        entry.operatorCode = "NUTRICIONISTA01";
        entry.changes = QJsonValue();
        entry.patients.clear();
        WriteTransaction transaction(test.db());
        QSqlDatabase conn = transaction.connection();
        QVERIFY_THROWS_EXCEPTION(SqlError, recordAudit(conn, entry));
    }

    void patientList() {
        QCOMPARE(auditPatientList({}), QString());
        QCOMPARE(auditPatientList({"", " "}), QString());
        QCOMPARE(auditPatientList({"P2", "P1", "P2"}), QString("_P2_P1_"));
    }

    void nutritionistOfBranch_data() { TestDatabase::addEngineRows(); }
    void nutritionistOfBranch() {
        QFETCH(QString, engine);
        if (!TestDatabase::available(engine))
            QSKIP("DIETA_TEST_PG not set");
        TestDatabase test(engine);
        migrate(test.db());
        test.exec("INSERT INTO NUTRICIO (CDNUTRICIO, CDFILIAL) VALUES ('NUTRI01', '0001')");
        QSqlDatabase conn = test.connection();
        QVERIFY(isNutritionist(conn, "NUTRI01", "0001"));
        QVERIFY(!isNutritionist(conn, "NUTRI01", "0002"));
        QVERIFY(!isNutritionist(conn, "ADMIN01", "0001"));
        QVERIFY(!isNutritionist(conn, "nutri01", "0001"));
        QVERIFY(!isNutritionist(conn, "", "0001"));
        QVERIFY(!isNutritionist(conn, "NUTRI01", ""));
        QCOMPARE(nutritionistRefusal(conn, "NUTRI01", "0001"), QString());
        QCOMPARE(nutritionistRefusal(conn, "ADMIN01", "0001"),
                 QString("Operador não está cadastrado como nutricionista."));
        QCOMPARE(nutritionistRefusal(conn, "  ", "0001"), QString("Operador não informado."));
        // Quotes are data, never SQL.
        QVERIFY(!isNutritionist(conn, "' OR '1'='1", "0001"));
    }
};

QTEST_GUILESS_MAIN(tst_Audit)
#include "tst_audit.moc"
