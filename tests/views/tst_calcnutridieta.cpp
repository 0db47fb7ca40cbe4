// The nutrient calculation window opened from the main screen against the real server: the
// energy shares as the server answers them in kcal, totals that match a hand computation from
// the demo hospital, what is sent for the group and the nutrient list, the checks that stop
// before the server, and a failed calculation.

#include "contracts/contalimentar.h"
#include "framework/consiste.h"
#include "framework/lookups.h"
#include "framework/showavi.h"
#include "framework/tbtnpesquisa.h"
#include "framework/tdbgrid.h"
#include "framework/tmaskedit.h"
#include "framework/tnumberedit.h"
#include "framework/vantor.h"
#include "platform/sqldatabase.h"
#include "platform/tclientdataset.h"
#include "platform/tfield.h"
#include "platform/tnetconnection.h"
#include "server/methodregistry.h"
#include "tests/screen/screenfixture.h"
#include "tests/views/demoserver.h"
#include "views/Cli_zfa13060.h"

#include <QAction>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSqlQuery>
#include <QTabWidget>
#include <QToolButton>
#include <QtTest>

using namespace dieta;
using Cli_zfa13060::TfrmCalcNutriDieta;

namespace {

const QString kTestDish = QStringLiteral("99.99.999");

// A server on the same demo hospital that records what GetCalcNutriente receives.
struct RecordingServer {
    std::shared_ptr<test::CallRecorder> recorder = std::make_shared<test::CallRecorder>();
    test::DemoServer server{[r = recorder](server::MethodRegistry& registry) {
        test::CallRecorder::wrap(registry, QStringLiteral("GetCalcNutriente"), r);
    }};
    QList<QVariantList> calls() const {
        return recorder->calls(QStringLiteral("GetCalcNutriente"));
    }
};

struct Energy {
    QString vct, protein, carbohydrate, lipid, alcohol;
};

Energy energyOf(const TfrmCalcNutriDieta& w) {
    return {w.nedVct->text(), w.nedProt->text(), w.nedCarbo->text(), w.nedLipidio->text(),
            w.nedAlcool->text()};
}

// Code -> TOTAL of the window's totals.
QMap<QString, double> totalsOf(TClientDataSet* calc) {
    QMap<QString, double> totals;
    for (calc->First(); !calc->Eof(); calc->Next())
        totals.insert(calc->FieldByName(u"CDNUTRIENTE")->AsString(),
                      calc->FieldByName(u"TOTAL")->AsFloat());
    return totals;
}

} // namespace

class tst_CalcNutriDieta : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void opensFromTheMenuPageOnly();
    void energySharesAreTheServersKcal();
    void totalsMatchAHandComputationOfTheDemoDay();
    void groupAndListAreSentAsChosen();
    void checksStopBeforeTheServer();
    void typingInTheGroupGoesBackToAll();
    void failedCalculationZeroesTheEnergyAndKeepsTheRows();
    void selectionTakesTheWholeRow();
    void screenshot();

private:
    contracts::ContAlimentar* screen() const { return contracts::frmContAlimentar; }
    template <typename T> T* child(const char* name) const {
        return screen()->widget()->findChild<T*>(QString::fromLatin1(name));
    }
    // The patient of the screen's service with the most chosen dishes today, made current,
    // on the menu page (where the calculation is offered).
    QString choosePatient();
    QString servinteSequence(const QString& patient);
    // Opens the window with the screen's button and runs `body` on it while it is shown.
    void withWindow(const std::function<void(TfrmCalcNutriDieta&)>& body,
                    const char* opener = "sbtCalcNutr");
    void calculate(TfrmCalcNutriDieta& w);
    QSqlQuery select(const QString& sql, const QVariantList& values = {});

    std::unique_ptr<test::ScreenFixture> fx;
};

void tst_CalcNutriDieta::init() {
    fx = std::make_unique<test::ScreenFixture>();
    QVERIFY2(fx->ok(), qPrintable(fx->error()));
    QVERIFY(fx->openScreen());
    fx->enterPanel(child<TMaskEdit>("medCdServico"));
    fx->leavePanel();
    QVERIFY(screen()->inpatients()->Active());
}

void tst_CalcNutriDieta::cleanup() {
    fx.reset();
}

QSqlQuery tst_CalcNutriDieta::select(const QString& sql, const QVariantList& values) {
    QSqlQuery query(fx->server().database().connection());
    query.prepare(sql);
    for (const QVariant& v : values)
        query.addBindValue(v);
    if (!query.exec())
        qWarning("%s", qPrintable(sql));
    return query;
}

