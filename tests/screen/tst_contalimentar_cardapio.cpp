// The "Cardápio" page against the real server: the layout chosen by the diet kind, ticking and
// the quantity rule, inserts and deletes refused or sent at once, the formula panel's times and
// dish lookup, and the toolbar while the page shows.

#include "framework/abortguard.h"
#include "framework/scripteddialogs.h"
#include "platform/eabort.h"
#include "screen/consumptiontime.h"
#include "tests/screen/contalimentarprobe.h"
#include "tests/screen/menutestsupport.h"

#include <QLineEdit>
#include <QStackedWidget>

using namespace dieta;
using dieta::test::ContAlimentarProbe;
using namespace dieta::test;

class tst_ContAlimentarCardapio : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void tickingOnAQuantityDiet();
    void tickingOnAnOrdinaryDiet();
    void insertsFromTheGridsAreRefused();
    void deletionRefusedOnOrdinaryDiets();
    void formulaRowDeletionReachesTheServerAtOnce();
    void formulaPanelShowsTheRowTimes();
    void formulaRemarkIsTypedInTheGrid();
    void failedFormulaDeletionKeepsTheToolbarInStep();
    void dishLookupFallsBackToTheDietGroup();
    void toolbarOnTheMenuPage();

private:
    TfrmContAlimentar* menuOf(const QString& diet, const QString& kind, const QString& group = {});
    QStringList messages() const { return fx->dialogs().texts(); }

    std::unique_ptr<ScreenFixture> fx;
};

void tst_ContAlimentarCardapio::init() {
    fx = std::make_unique<ScreenFixture>();
    QVERIFY2(fx->ok(), qPrintable(fx->error()));
}

void tst_ContAlimentarCardapio::cleanup() {
    fx.reset();
}

// A patient given the diet through the screen, shown on the menu page with its new menu.
TfrmContAlimentar* tst_ContAlimentarCardapio::menuOf(const QString& diet, const QString& kind,
                                                     const QString& group) {
    TfrmContAlimentar* loaded = loadList(*fx);
    if (!loaded)
        return nullptr;
    const ContAlimentarProbe form = loaded;
    if (!goToPatientWithRecord(form))
        return nullptr;
    saveDiet(form, diet, kind, group);
    if (form->cdsInternacao->State() != dsBrowse || !messages().isEmpty())
        return nullptr;
    openMenuPage(form);
    return form->cdsConfesco->IsEmpty() ? nullptr : loaded;
}

void tst_ContAlimentarCardapio::tickingOnAQuantityDiet() {
    ContAlimentarProbe form = menuOf("0009", "3", "9003");
    QVERIFY2(form, qPrintable(messages().join('\n')));
    QCOMPARE(form->ntbCardapio->currentIndex(), 0);
    TClientDataSet* c = form->cdsConfesco;
    selectColumn(form->dbgDieta, "IDESCOCONF");
    const int column = Consiste::IndiceCol(form->dbgDieta, "IDESCOCONF");

    c->Edit();
    QCOMPARE(c->State(), dsEdit);
    c->FieldByName(u"IDESCOCONF")->SetAsString("N");
    form->dbgDietaCellClick(form->dbgDieta->Column(column));
    QCOMPARE(field(c, "IDESCOCONF"), QStringLiteral("S"));
    QCOMPARE(c->FieldByName(u"QTPRATCONF")->AsFloat(), 1.0);
    form->sbtConfirmar->click();
    QCOMPARE(c->State(), dsBrowse);
    QCOMPARE(storedChoice(*fx, form).value(0).toString(), QStringLiteral("S"));
    QCOMPARE(storedChoice(*fx, form).value(1).toDouble(), 1.0);

    // The space bar unticks, the quantity goes to zero.
    int space = Qt::Key_Space;
    form->dbgDietaKeyDown(space, Qt::NoModifier);
    QCOMPARE(space, int(Qt::Key_Space)); // never consumed
    QCOMPARE(field(c, "IDESCOCONF"), QStringLiteral("N"));
    QCOMPARE(c->FieldByName(u"QTPRATCONF")->AsFloat(), 0.0);
    form->sbtConfirmar->click();
    QCOMPARE(storedChoice(*fx, form).value(0).toString(), QStringLiteral("N"));

    // A typed quantity decides the tick when the row is posted.
    form->sbtAlterar->click();
    c->FieldByName(u"QTPRATCONF")->SetAsFloat(2.5);
    form->sbtConfirmar->click();
    QCOMPARE(storedChoice(*fx, form).value(0).toString(), QStringLiteral("S"));
    QCOMPARE(storedChoice(*fx, form).value(1).toDouble(), 2.5);
    form->sbtAlterar->click();
    c->FieldByName(u"QTPRATCONF")->SetAsFloat(-1);
    form->sbtConfirmar->click();
    QCOMPARE(storedChoice(*fx, form).value(0).toString(), QStringLiteral("N"));

    // Read back after a refresh.
    const QString choice = field(c, "CDSEQUCOPR");
    form->sbtVerificarClick();
    QVERIFY(c->Locate("CDSEQUCOPR", choice));
    QCOMPARE(field(c, "IDESCOCONF"), QStringLiteral("N"));
    QCOMPARE(c->FieldByName(u"QTPRATCONF")->AsFloat(), -1.0);
    QVERIFY2(messages().isEmpty(), qPrintable(messages().join('\n')));
}

