// The toolbar actions that replace the inpatient list, against the real server: the restriction
// check on both pages (and refused for an operator who is not a nutritionist), the host's
// diet-prescription calculation followed by a reload, the page items of the menu, and an edit
// in progress that every list-replacing action saves first or leaves untouched.

#include "framework/abortguard.h"
#include "framework/scripteddialogs.h"
#include "framework/showavi.h"
#include "framework/vantor.h"
#include "platform/datapacket.h"
#include "platform/tnetconnection.h"
#include "tests/screen/contalimentarprobe.h"
#include "tests/screen/menutestsupport.h"

#include <QAction>
#include <functional>

using namespace dieta;
using namespace dieta::test;

namespace {

const QString notNutritionist = QStringLiteral("Operador não está cadastrado como nutricionista.");
const QString noCard =
    QStringLiteral("Não existe cardápio cadastrado para  dieta e dia informado.");

// Dishes of the service day marked restricted in the server's database; of one patient, or of
// everybody with an empty code.
int restrictedChoices(ScreenFixture& fx, const QString& patient = QString()) {
    QString sql =
        QStringLiteral("SELECT COUNT(*) FROM CONFESCO WHERE IDRESTCONF = '1' AND DTSERVINTE = ?");
    QVariantList values{ScreenFixture::today()};
    if (!patient.isEmpty()) {
        sql += QStringLiteral(" AND CDPACIENTE = ?");
        values << patient;
    }
    return dbRow(fx, sql, values).value(0).toInt();
}

int restrictedRows(TClientDataSet* choices) {
    int count = 0;
    for (int row = 0; row < choices->ViewCount(); ++row)
        count += choices->RowValue(row, choices->FieldByName(u"IDRESTCONF")).toString() == "1";
    return count;
}

// Writes that were carried out. A refusal's row (with its reason) comes later, from the audit
// queue, so counting it would make the count depend on the queue's timing.
int audits(ScreenFixture& fx, const char* method) {
    return dbRow(fx, "SELECT COUNT(*) FROM AUDIT WHERE NMMETODO = ? AND DSMOTIVO IS NULL",
                 {QString::fromLatin1(method)})
        .value(0)
        .toInt();
}

// A listed patient with menu choices of the day, none of them restricted; the list's cursor
// moves.
QString unrestrictedPatient(ScreenFixture& fx, ContAlimentarProbe form) {
    TClientDataSet* list = form->cdsInternacao;
    for (list->First(); !list->Eof(); list->Next()) {
        const QString patient = field(list, "CDPACIENTE");
        const int choices =
            dbRow(fx, "SELECT COUNT(*) FROM CONFESCO WHERE CDPACIENTE = ? AND DTSERVINTE = ?",
                  {patient, ScreenFixture::today()})
                .value(0)
                .toInt();
        if (field(list, "STPACIACOM") == QLatin1String("0") && choices > 0 &&
            restrictedChoices(fx, patient) == 0)
            return patient;
    }
    return QString();
}

void markAllChoices(ScreenFixture& fx, const QString& patient) {
    fx.exec("UPDATE CONFESCO SET IDRESTCONF = '1' WHERE CDPACIENTE = ?", {patient});
}

// Moves to a patient past the list's first row whose day has restricted dishes.
bool goToRestrictedPatient(ScreenFixture& fx, ContAlimentarProbe form) {
    TClientDataSet* list = form->cdsInternacao;
    for (list->First(), list->Next(); !list->Eof(); list->Next())
        if (field(list, "STPACIACOM") == QLatin1String("0") &&
            !field(list, "NRSEQUSERV").isEmpty() &&
            restrictedChoices(fx, field(list, "CDPACIENTE")) > 0)
            return true;
    return false;
}

// The menu choices shown are the current record's (none when the record has none).
bool choicesFollowTheList(ScreenFixture& fx, ContAlimentarProbe form) {
    TClientDataSet* list = form->cdsInternacao;
    TClientDataSet* choices = form->cdsConfesco;
    if (!choices->Active())
        return false;
    if (choices->IsEmpty())
        return dbRow(fx,
                     "SELECT COUNT(*) FROM CONFESCO WHERE CDPACIENTE = ? AND NRSEQUSERV = ? AND "
                     "DTSERVINTE = ?",
                     {field(list, "CDPACIENTE"), field(list, "NRSEQUSERV"), ScreenFixture::today()})
                   .value(0)
                   .toInt() == 0;
    return field(choices, "CDPACIENTE") == field(list, "CDPACIENTE") &&
           field(choices, "NRSEQUSERV") == field(list, "NRSEQUSERV");
}

} // namespace

