// A day's work end to end: load the list, type a diet in the grid, confirm, open the menu page,
// tick dishes with the keyboard, confirm, close the screen, open it again and find it all saved.

#include "tests/screen/menutestsupport.h"

#include <QLineEdit>
#include <QStackedWidget>
#include <QTabBar>

using namespace dieta;
using namespace dieta::test;

class tst_E2eCardapio : public QObject {
    Q_OBJECT

private slots:
    void dietAndTicksSurviveReopening();
};

void tst_E2eCardapio::dietAndTicksSurviveReopening() {
    ScreenFixture fx;
    QVERIFY2(fx.ok(), qPrintable(fx.error()));
    TfrmContAlimentar* form = loadList(fx);
    QVERIFY(form);
    // A patient with a day record and a menu diet: the diet cell is editable.
    auto* list = form->findChild<TClientDataSet*>("cdsInternacao");
    auto* menuGrid = form->findChild<TDBGrid*>("dbgDieta");
    bool found = false;
    for (int nth = 0; !found && goToPatientWithRecord(form, nth); ++nth)
        found = !field(list, "CDDIETPAD").isEmpty() && field(list, "IDFORMDIET") != "1" &&
                field(list, "CDDIETPAD") != "0009";
    QVERIFY(found);
    const QString patient = field(list, "CDPACIENTE");

    // The change action puts the focus on the diet cell; the operator types the code.
    form->sbtAlterar->click();
    QCOMPARE(form->dbgPadrao->SelectedField()->FieldName(), QStringLiteral("CDDIETPAD"));
    form->dbgPadrao->edit(form->dbgPadrao->currentIndex());
    auto* editor = qobject_cast<QLineEdit*>(form->dbgPadrao->InplaceEditor());
    QVERIFY(editor);
    editor->selectAll();
    QTest::keyClick(editor, Qt::Key_Delete);
    QTest::keyClicks(editor, "9");
    form->sbtConfirmar->click();
    QVERIFY2(fx.dialogs().texts().isEmpty(), qPrintable(fx.dialogs().texts().join('\n')));
    QCOMPARE(list->State(), dsBrowse);
    QCOMPARE(field(list, "CDDIETPAD"), QStringLiteral("0009"));
    QCOMPARE(field(list, "IDFORMDIET"), QStringLiteral("3"));
    // The page's tab and the page shown agree.
    QCOMPARE(form->pgcPadrao->currentIndex(),
             form->pgcPadrao->indexOf(form->pgcPadrao->currentWidget()));
    QCOMPARE(form->pgcPadrao->currentWidget(), form->tshFolhaDados);

    // Menu page: tick the first two dishes with the space bar, each confirmed.
    QVERIFY(form->tshFormulario->isEnabled());
    QVERIFY(form->dbgPadrao->isEnabled());
    // The operator clicks the "Cardápio" tab.
    QWidget* focus = form->focusWidget();
    QVERIFY2(focus == form->dbgPadrao || form->dbgPadrao->isAncestorOf(focus),
             focus ? focus->metaObject()->className() : "no focus");
    QTabBar* tabs = form->pgcPadrao->tabBar();
    QTest::mouseClick(tabs, Qt::LeftButton, {},
                      tabs->tabRect(form->pgcPadrao->indexOf(form->tshFormulario)).center());
    QCoreApplication::processEvents();
    QCOMPARE(form->pgcPadrao->currentWidget(), form->tshFormulario);
    menuGrid->setFocus();
    QCOMPARE(form->findChild<QStackedWidget*>("ntbCardapio")->currentIndex(), 0);
    auto* c = form->findChild<TClientDataSet*>("cdsConfesco");
    QVERIFY(c->RecordCount() >= 2);
    selectColumn(menuGrid, "IDESCOCONF");
    QMap<QString, QString> ticks;
    c->First();
    for (int i = 0; i < 2; ++i) {
        QTest::keyClick(menuGrid, Qt::Key_Space);
        QCOMPARE(c->State(), dsEdit);
        ticks.insert(field(c, "CDSEQUCOPR"), field(c, "IDESCOCONF"));
        form->sbtConfirmar->click();
        QCOMPARE(c->State(), dsBrowse);
        QTest::keyClick(menuGrid, Qt::Key_Down);
    }
    QVERIFY(fx.dialogs().texts().isEmpty());

    fx.closeScreen();
    form = loadList(fx);
    QVERIFY(form);
    list = form->findChild<TClientDataSet*>("cdsInternacao");
    QVERIFY(list->Locate("CDPACIENTE;STPACIACOM", QVariantList{patient, "0"}));
    QCOMPARE(field(list, "CDDIETPAD"), QStringLiteral("0009"));
    openMenuPage(form);
    c = form->findChild<TClientDataSet*>("cdsConfesco");
    for (auto it = ticks.cbegin(); it != ticks.cend(); ++it) {
        QVERIFY(c->Locate("CDSEQUCOPR", it.key()));
        QCOMPARE(field(c, "IDESCOCONF"), it.value());
        // Quantity diet: the tick carries its quantity.
        QCOMPARE(c->FieldByName(u"QTPRATCONF")->AsFloat(), it.value() == "S" ? 1.0 : 0.0);
    }
    QVERIFY(fx.dialogs().texts().isEmpty());
}

QTEST_MAIN(tst_E2eCardapio)
#include "tst_e2e_cardapio.moc"
