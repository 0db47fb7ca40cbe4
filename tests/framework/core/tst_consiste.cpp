// Consiste: codes, padding, rounding, ages, empty texts, errors that abandon, server results
// (the branch validation on a real database is in tst_validafilial).
#include "framework/consiste.h"
#include "framework/dialogservice.h"
#include "framework/scripteddialogs.h"
#include "platform/eabort.h"
#include "platform/tnetconnection.h"
#include "platform/wirevalue.h"

#include <QCheckBox>
#include <QFrame>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>

using namespace dieta;

class tst_Consiste : public QObject {
    Q_OBJECT

private slots:
    void ajusta_data();
    void ajusta();
    void padAndTrim();
    void roundDec_data();
    void roundDec();
    void idade_data();
    void idade();
    void emptyString_data();
    void emptyString();
    void dateMask();
    void mensErroFocusesShowsAndAbandons();
    void checkResultServ();
    void setChildEnabled();
};

void tst_Consiste::ajusta_data() {
    QTest::addColumn<QString>("code");
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("expected");
    QTest::newRow("branch") << "1" << 4 << "0001";
    QTest::newRow("service") << "12" << 5 << "00012";
    QTest::newRow("full") << "1234" << 4 << "1234";
    QTest::newRow("longer kept") << "123456" << 4 << "123456";
    QTest::newRow("empty") << "" << 4 << "";
    QTest::newRow("blanks") << "    " << 4 << "";
    QTest::newRow("masked with blanks") << "1   " << 4 << "0001";
    QTest::newRow("letters") << "A1" << 4 << "00A1";
    QTest::newRow("minutes") << "5" << 2 << "05";
}

void tst_Consiste::ajusta() {
    QFETCH(QString, code);
    QFETCH(int, width);
    QFETCH(QString, expected);
    QCOMPARE(Consiste::Ajusta(code, width), expected);
}

void tst_Consiste::padAndTrim() {
    QCOMPARE(Consiste::PadL("1", 4), QString("   1"));
    QCOMPARE(Consiste::PadL("12345", 4), QString("12345"));
    QCOMPARE(Consiste::PadL("7", 3, '*'), QString("**7"));
    QCOMPARE(Consiste::PadL("", 2), QString("  "));
    QCOMPARE(Consiste::AllTrim("  1 2 \t"), QString("1 2"));
    QCOMPARE(Consiste::AllTrim(QString("\x01 x\r\n")), QString("x"));
    QCOMPARE(Consiste::AllTrim("   "), QString());
}

void tst_Consiste::roundDec_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<double>("expected");
    QTest::newRow("binary below half") << 2.675 << 2 << 2.68;
    QTest::newRow("1.005") << 1.005 << 2 << 1.01;
    QTest::newRow("half away from zero") << 2.5 << 0 << 3.0;
    QTest::newRow("negative half") << -2.5 << 0 << -3.0;
    QTest::newRow("negative binary") << -1.005 << 2 << -1.01;
    QTest::newRow("carry") << 9.995 << 2 << 10.0;
    QTest::newRow("hours 1:20") << (1.0 + 20.0 / 60.0) << 8 << 1.33333333;
    QTest::newRow("down") << 1.234 << 2 << 1.23;
    QTest::newRow("tiny") << 1e-9 << 8 << 0.0;
    QTest::newRow("large") << 123456789.125 << 2 << 123456789.13;
    QTest::newRow("already") << 0.1 << 8 << 0.1;
}

void tst_Consiste::roundDec() {
    QFETCH(double, value);
    QFETCH(int, decimals);
    QFETCH(double, expected);
    QCOMPARE(Consiste::RoundDec(value, decimals), expected);
}

void tst_Consiste::idade_data() {
    QTest::addColumn<QDate>("birth");
    QTest::addColumn<QDate>("date");
    QTest::addColumn<int>("years");
    QTest::addColumn<int>("months");
    QTest::newRow("birthday") << QDate(1980, 5, 10) << QDate(2026, 5, 10) << 46 << 0;
    QTest::newRow("day before") << QDate(1980, 5, 10) << QDate(2026, 5, 9) << 45 << 11;
    QTest::newRow("same day") << QDate(2026, 12, 7) << QDate(2026, 12, 7) << 0 << 0;
    QTest::newRow("month end short") << QDate(2026, 1, 31) << QDate(2026, 2, 28) << 0 << 1;
    QTest::newRow("month end april") << QDate(2026, 1, 31) << QDate(2026, 4, 30) << 0 << 3;
    QTest::newRow("before month end") << QDate(2026, 1, 31) << QDate(2026, 4, 29) << 0 << 2;
    QTest::newRow("leap day in common year") << QDate(2000, 2, 29) << QDate(2001, 2, 28) << 1 << 0;
    QTest::newRow("leap day in leap year") << QDate(2000, 2, 29) << QDate(2004, 2, 28) << 3 << 11;
    QTest::newRow("leap day birthday") << QDate(2000, 2, 29) << QDate(2004, 2, 29) << 4 << 0;
    QTest::newRow("future birth") << QDate(2027, 1, 1) << QDate(2026, 12, 7) << 0 << 0;
    QTest::newRow("null birth") << QDate() << QDate(2026, 12, 7) << 0 << 0;
}

