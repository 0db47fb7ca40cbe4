// The oral diet control screen from creation to a loaded list: the entry, the selection panel's
// checks in order, service or group, the date buttons, ages and diagnoses, the preselection
// file and the pages. Driven with real focus moves against a real server.

#include "framework/consistegrid.h"
#include "framework/tdateeditplus.h"
#include "framework/tdbgrid.h"
#include "framework/tmaskedit.h"
#include "platform/sqldatabase.h"
#include "platform/tclientdataset.h"
#include "platform/tfield.h"
#include "screen/Cli_zfa13000.h"
#include "tests/screen/contalimentarprobe.h"
#include "tests/screen/screenfixture.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSqlQuery>
#include <QTabWidget>
#include <QToolButton>
#include <QtTest>

using namespace dieta;
using Cli_zfa13000::TfrmContAlimentar;
using dieta::test::ContAlimentarProbe;

class tst_ContAlimentarSelecao : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void iniProcTwiceShowsOneWindow();
    void closeAndReopenStartsAfresh();
    void firstActivationFillsBranchAndFirstService();
    void loadStopsInOrderWithFocus();
    void nonNutritionistIsRefused();
    void serviceWithoutConfigurationStops();
    void configurationOfTheTypedServiceAfterACancelledLookup();
    void groupModeAddsAndRemovesServiceColumn();
    void branchKeyFilterKeepsLettersAndDigits();
    void loadedListHasAgesAndDiagnoses();
    void dietColumnFollowsTheFirstRecordOfALoad();
    void missingBirthDateShowsNoAge();
    void nameFieldsStayReadOnly();
    void toolbarButtonsShowIcons();
    void preselectionFileLandsOnItsPatient();
    void dateButtonsMoveOneDay();
    void menuPageFollowsTheList();
    void enteringPanelWhileEditingAsksFirst();

private:
    TfrmContAlimentar* loadList();
    QStringList messages() const { return fx->dialogs().texts(); }

    std::unique_ptr<test::ScreenFixture> fx;
};

void tst_ContAlimentarSelecao::init() {
    fx = std::make_unique<test::ScreenFixture>();
    QVERIFY2(fx->ok(), qPrintable(fx->error()));
}

void tst_ContAlimentarSelecao::cleanup() {
    fx.reset();
}

TfrmContAlimentar* tst_ContAlimentarSelecao::loadList() {
    TfrmContAlimentar* opened = fx->openScreen();
    if (!opened)
        return nullptr;
    const ContAlimentarProbe form = opened;
    fx->enterPanel(form->medCdServico);
    fx->leavePanel();
    return opened;
}

void tst_ContAlimentarSelecao::iniProcTwiceShowsOneWindow() {
    ContAlimentarProbe first = fx->openScreen();
    QVERIFY(first);
    Cli_zfa13000::CriaContAlim();
    QCOMPARE(Cli_zfa13000::frmContAlimentar, first);
    QCOMPARE(fx->mdiArea()->subWindowList().size(), 1);
    QVERIFY(!first->subWindow()->isMinimized());
}

void tst_ContAlimentarSelecao::closeAndReopenStartsAfresh() {
    ContAlimentarProbe first = fx->openScreen();
    QVERIFY(first);
    first->medCdServico->setText("00020");
    fx->closeScreen();
    QVERIFY(!Cli_zfa13000::bostcriado);
    QVERIFY(!Cli_zfa13000::frmContAlimentar);
    QVERIFY(!Cli_zfa13000::stlCheck);

    ContAlimentarProbe second = fx->openScreen();
    QVERIFY(second);
    QVERIFY(Cli_zfa13000::bostcriado);
    QVERIFY(!second->boFiltroCriado);
    // The new window ran its own first activation: the first service again.
    QCOMPARE(second->medCdServico->Text().trimmed(), QStringLiteral("00010"));
}

void tst_ContAlimentarSelecao::firstActivationFillsBranchAndFirstService() {
    ContAlimentarProbe form = fx->openScreen();
    QVERIFY(form);
    QCOMPARE(form->medCdFilial->Text().trimmed(), QStringLiteral("0001"));
    QCOMPARE(form->edtNmFilial->text(), QStringLiteral("Hospital Central"));
    QCOMPARE(form->medCdServico->Text().trimmed(), QStringLiteral("00010"));
    QVERIFY(!form->edtNmServico->text().isEmpty());
    QCOMPARE(form->focusWidget(), static_cast<QWidget*>(form->medCdFilial));
    QVERIFY(!form->cdsInternacao->Active());
    QVERIFY(!form->tshFormulario->isEnabled());
}

