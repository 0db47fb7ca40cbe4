// Saving against the real server: the inpatient record with and without a menu card, menu
// choices through the change log (a failed send kept for the next post), a failed save that
// keeps the toolbar editing so a later scroll still saves, cancel restoring marks, refresh,
// deletion of marked patients and the toolbar while the list is edited.

#include "framework/abortguard.h"
#include "framework/scripteddialogs.h"
#include "tests/screen/contalimentarprobe.h"
#include "tests/screen/menutestsupport.h"

#include <QStackedWidget>

using namespace dieta;
using dieta::test::ContAlimentarProbe;
using namespace dieta::test;

class tst_Gravacao : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void dietWithoutCardOnlyForFreeComposition();
    void remarkReachesTheServerAndReadsBack();
    void failedSaveKeepsEditingAndTheNextScrollSaves();
    void failedChoiceSendGoesWithTheNextPost();
    void cancelBringsMarksBackInLine();
    void navigatorPostsTheChoiceBeingEdited();
    void unsentChoicesAreRetriedOrGivenUpOnRequest();
    void toolbarWhileTheListIsEdited();
    void deleteMarkedPatients();
    void refreshForgetsMarks();
    void refreshIsOfferedWhileAListIsBrowsed();

private:
    void mark(ContAlimentarProbe form);
    QStringList messages() const { return fx->dialogs().texts(); }

    std::unique_ptr<ScreenFixture> fx;
};

void tst_Gravacao::init() {
    fx = std::make_unique<ScreenFixture>();
    QVERIFY2(fx->ok(), qPrintable(fx->error()));
}

void tst_Gravacao::cleanup() {
    fx.reset();
}

// Marks the current record as the grid does: locally, the toolbar out of editing.
void tst_Gravacao::mark(ContAlimentarProbe form) {
    TClientDataSet* list = form->cdsInternacao;
    list->DisableControls();
    list->Edit();
    list->FieldByName(u"IDCHECK")->SetAsString("S");
    list->Post();
    list->EnableControls();
    Cli_zfa13000::stlCheck->append(field(list, "CDPACIENTE"));
    form->cdsInterAux->Append();
    for (int i = 0; i < list->FieldCount(); ++i)
        form->cdsInterAux->Fields(i)->SetValue(list->Fields(i)->Value());
    form->cdsInterAux->Post();
}

void tst_Gravacao::dietWithoutCardOnlyForFreeComposition() {
    ContAlimentarProbe form = loadList(*fx);
    QVERIFY(form);
    QVERIFY(goToPatientWithRecord(form));
    const QString before = storedRecord(*fx, form).value(0).toString();
    const QString noCard =
        QStringLiteral("Não existe cardápio cadastrado para  dieta e dia informado.");

    // A menu diet without a card, and one whose only card is its group's: refused.
    saveDiet(form, "0014", "6");
    QCOMPARE(messages(), QStringList{noCard});
    QCOMPARE(form->cdsInternacao->State(), dsEdit);
    QCOMPARE(field(form->cdsInternacao, "CDDIETPAD"), QStringLiteral("0014"));
    QCOMPARE(form->dbgPadrao->SelectedField()->FieldName(), QStringLiteral("CDDIETPAD"));
    saveDiet(form, "0002", "5", "9001");
    QCOMPARE(messages().size(), 2);
    QCOMPARE(messages().at(1), noCard);
    QCOMPARE(storedRecord(*fx, form).value(0).toString(), before);

    // Free composition needs no card.
    saveDiet(form, "0010", "4");
    QCOMPARE(messages().size(), 2);
    QCOMPARE(form->cdsInternacao->State(), dsBrowse);
    QCOMPARE(storedRecord(*fx, form).value(0).toString(), QStringLiteral("0010"));
}

void tst_Gravacao::remarkReachesTheServerAndReadsBack() {
    ContAlimentarProbe form = loadList(*fx);
    QVERIFY(form);
    QVERIFY(goToPatientWithRecord(form, 1));
    const QString patient = field(form->cdsInternacao, "CDPACIENTE");
    saveDiet(form, "0001", "5", "9001");
    form->cdsInternacao->Edit();
    form->cdsInternacao->FieldByName(u"DSSERVINTE")->SetAsString("sem sal à noite");
    form->sbtConfirmar->click();
    QVERIFY2(messages().isEmpty(), qPrintable(messages().join('\n')));
    QCOMPARE(storedRecord(*fx, form),
             (QVariantList{QStringLiteral("0001"), QStringLiteral("sem sal à noite")}));

    form->sbtVerificarClick();
    QVERIFY(form->cdsInternacao->Locate("CDPACIENTE;STPACIACOM", QVariantList{patient, "0"}));
    QCOMPARE(field(form->cdsInternacao, "DSSERVINTE"), QStringLiteral("sem sal à noite"));
    QCOMPARE(field(form->cdsInternacao, "CDDIETPAD"), QStringLiteral("0001"));
}