QString tst_CalcNutriDieta::choosePatient() {
    QSqlQuery q =
        select("SELECT S.CDPACIENTE FROM SERVINTE S JOIN CONFESCO C ON C.CDFILIAL = S.CDFILIAL AND "
               "C.CDPACIENTE = S.CDPACIENTE AND C.DTSERVINTE = S.DTSERVINTE AND C.NRSEQUSERV = "
               "S.NRSEQUSERV WHERE S.CDFILIAL = ? AND S.DTSERVINTE = ? AND S.CDSERVFILI = ? AND "
               "S.STPACIACOM = '0' AND C.IDESCOCONF = 'S' GROUP BY S.CDPACIENTE "
               "ORDER BY COUNT(*) DESC, S.CDPACIENTE",
               {screen()->filialCode(), test::ScreenFixture::today(), screen()->servicoCode()});
    if (!q.next())
        return QString();
    const QString patient = q.value(0).toString();
    screen()->positionOnPatient(patient);
    child<QTabWidget>("pgcPadrao")->setCurrentWidget(child<QWidget>("tshFormulario"));
    return screen()->inpatients()->FieldByName(u"CDPACIENTE")->AsString() == patient ? patient
                                                                                     : QString();
}

QString tst_CalcNutriDieta::servinteSequence(const QString& patient) {
    QSqlQuery q = select(
        "SELECT MIN(NRSEQUSERV) FROM SERVINTE WHERE CDFILIAL = ? AND "
        "CDPACIENTE = ? AND DTSERVINTE = ? AND CDSERVFILI = ? AND "
        "STPACIACOM = '0'",
        {screen()->filialCode(), patient, test::ScreenFixture::today(), screen()->servicoCode()});
    return q.next() ? q.value(0).toString() : QString();
}

void tst_CalcNutriDieta::withWindow(const std::function<void(TfrmCalcNutriDieta&)>& body,
                                    const char* opener) {
    auto ran = std::make_shared<bool>(false);
    fx->dialogs().answerDialog([body, ran](QDialog& dialog) {
        auto* w = qobject_cast<TfrmCalcNutriDieta*>(&dialog);
        if (!w)
            return int(QDialog::Rejected);
        *ran = Cli_zfa13060::frmCalcNutriDieta == w;
        w->show();
        w->activateWindow();
        if (QTest::qWaitForWindowActive(w))
            body(*w);
        w->hide();
        return int(QDialog::Rejected);
    });
    if (QAction* item = child<QAction>(opener))
        item->trigger();
    else
        child<QToolButton>(opener)->click();
    QVERIFY2(*ran, "the window did not open");
    QVERIFY(!Cli_zfa13060::frmCalcNutriDieta);
}

// The operator's way: the confirm button, which enters the grid (or calculates in it).
void tst_CalcNutriDieta::calculate(TfrmCalcNutriDieta& w) {
    w.sbtConfirma->click();
    QCoreApplication::processEvents();
}

void tst_CalcNutriDieta::opensFromTheMenuPageOnly() {
    // On the list page the action is not offered.
    QVERIFY(!child<QToolButton>("sbtCalcNutr")->isEnabled());
    QVERIFY(!choosePatient().isEmpty());
    QVERIFY(child<QToolButton>("sbtCalcNutr")->isEnabled());
    withWindow([](TfrmCalcNutriDieta& w) {
        QVERIFY(w.panVct->isVisible());
        QVERIFY(w.rbtTNutri->isChecked());
        QVERIFY(!w.btnNutriente->isEnabled());
        QVERIFY(w.NutrientList().isEmpty());
        QCOMPARE(w.cdsCalc->RecordCount(), 0);
        for (TNumberEdit* edit : {w.nedVct, w.nedProt, w.nedCarbo, w.nedLipidio, w.nedAlcool})
            QCOMPARE(edit->text(), QStringLiteral("0,000"));
    });
    // The menu item opens it too; without the VCT parameter the VCT panel stays hidden.
    fx->exec("UPDATE PARADIETO SET IDVCTCALCNUT = 'N'");
    withWindow([](TfrmCalcNutriDieta& w) { QVERIFY(!w.panVct->isVisible()); }, "mnuCalcNutr");
    QVERIFY(fx->dialogs().texts().isEmpty());
}