void tst_ContAlimentarCardapio::tickingOnAnOrdinaryDiet() {
    ContAlimentarProbe form = menuOf("0001", "5", "9001");
    QVERIFY2(form, qPrintable(messages().join('\n')));
    TClientDataSet* c = form->cdsConfesco;
    selectColumn(form->dbgDieta, "IDESCOCONF");
    TColumn& column = form->dbgDieta->Column(Consiste::IndiceCol(form->dbgDieta, "IDESCOCONF"));

    // Only "N" turns into "S": an empty flag unticks; the quantity is left alone.
    c->Edit();
    c->FieldByName(u"IDESCOCONF")->SetAsString(QString());
    c->FieldByName(u"QTPRATCONF")->SetAsFloat(3);
    form->dbgDietaCellClick(column);
    QCOMPARE(field(c, "IDESCOCONF"), QStringLiteral("N"));
    form->dbgDietaCellClick(column);
    QCOMPARE(field(c, "IDESCOCONF"), QStringLiteral("S"));
    QCOMPARE(c->FieldByName(u"QTPRATCONF")->AsFloat(), 3.0);
    c->FieldByName(u"QTPRATCONF")->SetAsFloat(0);
    // The row reaches the server when the cursor leaves it.
    c->Next();
    c->Prior();
    QCOMPARE(storedChoice(*fx, form).value(0).toString(), QStringLiteral("S"));
    QCOMPARE(storedChoice(*fx, form).value(1).toDouble(), 0.0);

    // Clicks on other columns change nothing.
    selectColumn(form->dbgDieta, "NMPRATO");
    form->dbgDietaCellClick(form->dbgDieta->Column(Consiste::IndiceCol(form->dbgDieta, "NMPRATO")));
    QCOMPARE(c->State(), dsBrowse);
    QVERIFY2(messages().isEmpty(), qPrintable(messages().join('\n')));
}

void tst_ContAlimentarCardapio::insertsFromTheGridsAreRefused() {
    ContAlimentarProbe form = menuOf("0001", "5", "9001");
    QVERIFY(form);
    TClientDataSet* c = form->cdsConfesco;
    const int rows = c->RecordCount();
    for (TDBGrid* grid : {form->dbgDieta, form->dbgFormula}) {
        form->ntbCardapio->setCurrentWidget(grid->parentWidget());
        grid->setFocus();
        QCoreApplication::processEvents();
        QVERIFY_THROWS_EXCEPTION(EAbort, c->Append());
        QCOMPARE(c->State(), dsBrowse);
        QCOMPARE(c->RecordCount(), rows);
        // The down arrow on the last row adds none either.
        c->Last();
        QTest::keyClick(grid, Qt::Key_Down);
        QCOMPARE(c->RecordCount(), rows);
        QCOMPARE(c->State(), dsBrowse);
    }
    QVERIFY(messages().isEmpty());
}

void tst_ContAlimentarCardapio::deletionRefusedOnOrdinaryDiets() {
    ContAlimentarProbe form = menuOf("0001", "5", "9001");
    QVERIFY(form);
    TClientDataSet* c = form->cdsConfesco;
    const int rows = c->RecordCount();
    QVERIFY_THROWS_EXCEPTION(EAbort, c->Delete());
    QCOMPARE(c->RecordCount(), rows);
    QVERIFY(!form->sbtExcluir->isEnabled());

    // The delete action deletes nothing from the menu grid page.
    form->cdsInterAux->Append();
    form->cdsInterAux->FieldByName(u"CDPACIENTE")
        ->SetAsString(field(form->cdsInternacao, "CDPACIENTE"));
    form->cdsInterAux->Post();
    fx->dialogs().answer(mrYes);
    form->sbtExcluirClick();
    QCOMPARE(c->RecordCount(), rows);
    QCOMPARE(c->ChangeCount(), 0);
    QVERIFY(messages().isEmpty() || messages() == QStringList{"Confirma exclusão?"});
}