void tst_ContAlimentarSelecao::loadStopsInOrderWithFocus() {
    ContAlimentarProbe form = fx->openScreen();
    QVERIFY(form);

    form->medCdFilial->clear();
    fx->enterPanel(form->medCdFilial);
    fx->leavePanel();
    QCOMPARE(messages().value(0), QStringLiteral("Filial deve ser informada."));
    QCOMPARE(form->focusWidget(), static_cast<QWidget*>(form->medCdFilial));
    QVERIFY(!form->cdsInternacao->Active());

    form->medCdFilial->setText("0001");
    form->medCdServico->clear();
    fx->leavePanel();
    QCOMPARE(messages().value(1), QStringLiteral("Serviço deve ser informado."));
    QCOMPARE(form->focusWidget(), static_cast<QWidget*>(form->medCdServico));

    form->cmbServGrupo->setCurrentIndex(1);
    form->cmbServGrupoChange();
    fx->leavePanel();
    QCOMPARE(messages().value(2), QStringLiteral("Grupo de serviços deve ser informado."));

    form->cmbServGrupo->setCurrentIndex(0);
    form->cmbServGrupoChange();
    form->medCdServico->setText("00010");
    form->depData->Clear();
    fx->leavePanel();
    QCOMPARE(messages().value(3), QStringLiteral("Data deve ser informada."));
    QCOMPARE(form->focusWidget(), static_cast<QWidget*>(form->depData));

    form->depData->SetDate(test::ScreenFixture::today());
    fx->leavePanel();
    QCOMPARE(messages().size(), 4);
    QVERIFY(form->cdsInternacao->Active());
    QVERIFY(!form->cdsInternacao->IsEmpty());
}

void tst_ContAlimentarSelecao::nonNutritionistIsRefused() {
    fx->setOperator("ADMIN01");
    ContAlimentarProbe form = fx->openScreen();
    QVERIFY(form);
    fx->enterPanel(form->medCdServico);
    fx->leavePanel();
    QCOMPARE(messages(), QStringList{"Operador não está cadastrado como nutricionista."});
    QCOMPARE(form->focusWidget(), static_cast<QWidget*>(form->medCdServico));
    QVERIFY(!form->cdsInternacao->Active());

    form->sbtFiltro->click();
    QCOMPARE(messages().size(), 2);
    QCOMPARE(messages().at(1), QStringLiteral("Operador não está cadastrado como nutricionista."));
}

void tst_ContAlimentarSelecao::serviceWithoutConfigurationStops() {
    // A service of the branch with diets but no standard menu configuration.
    fx->exec("DELETE FROM CONFCARD WHERE CDFILIAL = '0001' AND CDSERVFILI = '00020'");
    ContAlimentarProbe form = fx->openScreen();
    QVERIFY(form);
    fx->enterPanel(form->medCdServico);
    form->medCdServico->setText("00020");
    form->depData->setFocus();
    QCoreApplication::processEvents();
    const QString confi =
        QStringLiteral("Não existe configuração padrão para o serviço informado.");
    QCOMPARE(messages(), QStringList{confi});
    QCOMPARE(form->focusWidget(), static_cast<QWidget*>(form->medCdServico));

    fx->leavePanel();
    QCOMPARE(messages().value(1), confi);
    QVERIFY(!form->cdsInternacao->Active());
}

void tst_ContAlimentarSelecao::configurationOfTheTypedServiceAfterACancelledLookup() {
    // The branch's first service has no configuration; the typed one has.
    fx->exec("DELETE FROM CONFCARD WHERE CDFILIAL = '0001' AND CDSERVFILI = '00010'");
    ContAlimentarProbe form = fx->openScreen();
    QVERIFY(form);
    fx->enterPanel(form->medCdServico);
    form->medCdServico->setText("00020");
    form->depData->setFocus();
    QCoreApplication::processEvents();
    QVERIFY2(messages().isEmpty(), qPrintable(messages().join('\n')));
    // The lookup opened on every service, then cancelled: nothing chosen.
    form->btnPesqServGrupoBeforePesq();
    fx->leavePanel();
    QVERIFY2(messages().isEmpty(), qPrintable(messages().join('\n')));
    QVERIFY(form->cdsInternacao->Active());
    QCOMPARE(form->qryServico->FieldByName(u"CDSERVFILI")->AsString().trimmed(),
             QStringLiteral("00020"));
}

