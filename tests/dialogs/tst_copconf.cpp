// The copy of menu choices between dates, opened from the main screen against the real
// server: the launcher's checks, the checks of dates and lists, the scope offered by mode,
// what a copy writes (read back from the server's database) and reloads, the question when
// the destination has diets, the list of services without a menu, and every failure hiding
// the copying panel without losing anything.

#include "dialogs/Cli_zfa13010.h"
#include "framework/tanimate.h"
#include "framework/tbtnpesquisa.h"
#include "framework/tdateeditplus.h"
#include "framework/tdbgrid.h"
#include "platform/datapacket.h"
#include "platform/dtmdbgeral.h"
#include "platform/tadoibquery.h"
#include "platform/wirevalue.h"
#include "server/methodregistry.h"
#include "tests/screen/countingserver.h"
#include "tests/support/sqlprobes.h"
#include "tests/views/windowsupport.h"

#include <QAction>
#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QRadioButton>
#include <QToolButton>

using namespace dieta;
using namespace dieta::test;
using Cli_zfa13010::TfrmCopConf;

namespace {

const QString kSucesso = QStringLiteral("A cópia do cardápio foi realizada com sucesso.");
const QString kConfCopia =
    QStringLiteral("Existem dietas lançadas para a data de destino. Deseja Continuar?");

QDate today() {
    return ScreenFixture::today();
}

// The day records of the branch on a date, with what a copy carries over.
QList<QVariantList> records(ScreenFixture& fx, QDate day, const QStringList& patients = {}) {
    QList<QVariantList> rows;
    for (const QVariantList& row :
         dbRows(fx,
                "SELECT CDPACIENTE, NRSEQUSERV, STPACIACOM, CDSERVFILI, CDDIETPAD, DSSERVINTE"
                " FROM SERVINTE WHERE CDFILIAL = '0001' AND DTSERVINTE = ?"
                " ORDER BY CDPACIENTE, NRSEQUSERV",
                {day}))
        if (patients.isEmpty() || patients.contains(row.value(0).toString()))
            rows << row;
    return rows;
}

// The menu choices of the branch on a date.
QList<QVariantList> choices(ScreenFixture& fx, QDate day, const QStringList& patients = {}) {
    QList<QVariantList> rows;
    for (const QVariantList& row :
         dbRows(fx,
                "SELECT CDPACIENTE, NRSEQUSERV, CDSEQUCOPR, CDTIPOPRAT, CDPRATO, IDESCOCONF"
                " FROM CONFESCO WHERE CDFILIAL = '0001' AND DTSERVINTE = ?"
                " ORDER BY CDPACIENTE, NRSEQUSERV, CDSEQUCOPR",
                {day}))
        if (patients.isEmpty() || patients.contains(row.value(0).toString()))
            rows << row;
    return rows;
}

// A scripted service that also looks at the window each time a message is asked.
class WatchingDialogs : public ScriptedDialogs {
public:
    std::function<void()> onMessage;
    int message(MsgKind kind, const QString& text, QWidget* parent) override {
        if (onMessage)
            onMessage();
        return ScriptedDialogs::message(kind, text, parent);
    }
};

struct PanelState {
    bool shown = false;
    bool playing = false;
};

PanelState panelOf(const TfrmCopConf& f) {
    return {f.panCopia->isVisible(), f.anmCop->Active()};
}

} // namespace

class tst_CopConf : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void launcherChecksOperatorThenTypedService();
    void datesAreCheckedBeforeAnythingIsSent();
    void listaWithoutListStopsInOrder();
    void scopeOfferedFollowsModeFloorsAndWings();
    void copyWritesTheRecordsAndReloadsTheList();
    void dischargedPatientIsNamedNotSkippedSilently();
    void existingDietsAskUnlessOverwriting();
    void servicesWithoutMenuGrowTheWindow();
    void nothingToCopyAndErrorAnswers();
    void serverDownLosesNothing();
    void scopeQueriesOnBothEngines_data();
    void scopeQueriesOnBothEngines();

private:
    void openCopy(std::function<void(TfrmCopConf&)> body);
    // Two patients of the screen's list with day records yesterday and no discharge.
    QStringList twoPatientsWithRecords();
    // The screen's list of another day.
    void loadDay(QDate day);
    QStringList messages() const { return fx->dialogs().texts(); }

    std::unique_ptr<ScreenFixture> fx;
    QWidget* form = nullptr;
};

