// The restriction and intolerance view opened from the inpatient grid: what it asks the server,
// its two lists with the "Rest/Int" texts, medicines in name order whatever the server sends,
// and a server error that opens nothing.

#include "framework/abortguard.h"
#include "framework/consistegrid.h"
#include "framework/showavi.h"
#include "framework/tdbgrid.h"
#include "framework/tmaskedit.h"
#include "platform/tclientdataset.h"
#include "platform/tfield.h"
#include "screen/Cli_zfa13000.h"
#include "server/methodregistry.h"
#include "tests/screen/contalimentarprobe.h"
#include "tests/screen/countingserver.h"
#include "tests/screen/screenfixture.h"
#include "views/Cli_zfa13040.h"

#include <QDialog>
#include <QLabel>
#include <QToolButton>
#include <QtTest>
#include <optional>

using namespace dieta;
using Cli_zfa13000::TfrmContAlimentar;
using Cli_zfa13040::TfrmVisuRestInto;
using dieta::test::ContAlimentarProbe;

namespace {

struct Seen {
    QStringList restTexts;
    QStringList medicines;
    int restRows = 0;
    QString caption;
    bool confirmEnabled = true;
    bool globalSet = false;
};

QStringList rows(TClientDataSet* ds, std::function<QString()> row) {
    QStringList out;
    for (ds->First(); !ds->Eof(); ds->Next())
        out << row();
    return out;
}

DataPacket medicinesOutOfOrder() {
    DataPacket p;
    for (const char* name : {"NMMEDICAMENT", "NMPRINATIV", "NMNUTRIENTE"}) {
        FieldDef def;
        def.name = QString::fromLatin1(name);
        def.kind = FieldKind::String;
        def.size = 60;
        p.fields << def;
    }
    p.rows = {{"Warfarina", "Varfarina", "Vitamina K"},
              {"Captopril", "Captopril", "Potássio"},
              {"Fenitoína", "Fenitoína", "Folato"},
              {"Captopril", "Captopril", "Magnésio"}};
    return p;
}

} // namespace

class tst_VisuRestInto : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void showsBothListsOfThePatientsDay();
    void medicinesInNameOrderWhateverTheServerSends();
    void oneDishSendsItsCodes();
    void serverErrorOpensNothing();

private:
    int restrictedRow() const;
    void openFromGrid(int row);

    std::unique_ptr<test::ScreenFixture> fx;
    std::optional<ContAlimentarProbe> form;
};

void tst_VisuRestInto::init() {
    fx = std::make_unique<test::ScreenFixture>();
    QVERIFY2(fx->ok(), qPrintable(fx->error()));
    Cli_zfa13000::TfrmContAlimentar* opened = fx->openScreen();
    QVERIFY(opened);
    form.emplace(opened);
    fx->enterPanel(form->medCdServico);
    fx->leavePanel();
    QVERIFY(form->cdsInternacao->Active());
}

void tst_VisuRestInto::cleanup() {
    form.reset();
    fx.reset();
}

int tst_VisuRestInto::restrictedRow() const {
    TClientDataSet* list = form->cdsInternacao;
    for (int row = 0; row < list->ViewCount(); ++row)
        if (list->RowValue(row, list->FieldByName(u"IDRESTSERIN")).toString() == "1")
            return row;
    return -1;
}

void tst_VisuRestInto::openFromGrid(int row) {
    form->cdsInternacao->SetRecNo(row + 1);
    form->dbgPadrao->SetSelectedIndex(Consiste::IndiceCol(form->dbgPadrao, "IDRESTSERIN"));
    runGuarded([this] { form->dbgPadraoDblClick(); });
}