void tst_Gravacao::failedSaveKeepsEditingAndTheNextScrollSaves() {
    ContAlimentarProbe form = loadList(*fx);
    QVERIFY(form);
    QVERIFY(goToPatientWithRecord(form));
    TClientDataSet* list = form->cdsInternacao;
    const QString patient = field(list, "CDPACIENTE");
    const QVariantList stored = storedRecord(*fx, form);

    refuseWrites(*fx, true);
    saveDiet(form, "0001", "5", "9001");
    QCOMPARE(messages().size(), 1);
    QCOMPARE(list->State(), dsEdit);
    QCOMPARE(field(list, "CDDIETPAD"), QStringLiteral("0001"));
    QVERIFY(form->sbtConfirmar->isEnabled());
    QVERIFY(form->sbtCancelar->isEnabled());
    QVERIFY(!form->tshFormulario->isEnabled());

    // Scrolling while the server still refuses: the record stays where it was, unsaved.
    QCOMPARE(runGuarded([list] { list->Next(); }), GuardOutcome::Aborted);
    QCOMPARE(list->State(), dsEdit);
    QCOMPARE(field(list, "CDPACIENTE"), patient);
    QCOMPARE(storedRecord(*fx, form), stored);

    // Accepted again: the scroll saves what the grid shows.
    refuseWrites(*fx, false);
    list->Next();
    QCOMPARE(list->State(), dsBrowse);
    QVERIFY(list->Locate("CDPACIENTE;STPACIACOM", QVariantList{patient, "0"}));
    QCOMPARE(storedRecord(*fx, form).value(0).toString(), field(list, "CDDIETPAD"));
    QCOMPARE(field(list, "CDDIETPAD"), QStringLiteral("0001"));
}

void tst_Gravacao::failedChoiceSendGoesWithTheNextPost() {
    ContAlimentarProbe form = loadList(*fx);
    QVERIFY(form);
    QVERIFY(goToPatientWithRecord(form));
    saveDiet(form, "0001", "5", "9001");
    openMenuPage(form);
    TClientDataSet* c = form->cdsConfesco;
    QVERIFY(c->RecordCount() >= 2);

    c->First();
    refuseWrites(*fx, true);
    form->sbtAlterar->click();
    c->FieldByName(u"DSOBSCONF")->SetAsString("primeira");
    form->sbtConfirmar->click();
    QCOMPARE(messages().size(), 1);
    QCOMPARE(c->State(), dsBrowse);
    QVERIFY(c->ChangeCount() > 0);
    QVERIFY(storedChoice(*fx, form).value(2).toString().isEmpty());

    refuseWrites(*fx, false);
    c->Next();
    form->sbtAlterar->click();
    c->FieldByName(u"DSOBSCONF")->SetAsString("segunda");
    form->sbtConfirmar->click();
    QCOMPARE(messages().size(), 1);
    QCOMPARE(c->ChangeCount(), 0);
    QCOMPARE(storedChoice(*fx, form).value(2).toString(), QStringLiteral("segunda"));
    c->First();
    QCOMPARE(storedChoice(*fx, form).value(2).toString(), QStringLiteral("primeira"));

    // A tick posted alone saves only the choice: the inpatient record is not saved again.
    const QVariantList record = storedRecord(*fx, form);
    selectColumn(form->dbgDieta, "IDESCOCONF");
    form->dbgDietaCellClick(
        form->dbgDieta->Column(Consiste::IndiceCol(form->dbgDieta, "IDESCOCONF")));
    form->sbtConfirmar->click();
    QCOMPARE(form->cdsInternacao->State(), dsBrowse);
    QCOMPARE(storedRecord(*fx, form), record);
    QCOMPARE(storedChoice(*fx, form).value(0).toString(), field(c, "IDESCOCONF"));
}