void tst_CalcNutriDieta::energySharesAreTheServersKcal() {
    const QString patient = choosePatient();
    QVERIFY(!patient.isEmpty());
    const QString branch = screen()->filialCode();
    const QDate today = test::ScreenFixture::today();
    fx->exec("UPDATE CONFESCO SET IDESCOCONF = 'N' WHERE CDFILIAL = ? AND CDPACIENTE = ? AND "
             "DTSERVINTE = ?",
             {branch, patient, today});
    withWindow([&](TfrmCalcNutriDieta& w) {
        // Nothing chosen: every value 0 and no share computed from it.
        calculate(w);
        QCOMPARE(w.cdsCalc->RecordCount(), 12);
        for (double total : totalsOf(w.cdsCalc))
            QCOMPARE(total, 0.0);
        const Energy none = energyOf(w);
        for (const QString& text :
             {none.vct, none.protein, none.carbohydrate, none.lipid, none.alcohol})
            QCOMPARE(text, QStringLiteral("0,000"));

        // One dish giving 20 kcal of protein (5 g), 50 of carbohydrate (12.5 g) and 30 of
        // lipid (10/3 g): the server answers kcal and the window adds them as they are.
        fx->exec("INSERT INTO PRATO (CDFILAUXPRAT, CDPRATO, NMPRATO, CDTIPOPRAT, QTPORCAO) "
                 "VALUES ('P', ?, 'Prato de teste', '01', 100)",
                 {kTestDish});
        for (const auto& [nutrient, grams] :
             {std::pair{"001", 5.0}, std::pair{"002", 12.5}, std::pair{"003", 10.0 / 3.0}})
            fx->exec("INSERT INTO PRATNUTR (CDFILAUXPRAT, CDPRATO, CDNUTRIENTE, QTNUTRPORC) "
                     "VALUES ('P', ?, ?, ?)",
                     {kTestDish, QString::fromLatin1(nutrient), grams});
        fx->exec("INSERT INTO CONFESCO (CDFILIAL, CDPACIENTE, DTSERVINTE, NRSEQUSERV, "
                 "CDSEQUCOPR, CDTIPOPRAT, CDPRATO, CDFILAUXPRAT, IDESCOCONF, QTPRATCONF) "
                 "VALUES (?, ?, ?, ?, '9999', '01', ?, 'P', 'S', 1)",
                 {branch, patient, today, servinteSequence(patient), kTestDish});
        QVERIFY(w.focusWidget() == w.dbgNutriente);
        calculate(w);
        const Energy shares = energyOf(w);
        QCOMPARE(shares.vct, QStringLiteral("100,000"));
        QCOMPARE(shares.protein, QStringLiteral("20,000"));
        QCOMPARE(shares.carbohydrate, QStringLiteral("50,000"));
        QCOMPARE(shares.lipid, QStringLiteral("30,000"));
        QCOMPARE(shares.alcohol, QStringLiteral("0,000"));
        QCOMPARE(totalsOf(w.cdsCalc).value("002"), 12.5);
    });
    QVERIFY2(fx->dialogs().texts().isEmpty(), qPrintable(fx->dialogs().texts().join('\n')));
}