void tst_ContAlimentarCardapio::formulaRowDeletionReachesTheServerAtOnce() {
    ContAlimentarProbe form = menuOf("0011", "1");
    QVERIFY2(form, qPrintable(messages().join('\n')));
    QCOMPARE(form->ntbCardapio->currentIndex(), 1);
    TClientDataSet* c = form->cdsConfesco;
    const int rows = c->RecordCount();
    const QVariantList key{field(c, "CDPACIENTE"), field(c, "NRSEQUSERV"), field(c, "CDSEQUCOPR"),
                           c->FieldByName(u"DTSERVINTE")->AsDate()};
    const char* count = "SELECT COUNT(*) FROM CONFESCO WHERE CDPACIENTE = ? AND NRSEQUSERV = ? "
                        "AND CDSEQUCOPR = ? AND DTSERVINTE = ?";
    QCOMPARE(dbRow(*fx, count, key).value(0).toInt(), 1);

    // No patient marked: refused on this page too.
    QCOMPARE(runGuarded([form] { form->sbtExcluirClick(); }), GuardOutcome::Aborted);
    QCOMPARE(messages(), QStringList{"Paciente deve ser informado."});
    QCOMPARE(c->RecordCount(), rows);

    form->cdsInterAux->Append();
    form->cdsInterAux->FieldByName(u"CDPACIENTE")
        ->SetAsString(field(form->cdsInternacao, "CDPACIENTE"));
    form->cdsInterAux->Post();
    fx->dialogs().answer(mrNo);
    form->sbtExcluir->click();
    QCOMPARE(c->RecordCount(), rows);
    fx->dialogs().answer(mrYes);
    form->sbtExcluir->click();
    QCOMPARE(messages().size(), 3);
    QCOMPARE(c->RecordCount(), rows - 1);
    // On the server already, before any other post and whatever the page does next.
    QCOMPARE(dbRow(*fx, count, key).value(0).toInt(), 0);
    QCOMPARE(c->ChangeCount(), 0);
    form->pgcPadrao->setCurrentWidget(form->tshFolhaDados);
    openMenuPage(form);
    QCOMPARE(c->RecordCount(), rows - 1);
}

void tst_ContAlimentarCardapio::formulaPanelShowsTheRowTimes() {
    ContAlimentarProbe form = menuOf("0011", "1");
    QVERIFY(form);
    TClientDataSet* c = form->cdsConfesco;
    c->First();
    QCOMPARE(form->medHrConsumo->Text(),
             Cli_zfa13000::RealToStTime(c->FieldByName(u"HRCONSCONF")->AsFloat()));
    QCOMPARE(form->medIntervalo->Text(),
             Cli_zfa13000::RealToStTime(c->FieldByName(u"HRINTECONF")->AsFloat()));
    QCOMPARE(form->medPeriodo->Text(),
             Cli_zfa13000::RealToStTime(c->FieldByName(u"HRPERICONF")->AsFloat()));
    QVERIFY(!c->FieldByName(u"HRCONSCONF")->IsNull());
    QCOMPARE(c->FieldByName(u"HRCONSCONF")->DisplayText(), form->medHrConsumo->Text());
}

void tst_ContAlimentarCardapio::formulaRemarkIsTypedInTheGrid() {
    ContAlimentarProbe form = menuOf("0011", "1");
    QVERIFY(form);
    TDBGrid* grid = form->dbgFormula;
    form->sbtAlterar->click();
    QCOMPARE(grid->SelectedField()->FieldName(), QStringLiteral("DSOBSCONF"));
    grid->setFocus();
    // The first key opens the cell's editor, which takes the rest.
    QTest::keyClick(grid, 'm');
    QVERIFY(grid->EditorMode());
    QTest::keyClicks(grid->InplaceEditor(), "orna");
    form->sbtConfirmar->click();
    QVERIFY2(messages().isEmpty(), qPrintable(messages().join('\n')));
    QCOMPARE(form->cdsConfesco->State(), dsBrowse);
    QCOMPARE(storedChoice(*fx, form).value(2).toString(), QStringLiteral("morna"));
}

