// ValidaFilial on a real general database, once per engine.
#include "framework/consiste.h"
#include "framework/scripteddialogs.h"
#include "platform/dtmdbgeral.h"
#include "platform/eabort.h"
#include "tests/support/testdatabase.h"

#include <QTest>

using namespace dieta;

class tst_ValidaFilial : public QObject {
    Q_OBJECT

private slots:
    void validates_data() { test::addEngineRows(); }
    void validates();
};

void tst_ValidaFilial::validates() {
    DIETA_FETCH_ENGINE(engine);
    test::TestDatabase database(engine);
    database.exec("CREATE TABLE FILIAL (CDFILIAL VARCHAR(4) PRIMARY KEY, NMFILIAL VARCHAR(30))");
    database.exec("INSERT INTO FILIAL VALUES ('0001', 'Hospital Central')");
    ScopedGeneralDatabase general(&database.db());
    ScriptedDialogs script;
    ScopedDialogService scope(script);

    QCOMPARE(Consiste::ValidaFilial("0001", "OPER", false), QString("Hospital Central"));
    QCOMPARE(Consiste::ValidaFilial(" 0001 ", "OPER", false), QString("Hospital Central"));
    QCOMPARE(Consiste::ValidaFilial("", "OPER", false), QString());
    QCOMPARE(Consiste::ValidaFilial("    ", "OPER", false), QString());
    QVERIFY(script.asked.isEmpty());

    QVERIFY_THROWS_EXCEPTION(EAbort, Consiste::ValidaFilial("0009", "OPER", false));
    QCOMPARE(script.texts(), QStringList({"Filial não cadastrada."}));
    script.clear();
    // A quote in the code is a value, never SQL.
    QVERIFY_THROWS_EXCEPTION(EAbort, Consiste::ValidaFilial("0' OR '1'='1", "OPER", false));
    QCOMPARE(script.asked.size(), 1);
    script.clear();
    QCOMPARE(Consiste::ValidaFilial("0009", "OPER", true), QString());
    QVERIFY(script.asked.isEmpty());
}

QTEST_MAIN(tst_ValidaFilial)
#include "tst_validafilial.moc"