void tst_Consiste::idade() {
    QFETCH(QDate, birth);
    QFETCH(QDate, date);
    QFETCH(int, years);
    QFETCH(int, months);
    QCOMPARE(Consiste::Idade(birth, date), (Consiste::Age{years, months}));
}

void tst_Consiste::emptyString_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("empty");
    QTest::newRow("empty") << "" << true;
    QTest::newRow("blanks") << "   " << true;
    QTest::newRow("radio leaves a blank") << " " << true;
    QTest::newRow("hours mask") << "    :  " << true;
    QTest::newRow("date mask") << "__/__/____" << true;
    QTest::newRow("zero hours") << "   0:00" << false;
    QTest::newRow("code list") << "_001_" << false;
    QTest::newRow("name") << " Arroz " << false;
}

void tst_Consiste::emptyString() {
    QFETCH(QString, text);
    QFETCH(bool, empty);
    QCOMPARE(Consiste::EmptyString(text), empty);
}

void tst_Consiste::dateMask() {
    QCOMPARE(Consiste::DateMask(), QString("!99/99/0000;1;_"));
    QLineEdit edit;
    edit.setInputMask(Consiste::DateMaskQt());
    edit.setText("07122026");
    QCOMPARE(edit.displayText(), QString("07/12/2026"));
}

void tst_Consiste::mensErroFocusesShowsAndAbandons() {
    ScriptedDialogs script;
    ScopedDialogService scope(script);
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* first = new QLineEdit;
    auto* second = new QLineEdit;
    layout->addWidget(first);
    layout->addWidget(second);
    first->setFocus();
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));

    bool after = false;
    QVERIFY_THROWS_EXCEPTION(EAbort, [&] {
        Consiste::MensErro("Serviço deve ser informado.", second);
        after = true;
    }());
    QVERIFY(!after);
    QCOMPARE(script.asked.size(), 1);
    QCOMPARE(script.asked.first().kind, MsgKind::Error);
    QCOMPARE(script.asked.first().text, QString("Serviço deve ser informado."));
    QCOMPARE(script.asked.first().focusAtShow, second); // focused before the box

    QVERIFY_THROWS_EXCEPTION(EAbort, Consiste::MensErro("Sem foco"));
    QCOMPARE(window.focusWidget(), second);
}

void tst_Consiste::checkResultServ() {
    ScriptedDialogs script;
    ScopedDialogService scope(script);
    DataPacket packet;
    packet.fields = {FieldDef{"CDFILIAL", FieldKind::String, 4}};
    packet.rows = {{QString("0001")}};

    QCOMPARE(Consiste::CheckResultServ(fromPacket(packet), true, 0), packet);
    QCOMPARE(Consiste::CheckResultServ(QVariantList{fromPacket(packet), 3}, true, 0), packet);
    QCOMPARE(Consiste::CheckResultServ(QVariantList{3, fromPacket(packet)}, true, 1), packet);
    // A write that succeeded answers null: no packet, no message.
    QCOMPARE(Consiste::CheckResultServ(QVariant(), true, 0), DataPacket());
    QCOMPARE(Consiste::CheckResultServ(QVariantList{1}, true, 5), DataPacket());
    QVERIFY(script.asked.isEmpty());

    QVERIFY_THROWS_EXCEPTION(
        EAbort, Consiste::CheckResultServ(makeServerError("Paciente não encontrado."), true, 0));
    QCOMPARE(script.texts(), QStringList({"Paciente não encontrado."}));
    script.clear();
    QVERIFY_THROWS_EXCEPTION(EAbort,
                             Consiste::CheckResultServ(makeServerError("Silencioso"), false, 0));
    QVERIFY(script.asked.isEmpty());
    // An error without text still tells the operator something.
    QVERIFY_THROWS_EXCEPTION(EAbort, Consiste::CheckResultServ(makeServerError(""), true, 0));
    QCOMPARE(script.asked.size(), 1);
    QVERIFY(!script.asked.first().text.trimmed().isEmpty());
}

void tst_Consiste::setChildEnabled() {
    QFrame panel;
    auto* layout = new QVBoxLayout(&panel);
    auto* edit = new QLineEdit;
    auto* inner = new QFrame;
    auto* check = new QCheckBox(inner);
    layout->addWidget(edit);
    layout->addWidget(inner);
    Consiste::SetChildEnabled(&panel, false);
    QVERIFY(panel.isEnabled());
    QVERIFY(!edit->isEnabled());
    QVERIFY(!check->isEnabled());
    Consiste::SetChildEnabled(&panel, true);
    QVERIFY(edit->isEnabled());
    QVERIFY(check->isEnabled());
    Consiste::SetChildEnabled(nullptr, true); // no crash
}

QTEST_MAIN(tst_Consiste)
#include "tst_consiste.moc"