void tst_CopConf::init() {
    fx = std::make_unique<ScreenFixture>();
    QVERIFY2(fx->ok(), qPrintable(fx->error()));
    form = openWithList(*fx);
    QVERIFY(form);
}

void tst_CopConf::cleanup() {
    form = nullptr;
    fx.reset();
}

void tst_CopConf::openCopy(std::function<void(TfrmCopConf&)> body) {
    whileShown<TfrmCopConf>(*fx, std::move(body));
    auto* button = part<QToolButton>(form, "sbtCopConf");
    QVERIFY(button->isEnabled());
    button->click();
    QCOMPARE(fx->dialogs().pendingAnswers(), 0);
    // The launcher shows a new window each time and keeps none.
    QVERIFY(!Cli_zfa13010::frmCopConf);
}

QStringList tst_CopConf::twoPatientsWithRecords() {
    QStringList chosen;
    const QStringList listed = column(screen().inpatients(), "CDPACIENTE");
    for (const QString& patient : dbColumn(*fx,
                                           "SELECT DISTINCT S.CDPACIENTE FROM SERVINTE S JOIN "
                                           "INTERNA I ON I.CDFILIAL = S.CDFILIAL AND "
                                           "I.CDPACIENTE = S.CDPACIENTE WHERE S.CDFILIAL = '0001' "
                                           "AND S.DTSERVINTE = ? AND I.DTALTA IS NULL "
                                           "ORDER BY S.CDPACIENTE",
                                           {today().addDays(-1)}))
        if (listed.contains(patient) && chosen.size() < 2)
            chosen << patient;
    return chosen;
}

void tst_CopConf::loadDay(QDate day) {
    auto* date = part<TDateEditPlus>(form, "depData");
    fx->enterPanel(date);
    date->SetDate(day);
    fx->leavePanel();
}

void tst_CopConf::launcherChecksOperatorThenTypedService() {
    auto* servico = part<TMaskEdit>(form, "medCdServico");
    fx->setOperator("ADMIN01");
    part<QToolButton>(form, "sbtCopConf")->click();
    QCOMPARE(messages(), QStringList{"Operador não está cadastrado como nutricionista."});
    QCOMPARE(form->focusWidget(), static_cast<QWidget*>(servico));
    QVERIFY(fx->dialogs().dialogsShown.isEmpty());

    // A code typed and not yet left is checked first: an unknown one stops with its message.
    fx->setOperator("NUTRI01");
    fx->enterPanel(servico);
    servico->setText("99999");
    part<QToolButton>(form, "sbtCopConf")->click();
    QCOMPARE(messages().value(1), QStringLiteral("Serviço não cadastrado."));
    QVERIFY(fx->dialogs().dialogsShown.isEmpty());

    // A known one is loaded before the window opens, which then reads it.
    servico->setText("00020");
    QString group;
    openCopy([&](TfrmCopConf& f) {
        group = f.stGrupoServ;
        QCOMPARE(f.windowTitle(), QStringLiteral("Copia Dieta Oral"));
        QCOMPARE(f.depOrigem->GetDate(), today().addDays(-1));
        QCOMPARE(f.depDestino->GetDate(), today());
        QVERIFY(!f.chbSobre->isChecked());
        QVERIFY(f.chbDietaEspecial->isChecked());
        QVERIFY(!f.sbtVisualizaErro->isEnabled());
        QVERIFY(!f.panCopia->isVisible());
        QCOMPARE(f.height(), Cli_zfa13010::kAlturaNormal);
        QCOMPARE(Cli_zfa13010::frmCopConf, &f);
        f.sbtFecha->click();
    });
    QCOMPARE(part<QLineEdit>(form, "edtNmServico")->text().isEmpty(), false);
    QCOMPARE(screen().servicoCode(), QStringLiteral("00020"));
    QCOMPARE(group, QStringLiteral("T"));

    // The menu twin opens a new window the same way.
    whileShown<TfrmCopConf>(*fx, [](TfrmCopConf& f) { f.sbtFecha->click(); });
    part<QAction>(form, "mnuCopConf")->trigger();
    QCOMPARE(fx->dialogs().dialogsShown, (QStringList{"frmCopConf", "frmCopConf"}));
}