void tst_Gravacao::cancelBringsMarksBackInLine() {
    ContAlimentarProbe form = loadList(*fx);
    QVERIFY(form);
    TClientDataSet* list = form->cdsInternacao;
    const QString patient = field(list, "CDPACIENTE");

    // Marked during an edit, then cancelled: the mark goes everywhere.
    form->sbtAlterar->click();
    list->FieldByName(u"IDCHECK")->SetAsString("S");
    Cli_zfa13000::stlCheck->append(patient);
    form->cdsInterAux->Append();
    form->cdsInterAux->FieldByName(u"CDPACIENTE")->SetAsString(patient);
    form->cdsInterAux->Post();
    fx->dialogs().answer(mrNo);
    form->sbtCancelar->click();
    QCOMPARE(list->State(), dsEdit);
    fx->dialogs().answer(mrYes);
    form->sbtCancelar->click();
    QCOMPARE(list->State(), dsBrowse);
    QCOMPARE(field(list, "IDCHECK"), QStringLiteral("N"));
    QVERIFY(Cli_zfa13000::stlCheck->isEmpty());
    QVERIFY(form->cdsInterAux->IsEmpty());

    // Unmarked during an edit, then cancelled: the mark comes back everywhere.
    mark(form);
    form->sbtAlterar->click();
    list->FieldByName(u"IDCHECK")->SetAsString("N");
    Cli_zfa13000::stlCheck->removeAll(patient);
    form->cdsInterAux->EmptyDataSet();
    fx->dialogs().answer(mrYes);
    form->sbtCancelar->click();
    QCOMPARE(field(list, "IDCHECK"), QStringLiteral("S"));
    QCOMPARE(*Cli_zfa13000::stlCheck, QStringList{patient});
    QCOMPARE(form->cdsInterAux->RecordCount(), 1);
    QCOMPARE(field(form->cdsInterAux, "CDPACIENTE"), patient);
    QCOMPARE(field(form->cdsInterAux, "IDCHECK"), QStringLiteral("S"));
    QCOMPARE(field(form->cdsInterAux, "CDLEITO"), field(list, "CDLEITO"));
}

void tst_Gravacao::navigatorPostsTheChoiceBeingEdited() {
    ContAlimentarProbe form = loadList(*fx);
    QVERIFY(form);
    QVERIFY(goToPatientWithRecord(form));
    saveDiet(form, "0001", "5", "9001");
    openMenuPage(form);
    TClientDataSet* list = form->cdsInternacao;
    TClientDataSet* c = form->cdsConfesco;
    const QString patient = field(list, "CDPACIENTE");
    QVERIFY(list->RecNo() < list->RecordCount());

    // A tick being edited, the server refusing: "Próximo" stays on the patient with the edit.
    selectColumn(form->dbgDieta, "IDESCOCONF");
    form->dbgDietaCellClick(
        form->dbgDieta->Column(Consiste::IndiceCol(form->dbgDieta, "IDESCOCONF")));
    QCOMPARE(c->State(), dsEdit);
    const QString ticked = field(c, "IDESCOCONF");
    const QString seq = field(c, "CDSEQUCOPR");
    refuseWrites(*fx, true);
    fx->dialogs().answer(mrOk);
    fx->dialogs().answer(mrNo);
    QVERIFY(form->dbnPadrao->nbNext->isEnabled());
    form->dbnPadrao->nbNext->click();
    QCOMPARE(messages().size(), 2);
    QCOMPARE(messages().at(1), QStringLiteral("Cancelar operação?"));
    QCOMPARE(field(list, "CDPACIENTE"), patient);
    QVERIFY(c->Locate("CDSEQUCOPR", seq));
    QCOMPARE(field(c, "IDESCOCONF"), ticked);

    // Accepted again: the move saves the tick first.
    refuseWrites(*fx, false);
    form->dbnPadrao->nbNext->click();
    QCOMPARE(messages().size(), 2);
    QVERIFY(field(list, "CDPACIENTE") != patient || field(list, "STPACIACOM") != "0");
    list->Prior();
    QVERIFY(c->Locate("CDSEQUCOPR", seq));
    QCOMPARE(storedChoice(*fx, form).value(0).toString(), ticked);
}