void tst_ContAlimentarSelecao::groupModeAddsAndRemovesServiceColumn() {
    ContAlimentarProbe form = fx->openScreen();
    QVERIFY(form);
    fx->enterPanel(form->medCdServico);
    form->cmbServGrupo->setCurrentIndex(1);
    form->cmbServGrupoChange();
    QCOMPARE(form->lblServGrupo->text(), QStringLiteral("Grupo de Serviço"));
    QVERIFY(form->medCdServico->Text().trimmed().isEmpty());
    form->medCdServico->setText("001");
    fx->leavePanel();
    QVERIFY2(messages().isEmpty(), qPrintable(messages().join('\n')));
    QVERIFY(form->cdsInternacao->Active());
    QVERIFY(Consiste::IndiceCol(form->dbgPadrao, "CDSERVFILI") >= 0);
    // A group lists the patients of its several services.
    QSet<QString> services;
    for (form->cdsInternacao->First(); !form->cdsInternacao->Eof(); form->cdsInternacao->Next())
        services.insert(form->cdsInternacao->FieldByName(u"CDSERVFILI")->AsString());
    QVERIFY(services.size() > 1);

    fx->enterPanel(form->medCdServico);
    QCOMPARE(Consiste::IndiceCol(form->dbgPadrao, "CDSERVFILI"), -1);
    QVERIFY(!form->cdsInternacao->Active());
}

void tst_ContAlimentarSelecao::branchKeyFilterKeepsLettersAndDigits() {
    ContAlimentarProbe form = fx->openScreen();
    QVERIFY(form);
    form->medCdFilial->setFocus();
    form->medCdFilial->clear();
    QTest::keyClicks(form->medCdFilial, "0-0 1");
    QCOMPARE(form->medCdFilial->Text().trimmed(), QStringLiteral("001"));
    QTest::keyClick(form->medCdFilial, Qt::Key_Backspace);
    QCOMPARE(form->medCdFilial->Text().trimmed(), QStringLiteral("001"));
    QTest::keyClicks(form->medCdFilial, "a");
    QCOMPARE(form->medCdFilial->Text().trimmed(), QStringLiteral("001A"));
}

