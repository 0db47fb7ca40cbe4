// The energy shares of GetCalcNutriente are kilocalories of grams: a macronutrient recorded in
// milligrams or micrograms is converted for its share only, while its total row keeps the
// nutrient's own unit.

#include "platform/tnetconnection.h"
#include "platform/wirevalue.h"
#include "tests/server/methods_dialogs/dialogfixture.h"
#include "tests/support/seededserver.h"

#include <QtTest>
#include <cmath>

using namespace dieta;
using namespace dieta::test;

class tst_NutrientShares : public QObject {
    Q_OBJECT

private slots:
    // P002's day (dialogfixture.h): protein 20, carbohydrate 50, lipid 30, sodium 10, in the
    // nutrients' units.
    void sharesConvertToGramsTotalsKeepTheirUnit_data() {
        QTest::addColumn<TestEngine>("engine");
        QTest::addColumn<QString>("proteinUnit");
        QTest::addColumn<QString>("carbohydrateUnit");
        QTest::addColumn<QString>("lipidUnit");
        QTest::addColumn<double>("protein");
        QTest::addColumn<double>("carbohydrate");
        QTest::addColumn<double>("lipid");
        for (const auto& [engineName, engine] : {std::pair{"sqlite", TestEngine::SQLite},
                                                 std::pair{"postgresql", TestEngine::PostgreSQL}}) {
            QTest::addRow("%s grams", engineName)
                << engine << QStringLiteral("g") << QStringLiteral("g") << QStringLiteral("g")
                << 80.0 << 200.0 << 270.0;
            // Shares come to three decimals, as the screen shows them.
            QTest::addRow("%s milligrams and micrograms", engineName)
                << engine << QStringLiteral("mg") << QStringLiteral("mcg") << QStringLiteral("MG")
                << 0.08 << 0.0 << 0.27;
            QTest::addRow("%s micro sign", engineName)
                << engine << QStringLiteral("µg") << QStringLiteral("g") << QStringLiteral("g")
                << 0.0 << 200.0 << 270.0;
        }
    }
    void sharesConvertToGramsTotalsKeepTheirUnit() {
        DIETA_FETCH_ENGINE(engine);
        QFETCH(QString, proteinUnit);
        QFETCH(QString, carbohydrateUnit);
        QFETCH(QString, lipidUnit);
        QFETCH(double, protein);
        QFETCH(double, carbohydrate);
        QFETCH(double, lipid);
        const QDate today = QDate::currentDate();
        auto server = startSeeded(engine, seedDialogHospital, today);
        QVERIFY2(server->ok(), qPrintable(server->error()));
        SqlDatabase& db = server->database();
        addChosenDayOfP002(db, today);
        const QString update =
            QStringLiteral("UPDATE NUTRIENTE SET NMUNIDADE = :UNIT WHERE CDNUTRIENTE = :CODE");
        execOn(db, update, {{"UNIT", proteinUnit}, {"CODE", "001"}});
        execOn(db, update, {{"UNIT", carbohydrateUnit}, {"CODE", "002"}});
        execOn(db, update, {{"UNIT", lipidUnit}, {"CODE", "003"}});

        QVariantList args{"0001", "P002", "00010", today, "T", "_001_002_003_004_010_"};
        const QVariant result = server->connection().call(QStringLiteral("GetCalcNutriente"), args);
        QVERIFY2(!isServerError(result), qPrintable(serverErrorText(result)));
        const QVariantList parts = result.toList();
        QCOMPARE(parts.size(), 5);
        const DataPacket totals = toPacket(parts[0]);
        QStringList rows;
        for (int row = 0; row < totals.rows.size(); ++row)
            rows << totals.value(row, u"CDNUTRIENTE").toString() + '=' +
                        QString::number(totals.value(row, u"TOTAL").toDouble());
        QCOMPARE(rows, (QStringList{"001=20", "002=50", "003=30", "004=0", "010=10"}));
        QVERIFY(qAbs(parts[1].toDouble() - protein) < 1e-9);
        QVERIFY(qAbs(parts[2].toDouble() - carbohydrate) < 1e-9);
        QVERIFY(qAbs(parts[3].toDouble() - lipid) < 1e-9);
        QCOMPARE(parts[4].toDouble(), 0.0);
    }

    // Amounts that binary fractions cannot hold sum to different last bits in different
    // orders: the answer carries totals to five decimals and shares to three, so that both
    // engines give the same numbers.
    void totalsRoundedAsShown_data() { addEngineRows(); }
    void totalsRoundedAsShown() {
        DIETA_FETCH_ENGINE(engine);
        const QDate today = QDate::currentDate();
        auto server = startSeeded(engine, seedDialogHospital, today);
        QVERIFY2(server->ok(), qPrintable(server->error()));
        SqlDatabase& db = server->database();
        addDayRecord(db, "P002", today, "01", "0", "00010", "0001",
                     {"02|P|02.01.001|S|3", "02|P|02.02.001|S|0.7", "01|P|01.01.002|S|1.1"});
        execOn(db, QStringLiteral("UPDATE PRATNUTR SET QTNUTRPORC = 0.1"));

        QVariantList args{"0001", "P002", "00010", today, "T", "T"};
        const QVariant result = server->connection().call(QStringLiteral("GetCalcNutriente"), args);
        QVERIFY2(!isServerError(result), qPrintable(serverErrorText(result)));
        const QVariantList parts = result.toList();
        QCOMPARE(parts.size(), 5);
        const DataPacket totals = toPacket(parts[0]);
        int nonZero = 0;
        for (int row = 0; row < totals.rows.size(); ++row) {
            const double total = totals.value(row, u"TOTAL").toDouble();
            QVERIFY2(total == std::round(total * 1e5) / 1e5,
                     qPrintable(QString::number(total, 'g', 17)));
            nonZero += total != 0;
        }
        QVERIFY(nonZero > 0);
        for (int share = 1; share <= 4; ++share) {
            const double kcal = parts[share].toDouble();
            QVERIFY2(kcal == std::round(kcal * 1e3) / 1e3,
                     qPrintable(QString::number(kcal, 'g', 17)));
        }
    }
};

QTEST_GUILESS_MAIN(tst_NutrientShares)
#include "tst_nutrientshares.moc"