void tst_Gravacao::unsentChoicesAreRetriedOrGivenUpOnRequest() {
    ContAlimentarProbe form = loadList(*fx);
    QVERIFY(form);
    QVERIFY(goToPatientWithRecord(form));
    saveDiet(form, "0001", "5", "9001");
    openMenuPage(form);
    TClientDataSet* list = form->cdsInternacao;
    TClientDataSet* c = form->cdsConfesco;
    const QString patient = field(list, "CDPACIENTE");
    auto remark = [&](const QString& text) {
        form->sbtAlterar->click();
        c->FieldByName(u"DSOBSCONF")->SetAsString(text);
        form->sbtConfirmar->click();
    };

    // Refused, then the list page asked for: sent again on the way and saved.
    c->First();
    refuseWrites(*fx, true);
    remark("sem lactose");
    QCOMPARE(messages().size(), 1);
    refuseWrites(*fx, false);
    form->pgcPadrao->setCurrentWidget(form->tshFolhaDados);
    QCOMPARE(form->pgcPadrao->currentWidget(), form->tshFolhaDados);
    QCOMPARE(messages().size(), 1);
    QVERIFY(list->Locate("CDPACIENTE;STPACIACOM", QVariantList{patient, "0"}));
    openMenuPage(form);
    c->First();
    QCOMPARE(storedChoice(*fx, form).value(2).toString(), QStringLiteral("sem lactose"));

    // Refused twice: the page stays while the operator keeps the change, a refresh too.
    refuseWrites(*fx, true);
    remark("picada");
    fx->dialogs().answer(mrOk);
    fx->dialogs().answer(mrNo);
    form->pgcPadrao->setCurrentWidget(form->tshFolhaDados);
    QCOMPARE(form->pgcPadrao->currentWidget(), form->tshFormulario);
    fx->dialogs().answer(mrOk);
    fx->dialogs().answer(mrNo);
    form->sbtVerificarClick();
    QVERIFY(c->ChangeCount() > 0);
    QCOMPARE(field(c, "DSOBSCONF"), QStringLiteral("picada"));

    // Given up on request: the patient changes and the server keeps what it had.
    fx->dialogs().answer(mrOk);
    fx->dialogs().answer(mrYes);
    list->Next();
    QCOMPARE(messages().size(), 8);
    QVERIFY(field(list, "CDPACIENTE") != patient || field(list, "STPACIACOM") != "0");
    refuseWrites(*fx, false);
    list->Prior();
    c->First();
    QCOMPARE(field(c, "DSOBSCONF"), QStringLiteral("sem lactose"));
}

void tst_Gravacao::toolbarWhileTheListIsEdited() {
    ContAlimentarProbe form = loadList(*fx);
    QVERIFY(form);
    QVERIFY(goToPatientWithRecord(form));
    saveDiet(form, "0001", "5", "9001");
    auto states = [form] {
        return QList<bool>{form->tshFormulario->isEnabled(), form->sbtAlterar->isEnabled(),
                           form->sbtExcluir->isEnabled(),    form->sbtConfirmar->isEnabled(),
                           form->sbtCancelar->isEnabled(),   form->sbtCopConf->isEnabled(),
                           form->sbtDieta->isEnabled(),      form->sbtFiltro->isEnabled(),
                           form->sbtPresDiet->isEnabled(),   form->sbtDupDieta->isEnabled(),
                           form->sbtCalcNutr->isEnabled(),   form->mnuConfirmar->isEnabled(),
                           form->mnuDieta->isEnabled()};
    };
    form->sbtAlterar->click();
    QCOMPARE(form->cdsInternacao->State(), dsEdit);
    QCOMPARE(states(), (QList<bool>{false, false, false, true, true, false, false, false, false,
                                    false, false, true, false}));
    QCOMPARE(form->pgcPadrao->currentWidget(), form->tshFolhaDados);
    form->sbtConfirmar->click(); // nothing changed: saved as it was
    QVERIFY2(messages().isEmpty(), qPrintable(messages().join('\n')));
    QCOMPARE(form->cdsInternacao->State(), dsBrowse);
    QCOMPARE(states(), (QList<bool>{true, true, true, false, false, true, true, true, true, true,
                                    false, false, true}));
    QVERIFY(form->sbtIncluir->isEnabled() == !field(form->cdsInternacao, "CDDIETPAD").isEmpty());
    // Include adds nothing.
    const int rows = form->cdsInternacao->RecordCount();
    form->sbtIncluirClick();
    QCOMPARE(runGuarded([form] { form->cdsInternacao->Append(); }), GuardOutcome::Aborted);
    QCOMPARE(form->cdsInternacao->RecordCount(), rows);
}