class tst_ContAlimentarAcoes : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void restrictionCheckMarksEveryListedPatient();
    void restrictionCheckOnTheMenuPageComesBackToThePatient();
    void refusedRestrictionCheckLeavesTheScreenAsItWas();
    void prescriptionCalculationRunsTheHostModuleAndReloads();
    void pageItemsOfTheMenu();
    void listEditIsSavedOrKeptByEveryListReplacingAction();
    void choiceBeingEditedIsSavedBeforeTheRestrictionCheck();

private:
    QStringList messages() const { return fx->dialogs().texts(); }
    // A host whose "ZFA80000" records its calls and saves a remark through the server.
    void installHostModule(const QString& patient, const QString& remark);

    std::unique_ptr<ScreenFixture> fx;
    QStringList modulesRun;
    QVariantList moduleParams;
};

void tst_ContAlimentarAcoes::init() {
    fx = std::make_unique<ScreenFixture>();
    QVERIFY2(fx->ok(), qPrintable(fx->error()));
    modulesRun.clear();
    moduleParams.clear();
}

void tst_ContAlimentarAcoes::cleanup() {
    fx.reset();
}

void tst_ContAlimentarAcoes::installHostModule(const QString& patient, const QString& remark) {
    HostValues host = Vantor::host();
    host.loadBpl = [this, patient, remark](const QString& module, const QVariantList& params) {
        modulesRun << module;
        moduleParams = params;
        if (patient.isEmpty())
            return;
        // The other module changes the patient's record of the day on the server.
        const QVariantList row =
            dbRow(*fx,
                  "SELECT NRSEQUSERV, CDSERVFILI, CDDIETPAD FROM SERVINTE WHERE CDFILIAL = '0001' "
                  "AND CDPACIENTE = ? AND DTSERVINTE = ? AND STPACIACOM = '0'",
                  {patient, ScreenFixture::today()});
        std::unique_ptr<TNetConnection> net = fx->server().connect(QStringLiteral("NUTRI01"));
        QVariantList args{QStringLiteral("0001"),
                          patient,
                          ScreenFixture::today(),
                          row.value(0),
                          row.value(1),
                          row.value(2),
                          QStringLiteral("NUTRI01"),
                          false,
                          remark,
                          QVariant::fromValue(DataPacket())};
        net->call(QStringLiteral("SetUpdServinte"), args);
    };
    Vantor::setHost(host);
}

void tst_ContAlimentarAcoes::restrictionCheckMarksEveryListedPatient() {
    ContAlimentarProbe form = loadList(*fx);
    QVERIFY(form);
    TClientDataSet* list = form->cdsInternacao;
    QStringList listed;
    for (list->First(); !list->Eof(); list->Next())
        if (!listed.contains(field(list, "CDPACIENTE")))
            listed << field(list, "CDPACIENTE");
    int listedMarks = 0;
    for (const QString& patient : std::as_const(listed))
        listedMarks += restrictedChoices(*fx, patient);
    QVERIFY(listedMarks > 0);
    // The check clears a wrong mark as well as it sets the right ones.
    const QString unrestricted = unrestrictedPatient(*fx, form);
    QVERIFY(!unrestricted.isEmpty());
    QVERIFY(goToRestrictedPatient(*fx, form));
    fx->exec("UPDATE CONFESCO SET IDRESTCONF = '0'");
    markAllChoices(*fx, unrestricted);
    const int rows = list->RecordCount();

    form->sbtRestricao->click();
    QVERIFY2(messages().isEmpty(), qPrintable(messages().join('\n')));
    int marksAfter = 0;
    for (const QString& patient : std::as_const(listed))
        marksAfter += restrictedChoices(*fx, patient);
    QCOMPARE(marksAfter, listedMarks);
    QCOMPARE(restrictedChoices(*fx, unrestricted), 0);
    QCOMPARE(audits(*fx, "GetVerifRestInto"), 1);
    QVERIFY(!ShowAviOverlay());
    QCOMPARE(list->RecordCount(), rows);
    QCOMPARE(list->RecNo(), 1);
    QCOMPARE(form->pgcPadrao->currentWidget(), form->tshFolhaDados);
    QVERIFY(form->sbtAlterar->isEnabled());

    // The scroll handler is back: "Incluir" follows whether the row has a diet.
    for (list->First(); !list->Eof() && !field(list, "CDDIETPAD").isEmpty();)
        list->Next();
    QVERIFY(!list->Eof());
    QVERIFY(!form->sbtIncluir->isEnabled());
    for (list->First(); !list->Eof() && field(list, "CDDIETPAD").isEmpty();)
        list->Next();
    QVERIFY(!field(list, "CDDIETPAD").isEmpty());
    QVERIFY(form->sbtIncluir->isEnabled());
}

