// Consumption times of formula diets: the two conversions, the time edits' normalisation when
// they are left, the formula panel's confirm checks in their order and the start time shown in
// the formula grid. The screen is built without a server: none of this calls it.

#include "framework/consiste.h"
#include "framework/scripteddialogs.h"
#include "framework/tmaskedit.h"
#include "platform/eabort.h"
#include "platform/tclientdataset.h"
#include "platform/tfield.h"
#include "screen/Cli_zfa13000.h"
#include "screen/consumptiontime.h"
#include "tests/screen/contalimentarprobe.h"

#include <QLineEdit>
#include <QStackedWidget>
#include <QTabWidget>
#include <QToolButton>
#include <QtTest>
#include <memory>
#include <optional>

using namespace dieta;
using Cli_zfa13000::TfrmContAlimentar;
using dieta::test::ContAlimentarProbe;

class tst_Horas : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void realToStTime_data();
    void realToStTime();
    void stTimeToReal_data();
    void stTimeToReal();
    void roundTripKeepsTheText();
    void notANumberIsRefusedAndKeepsTheText();
    void leavingAnEditNormalises();
    void startHourAbove23IsRefused();
    void confirmChecksRunInOrder();
    void periodEqualToIntervalPasses();
    void startTimeInTheFormulaGrid();

private:
    QStringList messages() const { return dialogs.texts(); }
    // Moves the focus from `from` to `to` as the operator does (exit handlers run).
    void moveFocus(QWidget* to) {
        to->setFocus(Qt::TabFocusReason);
        QCoreApplication::processEvents();
    }

    ScriptedDialogs dialogs;
    std::unique_ptr<ScopedDialogService> scope;
    std::unique_ptr<TfrmContAlimentar> owned;
    std::optional<ContAlimentarProbe> form;
};

void tst_Horas::init() {
    dialogs.clear();
    scope = std::make_unique<ScopedDialogService>(dialogs);
    owned = std::make_unique<TfrmContAlimentar>();
    form.emplace(owned.get());
    // No start-up: nothing here needs the branch, the service or a server.
    Cli_zfa13000::boPriVez = false;
    form->show();
    form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(owned.get()));
    form->pgcPadrao->setCurrentWidget(form->tshFormulario);
    form->ntbCardapio->setCurrentIndex(1);
    dialogs.clear();
}

void tst_Horas::cleanup() {
    form.reset();
    owned.reset();
    scope.reset();
}

void tst_Horas::realToStTime_data() {
    QTest::addColumn<double>("hours");
    QTest::addColumn<QString>("text");
    QTest::newRow("an hour and a half") << 1.5 << "   1:30";
    QTest::newRow("zero") << 0.0 << "   0:00";
    QTest::newRow("a third rounds to 20 minutes") << 1.33333333 << "   1:20";
    QTest::newRow("four hour digits") << 1234.25 << "1234:15";
    QTest::newRow("a hair below the hour carries") << 1.99999999 << "   2:00";
}

void tst_Horas::realToStTime() {
    QFETCH(double, hours);
    QFETCH(QString, text);
    QCOMPARE(Cli_zfa13000::RealToStTime(hours), text);
}

void tst_Horas::stTimeToReal_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("hours");
    QTest::newRow("blanks before the hours") << "   1:20" << 1.33333333;
    QTest::newRow("leading zeros") << "0001:30" << 1.5;
    QTest::newRow("minutes above 59 carry") << "   1:75" << 2.25;
    QTest::newRow("untouched edit") << "    :  " << 0.0;
    QTest::newRow("one minute digit") << "   2:5 " << 2.0 + 5.0 / 60.0;
    QTest::newRow("no hours") << "    :30" << 0.5;
}

void tst_Horas::stTimeToReal() {
    QFETCH(QString, text);
    QFETCH(double, hours);
    QCOMPARE(form->StTimeToReal(text), Consiste::RoundDec(hours, 8));
    QVERIFY(messages().isEmpty());
}

void tst_Horas::roundTripKeepsTheText() {
    for (const QString text : {"   1:20", "   0:07", "  23:59", "   7:33", "  12:01"})
        QCOMPARE(Cli_zfa13000::RealToStTime(form->StTimeToReal(text)), text);
}

void tst_Horas::notANumberIsRefusedAndKeepsTheText() {
    const QString invalid =
        QStringLiteral("Valor inválido. A quantidade de horas deve estar no formato 'HHHH:MM'.");
    bool aborted = false;
    try {
        form->StTimeToReal("   1 2:00");
    } catch (const EAbort&) {
        aborted = true;
    }
    QVERIFY(aborted);
    QCOMPARE(messages(), QStringList{invalid});

    // Left by the operator: the message, and the edit keeps what was typed.
    moveFocus(form->medIntervalo);
    form->medIntervalo->setText(" 1 2:00");
    const QString typed = form->medIntervalo->Text();
    moveFocus(form->medPeriodo);
    QCOMPARE(messages().size(), 2);
    QCOMPARE(messages().at(1), invalid);
    QCOMPARE(form->medIntervalo->Text(), typed);
}

