// The day records of many marked patients written set-based, against a real database: lists
// of codes that are awkward in SQL text or JSON, the record each patient's diet goes to, new
// records numbered after the day's last, and an update that finds a record gone.

#include "server/methods/dialogs/markedrecords.h"
#include "server/methods/methodsupport.h"
#include "tests/support/sqlprobes.h"
#include "tests/support/testserver.h"

#include <QtTest>

using namespace dieta;
using namespace dieta::test;
using namespace dieta::server;

namespace {

// Codes with a quote, a JSON escape, the pair separator of the other engine's spelling and an
// accent: each must match itself and nothing else.
const QStringList awkward{QStringLiteral("O'NEIL"), QStringLiteral("A\"B\\C"),
                          QStringLiteral("A|B"), QStringLiteral("Zé"), QStringLiteral("A")};

void addRecord(SqlDatabase& db, const QString& patient, QDate day, const QString& sequence,
               const QString& status = QStringLiteral("0")) {
    execOn(db,
           QStringLiteral("INSERT INTO SERVINTE (CDFILIAL, CDPACIENTE, DTSERVINTE, NRSEQUSERV,"
                          " STPACIACOM, CDSERVFILI) VALUES ('0001', :P, :D, :S, :ST, '00010')"),
           {{QStringLiteral("P"), patient},
            {QStringLiteral("D"), day},
            {QStringLiteral("S"), sequence},
            {QStringLiteral("ST"), status}});
}

QString targetsText(const QList<TargetRecord>& targets) {
    QStringList parts;
    for (const TargetRecord& target : targets)
        parts.append(target.patient + u':' + target.sequence +
                     (target.fresh ? QStringLiteral("+") : QString()));
    return parts.join(u' ');
}

} // namespace

class tst_MarkedRecords : public QObject {
    Q_OBJECT

private:
    const QDate day = QDate::currentDate();

private slots:
    void awkwardCodesMatchThemselves_data() { addEngineRows(); }
    void awkwardCodesMatchThemselves() {
        DIETA_FETCH_ENGINE(engine);
        TestServer server({.engine = engine});
        QVERIFY2(server.ok(), qPrintable(server.error()));
        SqlDatabase& db = server.database();
        for (const QString& patient : awkward) {
            addRecord(db, patient, day, QStringLiteral("01"));
            addRecord(db, patient, day, QStringLiteral("02"));
        }
        const SqlEngine sql = db.engine();
        const auto select = [&](const QString& condition, const QString& list) {
            return columnOf(db,
                            QStringLiteral("SELECT CDPACIENTE || '/' || NRSEQUSERV FROM SERVINTE"
                                           " WHERE %1 ORDER BY CDPACIENTE, NRSEQUSERV")
                                .arg(condition),
                            {{QStringLiteral("L"), list}});
        };
        QCOMPARE(select(codeCondition(sql, QStringLiteral("CDPACIENTE"), QStringLiteral("L")),
                        jsonList({QStringLiteral("O'NEIL"), QStringLiteral("A\"B\\C")})),
                 (QStringList{"A\"B\\C/01", "A\"B\\C/02", "O'NEIL/01", "O'NEIL/02"}));
        const QString pairs = pairCondition(sql, QStringLiteral("CDPACIENTE"),
                                            QStringLiteral("NRSEQUSERV"), QStringLiteral("L"));
        QCOMPARE(select(pairs, jsonPairs({{QStringLiteral("A|B"), QStringLiteral("02")},
                                          {QStringLiteral("Zé"), QStringLiteral("01")},
                                          {QStringLiteral("A"), QStringLiteral("B|02")}})),
                 (QStringList{"A|B/02", "Zé/01"}));
        QCOMPARE(select(pairs, jsonPairs({})), QStringList());
    }

    void targetsAndNewRecords_data() { addEngineRows(); }
    void targetsAndNewRecords() {
        DIETA_FETCH_ENGINE(engine);
        TestServer server({.engine = engine});
        QVERIFY2(server.ok(), qPrintable(server.error()));
        SqlDatabase& db = server.database();
        addRecord(db, QStringLiteral("P1"), day, QStringLiteral("01"));
        addRecord(db, QStringLiteral("P1"), day, QStringLiteral("02"));
        addRecord(db, QStringLiteral("P2"), day, QStringLiteral("01"), QStringLiteral("1"));
        addRecord(db, QStringLiteral("P3"), day, QStringLiteral("99"), QStringLiteral("1"));

        WriteTransaction transaction(db);
        const MarkedDay marked{transaction.connection(), db.engine(), QStringLiteral("0001"), day,
                               QStringLiteral("0")};
        // P1's row names its second record; a row of another day falls back to the first; P2
        // has only a companion's record, so a new one after it; P4 has none.
        const QList<MarkedPatient> rows{
            {QStringLiteral("P1"), QStringLiteral("0"), QStringLiteral("02"), day},
            {QStringLiteral("P2"), QStringLiteral("0"), QString(), {}},
            {QStringLiteral("P4"), QStringLiteral("0"), QString(), {}}};
        QList<TargetRecord> targets = targetRecords(marked, rows);
        QCOMPARE(targetsText(targets), QStringLiteral("P1:02 P2:02+ P4:01+"));
        QCOMPARE(targetsText(targetRecords(marked, {{QStringLiteral("P1"), QStringLiteral("0"),
                                                     QStringLiteral("02"), day.addDays(-1)}})),
                 QStringLiteral("P1:01"));

        const RecordValues values{QStringLiteral("00020"), QStringLiteral("0001"),
                                  QStringLiteral("NUTRI01"), false};
        insertRecords(marked, targets, values);
        updateRecords(marked, targets, values);
        transaction.commit();
        QCOMPARE(columnOf(db, QStringLiteral("SELECT CDPACIENTE || '/' || NRSEQUSERV || '/' ||"
                                             " CDSERVFILI || '/' || NRVERSAO FROM SERVINTE WHERE"
                                             " CDSERVFILI = '00020' ORDER BY 1")),
                 (QStringList{"P1/02/00020/2", "P2/02/00020/1", "P4/01/00020/1"}));

        // The day is full for P3; a record deleted meanwhile is named.
        WriteTransaction second(db);
        const MarkedDay again{second.connection(), db.engine(), QStringLiteral("0001"), day,
                              QStringLiteral("0")};
        QVERIFY_THROWS_EXCEPTION(
            MethodError,
            targetRecords(again, {{QStringLiteral("P3"), QStringLiteral("0"), QString(), {}}}));
        execSql(second.connection(),
                QStringLiteral("DELETE FROM SERVINTE WHERE CDPACIENTE = 'P1'"));
        try {
            updateRecords(again, {{QStringLiteral("P1"), QStringLiteral("02"), false}}, values);
            QFAIL("the update of a deleted record went through");
        } catch (const MethodError& error) {
            QVERIFY(error.text().contains(QStringLiteral("P1 foi excluído por outro usuário")));
        }
    }
};

QTEST_GUILESS_MAIN(tst_MarkedRecords)
#include "tst_markedrecords.moc"