void tst_ContAlimentarAcoes::restrictionCheckOnTheMenuPageComesBackToThePatient() {
    ContAlimentarProbe form = loadList(*fx);
    QVERIFY(form);
    // Another patient's wrong marks show that only the current one is checked.
    const QString other = unrestrictedPatient(*fx, form);
    QVERIFY(!other.isEmpty());
    QVERIFY(goToRestrictedPatient(*fx, form));
    TClientDataSet* list = form->cdsInternacao;
    const QString patient = field(list, "CDPACIENTE");
    const QString sequence = field(list, "NRSEQUSERV");
    fx->exec("UPDATE CONFESCO SET IDRESTCONF = '0'");
    markAllChoices(*fx, other);
    const int otherMarks = restrictedChoices(*fx, other);
    openMenuPage(form);
    QCOMPARE(restrictedRows(form->cdsConfesco), 0);
    QVERIFY(form->sbtRestricao->isEnabled());

    form.form()->findChild<QAction*>("mnuRestricao")->trigger();
    QVERIFY2(messages().isEmpty(), qPrintable(messages().join('\n')));
    QCOMPARE(form->pgcPadrao->currentWidget(), form->tshFormulario);
    QCOMPARE(field(list, "CDPACIENTE"), patient);
    QCOMPARE(field(list, "STPACIACOM"), QStringLiteral("0"));
    QCOMPARE(field(list, "NRSEQUSERV"), sequence);
    QVERIFY(choicesFollowTheList(*fx, form));
    QVERIFY(restrictedRows(form->cdsConfesco) > 0);
    QCOMPARE(restrictedChoices(*fx, other), otherMarks);
    QCOMPARE(restrictedChoices(*fx), restrictedChoices(*fx, patient) + otherMarks);
    QVERIFY(!ShowAviOverlay());
    QVERIFY(form->sbtAlterar->isEnabled());
    QVERIFY(!form->sbtConfirmar->isEnabled());
}

void tst_ContAlimentarAcoes::refusedRestrictionCheckLeavesTheScreenAsItWas() {
    ContAlimentarProbe form = loadList(*fx);
    QVERIFY(form);
    QVERIFY(goToRestrictedPatient(*fx, form));
    TClientDataSet* list = form->cdsInternacao;
    const QString patient = field(list, "CDPACIENTE");
    const int rows = list->RecordCount();
    fx->exec("UPDATE CONFESCO SET IDRESTCONF = '0'");
    openMenuPage(form);

    refuseWrites(*fx, true);
    form->sbtRestricao->click();
    QCOMPARE(messages(), QStringList{notNutritionist});
    QVERIFY(!ShowAviOverlay());
    QCOMPARE(restrictedChoices(*fx), 0);
    QCOMPARE(audits(*fx, "GetVerifRestInto"), 0);
    QCOMPARE(list->RecordCount(), rows);
    QCOMPARE(field(list, "CDPACIENTE"), patient);
    QCOMPARE(field(list, "STPACIACOM"), QStringLiteral("0"));
    QVERIFY(choicesFollowTheList(*fx, form));

    // The scroll handler is back: the next records' choices follow the list.
    for (int moves = 0; moves < 3 && !list->Eof(); ++moves) {
        list->Next();
        QVERIFY(choicesFollowTheList(*fx, form));
    }
}

