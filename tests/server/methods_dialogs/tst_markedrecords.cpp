// The day records of many marked patients written set-based, against a real database: lists
// of codes that are awkward in SQL text or JSON, the record each patient's diet goes to, new
// records numbered after the day's last, and an update that finds a record gone.

#include "server/methods/dialogs/markedrecords.h"
#include "server/methods/dialogs/menuwriter.h"
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

// A menu with every column set (a remark awkward in SQL and JSON, fractions, a date-time with
// milliseconds, a restriction) and one with as little as a choice holds.
QList<Choice> awkwardMenu(QDate day) {
    Choice full;
    full.dishType = QStringLiteral("02");
    full.dishBranch = QStringLiteral("P");
    full.dish = QStringLiteral("02.01.001");
    full.chosen = QStringLiteral("S");
    full.option = QStringLiteral("S");
    full.remark = QStringLiteral("sem sal, O'Neil \"à parte\" \\ [1]");
    full.quantity = 1.25;
    full.consumption = 7.5;
    full.interval = 0.1;
    full.period = 12.0;
    full.consumptionDate = QDateTime(day, QTime(8, 30, 15, 250));
    full.restriction = QStringLiteral("1");
    Choice bare;
    bare.dishType = QStringLiteral("01");
    bare.dishBranch = QStringLiteral("0001");
    bare.dish = QStringLiteral("01.01.002");
    return {full, bare, full};
}

// The stored choices of a record, every column but the record's own key, in order.
QList<QVariantList> choicesOf(SqlDatabase& db, const QString& patient, const QString& sequence) {
    QSqlQuery query = execSql(
        db.connection(),
        QStringLiteral("SELECT CDFILIAL, DTSERVINTE, CDSEQUCOPR, CDTIPOPRAT, CDPRATO, CDFILAUXPRAT,"
                       " IDESCOCONF, IDOPCAOCONF, DSOBSCONF, QTPRATCONF, HRCONSCONF, HRINTECONF,"
                       " HRPERICONF, DTCONSCONF, IDRESTCONF, NRVERSAO FROM CONFESCO WHERE"
                       " CDPACIENTE = :P AND NRSEQUSERV = :S ORDER BY CDSEQUCOPR"),
        {{QStringLiteral("P"), patient}, {QStringLiteral("S"), sequence}});
    QList<QVariantList> rows;
    while (query.next()) {
        QVariantList row;
        for (int column = 0; column < 16; ++column)
            row.append(query.value(column));
        rows.append(row);
    }
    return rows;
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

    // The menu written for many records at once is stored as the one-record writer stores it,
    // value for value, in every record.
    void menusAtOnceAsWrittenOne_data() { addEngineRows(); }
    void menusAtOnceAsWrittenOne() {
        DIETA_FETCH_ENGINE(engine);
        TestServer server({.engine = engine});
        QVERIFY2(server.ok(), qPrintable(server.error()));
        SqlDatabase& db = server.database();
        const QList<Choice> menu = awkwardMenu(day);
        {
            WriteTransaction transaction(db);
            MenuWriter(transaction.connection())
                .write({QStringLiteral("0001"), QStringLiteral("REF"), day, QStringLiteral("01")},
                       menu);
            const MarkedDay marked{transaction.connection(), db.engine(), QStringLiteral("0001"),
                                   day, QStringLiteral("0")};
            QList<KeyPair> records;
            for (const QString& patient : awkward)
                records.append({patient, QStringLiteral("02")});
            insertMenus(marked, records, menu);
            insertMenus(marked, {}, menu);
            insertMenus(marked, {{QStringLiteral("NONE"), QStringLiteral("01")}}, {});
            transaction.commit();
        }
        const QList<QVariantList> reference = choicesOf(db, QStringLiteral("REF"), "01");
        QCOMPARE(reference.size(), 3);
        QCOMPARE(reference[0][8].toString(), menu[0].remark.toString());
        QVERIFY(reference[1][8].isNull() && reference[1][9].isNull());
        for (const QString& patient : awkward)
            QCOMPARE(choicesOf(db, patient, QStringLiteral("02")), reference);
        QCOMPARE(countOf(db, QStringLiteral("SELECT COUNT(*) FROM CONFESCO")), 3 * 6);
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