void tst_ContAlimentarCardapio::failedFormulaDeletionKeepsTheToolbarInStep() {
    ContAlimentarProbe form = menuOf("0011", "1");
    QVERIFY(form);
    TClientDataSet* c = form->cdsConfesco;
    const int rows = c->RecordCount();
    const QVariantList key{field(c, "CDPACIENTE"), field(c, "NRSEQUSERV"),
                           c->FieldByName(u"DTSERVINTE")->AsDate()};
    const char* count = "SELECT COUNT(*) FROM CONFESCO WHERE CDPACIENTE = ? AND NRSEQUSERV = ? "
                        "AND DTSERVINTE = ?";
    QCOMPARE(dbRow(*fx, count, key).value(0).toInt(), rows);
    form->cdsInterAux->Append();
    form->cdsInterAux->FieldByName(u"CDPACIENTE")
        ->SetAsString(field(form->cdsInternacao, "CDPACIENTE"));
    form->cdsInterAux->Post();

    // Every row deleted while the server refuses: each leaves the grid, the error is shown and
    // the toolbar follows, so nothing is offered on the empty list.
    refuseWrites(*fx, true);
    for (int i = 0; i < rows; ++i) {
        QVERIFY(form->sbtExcluir->isEnabled());
        fx->dialogs().answer(mrYes);
        form->sbtExcluir->click();
    }
    QVERIFY(c->IsEmpty());
    QVERIFY(!form->sbtExcluir->isEnabled());
    QVERIFY(!form->mnuAlterar->isEnabled());
    fx->dialogs().clear();
    fx->dialogs().answer(mrYes);
    QCOMPARE(runGuarded([form] { form->sbtExcluirClick(); }), GuardOutcome::Completed);
    QCOMPARE(messages(), QStringList{"Confirma exclusão?"});

    // The deletions stay pending and reach the server when the page is left.
    refuseWrites(*fx, false);
    form->pgcPadrao->setCurrentWidget(form->tshFolhaDados);
    QCOMPARE(form->pgcPadrao->currentWidget(), form->tshFolhaDados);
    QCOMPARE(dbRow(*fx, count, key).value(0).toInt(), 0);
}

void tst_ContAlimentarCardapio::dishLookupFallsBackToTheDietGroup() {
    ContAlimentarProbe form = loadList(*fx);
    QVERIFY(form);
    QVERIFY(goToPatientWithRecord(form));
    TClientDataSet* list = form->cdsInternacao;

    // A diet with only a group card: the group's dishes.
    typeDiet(form, "0002", "5", "9001");
    form->BtnPesquisa2BeforePesq();
    QVERIFY(!form->cdsCompCard->IsEmpty());
    QCOMPARE(form->edtNmPrato->text(), field(form->cdsCompCard, "NMPRATO"));
    form->cdsCompCard->Next();
    QCOMPARE(form->edtNmPrato->text(), field(form->cdsCompCard, "NMPRATO"));

    // No card and no group: nothing to list.
    typeDiet(form, "0014", "6");
    form->BtnPesquisa2BeforePesq();
    QVERIFY(form->cdsCompCard->IsEmpty());
    list->Cancel();
    QVERIFY(messages().isEmpty());
}

void tst_ContAlimentarCardapio::toolbarOnTheMenuPage() {
    ContAlimentarProbe form = menuOf("0001", "5", "9001");
    QVERIFY(form);
    auto states = [form] {
        return QList<bool>{form->sbtConfirmar->isEnabled(), form->sbtCancelar->isEnabled(),
                           form->sbtAlterar->isEnabled(),   form->sbtProcurar->isEnabled(),
                           form->sbtExcluir->isEnabled(),   form->tshFolhaDados->isEnabled(),
                           form->mnuConfirmar->isEnabled(), form->mnuAlterar->isEnabled()};
    };
    QCOMPARE(states(), (QList<bool>{false, false, true, true, false, true, false, true}));
    form->sbtAlterar->click();
    QCOMPARE(form->cdsConfesco->State(), dsEdit);
    QCOMPARE(states(), (QList<bool>{true, true, false, false, false, false, true, false}));
    fx->dialogs().answer(mrYes);
    form->sbtCancelar->click();
    QCOMPARE(form->cdsConfesco->State(), dsBrowse);
    QCOMPARE(states(), (QList<bool>{false, false, true, true, false, true, false, true}));
    QVERIFY(form->sbtCalcNutr->isEnabled());
}

QTEST_MAIN(tst_ContAlimentarCardapio)
#include "tst_contalimentar_cardapio.moc"
