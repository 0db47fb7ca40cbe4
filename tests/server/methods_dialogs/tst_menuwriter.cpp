// Whole menus written for many records in one transaction by one writer: menus longer than one
// statement's rows, a record rewritten with a shorter menu, values kept as given.

#include "server/methods/dialogs/menuwriter.h"
#include "server/methods/methodsupport.h"
#include "tests/support/largebranch.h"
#include "tests/support/sqlprobes.h"
#include "tests/support/testserver.h"

#include <QtTest>

using namespace dieta;
using namespace dieta::test;

class tst_MenuWriter : public QObject {
    Q_OBJECT

private:
    const QDate day = QDate::currentDate();

    static QList<server::Choice> menu(int dishes) {
        QList<server::Choice> choices;
        for (int d = 0; d < dishes; ++d) {
            server::Choice choice;
            choice.dishType = QStringLiteral("%1").arg(d % 5 + 1, 2, 10, QLatin1Char('0'));
            choice.dishBranch = QStringLiteral("P");
            choice.dish =
                QStringLiteral("%1.01.%2").arg(choice.dishType).arg(d + 1, 3, 10, QLatin1Char('0'));
            choice.chosen = d % 2 ? QStringLiteral("S") : QStringLiteral("N");
            choice.quantity = d % 3 ? QVariant(d + 0.5) : QVariant();
            choice.remark = d == 0 ? QVariant(QStringLiteral("sem sal")) : QVariant();
            choices.append(choice);
        }
        return choices;
    }

    static server::DayRecordKey key(int patient, QDate day) {
        return {QStringLiteral("0001"), QStringLiteral("P%1").arg(patient, 6, 10, QLatin1Char('0')),
                day, QStringLiteral("01")};
    }

    static QStringList stored(SqlDatabase& db, const server::DayRecordKey& key) {
        QSqlQuery query = execSql(
            db.connection(),
            QStringLiteral("SELECT CDSEQUCOPR, CDPRATO, IDESCOCONF, QTPRATCONF, DSOBSCONF FROM"
                           " CONFESCO WHERE CDFILIAL = :F AND CDPACIENTE = :P AND DTSERVINTE = :D"
                           " AND NRSEQUSERV = :S ORDER BY CDSEQUCOPR"),
            {{QStringLiteral("F"), key.branch},
             {QStringLiteral("P"), key.patient},
             {QStringLiteral("D"), key.date},
             {QStringLiteral("S"), key.sequence}});
        QStringList rows;
        while (query.next())
            rows.append(QStringLiteral("%1 %2 %3 %4 %5")
                            .arg(query.value(0).toString(), query.value(1).toString(),
                                 query.value(2).toString(),
                                 query.value(3).isNull()
                                     ? QStringLiteral("-")
                                     : QString::number(query.value(3).toDouble()),
                                 query.value(4).toString()));
        return rows;
    }

private slots:
    void menusOfManyRecords_data() { addEngineRows(); }
    void menusOfManyRecords() {
        DIETA_FETCH_ENGINE(engine);
        TestServer server({.engine = engine,
                           .seed = [this](SqlDatabase& db) { seedLargeBranch(db, 3, 60, day); }});
        QVERIFY2(server.ok(), qPrintable(server.error()));
        SqlDatabase& db = server.database();
        {
            WriteTransaction transaction(db);
            server::MenuWriter writer(transaction.connection());
            // 60 dishes: a full statement and a shorter one; then a 3-dish menu over a
            // record that had 60, and an empty one.
            writer.write(key(1, day), menu(60));
            writer.write(key(2, day), menu(3));
            writer.write(key(3, day), {});
            writer.write(key(1, day), menu(60)); // the same record twice: no clash
            transaction.commit();
        }
        const QStringList first = stored(db, key(1, day));
        QCOMPARE(first.size(), 60);
        QCOMPARE(first.first(), QStringLiteral("0001 01.01.001 N - sem sal"));
        QCOMPARE(first.at(50), QStringLiteral("0051 01.01.051 N 50.5 "));
        QCOMPARE(first.last(), QStringLiteral("0060 05.01.060 S 59.5 "));
        QCOMPARE(stored(db, key(2, day)),
                 QStringList({"0001 01.01.001 N - sem sal", "0002 02.01.002 S 1.5 ",
                              "0003 03.01.003 N 2.5 "}));
        QVERIFY(stored(db, key(3, day)).isEmpty());
    }

    void tooManyDishesWritesNothing() {
        TestServer server({.seed = [this](SqlDatabase& db) { seedLargeBranch(db, 1, 5, day); }});
        QVERIFY2(server.ok(), qPrintable(server.error()));
        SqlDatabase& db = server.database();
        WriteTransaction transaction(db);
        server::MenuWriter writer(transaction.connection());
        QVERIFY_THROWS_EXCEPTION(server::MethodError, writer.write(key(1, day), menu(10000)));
        QCOMPARE(stored(db, key(1, day)).size(), 5);
    }
};

QTEST_GUILESS_MAIN(tst_MenuWriter)
#include "tst_menuwriter.moc"