void tst_Horas::leavingAnEditNormalises() {
    moveFocus(form->medIntervalo);
    form->medIntervalo->setText("   1:75");
    moveFocus(form->medPeriodo);
    QCOMPARE(form->medIntervalo->Text(), QStringLiteral("   2:15"));

    // An untouched edit reads zero once left, and then counts as filled.
    form->medPeriodo->clear();
    QCOMPARE(form->medPeriodo->Text(), QStringLiteral("    :  "));
    moveFocus(form->medHrConsumo);
    QCOMPARE(form->medPeriodo->Text(), QStringLiteral("   0:00"));
    QVERIFY(!Consiste::EmptyString(form->medPeriodo->Text()));
    QVERIFY(messages().isEmpty());
}

void tst_Horas::startHourAbove23IsRefused() {
    moveFocus(form->medHrConsumo);
    form->medHrConsumo->setText("  23:59");
    moveFocus(form->medIntervalo);
    QVERIFY(messages().isEmpty());
    QCOMPARE(form->medHrConsumo->Text(), QStringLiteral("  23:59"));

    moveFocus(form->medHrConsumo);
    form->medHrConsumo->setText("  25:00");
    moveFocus(form->medIntervalo);
    QCOMPARE(messages(), QStringList{"Hora de início de consumo inválida."});
    QCOMPARE(form->focusWidget(), static_cast<QWidget*>(form->medHrConsumo));
    QCOMPARE(form->medHrConsumo->Text(), QStringLiteral("  25:00"));

    // 23:60 is midnight of the next day once the minutes carry.
    form->medHrConsumo->setText("  23:60");
    moveFocus(form->medIntervalo);
    QCOMPARE(messages().size(), 2);
    QCOMPARE(form->medHrConsumo->Text(), QStringLiteral("  24:00"));
}

void tst_Horas::confirmChecksRunInOrder() {
    struct Step {
        const char* message;
        QWidget* focus; // nullptr: unchanged
        std::function<void()> fix;
    };
    const ContAlimentarProbe f = *form;
    const std::vector<Step> steps = {
        {"Prato deve ser informado.", nullptr, [f] { f->edtNmPrato->setText("Dieta enteral"); }},
        {"Hora de início de consumo deve ser informado.", f->medHrConsumo,
         [f] { f->medHrConsumo->setText("  25:00"); }},
        {"Hora de início de consumo inválida.", f->medHrConsumo,
         [f] { f->medHrConsumo->setText("   8:00"); }},
        {"Intervalo deve ser informado.", f->medIntervalo,
         [f] { f->medIntervalo->setText("   0:30"); }},
        {"Intervalo deve ser maior que zero.", f->medIntervalo,
         [f] { f->medIntervalo->setText("   3:00"); }},
        {"Período deve ser informado.", f->medPeriodo, [f] { f->medPeriodo->setText("   0:00"); }},
        {"Período deve ser maior que zero.", f->medPeriodo,
         [f] { f->medPeriodo->setText("   2:00"); }},
        {"Intervalo deve ser menor ou igual o período.", f->medIntervalo,
         [f] { f->medPeriodo->setText("  24:00"); }},
    };
    f->edtNmPrato->clear();
    for (TMaskEdit* edit : {f->medHrConsumo, f->medIntervalo, f->medPeriodo})
        edit->clear();
    f->dbgFormula->setFocus();
    QCoreApplication::processEvents();
    for (size_t i = 0; i < steps.size(); ++i) {
        QWidget* before = f->focusWidget();
        f->stbConfCard->click();
        QCOMPARE(messages().size(), int(i + 1));
        QCOMPARE(messages().last(), QString::fromUtf8(steps[i].message));
        QCOMPARE(f->focusWidget(), steps[i].focus ? steps[i].focus : before);
        steps[i].fix();
    }
    f->stbConfCard->click();
    QCOMPARE(messages().size(), int(steps.size()));
    QCOMPARE(f->focusWidget(), static_cast<QWidget*>(f->medHrConsumo));
    // The confirm writes nothing into the edits beyond the start time's normalisation.
    QCOMPARE(f->medIntervalo->Text(), QStringLiteral("   3:00"));
}

void tst_Horas::periodEqualToIntervalPasses() {
    form->edtNmPrato->setText("Dieta enteral");
    form->medHrConsumo->setText("   6:00");
    form->medIntervalo->setText("   1:00");
    form->medPeriodo->setText("   1:00");
    form->stbConfCard->click();
    QVERIFY2(messages().isEmpty(), qPrintable(messages().join('\n')));
}

void tst_Horas::startTimeInTheFormulaGrid() {
    TClientDataSet* choices = form->cdsConfesco;
    choices->AfterPost = nullptr; // local rows: nothing to send
    choices->CreateDataSet();
    choices->Append();
    choices->FieldByName(u"NMPRATO")->SetAsString("Dieta enteral");
    choices->FieldByName(u"HRCONSCONF")->SetAsFloat(6.5);
    choices->Post();
    choices->Append();
    choices->FieldByName(u"NMPRATO")->SetAsString("Sem horário");
    choices->Post();
    choices->First();
    QCOMPARE(choices->FieldByName(u"HRCONSCONF")->DisplayText(), QStringLiteral("   6:30"));
    QCOMPARE(choices->FieldByName(u"HRCONSCONF")->Text(), QStringLiteral("   6:30"));
    choices->Next();
    QVERIFY(choices->FieldByName(u"HRCONSCONF")->IsNull());
    QCOMPARE(choices->FieldByName(u"HRCONSCONF")->DisplayText(), QString());
}

QTEST_MAIN(tst_Horas)
#include "tst_horas.moc"