void tst_ContAlimentarAcoes::prescriptionCalculationRunsTheHostModuleAndReloads() {
    ContAlimentarProbe form = loadList(*fx);
    QVERIFY(form);
    QVERIFY(goToPatientWithRecord(form, 1));
    TClientDataSet* list = form->cdsInternacao;
    const QString patient = field(list, "CDPACIENTE");
    const QString remark = QStringLiteral("prescrição recalculada");
    installHostModule(patient, remark);
    QCOMPARE(form.form()->findChild<QAction*>("mnuCalcPresDieta")->statusTip(),
             QStringLiteral("ZFA80000"));
    list->Last();

    QVERIFY(form->sbtCalcPresDieta->isEnabled());
    form->sbtCalcPresDieta->click();
    QVERIFY2(messages().isEmpty(), qPrintable(messages().join('\n')));
    QCOMPARE(modulesRun, QStringList{QStringLiteral("ZFA80000")});
    QCOMPARE(moduleParams,
             (QVariantList{QStringLiteral("0001"), QString(form->edtNmFilial->text())}));
    QVERIFY(!form->edtNmFilial->text().isEmpty());
    // The list read again, from its first row, with what the module wrote.
    QCOMPARE(list->RecNo(), 1);
    QVERIFY(list->Locate("CDPACIENTE;STPACIACOM", QVariantList{patient, "0"}));
    QCOMPARE(field(list, "DSSERVINTE"), remark);

    // A host without the module: its error, and the list stays as it is.
    list->Last();
    HostValues host = Vantor::host();
    host.loadBpl = nullptr;
    Vantor::setHost(host);
    form->sbtCalcPresDieta->click();
    QCOMPARE(messages().size(), 1);
    QCOMPARE(list->RecNo(), list->RecordCount());
}

void tst_ContAlimentarAcoes::pageItemsOfTheMenu() {
    ContAlimentarProbe form = loadList(*fx);
    QVERIFY(form);
    QVERIFY(goToRestrictedPatient(*fx, form));
    QAction* listItem = form.form()->mnuFolhaDados;
    QAction* menuItem = form.form()->mnuFormulario;
    QCOMPARE(listItem->text(), QStringLiteral("Controle &Alimentar"));
    QCOMPARE(menuItem->text(), QStringLiteral("Car&dápio"));
    TClientDataSet* list = form->cdsInternacao;
    TClientDataSet* choices = form->cdsConfesco;

    // On its own page "Controle Alimentar" does nothing: an edit keeps its toolbar, and the
    // menu page cannot be chosen until the edit ends.
    typeDiet(form, field(list, "CDDIETPAD"), field(list, "IDFORMDIET"), field(list, "CDDIETGRUP"));
    QVERIFY(!form->sbtAlterar->isEnabled());
    listItem->trigger();
    QCOMPARE(list->State(), dsEdit);
    QVERIFY(!form->sbtAlterar->isEnabled());
    QVERIFY(!menuItem->isEnabled());
    menuItem->trigger();
    QCOMPARE(form->pgcPadrao->currentWidget(), form->tshFolhaDados);
    list->Cancel();

    menuItem->trigger();
    QCOMPARE(form->pgcPadrao->currentWidget(), form->tshFormulario);
    QVERIFY(choicesFollowTheList(*fx, form));
    QVERIFY(!choices->IsEmpty());

    // On its own page "Cardápio" runs the page change again: the choices are read again.
    fx->exec("UPDATE CONFESCO SET DSOBSCONF = 'lida de novo' WHERE CDPACIENTE = ? AND "
             "NRSEQUSERV = ? AND DTSERVINTE = ?",
             {field(list, "CDPACIENTE"), field(list, "NRSEQUSERV"), ScreenFixture::today()});
    menuItem->trigger();
    QCOMPARE(field(choices, "DSOBSCONF"), QStringLiteral("lida de novo"));

    // ... saving a choice being edited first.
    choices->Edit();
    choices->FieldByName(u"DSOBSCONF")->SetAsString(QStringLiteral("sem açúcar"));
    menuItem->trigger();
    QVERIFY2(messages().isEmpty(), qPrintable(messages().join('\n')));
    QCOMPARE(choices->State(), dsBrowse);
    QCOMPARE(field(choices, "DSOBSCONF"), QStringLiteral("sem açúcar"));
    QCOMPARE(storedChoice(*fx, form).value(2).toString(), QStringLiteral("sem açúcar"));

    listItem->trigger();
    QCOMPARE(form->pgcPadrao->currentWidget(), form->tshFolhaDados);
    QVERIFY(!choices->Active());
    QVERIFY(form->sbtFiltro->isEnabled());
}