void tst_CopConf::datesAreCheckedBeforeAnythingIsSent() {
    const QList<QVariantList> before = records(*fx, today());
    openCopy([&](TfrmCopConf& f) {
        const struct {
            QDate origem;
            QDate destino;
            QWidget* focus;
        } cases[] = {{today(), today(), f.depDestino},
                     {today(), today().addDays(-1), f.depOrigem},
                     {QDate(), today(), f.depOrigem},
                     {today(), QDate(), f.depDestino}};
        for (const auto& c : cases) {
            f.depOrigem->SetDate(c.origem);
            f.depDestino->SetDate(c.destino);
            f.sbtConfirma->click();
            QCOMPARE(f.focusWidget(), c.focus);
            QVERIFY(!f.panCopia->isVisible());
        }
        f.depOrigem->setText("31/02/2025");
        f.sbtConfirma->click();
        QCOMPARE(f.focusWidget(), static_cast<QWidget*>(f.depOrigem));
        QVERIFY(f.isVisible());
        f.sbtFecha->click();
    });
    QCOMPARE(messages(), (QStringList{"Data de destino deve ser diferente da data de origem.",
                                      "Data de origem deve ser menor ou igual a data de destino.",
                                      "Data de origem deve ser informada.",
                                      "Data de destino deve ser informada.", "Data inválida."}));
    QCOMPARE(records(*fx, today()), before);
}

void tst_CopConf::listaWithoutListStopsInOrder() {
    openCopy([&](TfrmCopConf& f) {
        for (QRadioButton* lista : {f.rbtLServ, f.rbtLAndar, f.rbtLAla, f.rbtLLeito, f.rbtLPaci})
            lista->click();
        // The service list is left a single blank, which counts as none.
        QCOMPARE(f.stServico, QStringLiteral(" "));
        const struct {
            QRadioButton* lista;
            TBtnPesquisa* button;
        } groups[] = {{f.rbtLServ, f.sbtServ},
                      {f.rbtLAndar, f.sbtAndar},
                      {f.rbtLAla, f.sbtAla},
                      {f.rbtLLeito, f.sbtLeito},
                      {f.rbtLPaci, f.sbtPaci}};
        for (const auto& g : groups) {
            QVERIFY(g.button->isEnabled());
            f.sbtConfirma->click();
            QCOMPARE(f.focusWidget(), static_cast<QWidget*>(g.lista));
            QStringList offered;
            fx->dialogs().answerDialog([&offered](QDialog& dialog) {
                auto& pick = dynamic_cast<TPickListDialog&>(dialog);
                for (int row = 0; row < pick.rowCount(); ++row)
                    offered << pick.cellText(row, 0);
                pick.setChecked(0, true);
                return int(QDialog::Accepted);
            });
            g.button->click();
            QVERIFY(!offered.isEmpty());
        }
        QCOMPARE(f.stPaciente.count(u'_'), 2);
        f.sbtFecha->click();
    });
    QCOMPARE(messages(), (QStringList{"Serviço deve ser informado.", "Andar deve ser informado.",
                                      "Ala deve ser informada.", "Leito deve ser informado.",
                                      "Paciente deve ser informado."}));
}