void tst_CalcNutriDieta::totalsMatchAHandComputationOfTheDemoDay() {
    const QString patient = choosePatient();
    QVERIFY(!patient.isEmpty());
    // By hand: each chosen dish of the patient's own records in the service counts its
    // portions (one when none is given) times the nutrient amount of one portion.
    QMap<QString, double> expected;
    QSqlQuery dishes = select(
        "SELECT C.CDFILAUXPRAT, C.CDPRATO, C.QTPRATCONF FROM SERVINTE S JOIN CONFESCO C ON "
        "C.CDFILIAL = S.CDFILIAL AND C.CDPACIENTE = S.CDPACIENTE AND C.DTSERVINTE = "
        "S.DTSERVINTE AND C.NRSEQUSERV = S.NRSEQUSERV WHERE S.CDFILIAL = ? AND S.CDPACIENTE = ? "
        "AND S.DTSERVINTE = ? AND S.CDSERVFILI = ? AND S.STPACIACOM = '0' AND C.IDESCOCONF = 'S'",
        {screen()->filialCode(), patient, test::ScreenFixture::today(), screen()->servicoCode()});
    int chosen = 0;
    while (dishes.next()) {
        ++chosen;
        const double quantity = dishes.value(2).toDouble();
        const double portions = quantity > 0 ? quantity : 1.0;
        QSqlQuery amounts = select(
            "SELECT CDNUTRIENTE, QTNUTRPORC FROM PRATNUTR WHERE CDFILAUXPRAT = ? AND CDPRATO = ?",
            {dishes.value(0), dishes.value(1)});
        while (amounts.next())
            expected[amounts.value(0).toString()] += portions * amounts.value(1).toDouble();
    }
    QVERIFY(chosen > 0);
    // Sodium and the vitamins stay in their own units (mg, mcg) in the totals.
    QSqlQuery units = select("SELECT NMUNIDADE FROM NUTRIENTE WHERE CDNUTRIENTE = '006'");
    QVERIFY(units.next());
    QCOMPARE(units.value(0).toString(), QStringLiteral("mg"));

    withWindow([&](TfrmCalcNutriDieta& w) {
        calculate(w);
        const QMap<QString, double> totals = totalsOf(w.cdsCalc);
        QCOMPARE(totals.size(), 12);
        for (auto it = totals.cbegin(); it != totals.cend(); ++it)
            QVERIFY2(qAbs(it.value() - expected.value(it.key())) < 1e-6,
                     qPrintable(QStringLiteral("%1: %2 != %3")
                                    .arg(it.key())
                                    .arg(it.value())
                                    .arg(expected.value(it.key()))));
        QVERIFY(totals.value("006") > 100); // a day's sodium, in milligrams
        // The energy: 4 kcal per gram of protein and carbohydrate, 9 of lipid, 7 of alcohol.
        const double protein = 4 * expected.value("001");
        const double carbohydrate = 4 * expected.value("002");
        const double lipid = 9 * expected.value("003");
        const double vct = protein + carbohydrate + lipid + 7 * expected.value("004");
        QCOMPARE(w.nedVct->GetNumber(), Consiste::RoundDec(vct, 3));
        const double shown = Consiste::RoundDec(vct, 3);
        QCOMPARE(w.nedProt->GetNumber(), Consiste::RoundDec(protein * 100 / shown, 3));
        QCOMPARE(w.nedCarbo->GetNumber(), Consiste::RoundDec(carbohydrate * 100 / shown, 3));
        QCOMPARE(w.nedLipidio->GetNumber(), Consiste::RoundDec(lipid * 100 / shown, 3));
        // The grid shows each total with five decimals.
        w.cdsCalc->Locate("CDNUTRIENTE", "002");
        QCOMPARE(
            w.cdsCalc->FieldByName(u"TOTAL")->DisplayText(),
            QLocale(QLocale::Portuguese, QLocale::Brazil).toString(expected.value("002"), 'f', 5));
    });
}

void tst_CalcNutriDieta::groupAndListAreSentAsChosen() {
    QVERIFY(!choosePatient().isEmpty());
    RecordingServer recorder;
    QVERIFY2(recorder.server.ok(), qPrintable(recorder.server.error()));
    recorder.server.redirect(screen()->connection());
    QStringList allCodes;
    QSqlQuery codes = select("SELECT CDNUTRIENTE FROM NUTRIENTE ORDER BY CDNUTRIENTE");
    while (codes.next())
        allCodes << codes.value(0).toString();

    withWindow([&](TfrmCalcNutriDieta& w) {
        // No group and "Todos": "T" and every nutrient.
        calculate(w);
        QCOMPARE(recorder.calls().size(), 1);
        QVariantList sent = recorder.calls().last();
        QCOMPARE(sent.value(0).toString(), screen()->filialCode());
        QCOMPARE(sent.value(1).toString(),
                 screen()->inpatients()->FieldByName(u"CDPACIENTE")->AsString());
        QCOMPARE(sent.value(2).toString(), screen()->servicoCode());
        QCOMPARE(sent.value(3).toDate(), test::ScreenFixture::today());
        QCOMPARE(sent.value(4).toString(), QStringLiteral("T"));
        QCOMPARE(sent.value(5).toString(), JoinCodeList(allCodes));

        // A one-character group is padded and named before it is sent; "Todos" then lists
        // the group's nutrients.
        w.medCdGrupo->setFocus();
        QTest::keyClicks(w.medCdGrupo, "2");
        calculate(w);
        QCOMPARE(w.medCdGrupo->text(), QStringLiteral("02"));
        QCOMPARE(w.edtNmGrupo->text(), QStringLiteral("Minerais"));
        sent = recorder.calls().last();
        QCOMPARE(sent.value(4).toString(), QStringLiteral("02"));
        QCOMPARE(sent.value(5).toString(), QStringLiteral("_006_007_008_009_"));
        QCOMPARE(w.cdsCalc->RecordCount(), 4);

        // A picked list goes unchanged and limits the rows; re-entering the grid by tabbing
        // calculates again.
        w.rbtLNutri->click();
        QVERIFY(w.btnNutriente->isEnabled());
        fx->dialogs().answerDialog([](QDialog& dialog) {
            auto* pick = qobject_cast<TPickListDialog*>(&dialog);
            if (!pick || pick->rowCount() != 4)
                return int(QDialog::Rejected);
            pick->setChecked(0, true);
            pick->setChecked(2, true);
            return int(QDialog::Accepted);
        });
        w.btnNutriente->click();
        QCOMPARE(w.NutrientList(), QStringLiteral("_006_008_"));
        w.rbtLNutri->setFocus();
        QTest::keyClick(w.rbtLNutri, Qt::Key_Tab);
        QCOMPARE(w.focusWidget(), static_cast<QWidget*>(w.dbgNutriente));
        QCOMPARE(recorder.calls().size(), 3);
        QCOMPARE(recorder.calls().last().value(5).toString(), QStringLiteral("_006_008_"));
        QCOMPARE(totalsOf(w.cdsCalc).keys(), (QList<QString>{"006", "008"}));
    });
    QVERIFY2(fx->dialogs().texts().isEmpty(), qPrintable(fx->dialogs().texts().join('\n')));
}

