// pt-BR dates, day names and numbers whatever the machine's locale.
#include "framework/ptbr.h"

#include <QTest>

using namespace dieta;

class tst_PtBr : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }
    void dates();
    void dayNames();
    void numbers_data();
    void numbers();
    void parsesNumbers_data();
    void parsesNumbers();
};

void tst_PtBr::dates() {
    QCOMPARE(ptbr::formatDate(QDate(2026, 12, 7)), QString("07/12/2026"));
    QCOMPARE(ptbr::formatDate(QDate()), QString());
    QCOMPARE(ptbr::parseDate("07/12/2026"), std::optional<QDate>(QDate(2026, 12, 7)));
    QCOMPARE(ptbr::parseDate(" 7/1/2026 "), std::optional<QDate>(QDate(2026, 1, 7)));
    QCOMPARE(ptbr::parseDate("29/02/2024"), std::optional<QDate>(QDate(2024, 2, 29)));
    QCOMPARE(ptbr::parseDate("29/02/2026"), std::nullopt);
    QCOMPARE(ptbr::parseDate("31/04/2026"), std::nullopt);
    QCOMPARE(ptbr::parseDate("__/__/____"), std::nullopt);
    QCOMPARE(ptbr::parseDate("2026-12-07"), std::nullopt);
}

void tst_PtBr::dayNames() {
    QStringList shortNames;
    QStringList longNames;
    // 6 Dec 2026 is a Sunday.
    for (int i = 0; i < 7; ++i) {
        const QDate day = QDate(2026, 12, 6).addDays(i);
        shortNames << ptbr::shortDayName(day.dayOfWeek());
        longNames << ptbr::longDayName(day.dayOfWeek());
    }
    QCOMPARE(shortNames,
             QStringList({"Domingo", "Segunda", "Terça", "Quarta", "Quinta", "Sexta", "Sábado"}));
    QCOMPARE(longNames, QStringList({"Domingo", "Segunda-feira", "Terça-feira", "Quarta-feira",
                                     "Quinta-feira", "Sexta-feira", "Sábado"}));
    QCOMPARE(ptbr::shortDayName(0), QString());
    QCOMPARE(ptbr::monthName(3), QString("Março"));
    QCOMPARE(ptbr::monthName(13), QString());
}

void tst_PtBr::numbers_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<bool>("group");
    QTest::addColumn<QString>("text");
    QTest::newRow("comma") << 1.5 << 2 << false << "1,50";
    QTest::newRow("grouped") << 1234567.891 << 2 << true << "1.234.567,89";
    QTest::newRow("ungrouped") << 1234.5 << 1 << false << "1234,5";
    QTest::newRow("negative") << -0.25 << 2 << false << "-0,25";
    QTest::newRow("negative zero") << -0.001 << 2 << false << "0,00";
    QTest::newRow("integer") << 42.0 << 0 << false << "42";
}

void tst_PtBr::numbers() {
    QFETCH(double, value);
    QFETCH(int, decimals);
    QFETCH(bool, group);
    QFETCH(QString, text);
    QCOMPARE(ptbr::formatNumber(value, decimals, group), text);
}

void tst_PtBr::parsesNumbers_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<double>("value");
    QTest::newRow("comma") << "1,5" << true << 1.5;
    QTest::newRow("grouped") << "1.234,5" << true << 1234.5;
    QTest::newRow("plain") << " 1234 " << true << 1234.0;
    QTest::newRow("negative") << "-0,25" << true << -0.25;
    QTest::newRow("leading comma") << ",5" << true << 0.5;
    QTest::newRow("dot decimal") << "1.5" << false << 0.0;
    QTest::newRow("blank inside") << "1 2" << false << 0.0;
    QTest::newRow("empty") << "" << false << 0.0;
    QTest::newRow("sign only") << "-" << false << 0.0;
    QTest::newRow("letters") << "1a" << false << 0.0;
}

void tst_PtBr::parsesNumbers() {
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(double, value);
    const std::optional<double> parsed = ptbr::parseNumber(text);
    QCOMPARE(parsed.has_value(), valid);
    if (valid)
        QCOMPARE(*parsed, value);
}

QTEST_MAIN(tst_PtBr)
#include "tst_ptbr.moc"