void tst_VisuRestInto::showsBothListsOfThePatientsDay() {
    const int row = restrictedRow();
    QVERIFY(row >= 0);
    TClientDataSet* list = form->cdsInternacao;
    const QString patient = list->RowValue(row, list->FieldByName(u"CDPACIENTE")).toString();
    // One of the patient's groups is an intolerance, the others restrictions.
    fx->exec("UPDATE RESTINTO SET IDRESTINTO = 'R' WHERE CDDIAGNOST IN (SELECT CDDIAGNOST FROM "
             "DIAGINTER WHERE CDPACIENTE = ?)",
             {patient});
    fx->exec("UPDATE RESTINTO SET IDRESTINTO = 'I' WHERE rowid = (SELECT MIN(R.rowid) FROM "
             "RESTINTO R JOIN DIAGINTER D ON D.CDDIAGNOST = R.CDDIAGNOST WHERE D.CDPACIENTE = ?)",
             {patient});

    std::shared_ptr<Seen> seen = std::make_shared<Seen>();
    fx->dialogs().answerDialog([seen](QDialog& dialog) {
        auto* view = qobject_cast<TfrmVisuRestInto*>(&dialog);
        if (!view)
            return int(QDialog::Rejected);
        seen->caption = view->windowTitle();
        seen->confirmEnabled = view->sbtConfirma->isEnabled();
        TClientDataSet* rest = view->cdsVisuaRestInto;
        seen->restRows = rest->RecordCount();
        seen->restTexts =
            rows(rest, [rest] { return rest->FieldByName(u"IDRESTINTO")->DisplayText(); });
        TClientDataSet* med = view->cdsVisualizaMedica;
        seen->medicines =
            rows(med, [med] { return med->FieldByName(u"NMMEDICAMENT")->AsString(); });
        seen->globalSet = Cli_zfa13040::frmVisuRestInto == view;
        return int(QDialog::Rejected);
    });
    openFromGrid(row);
    QVERIFY2(fx->dialogs().texts().isEmpty(), qPrintable(fx->dialogs().texts().join('\n')));
    QCOMPARE(fx->dialogs().pendingAnswers(), 0);
    QCOMPARE(seen->caption, QStringLiteral("Visualizar Restrição/Intolerância"));
    QVERIFY(!seen->confirmEnabled);
    QVERIFY(seen->globalSet);
    QVERIFY(Cli_zfa13040::boTPratos);
    QVERIFY(!Cli_zfa13040::frmVisuRestInto);
    QVERIFY(seen->restRows >= 1);
    QCOMPARE(seen->restTexts.count(QStringLiteral("Intolerância")), 1);
    QCOMPARE(seen->restTexts.count(QStringLiteral("Restrição")), seen->restRows - 1);
    QStringList sorted = seen->medicines;
    sorted.sort();
    QCOMPARE(seen->medicines, sorted);
}

void tst_VisuRestInto::medicinesInNameOrderWhateverTheServerSends() {
    auto received = std::make_shared<QVariantList>();
    test::CountingServer stub([received](server::MethodRegistry& registry) {
        registry.add({QStringLiteral("GerVisuaRestInto"),
                      {server::ArgKind::String, server::ArgKind::String, server::ArgKind::Date,
                       server::ArgKind::String, server::ArgKind::String, server::ArgKind::String,
                       server::ArgKind::String, server::ArgKind::Date},
                      {5, 6},
                      [received](server::CallContext&, QVariantList& args) {
                          *received = args;
                          DataPacket rest;
                          for (const char* name : {"IDRESTINTO", "NMSUBGRPROD", "NMDIAGNOST"}) {
                              FieldDef def;
                              def.name = QString::fromLatin1(name);
                              def.kind = FieldKind::String;
                              def.size = 40;
                              rest.fields << def;
                          }
                          rest.rows = {{"X", "Leite", "Diabetes"}, {"I", "Glúten", "Celíaca"}};
                          return server::CallResult::ok(
                              QVariantList{fromPacket(rest), fromPacket(medicinesOutOfOrder())});
                      }});
    });
    QVERIFY2(stub.ok(), qPrintable(stub.error()));
    const int row = restrictedRow();
    QVERIFY(row >= 0);
    stub.redirect(form->netDietaOral);

    auto seen = std::make_shared<Seen>();
    fx->dialogs().answerDialog([seen](QDialog& dialog) {
        auto* view = qobject_cast<TfrmVisuRestInto*>(&dialog);
        if (!view)
            return int(QDialog::Rejected);
        TClientDataSet* rest = view->cdsVisuaRestInto;
        seen->restTexts =
            rows(rest, [rest] { return rest->FieldByName(u"IDRESTINTO")->DisplayText(); });
        TClientDataSet* med = view->cdsVisualizaMedica;
        seen->medicines = rows(med, [med] {
            return med->FieldByName(u"NMMEDICAMENT")->AsString() + "/" +
                   med->FieldByName(u"NMNUTRIENTE")->AsString();
        });
        return int(QDialog::Rejected);
    });
    openFromGrid(row);
    QCOMPARE(stub.calls(), 1);
    QCOMPARE(seen->medicines, (QStringList{"Captopril/Magnésio", "Captopril/Potássio",
                                           "Fenitoína/Folato", "Warfarina/Vitamina K"}));
    QCOMPARE(seen->restTexts, (QStringList{"Restrição", "Intolerância"}));

    // The arguments: branch, patient, service day, service, sequence, no dish, admission.
    TClientDataSet* list = form->cdsInternacao;
    QCOMPARE(received->size(), 8);
    QCOMPARE(received->at(0).toString(), QStringLiteral("0001"));
    QCOMPARE(received->at(1).toString(), list->FieldByName(u"CDPACIENTE")->AsString());
    QCOMPARE(received->at(2).toDate(), list->FieldByName(u"DTSERVINTE")->AsDate());
    QCOMPARE(received->at(3).toString(), form->medCdServico->Text().trimmed());
    QCOMPARE(received->at(4).toString(), list->FieldByName(u"NRSEQUSERV")->AsString());
    QCOMPARE(received->at(5).toString(), QString());
    QCOMPARE(received->at(6).toString(), QString());
    QCOMPARE(received->at(7).toDate(), list->FieldByName(u"DTINTERNA")->AsDate());
}