void tst_CopConf::scopeOfferedFollowsModeFloorsAndWings() {
    const QString servicesSql =
        "SELECT CDSERVFILI FROM SERVICO WHERE CDFILIAL = '0001' AND IDTIPOSERV IN ('A','D','N')"
        " AND (IDTPSERVHOSP IS NULL OR IDTPSERVHOSP NOT IN ('1','2')) AND EXISTS (SELECT 1 FROM"
        " GRUPSERV G WHERE G.CDGRUPSERV = SERVICO.CDGRUPSERV) %1 ORDER BY CDSERVFILI";
    const QStringList allServices = dbColumn(*fx, servicesSql.arg(QString()));
    const QStringList groupServices =
        dbColumn(*fx, servicesSql.arg(QStringLiteral("AND CDGRUPSERV = '002'")));
    QVERIFY(!groupServices.isEmpty() && groupServices.size() < allServices.size());
    // A bed on a second floor, so that a floor list leaves something out.
    fx->exec("INSERT INTO ANDAR (CDFILIAL, CDANDAR, NMANDAR) VALUES ('0001', '09', '9º Andar')");
    fx->exec("INSERT INTO LEITO (CDFILIAL, CDLEITO, NMLEITO, CDALA, CDANDAR, CDSERVFILI)"
             " VALUES ('0001', '09B01-1', 'Quarto 9B01 - Leito 1', 'B', '09', '00010')");
    const QStringList floor9Beds = {"09B01-1"};
    const QStringList allBeds =
        dbColumn(*fx, "SELECT CDLEITO FROM LEITO WHERE CDFILIAL = '0001' ORDER BY CDLEITO");

    QStringList offered;
    QStringList bedsAll;
    QStringList bedsFloor;
    QStringList patientsFirst;
    QStringList patientsThen;
    const QString leaving = column(screen().inpatients(), "CDPACIENTE").value(0);
    openCopy([&](TfrmCopConf& f) {
        QCOMPARE(f.stGrupoServ, QStringLiteral("T"));
        // The inpatients are asked for at every click: a discharge shows at once.
        f.rbtLPaci->click();
        fx->dialogs().answerDialog(pickCodes({}, &patientsFirst));
        f.sbtPaci->click();
        fx->exec("UPDATE INTERNA SET DTALTA = ? WHERE CDPACIENTE = ?",
                 {today().addDays(-5), leaving});
        fx->dialogs().answerDialog(pickCodes({}, &patientsThen));
        f.sbtPaci->click();
        f.rbtLServ->click();
        fx->dialogs().answerDialog(pickCodes({}, &offered));
        f.sbtServ->click();
        f.rbtLLeito->click();
        fx->dialogs().answerDialog(pickCodes({}, &bedsAll));
        f.sbtLeito->click();
        QCOMPARE(f.stAla, QStringLiteral("T"));
        QCOMPARE(f.stAndar, QStringLiteral("T"));
        f.rbtLAndar->click();
        fx->dialogs().answerDialog(pickCodes({"09"}));
        f.sbtAndar->click();
        fx->dialogs().answerDialog(pickCodes({}, &bedsFloor));
        f.sbtLeito->click();
        f.sbtFecha->click();
    });
    QVERIFY(patientsFirst.contains(leaving));
    QCOMPARE(patientsThen.size(), patientsFirst.size() - 1);
    QVERIFY(!patientsThen.contains(leaving));
    QCOMPARE(offered, allServices);
    QCOMPARE(bedsAll, allBeds);
    QCOMPARE(bedsFloor, floor9Beds);

    // In group mode the group is fixed at the first activation and narrows the services.
    QVERIFY(loadGroup(*fx, form, QStringLiteral("002")));
    QString group;
    openCopy([&](TfrmCopConf& f) {
        group = f.stGrupoServ;
        f.rbtLServ->click();
        fx->dialogs().answerDialog(pickCodes({}, &offered));
        f.sbtServ->click();
        QCOMPARE(f.stGrupoServ, QStringLiteral("002"));
        f.sbtFecha->click();
    });
    QCOMPARE(group, QStringLiteral("002"));
    QCOMPARE(offered, groupServices);
    QVERIFY(messages().isEmpty());
}