void tst_ContAlimentarAcoes::listEditIsSavedOrKeptByEveryListReplacingAction() {
    ContAlimentarProbe form = loadList(*fx);
    QVERIFY(form);
    installHostModule(QString(), QString());
    TClientDataSet* list = form->cdsInternacao;
    const std::vector<std::pair<QString, std::function<void()>>> actions{
        {QStringLiteral("restrição"), [&] { form->sbtRestricao->click(); }},
        {QStringLiteral("prescrição"), [&] { form->sbtCalcPresDieta->click(); }},
        {QStringLiteral("atualizar"), [&] { runGuarded([&] { form->sbtVerificarClick(); }); }}};
    int nth = 0;
    for (const auto& [name, run] : actions) {
        QVERIFY(goToPatientWithRecord(form, nth++));
        const QString patient = field(list, "CDPACIENTE");
        const QVariantList stored = storedRecord(*fx, form);
        const int checks = audits(*fx, "GetVerifRestInto");
        const int modules = int(modulesRun.size());

        // A diet the record's checks refuse: the message, the edit kept, the action not run.
        typeDiet(form, "0014", "6");
        run();
        QCOMPARE(messages(), QStringList{noCard});
        QCOMPARE(list->State(), dsEdit);
        QCOMPARE(field(list, "CDPACIENTE"), patient);
        QCOMPARE(field(list, "CDDIETPAD"), QStringLiteral("0014"));
        QCOMPARE(storedRecord(*fx, form), stored);
        QCOMPARE(audits(*fx, "GetVerifRestInto"), checks);
        QCOMPARE(int(modulesRun.size()), modules);
        fx->dialogs().clear();

        // A valid one is saved before the list is replaced, and the new list shows it.
        const QString remark = QStringLiteral("mantida pela ação ") + name;
        typeDiet(form, "0001", "5", "9001");
        list->FieldByName(u"DSSERVINTE")->SetAsString(remark);
        run();
        QVERIFY2(messages().isEmpty(), qPrintable(name + ": " + messages().join('\n')));
        QCOMPARE(list->State(), dsBrowse);
        QVERIFY(list->Locate("CDPACIENTE;STPACIACOM", QVariantList{patient, "0"}));
        QCOMPARE(storedRecord(*fx, form), (QVariantList{QStringLiteral("0001"), remark}));
        QCOMPARE(field(list, "DSSERVINTE"), remark);
    }
    QCOMPARE(audits(*fx, "GetVerifRestInto"), 1);
    QCOMPARE(int(modulesRun.size()), 1);
}

void tst_ContAlimentarAcoes::choiceBeingEditedIsSavedBeforeTheRestrictionCheck() {
    ContAlimentarProbe form = loadList(*fx);
    QVERIFY(form);
    QVERIFY(goToRestrictedPatient(*fx, form));
    openMenuPage(form);
    TClientDataSet* choices = form->cdsConfesco;
    const QString sequence = field(choices, "CDSEQUCOPR");

    // The server refuses the choice: its error, "Cancelar operação?" answered No, no check.
    refuseWrites(*fx, true);
    choices->Edit();
    choices->FieldByName(u"DSOBSCONF")->SetAsString(QStringLiteral("metade da porção"));
    fx->dialogs().answer(mrOk);
    fx->dialogs().answer(mrNo);
    form->sbtRestricao->click();
    QCOMPARE(messages().size(), 2);
    QCOMPARE(messages().at(1), QStringLiteral("Cancelar operação?"));
    QCOMPARE(audits(*fx, "GetVerifRestInto"), 0);
    QVERIFY(choices->Locate("CDSEQUCOPR", sequence));
    QCOMPARE(field(choices, "DSOBSCONF"), QStringLiteral("metade da porção"));

    // Accepted again: saved, then checked, and the choices read back still carry it.
    refuseWrites(*fx, false);
    form->sbtRestricao->click();
    QCOMPARE(messages().size(), 2);
    QCOMPARE(audits(*fx, "GetVerifRestInto"), 1);
    QVERIFY(choicesFollowTheList(*fx, form));
    QVERIFY(choices->Locate("CDSEQUCOPR", sequence));
    QCOMPARE(field(choices, "DSOBSCONF"), QStringLiteral("metade da porção"));
    QCOMPARE(storedChoice(*fx, form).value(2).toString(), QStringLiteral("metade da porção"));
}

QTEST_MAIN(tst_ContAlimentarAcoes)
#include "tst_contalimentar_acoes.moc"