void tst_VisuRestInto::oneDishSendsItsCodes() {
    // A patient with menu choices, on the menu page (each move reloads the choices).
    TClientDataSet* list = form->cdsInternacao;
    form->pgcPadrao->setCurrentWidget(form->tshFormulario);
    for (list->First(); !list->Eof(); list->Next())
        if (form->cdsConfesco->Active() && !form->cdsConfesco->IsEmpty())
            break;
    QVERIFY(!list->Eof());
    form->cdsConfesco->Last();
    const QString dish = form->cdsConfesco->FieldByName(u"CDPRATO")->AsString();
    const QString dishBranch = form->cdsConfesco->FieldByName(u"CDFILAUXPRAT")->AsString();
    QVERIFY(!dish.isEmpty());

    auto received = std::make_shared<QVariantList>();
    test::CountingServer stub([received](server::MethodRegistry& registry) {
        server::MethodEntry entry = *registry.find(QStringLiteral("GerVisuaRestInto"));
        entry.handler = [received](server::CallContext&, QVariantList& args) {
            *received = args;
            return server::CallResult::fail(QStringLiteral("fim"));
        };
        registry.add(entry);
    });
    QVERIFY2(stub.ok(), qPrintable(stub.error()));
    stub.redirect(form->netDietaOral);
    runGuarded([] { Cli_zfa13040::CriaVisuRestInto(false); });
    QVERIFY(!Cli_zfa13040::boTPratos);
    QCOMPARE(received->value(5).toString(), dish);
    QCOMPARE(received->value(6).toString(), dishBranch);
    QCOMPARE(received->value(1).toString(), list->FieldByName(u"CDPACIENTE")->AsString());
}

void tst_VisuRestInto::serverErrorOpensNothing() {
    test::CountingServer stub([](server::MethodRegistry& registry) {
        server::MethodEntry entry = *registry.find(QStringLiteral("GerVisuaRestInto"));
        entry.handler = [](server::CallContext&, QVariantList&) {
            return server::CallResult::fail(
                QStringLiteral("Internação do paciente não encontrada."));
        };
        registry.add(entry);
    });
    QVERIFY2(stub.ok(), qPrintable(stub.error()));
    const int row = restrictedRow();
    QVERIFY(row >= 0);
    stub.redirect(form->netDietaOral);
    openFromGrid(row);
    QCOMPARE(fx->dialogs().texts(), QStringList{"Internação do paciente não encontrada."});
    QVERIFY(fx->dialogs().dialogsShown.isEmpty());
    QVERIFY(!ShowAviOverlay());
    QVERIFY(!Cli_zfa13040::frmVisuRestInto);
}

QTEST_MAIN(tst_VisuRestInto)
#include "tst_visurestinto.moc"