void tst_CalcNutriDieta::checksStopBeforeTheServer() {
    QVERIFY(!choosePatient().isEmpty());
    RecordingServer recorder;
    QVERIFY2(recorder.server.ok(), qPrintable(recorder.server.error()));
    recorder.server.redirect(screen()->connection());
    withWindow([&](TfrmCalcNutriDieta& w) {
        // An unknown group: its message, the focus back on the code, no call.
        w.medCdGrupo->setFocus();
        QTest::keyClicks(w.medCdGrupo, "77");
        calculate(w);
        QCOMPARE(fx->dialogs().texts(),
                 QStringList{QStringLiteral("Grupo de nutriente não cadastrado.")});
        QCOMPARE(w.focusWidget(), static_cast<QWidget*>(w.medCdGrupo));
        QVERIFY(w.edtNmGrupo->text().isEmpty());

        // "Lista" without a picked list.
        w.medCdGrupo->clear();
        w.rbtLNutri->click();
        fx->dialogs().clear();
        calculate(w);
        QCOMPARE(fx->dialogs().texts(),
                 QStringList{QStringLiteral("Nutriente deve ser informado.")});
        QCOMPARE(w.focusWidget(), static_cast<QWidget*>(w.rbtLNutri));
        QCOMPARE(recorder.calls().size(), 0);
        QVERIFY(!ShowAviOverlay());
    });
}

void tst_CalcNutriDieta::typingInTheGroupGoesBackToAll() {
    QVERIFY(!choosePatient().isEmpty());
    withWindow([&](TfrmCalcNutriDieta& w) {
        // The group picked from its lookup shows its name.
        fx->dialogs().answerDialog([](QDialog& dialog) {
            auto* pick = qobject_cast<TPickListDialog*>(&dialog);
            if (!pick || pick->rowCount() != 4 || pick->cellText(2, 0) != QLatin1String("03"))
                return int(QDialog::Rejected);
            pick->chooseRow(2);
            return int(QDialog::Accepted);
        });
        w.btpGrupo->click();
        QCOMPARE(w.medCdGrupo->text(), QStringLiteral("03"));
        QCOMPARE(w.edtNmGrupo->text(), QStringLiteral("Vitaminas"));

        w.rbtLNutri->click();
        fx->dialogs().answerDialog([](QDialog& dialog) {
            auto* pick = qobject_cast<TPickListDialog*>(&dialog);
            if (!pick)
                return int(QDialog::Rejected);
            pick->setChecked(0, true);
            return int(QDialog::Accepted);
        });
        w.btnNutriente->click();
        QCOMPARE(w.NutrientList(), QStringLiteral("_010_"));

        w.medCdGrupo->setFocus();
        QTest::keyClick(w.medCdGrupo, Qt::Key_Backspace);
        QVERIFY(w.rbtTNutri->isChecked());
        QVERIFY(!w.btnNutriente->isEnabled());
        QVERIFY(w.NutrientList().isEmpty());
        QVERIFY(w.edtNmGrupo->text().isEmpty());
    });
    QVERIFY2(fx->dialogs().texts().isEmpty(), qPrintable(fx->dialogs().texts().join('\n')));
}