void tst_ContAlimentarSelecao::loadedListHasAgesAndDiagnoses() {
    // Three patients of the first service with known birth dates and two diagnoses for one.
    QSqlQuery stays(fx->server().database().connection());
    QVERIFY(stays.exec("SELECT CDPACIENTE, DTINTERNA FROM INTERNA WHERE CDFILIAL = '0001' AND "
                       "CDSERVFILI = '00010' AND DTALTA IS NULL ORDER BY CDLEITO"));
    QStringList patients;
    QVariant admission;
    while (stays.next() && patients.size() < 3) {
        patients << stays.value(0).toString();
        if (patients.size() == 1)
            admission = stays.value(1);
    }
    QCOMPARE(patients.size(), 3);
    const QDate today = QDate::currentDate();
    fx->exec("UPDATE PACIENTE SET DTNASCPACI = ? WHERE CDPACIENTE = ?",
             {today.addMonths(-14), patients[0]});
    fx->exec("UPDATE PACIENTE SET DTNASCPACI = ? WHERE CDPACIENTE = ?",
             {today.addDays(-20), patients[1]});
    fx->exec("UPDATE PACIENTE SET DTNASCPACI = ? WHERE CDPACIENTE = ?",
             {today.addYears(-45), patients[2]});
    fx->exec("DELETE FROM DIAGINTER WHERE CDFILIAL = '0001' AND CDPACIENTE = ?", {patients[0]});
    fx->exec("INSERT INTO DIAGINTER (CDFILIAL, CDPACIENTE, DTINTERNA, NRORDDIAG, CDDIAGNOST) "
             "SELECT '0001', ?, ?, 1, MIN(CDDIAGNOST) FROM DIAGNOST",
             {patients[0], admission});
    fx->exec("INSERT INTO DIAGINTER (CDFILIAL, CDPACIENTE, DTINTERNA, NRORDDIAG, CDDIAGNOST) "
             "SELECT '0001', ?, ?, 2, MAX(CDDIAGNOST) FROM DIAGNOST",
             {patients[0], admission});
    QSqlQuery names(fx->server().database().connection());
    QVERIFY(names.exec("SELECT NMDIAGNOST FROM DIAGNOST WHERE CDDIAGNOST IN "
                       "((SELECT MIN(CDDIAGNOST) FROM DIAGNOST), (SELECT MAX(CDDIAGNOST) FROM "
                       "DIAGNOST)) ORDER BY CDDIAGNOST"));
    QStringList diagnoses;
    while (names.next())
        diagnoses << names.value(0).toString().trimmed();

    ContAlimentarProbe form = loadList();
    QVERIFY(form);
    QVERIFY2(messages().isEmpty(), qPrintable(messages().join('\n')));
    TClientDataSet* list = form->cdsInternacao;
    auto ageOf = [&](const QString& patient, const char* kind) {
        QVERIFY(list->Locate("CDPACIENTE;STPACIACOM", QVariantList{patient, kind}));
    };
    ageOf(patients[0], "0");
    QCOMPARE(list->FieldByName(u"Idade")->AsString(), QStringLiteral("1  Ano"));
    QCOMPARE(list->FieldByName(u"DiagInter")->AsString(), diagnoses.join(" / ").left(70));
    ageOf(patients[1], "0");
    QCOMPARE(list->FieldByName(u"Idade")->AsString(), QStringLiteral("0  Mês"));
    ageOf(patients[2], "0");
    QCOMPARE(list->FieldByName(u"Idade")->AsString(), QStringLiteral("45  Anos"));
    QCOMPARE(list->FieldByName(u"STPACIACOM")->DisplayText(), QStringLiteral("Paciente"));

    // A companion's record shows an age but never a diagnosis.
    bool sawCompanion = false;
    for (list->First(); !list->Eof(); list->Next()) {
        if (list->FieldByName(u"STPACIACOM")->AsString() != QLatin1String("0")) {
            sawCompanion = true;
            QVERIFY(!list->FieldByName(u"Idade")->AsString().isEmpty());
            QVERIFY(list->FieldByName(u"DiagInter")->AsString().isEmpty());
            QCOMPARE(list->FieldByName(u"STPACIACOM")->DisplayText(),
                     QStringLiteral("Acompanhante"));
        }
    }
    QVERIFY(sawCompanion);
}

// The diet column offers its lookup on a record with a diet that is no formula: right after a
// load too, on the first record, before the operator moves.
void tst_ContAlimentarSelecao::dietColumnFollowsTheFirstRecordOfALoad() {
    ContAlimentarProbe form = loadList();
    QVERIFY(form);
    TClientDataSet* list = form->cdsInternacao;
    TDBGrid* grid = form->dbgPadrao;
    const auto dietButton = [&] {
        return grid->Column(Consiste::IndiceCol(grid, "CDDIETPAD")).ButtonStyle;
    };
    const auto expected = [&] {
        return !list->FieldByName(u"CDDIETPAD")->AsString().isEmpty() &&
                       list->FieldByName(u"IDFORMDIET")->AsString() != QLatin1String("1")
                   ? TColumnButtonStyle::cbsEllipsis
                   : TColumnButtonStyle::cbsNone;
    };
    QVERIFY(!list->IsEmpty());
    QCOMPARE(list->RecNo(), 1);
    QCOMPARE(dietButton(), expected());
    const TColumnButtonStyle first = expected();
    // A record of the other kind, then the list again: the button follows the first record,
    // not the record the previous list was left on.
    while (!list->Eof() && expected() == first)
        list->Next();
    QVERIFY2(expected() != first, "the list holds both kinds of record");
    QCOMPARE(dietButton(), expected());
    fx->enterPanel(form->medCdServico);
    fx->leavePanel();
    QCOMPARE(list->RecNo(), 1);
    QCOMPARE(dietButton(), first);
}

