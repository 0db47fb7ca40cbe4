// Host values as the module reads them, code masks and LoadBPL.
#include "framework/scripteddialogs.h"
#include "framework/vantor.h"
#include "platform/eabort.h"

#include <QTest>

using namespace dieta;

class tst_Vantor : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { Vantor::setHost({}); }
    void readsWhatTheHostSet();
    void codeMaskLevels_data();
    void codeMaskLevels();
    void loadBplRunsTheHostModule();
    void loadBplWithoutHostStops();
};

void tst_Vantor::readsWhatTheHostSet() {
    HostValues values;
    values.operador = "NUTRI01";
    values.filiProc = "0001";
    values.nomeFiliProc = "Hospital Central";
    values.moduFili = true;
    values.webUrl = "127.0.0.1";
    values.webPort = 8080;
    values.codeMasks.insert(1, "99.99.999;0;_");
    Vantor::setHost(values);
    QCOMPARE(Vantor::Operador(), QString("NUTRI01"));
    QCOMPARE(Vantor::FiliProc(), QString("0001"));
    QCOMPARE(Vantor::NomeFiliProc(), QString("Hospital Central"));
    QVERIFY(Vantor::ModuFili());
    QCOMPARE(Vantor::WebURL(), QString("127.0.0.1"));
    QCOMPARE(Vantor::WebPort(), 8080);
    QCOMPARE(Vantor::DBPict(1), QString("99.99.999;0;_"));
    QCOMPARE(Vantor::DBPict(2), QString());
    QCOMPARE(Vantor::DBPictObj(1).GetTtNiveis(), 3);
}

void tst_Vantor::codeMaskLevels_data() {
    QTest::addColumn<QString>("mask");
    QTest::addColumn<int>("levels");
    QTest::newRow("three") << "99.99.999;0;_" << 3;
    QTest::newRow("one") << "9999999999" << 1;
    QTest::newRow("case modifier") << ">aa.aa" << 2;
    QTest::newRow("trailing literal") << "99.99." << 2;
    QTest::newRow("none") << "" << 0;
}

void tst_Vantor::codeMaskLevels() {
    QFETCH(QString, mask);
    QFETCH(int, levels);
    QCOMPARE(TPictObj(mask).GetTtNiveis(), levels);
}

void tst_Vantor::loadBplRunsTheHostModule() {
    QString module;
    QVariantList params;
    HostValues values;
    values.loadBpl = [&](const QString& name, const QVariantList& args) {
        module = name;
        params = args;
    };
    Vantor::setHost(values);
    Vantor::LoadBPL("ZFA80000", {"0001", 5});
    QCOMPARE(module, QString("ZFA80000"));
    QCOMPARE(params, QVariantList({"0001", 5}));
}

void tst_Vantor::loadBplWithoutHostStops() {
    ScriptedDialogs script;
    ScopedDialogService scope(script);
    QVERIFY_THROWS_EXCEPTION(EAbort, Vantor::LoadBPL("ZFA80000", {}));
    QCOMPARE(script.texts(), QStringList({"Módulo não disponível: ZFA80000."}));
}

QTEST_MAIN(tst_Vantor)
#include "tst_vantor.moc"