void tst_CopConf::copyWritesTheRecordsAndReloadsTheList() {
    const QDate tomorrow = today().addDays(1);
    const QStringList patients = twoPatientsWithRecords();
    QCOMPARE(patients.size(), 2);
    loadDay(tomorrow);
    QVERIFY(screen().inpatients()->Active());
    QVERIFY(records(*fx, tomorrow).isEmpty());
    const QList<QVariantList> origin = records(*fx, today().addDays(-1), patients);
    const QList<QVariantList> originChoices = choices(*fx, today().addDays(-1), patients);
    QVERIFY(!origin.isEmpty() && !originChoices.isEmpty());

    int height = 0;
    PanelState after;
    openCopy([&](TfrmCopConf& f) {
        f.depDestino->SetDate(tomorrow);
        f.rbtLPaci->click();
        fx->dialogs().answerDialog(pickCodes(patients));
        f.sbtPaci->click();
        // In the pick list's order, by name.
        QStringList picked = SplitCodeList(f.stPaciente);
        picked.sort();
        QCOMPARE(picked, patients);
        f.sbtConfirma->click();
        QVERIFY(f.isVisible());
        height = f.height();
        after = panelOf(f);
        // Groups left on "Todos" went as "T" and stay so.
        QCOMPARE(f.stServico, QStringLiteral("T"));
        QCOMPARE(f.stLeito, QStringLiteral("T"));
        f.sbtFecha->click();
    });
    QCOMPARE(messages(), QStringList{kSucesso});
    QCOMPARE(height, Cli_zfa13010::kAlturaNormal);
    QVERIFY(!after.shown && !after.playing);

    QCOMPARE(records(*fx, tomorrow), origin);
    QCOMPARE(choices(*fx, tomorrow), originChoices);
    const QVariantList stamp =
        dbRows(*fx, "SELECT MIN(CDOPERADOR), MAX(CDOPERADOR) FROM SERVINTE WHERE DTSERVINTE = ?",
               {tomorrow})
            .value(0);
    QCOMPARE(stamp, (QVariantList{"NUTRI01", "NUTRI01"}));

    // The screen shows the copied diets on the destination day.
    TClientDataSet* list = screen().inpatients();
    for (const QVariantList& record : origin) {
        QVERIFY(
            list->Locate("CDPACIENTE;NRSEQUSERV", QVariantList{record.value(0), record.value(1)}));
        QCOMPARE(list->FieldByName(u"CDDIETPAD")->AsString(), record.value(4).toString());
    }
}

// One of the two patients leaves today: the other's copy goes on, and instead of the plain
// success the window names the one left out, with the discharge day; the list still reloads.
void tst_CopConf::dischargedPatientIsNamedNotSkippedSilently() {
    const QDate tomorrow = today().addDays(1);
    const QStringList patients = twoPatientsWithRecords();
    QCOMPARE(patients.size(), 2);
    const QString leaving = patients.at(1);
    execOn(fx->server().database(),
           "UPDATE INTERNA SET DTALTA = :D WHERE CDFILIAL = '0001' AND CDPACIENTE = :P"
           " AND DTALTA IS NULL",
           {{"D", today()}, {"P", leaving}});
    const QString name =
        dbColumn(*fx, "SELECT NMPACIENTE FROM PACIENTE WHERE CDPACIENTE = ?", {leaving}).value(0);
    loadDay(tomorrow);
    openCopy([&](TfrmCopConf& f) {
        f.depDestino->SetDate(tomorrow);
        f.rbtLPaci->click();
        fx->dialogs().answerDialog(pickCodes(patients));
        f.sbtPaci->click();
        f.sbtConfirma->click();
        f.sbtFecha->click();
    });
    QCOMPARE(messages(),
             QStringList{"Pacientes não copiados por terem tido alta antes da data de destino:\n" +
                         leaving + " - " + name + " (alta em " + today().toString(u"dd/MM/yyyy") +
                         ")\nA cópia do cardápio foi realizada para os demais pacientes."});
    QCOMPARE(records(*fx, tomorrow, {leaving}), QList<QVariantList>());
    QCOMPARE(records(*fx, tomorrow), records(*fx, today().addDays(-1), {patients.at(0)}));
    QVERIFY(screen().inpatients()->Locate("CDPACIENTE", patients.at(0)));
}