void tst_Gravacao::deleteMarkedPatients() {
    ContAlimentarProbe form = loadList(*fx);
    QVERIFY(form);
    form->sbtExcluir->click();
    QCOMPARE(messages(), QStringList{"Paciente deve ser informado."});

    QVERIFY(goToPatientWithRecord(form));
    const QString patient = field(form->cdsInternacao, "CDPACIENTE");
    const QVariantList key{patient, field(form->cdsInternacao, "NRSEQUSERV"),
                           form->cdsInternacao->FieldByName(u"DTSERVINTE")->AsDate()};
    const char* count = "SELECT COUNT(*) FROM SERVINTE WHERE CDPACIENTE = ? AND NRSEQUSERV = ? "
                        "AND DTSERVINTE = ?";
    QCOMPARE(dbRow(*fx, count, key).value(0).toInt(), 1);
    mark(form);
    fx->dialogs().answer(mrNo);
    form->sbtExcluir->click();
    QCOMPARE(dbRow(*fx, count, key).value(0).toInt(), 1);
    QCOMPARE(form->cdsInterAux->RecordCount(), 1);

    fx->dialogs().answer(mrYes);
    form->sbtExcluir->click();
    QCOMPARE(messages().size(), 3);
    QCOMPARE(dbRow(*fx, count, key).value(0).toInt(), 0);
    QVERIFY(form->cdsInterAux->IsEmpty());
    QVERIFY(Cli_zfa13000::stlCheck->isEmpty());
    QVERIFY(form->cdsInternacao->Locate("CDPACIENTE;STPACIACOM", QVariantList{patient, "0"}));
    QVERIFY(field(form->cdsInternacao, "CDDIETPAD").isEmpty());
}

void tst_Gravacao::refreshForgetsMarks() {
    ContAlimentarProbe form = loadList(*fx);
    QVERIFY(form);
    mark(form);
    form->sbtVerificarClick();
    QVERIFY(form->cdsInterAux->IsEmpty());
    QVERIFY(Cli_zfa13000::stlCheck->isEmpty());
    QCOMPARE(field(form->cdsInternacao, "IDCHECK"), QStringLiteral("N"));
    QVERIFY(messages().isEmpty());
}

void tst_Gravacao::refreshIsOfferedWhileAListIsBrowsed() {
    ContAlimentarProbe form = fx->openScreen();
    QVERIFY(form);
    QVERIFY(!form->mnuVerificar->isEnabled());
    fx->enterPanel(form->medCdServico);
    fx->leavePanel();
    QVERIFY(form->cdsInternacao->Active());
    QVERIFY(form->mnuVerificar->isEnabled());

    form->sbtAlterar->click();
    QVERIFY(!form->mnuVerificar->isEnabled());
    fx->dialogs().answer(mrYes);
    form->sbtCancelar->click();
    QVERIFY(form->mnuVerificar->isEnabled());

    // The item runs the refresh: the marks are forgotten.
    mark(form);
    form->mnuVerificar->trigger();
    QVERIFY(form->cdsInterAux->IsEmpty());
    QCOMPARE(field(form->cdsInternacao, "IDCHECK"), QStringLiteral("N"));

    // On the menu page it follows the menu choices.
    QVERIFY(goToPatientWithRecord(form));
    saveDiet(form, "0001", "5", "9001");
    openMenuPage(form);
    QVERIFY(form->mnuVerificar->isEnabled());
    form->sbtAlterar->click();
    QVERIFY(!form->mnuVerificar->isEnabled());
    fx->dialogs().answer(mrYes);
    form->sbtCancelar->click();
    QVERIFY(form->mnuVerificar->isEnabled());

    // Back in the panel the list is closed: nothing to refresh.
    form->pgcPadrao->setCurrentWidget(form->tshFolhaDados);
    fx->enterPanel(form->medCdServico);
    QVERIFY(!form->cdsInternacao->Active());
    QVERIFY(!form->mnuVerificar->isEnabled());
    QCOMPARE(messages(), QStringList(2, QStringLiteral("Cancelar operação?")));
}

QTEST_MAIN(tst_Gravacao)
#include "tst_gravacao.moc"