void tst_ContAlimentarSelecao::missingBirthDateShowsNoAge() {
    fx->exec("UPDATE PACIENTE SET DTNASCPACI = NULL");
    ContAlimentarProbe form = loadList();
    QVERIFY(form);
    TClientDataSet* list = form->cdsInternacao;
    QVERIFY(!list->IsEmpty());
    for (list->First(); !list->Eof(); list->Next())
        QCOMPARE(list->FieldByName(u"Idade")->AsString(), QString());
}

void tst_ContAlimentarSelecao::nameFieldsStayReadOnly() {
    ContAlimentarProbe form = loadList();
    QVERIFY(form);
    form->pgcPadrao->setCurrentWidget(form->tshFormulario);
    form->pgcPadrao->setCurrentWidget(form->tshFolhaDados);
    QVERIFY(form->medCdServico->isEnabled());
    for (QLineEdit* name : {form->edtNmFilial, form->edtNmServico, form->edtDia}) {
        QVERIFY2(!name->isEnabled(), qPrintable(name->objectName()));
        QVERIFY(name->isReadOnly());
        QCOMPARE(name->focusPolicy(), Qt::NoFocus);
    }
    QVERIFY(!form->edtNmServico->text().isEmpty());
}

void tst_ContAlimentarSelecao::toolbarButtonsShowIcons() {
    ContAlimentarProbe form = fx->openScreen();
    QVERIFY(form);
    const std::pair<QToolButton*, const char*> buttons[] = {
        {form->sbtDieta, "Dieta"},
        {form->sbtFiltro, "Filtrar"},
        {form->sbtCopConf, "Copiar Dieta Oral"},
        {form->sbtPresDiet, "Copiar Prescrição Dietética"},
        {form->sbtDupDieta, "Acrescentar/Duplicar Dieta"},
        {form->sbtCalcNutr, "Calcular Nutriente"},
        {form->sbtRestricao, "Verificar Restrição/Intolerância/Medicamento"},
        {form->sbtCalcPresDieta, "Calcular Prescrição de Dieta"}};
    QSet<size_t> pictures;
    for (const auto& [button, hint] : buttons) {
        QCOMPARE(button->toolTip(), QString::fromUtf8(hint));
        const QPixmap picture = button->icon().pixmap(16, 16);
        QVERIFY2(!picture.isNull(), hint);
        const QImage image = picture.toImage();
        pictures.insert(qHashBits(image.constBits(), size_t(image.sizeInBytes())));
    }
    // Each button its own picture.
    QCOMPARE(pictures.size(), 8);
    QCOMPARE(form->mnuDieta->text(), QStringLiteral("&Dieta"));
}

void tst_ContAlimentarSelecao::preselectionFileLandsOnItsPatient() {
    // The host's preselection file names branch 0001 and a patient far down the list.
    QSqlQuery last(fx->server().database().connection());
    QVERIFY(last.exec("SELECT CDPACIENTE FROM INTERNA WHERE CDFILIAL = '0001' AND "
                      "CDSERVFILI = '00010' AND DTALTA IS NULL ORDER BY CDLEITO DESC"));
    QVERIFY(last.next());
    const QString patient = last.value(0).toString();
    TClientDataSet file;
    file.AddField("CDFILIAL", FieldKind::String, 4);
    file.AddField("CDPACIENTE", FieldKind::String, 12);
    file.CreateDataSet();
    file.Append();
    file.FieldByName(u"CDFILIAL")->SetAsString("0001");
    file.FieldByName(u"CDPACIENTE")->SetAsString(patient.toLower());
    file.Post();
    file.SaveToFile(QDir(fx->hostDir()).filePath("FILPACI.cds"));

    ContAlimentarProbe form = fx->openScreen();
    QVERIFY(form);
    QCOMPARE(fx->cdsFiltro()->FieldByName(u"CDPACIENTE")->AsString(), patient.toLower());
    fx->enterPanel(form->medCdServico);
    fx->leavePanel();
    QVERIFY2(messages().isEmpty(), qPrintable(messages().join('\n')));
    QCOMPARE(form->cdsInternacao->FieldByName(u"CDPACIENTE")->AsString(), patient);
    QVERIFY(form->cdsInternacao->RecNo() > 1);

    // Another branch's list stays on its first record.
    fx->cdsFiltro()->Edit();
    fx->cdsFiltro()->FieldByName(u"CDFILIAL")->SetAsString("0002");
    fx->cdsFiltro()->Post();
    fx->enterPanel(form->medCdServico);
    fx->leavePanel();
    QCOMPARE(form->cdsInternacao->RecNo(), 1);
}