void tst_CopConf::existingDietsAskUnlessOverwriting() {
    const QDate tomorrow = today().addDays(1);
    const QStringList patients = twoPatientsWithRecords();
    QCOMPARE(patients.size(), 2);
    auto copyTo = [&](QDate destination, bool overwrite, std::function<void(TfrmCopConf&)> more) {
        openCopy([&](TfrmCopConf& f) {
            f.depDestino->SetDate(destination);
            f.chbSobre->setChecked(overwrite);
            f.rbtLPaci->click();
            fx->dialogs().answerDialog(pickCodes(patients));
            f.sbtPaci->click();
            more(f);
            f.sbtFecha->click();
        });
    };
    const auto stored = [&](QDate day) {
        return dbRows(*fx,
                      "SELECT CDPACIENTE, NRSEQUSERV, CDDIETPAD, DSSERVINTE, DTULTALTE FROM "
                      "SERVINTE WHERE CDFILIAL = '0001' AND DTSERVINTE = ? ORDER BY 1, 2",
                      {day});
    };

    // Today has diets: the question comes while the copying panel shows; No writes nothing.
    const QList<QVariantList> todays = stored(today());
    PanelState asking;
    PanelState after;
    copyTo(today(), false, [&](TfrmCopConf& f) {
        WatchingDialogs watch;
        ScopedDialogService scope(watch);
        watch.onMessage = [&] { asking = panelOf(f); };
        watch.answer(mrNo);
        f.sbtConfirma->click();
        after = panelOf(f);
        QCOMPARE(watch.texts(), QStringList{kConfCopia});
        QCOMPARE(watch.asked.value(0).kind, MsgKind::Confirmation);
    });
    QVERIFY(asking.shown && asking.playing);
    QVERIFY(!after.shown && !after.playing);
    QCOMPARE(stored(today()), todays);

    // A first copy to tomorrow asks nothing; the same copy again, confirmed, adds nothing.
    copyTo(tomorrow, false, [](TfrmCopConf& f) { f.sbtConfirma->click(); });
    QCOMPARE(messages(), QStringList{kSucesso});
    const QList<QVariantList> copied = stored(tomorrow);
    QVERIFY(!copied.isEmpty());
    fx->dialogs().answer(mrYes);
    copyTo(tomorrow, false, [](TfrmCopConf& f) { f.sbtConfirma->click(); });
    QCOMPARE(messages(), (QStringList{kSucesso, kConfCopia, kSucesso}));
    QCOMPARE(stored(tomorrow), copied);
    QCOMPARE(choices(*fx, tomorrow).size(), choices(*fx, today().addDays(-1), patients).size());

    // Overwriting asks nothing and puts the origin's records back.
    fx->exec("UPDATE SERVINTE SET DSSERVINTE = 'alterado' WHERE DTSERVINTE = ?", {tomorrow});
    fx->dialogs().clear();
    copyTo(tomorrow, true, [](TfrmCopConf& f) { f.sbtConfirma->click(); });
    QCOMPARE(messages(), QStringList{kSucesso});
    QCOMPARE(records(*fx, tomorrow), records(*fx, today().addDays(-1), patients));
}

void tst_CopConf::servicesWithoutMenuGrowTheWindow() {
    const QDate tomorrow = today().addDays(1);
    fx->exec("DELETE FROM COMPCARD WHERE CDFILIAL = '0001' AND CDSERVFILI = '00010' AND "
             "DTCOMPCARD = ?",
             {tomorrow});
    const QString serviceName =
        dbColumn(*fx, "SELECT NMSERVICO FROM SERVICO WHERE CDFILIAL = '0001' AND "
                      "CDSERVFILI = '00010'")
            .value(0);
    QStringList services;
    QStringList diets;
    QList<int> heights;
    openCopy([&](TfrmCopConf& f) {
        f.depDestino->SetDate(tomorrow);
        f.sbtConfirma->click();
        heights << f.height();
        QVERIFY(f.Label4->isVisible() && f.dbgErroCopia->isVisible());
        QCOMPARE(f.Label4->text(), QStringLiteral("Não existe cardápio cadastrado para:"));
        QVERIFY(f.sbtVisualizaErro->isEnabled());
        QCOMPARE(f.dbgErroCopia->model()->rowCount(), f.cdsErroCopia->RecordCount());
        services = column(f.cdsErroCopia, "NMSERVFILI");
        diets = column(f.cdsErroCopia, "DSDIETPAD");
        f.sbtVisualizaErro->click();
        heights << f.height();
        QVERIFY(!f.dbgErroCopia->isVisible());
        f.sbtVisualizaErro->click();
        heights << f.height();
        QVERIFY(!f.panCopia->isVisible());
        f.sbtFecha->click();
    });
    // No success message; the demo's patients who left after their records of yesterday are
    // named, each with a discharge before the destination day.
    QCOMPARE(messages().size(), 1);
    QStringList lines = messages().first().split(u'\n');
    QCOMPARE(
        lines.takeFirst(),
        QStringLiteral("Pacientes não copiados por terem tido alta antes da data de destino:"));
    QCOMPARE(lines.takeLast(),
             QStringLiteral("A cópia do cardápio foi realizada para os demais pacientes."));
    QVERIFY(!lines.isEmpty());
    for (const QString& line : lines) {
        const QString patient = line.section(QStringLiteral(" - "), 0, 0);
        QVERIFY2(!dbColumn(*fx,
                           "SELECT 1 FROM INTERNA WHERE CDFILIAL = '0001' AND CDPACIENTE = ?"
                           " AND DTALTA < ?",
                           {patient, tomorrow})
                      .isEmpty(),
                 qPrintable(line));
    }
    QCOMPARE(heights, (QList<int>{Cli_zfa13010::kAlturaErro, Cli_zfa13010::kAlturaNormal,
                                  Cli_zfa13010::kAlturaErro}));
    QVERIFY(services.contains(serviceName));
    QVERIFY(!diets.contains(QString()));
    // The records were copied all the same.
    QVERIFY(!records(*fx, tomorrow).isEmpty());
}