void tst_CalcNutriDieta::failedCalculationZeroesTheEnergyAndKeepsTheRows() {
    QVERIFY(!choosePatient().isEmpty());
    withWindow([&](TfrmCalcNutriDieta& w) {
        calculate(w);
        QCOMPARE(w.cdsCalc->RecordCount(), 12);
        QVERIFY(w.nedVct->GetNumber() > 0);
        // The server stops answering.
        HostValues values = Vantor::host();
        values.webPort = 1;
        Vantor::setHost(values);
        screen()->connection()->setConnected(false);
        calculate(w);
        QCOMPARE(fx->dialogs().asked.size(), 1);
        QCOMPARE(fx->dialogs().asked.first().kind, MsgKind::Error);
        QVERIFY(!ShowAviOverlay());
        QCOMPARE(w.cdsCalc->RecordCount(), 12);
        for (TNumberEdit* edit : {w.nedVct, w.nedProt, w.nedCarbo, w.nedLipidio, w.nedAlcool})
            QCOMPARE(edit->text(), QStringLiteral("0,000"));
    });

    // An answer without the four energy values is refused, not read as zeros.
    test::DemoServer truncated([](server::MethodRegistry& registry) {
        server::MethodEntry entry = *registry.find(QStringLiteral("GetCalcNutriente"));
        server::MethodHandler inner = entry.handler;
        entry.handler = [inner](server::CallContext& context, QVariantList& args) {
            server::CallResult answer = inner(context, args);
            answer.result = QVariantList{answer.result.toList().value(0)};
            return answer;
        };
        registry.add(entry);
    });
    QVERIFY2(truncated.ok(), qPrintable(truncated.error()));
    truncated.redirect(screen()->connection());
    fx->dialogs().clear();
    withWindow([&](TfrmCalcNutriDieta& w) {
        calculate(w);
        QCOMPARE(fx->dialogs().texts(),
                 QStringList{QStringLiteral("Resposta inválida do servidor de aplicação.")});
        QCOMPARE(w.cdsCalc->RecordCount(), 0);
        QCOMPARE(w.nedVct->text(), QStringLiteral("0,000"));
    });
}

// The current nutrient is shown as a whole row, whichever way it became current: after the
// calculation, a click on its total, the arrow keys, and a move of the dataset from code.
void tst_CalcNutriDieta::selectionTakesTheWholeRow() {
    QVERIFY(!choosePatient().isEmpty());
    withWindow([&](TfrmCalcNutriDieta& w) {
        calculate(w);
        TDBGrid* grid = w.dbgNutriente;
        QVERIFY(grid->model()->rowCount() > 3);
        const int columns = grid->model()->columnCount();
        const auto selectedRow = [&]() -> int {
            const QModelIndexList cells = grid->selectionModel()->selectedIndexes();
            if (cells.size() != columns)
                return -1;
            for (const QModelIndex& cell : cells)
                if (cell.row() != cells.first().row())
                    return -1;
            return cells.first().row();
        };
        QCOMPARE(selectedRow(), w.cdsCalc->CurrentRow());
        const int total = grid->ColumnIndex(QStringLiteral("TOTAL"));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                          grid->visualRect(grid->model()->index(2, total)).center());
        QCOMPARE(selectedRow(), 2);
        QCOMPARE(w.cdsCalc->CurrentRow(), 2);
        QTest::keyClick(grid, Qt::Key_Down);
        QCOMPARE(selectedRow(), 3);
        QTest::keyClick(grid, Qt::Key_Left);
        QCOMPARE(selectedRow(), 3);
        w.cdsCalc->First();
        QCOMPARE(selectedRow(), 0);
    });
}

// Not a check: the window's picture for the documentation, taken when DIETA_SCREENSHOT names
// the file (run under xvfb-run).
void tst_CalcNutriDieta::screenshot() {
    const QString output = qEnvironmentVariable("DIETA_SCREENSHOT");
    if (output.isEmpty())
        QSKIP("DIETA_SCREENSHOT is not set");
    QVERIFY(!choosePatient().isEmpty());
    withWindow([&](TfrmCalcNutriDieta& w) {
        calculate(w);
        w.cdsCalc->First();
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        QVERIFY(w.grab().save(output));
    });
}

QTEST_MAIN(tst_CalcNutriDieta)
#include "tst_calcnutridieta.moc"