void tst_ContAlimentarSelecao::dateButtonsMoveOneDay() {
    ContAlimentarProbe form = loadList();
    QVERIFY(form);
    QVERIFY(form->cdsInternacao->Active());
    const QDate start = form->depData->GetDate();
    form->sbtOntem->click();
    QCoreApplication::processEvents();
    // Coming from the list, the focus lands in the panel and the list closes.
    QVERIFY(!form->cdsInternacao->Active());
    form->sbtOntem->click();
    QCOMPARE(form->depData->GetDate(), start.addDays(-2));
    QVERIFY(!form->edtDia->text().isEmpty());
    fx->leavePanel();
    QCOMPARE(form->cdsParams->FieldByName(u"DTSERVINTE")->AsDate(), start.addDays(-2));
    form->sbtAmanha->click();
    QCOMPARE(form->depData->GetDate(), start.addDays(-1));
}

void tst_ContAlimentarSelecao::menuPageFollowsTheList() {
    ContAlimentarProbe form = fx->openScreen();
    QVERIFY(form);
    QVERIFY(!form->tshFormulario->isEnabled());
    QVERIFY(!form->sbtDieta->isEnabled());
    fx->enterPanel(form->medCdServico);
    fx->leavePanel();
    QVERIFY(form->tshFormulario->isEnabled());
    QVERIFY(form->sbtDieta->isEnabled());
    QVERIFY(form->sbtRestricao->isEnabled());
    QVERIFY(!form->sbtCalcNutr->isEnabled());

    form->pgcPadrao->setCurrentWidget(form->tshFormulario);
    QCOMPARE(form->pgcPadrao->currentWidget(), form->tshFormulario);
    QVERIFY(form->cdsConfesco->Active());
    QVERIFY(form->sbtCalcNutr->isEnabled());
    QVERIFY(!form->sbtFiltro->isEnabled());
    QVERIFY(!form->medCdFilial->isEnabled());
    QVERIFY(!form->sbtCalcPresDieta->isEnabled());

    form->pgcPadrao->setCurrentWidget(form->tshFolhaDados);
    QVERIFY2(!form->cdsConfesco->Active(), qPrintable(QString("state %1 list enabled %2 current %3")
                                                          .arg(form->cdsConfesco->State())
                                                          .arg(form->tshFolhaDados->isEnabled())
                                                          .arg(form->pgcPadrao->currentIndex())));
    QVERIFY(form->sbtFiltro->isEnabled());
    QVERIFY(form->medCdServico->isEnabled());

    // A date with nobody in the service: the menu page stays off.
    fx->enterPanel(form->medCdServico);
    form->depData->SetDate(QDate(2001, 1, 1));
    fx->leavePanel();
    QVERIFY(form->cdsInternacao->Active());
    QVERIFY(form->cdsInternacao->IsEmpty());
    QVERIFY(!form->tshFormulario->isEnabled());
    QVERIFY(Cli_zfa13000::stlCheck->isEmpty());
    QVERIFY(form->cdsInterAux->IsEmpty());
}

void tst_ContAlimentarSelecao::enteringPanelWhileEditingAsksFirst() {
    ContAlimentarProbe form = loadList();
    QVERIFY(form);
    TClientDataSet* list = form->cdsInternacao;
    list->Edit();
    list->FieldByName(u"DSSERVINTE")->SetAsString("observação em andamento");

    fx->dialogs().answer(mrNo);
    fx->enterPanel(form->medCdServico);
    QCOMPARE(messages().value(0), QStringLiteral("Cancelar operação?"));
    QVERIFY(list->Active());
    QCOMPARE(list->State(), dsEdit);
    QCOMPARE(form->focusWidget(), static_cast<QWidget*>(form->dbgPadrao));

    fx->dialogs().answer(mrYes);
    fx->enterPanel(form->medCdServico);
    QVERIFY(!list->Active());
}

QTEST_MAIN(tst_ContAlimentarSelecao)
#include "tst_contalimentar_selecao.moc"