void tst_CopConf::nothingToCopyAndErrorAnswers() {
    const QStringList listed = column(screen().inpatients(), "CDPACIENTE");
    openCopy([&](TfrmCopConf& f) {
        f.depOrigem->SetDate(today().addDays(-5));
        f.depDestino->SetDate(today().addDays(-4));
        f.sbtConfirma->click();
        QCOMPARE(f.height(), Cli_zfa13010::kAlturaNormal);
        QVERIFY(!f.panCopia->isVisible() && f.isVisible());
        f.sbtFecha->click();
    });
    QCOMPARE(messages(), QStringList{"Não existe nenhuma configuração."});
    QCOMPARE(fx->dialogs().asked.value(0).kind, MsgKind::Error);

    // A server answering with an error, then with a list whose third element is no packet.
    auto answer = std::make_shared<QVariant>();
    auto failure = std::make_shared<QString>(QStringLiteral("Cópia recusada pelo servidor."));
    CountingServer stub([answer, failure](server::MethodRegistry& registry) {
        using K = server::ArgKind;
        registry.add({QStringLiteral("GetCopiarDieta"),
                      {K::String, K::String, K::String, K::Date, K::String, K::String, K::String,
                       K::Boolean, K::Boolean, K::Date, K::String, K::Variant, K::String},
                      {1, 2, 4, 5, 6, 12},
                      [answer, failure](server::CallContext&, QVariantList&) {
                          if (!failure->isEmpty())
                              return server::CallResult::fail(*failure);
                          return server::CallResult::ok(*answer);
                      }});
    });
    QVERIFY2(stub.ok(), qPrintable(stub.error()));
    stub.redirect(screen().connection());
    DataPacket noErrors;
    for (const char* name : {"NMSERVFILI", "DSDIETPAD"}) {
        FieldDef def;
        def.name = QString::fromLatin1(name);
        def.size = 200;
        noErrors.fields << def;
    }
    fx->dialogs().clear();
    PanelState afterError;
    openCopy([&](TfrmCopConf& f) {
        f.chbSobre->setChecked(true);
        f.depDestino->SetDate(today().addDays(1));
        f.sbtConfirma->click();
        afterError = panelOf(f);
        failure->clear();
        *answer = QVariantList{QString(), fromPacket(noErrors), QString()};
        f.sbtConfirma->click();
        f.sbtFecha->click();
    });
    QCOMPARE(messages(), (QStringList{"Cópia recusada pelo servidor.", kSucesso}));
    QCOMPARE(fx->dialogs().asked.value(0).kind, MsgKind::Error);
    QVERIFY(!afterError.shown && !afterError.playing);
    QCOMPARE(stub.calls(), 2);
    // No list came: the screen keeps its own.
    QCOMPARE(column(screen().inpatients(), "CDPACIENTE"), listed);
}

void tst_CopConf::serverDownLosesNothing() {
    // Overwriting today's diets of two patients while the server is down.
    const QStringList patients = twoPatientsWithRecords();
    QCOMPARE(patients.size(), 2);
    const QList<QVariantList> todays = records(*fx, today());
    const QStringList listed = column(screen().inpatients(), "CDPACIENTE");
    const int livePort = fx->server().port();
    PanelState after;
    int height = 0;
    QString patientsAfter;
    openCopy([&](TfrmCopConf& f) {
        f.chbSobre->setChecked(true);
        f.rbtLPaci->click();
        fx->dialogs().answerDialog(pickCodes(patients));
        f.sbtPaci->click();
        patientsAfter = f.stPaciente;
        pointConnectionAt(deadPort());
        f.sbtConfirma->click();
        after = panelOf(f);
        height = f.height();
        QVERIFY(f.isVisible());
        QCOMPARE(f.stPaciente, patientsAfter);
        QCOMPARE(records(*fx, today()), todays);
        // The same window, server back: the copy goes through with what was chosen.
        pointConnectionAt(livePort);
        f.sbtConfirma->click();
        f.sbtFecha->click();
    });
    QVERIFY2(messages().size() == 2, qPrintable(messages().join('\n')));
    QVERIFY2(messages().at(0).startsWith(QStringLiteral("Servidor de aplicação não respondeu")),
             qPrintable(messages().at(0)));
    QCOMPARE(fx->dialogs().asked.value(0).kind, MsgKind::Error);
    QCOMPARE(messages().at(1), kSucesso);
    QVERIFY(!after.shown && !after.playing);
    QCOMPARE(height, Cli_zfa13010::kAlturaNormal);
    // Today now holds yesterday's records of the two, the others' as they were.
    QCOMPARE(records(*fx, today(), patients), records(*fx, today().addDays(-1), patients));
    QList<QVariantList> others;
    for (const QVariantList& row : todays)
        if (!patients.contains(row.value(0).toString()))
            others << row;
    QList<QVariantList> othersNow;
    for (const QVariantList& row : records(*fx, today()))
        if (!patients.contains(row.value(0).toString()))
            othersNow << row;
    QCOMPARE(othersNow, others);
    QCOMPARE(column(screen().inpatients(), "CDPACIENTE"), listed);
}

void tst_CopConf::scopeQueriesOnBothEngines_data() {
    addEngineRows();
}

// The lookups of the scope on each engine the hospital may run: the service group test with
// a null parameter, and beds found by their wing and floor inside code lists.
void tst_CopConf::scopeQueriesOnBothEngines() {
    DIETA_FETCH_ENGINE(engine);
    TestServerOptions options;
    options.engine = engine;
    server::DemoOptions demo;
    demo.inpatients = 40;
    options.demo = demo;
    TestServer hospital(options);
    QVERIFY2(hospital.ok(), qPrintable(hospital.error()));
    ScopedGeneralDatabase general(&hospital.database());
    TfrmCopConf f;
    auto codes = [](TADOIBQuery* query, const char* field) {
        query->Close();
        query->Open();
        return column(query, field);
    };

    f.qryServico->ParamByName("P_CDFILIAL")->SetAsString("0001");
    f.qryServico->ParamByName("P_CDGRUPSERV")->Clear();
    f.qryServico->ParamByName("P_TCDGRUPSERV")->SetAsString("T");
    const QStringList all = codes(f.qryServico, "CDSERVFILI");
    f.qryServico->ParamByName("P_CDGRUPSERV")->SetAsString("002");
    f.qryServico->ParamByName("P_TCDGRUPSERV")->Clear();
    const QStringList group = codes(f.qryServico, "CDSERVFILI");
    QVERIFY(!group.isEmpty() && group.size() < all.size());
    for (const QString& service : group)
        QVERIFY(all.contains(service));

    f.qryLeito->ParamByName("P_CDFILIAL")->SetAsString("0001");
    auto beds = [&](const QString& wings, const QString& floors) {
        f.qryLeito->ParamByName("P_CDALA")->SetAsString(wings);
        f.qryLeito->ParamByName("P_TCDALA")->SetAsString(wings);
        f.qryLeito->ParamByName("P_CDANDAR")->SetAsString(floors);
        f.qryLeito->ParamByName("P_TCDANDAR")->SetAsString(floors);
        return codes(f.qryLeito, "CDLEITO");
    };
    const QStringList every = beds("T", "T");
    const QStringList wingA = beds("_A_", "T");
    QVERIFY(!wingA.isEmpty() && wingA.size() < every.size());
    for (const QString& bed : wingA)
        QCOMPARE(bed.mid(2, 1), QStringLiteral("A"));
    QCOMPARE(beds("_B_A_", "_01_"), every);
    QVERIFY(beds("_C_", "T").isEmpty());
    // An empty list is no list: nothing qualifies.
    QVERIFY(beds(QString(), "T").isEmpty());
}

QTEST_MAIN(tst_CopConf)
#include "tst_copconf.moc"
