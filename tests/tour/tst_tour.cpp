// A day's work end to end through the real host and the real module library, against a real
// server on a temporary SQLite file: every window reached from the toolbar as the operator
// reaches it, by clicks and keys, the questions answered by the scripted dialog service. Each
// step states what it wrote; at the end the rows of every table and the audit trail must be
// exactly what the steps stated, no more and no less.
//
// The tour is the table kTour below: one named step per row, run in order on one host and
// one database. A new step is a member function and a row.

#include "framework/tdateeditplus.h"
#include "framework/tmaskedit.h"
#include "framework/tnumberedit.h"
#include "tests/support/hostharness.h"
#include "tests/tour/tourledger.h"
#include "tests/tour/tourwindows.h"

#include <QElapsedTimer>
#include <QMdiSubWindow>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>
#include <memory>

using namespace dieta;
using namespace dieta::test;
using namespace dieta::test::tour;

class tst_Tour : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void step_data();
    void step();
    void databaseHoldsExactlyWhatTheTourDid();

private:
    struct Step {
        const char* name;
        void (tst_Tour::*run)();
    };
    static const Step kTour[];

    // The steps, in the order of kTour.
    void openTheScreen();
    void loadTheList();
    void markTwoPatients();
    void setADietWithItsMenu();
    void addAFurtherDiet();
    void takeOverAPrescription();
    void filterTheList();
    void copyTheDayToTomorrow();
    void computeNutrients();
    void computePrescriptions();
    void checkRestrictions();
    void seeARestriction();
    void deleteADayRecord();

    // The main screen's parts, by name.
    TClientDataSet* list() const { return part<TClientDataSet>(form_, "cdsInternacao"); }
    TClientDataSet* marked() const { return part<TClientDataSet>(form_, "cdsInterAux"); }
    TDBGrid* grid() const { return part<TDBGrid>(form_, "dbgPadrao"); }
    void click(const char* button) const { part<QToolButton>(form_, button)->click(); }
    // The row of a patient (not a companion) in the list, or -1.
    int rowOf(const QString& patient) const;
    int recordsOf(const QString& patient) const;
    // The screen's page, chosen by its tab.
    void showPage(const char* page);
    QStringList messages() const { return host_->dialogs().texts(); }

    std::unique_ptr<HostHarness> host_;
    std::unique_ptr<TourLedger> ledger_;
    QPointer<QWidget> form_;
    QElapsedTimer clock_;
    bool broken_ = false;
    // What the steps leave for the later ones.
    QString first_, second_; // the patients given a diet
    int menuDishes_ = 0;     // dishes of the diet's menu on the day
};

const tst_Tour::Step tst_Tour::kTour[] = {
    {"open the screen", &tst_Tour::openTheScreen},
    {"load the list", &tst_Tour::loadTheList},
    {"mark two patients", &tst_Tour::markTwoPatients},
    {"set a diet with its menu", &tst_Tour::setADietWithItsMenu},
    {"add a further diet", &tst_Tour::addAFurtherDiet},
    {"take over a prescription", &tst_Tour::takeOverAPrescription},
    {"filter the list", &tst_Tour::filterTheList},
    {"copy the day to tomorrow", &tst_Tour::copyTheDayToTomorrow},
    {"compute nutrients", &tst_Tour::computeNutrients},
    {"compute prescriptions with ZFA80000", &tst_Tour::computePrescriptions},
    {"check restrictions", &tst_Tour::checkRestrictions},
    {"see a restriction", &tst_Tour::seeARestriction},
    {"delete a day record", &tst_Tour::deleteADayRecord},
};

namespace {

const QString kDiet = QStringLiteral("0001");

QDate today() {
    return HostEnvironment::today();
}

} // namespace

void tst_Tour::initTestCase() {
    clock_.start();
    host_ = std::make_unique<HostHarness>();
    QVERIFY2(host_->ok(), qPrintable(host_->error()));
    ledger_ = std::make_unique<TourLedger>(host_->environment().server().database());
    ledger_->open();
}

void tst_Tour::init() {
    host_->dialogs().clear();
}

void tst_Tour::cleanup() {
    // A step that failed leaves the screen somewhere the next ones do not expect.
    broken_ = broken_ || QTest::currentTestFailed();
    QCOMPARE(host_->dialogs().pendingAnswers(), 0);
}

void tst_Tour::cleanupTestCase() {
    ledger_.reset();
    host_.reset();
}

void tst_Tour::step_data() {
    QTest::addColumn<int>("index");
    for (int index = 0; index < int(std::size(kTour)); ++index)
        QTest::newRow(kTour[index].name) << index;
}

void tst_Tour::step() {
    QFETCH(int, index);
    if (broken_)
        QSKIP("an earlier step failed");
    (this->*kTour[index].run)();
}

void tst_Tour::databaseHoldsExactlyWhatTheTourDid() {
    if (broken_)
        QSKIP("a step failed: its writes are unknown");
    const QStringList mismatches = ledger_->mismatches();
    QVERIFY2(mismatches.isEmpty(), qPrintable(mismatches.join(u'\n')));
    const QList<AuditLine> audit = ledger_->auditSinceOpen();
    QCOMPARE(audit.size(), ledger_->auditExpected().size());
    for (int line = 0; line < audit.size(); ++line)
        QCOMPARE(audit.at(line).text(), ledger_->auditExpected().at(line).text());
    qInfo("tour: %lld ms; %s", clock_.elapsed(), qPrintable(ledger_->changes().join(u"; ")));
}

// ---- helpers

int tst_Tour::rowOf(const QString& patient) const {
    TClientDataSet* ds = list();
    for (int row = 0; row < ds->ViewCount(); ++row)
        if (text(ds, row, "CDPACIENTE") == patient && text(ds, row, "STPACIACOM") == u"0")
            return row;
    return -1;
}

int tst_Tour::recordsOf(const QString& patient) const {
    TClientDataSet* ds = list();
    int records = 0;
    for (int row = 0; row < ds->ViewCount(); ++row)
        records += text(ds, row, "CDPACIENTE") == patient && !text(ds, row, "NRSEQUSERV").isEmpty();
    return records;
}

void tst_Tour::showPage(const char* page) {
    auto* pages = part<QTabWidget>(form_, "pgcPadrao");
    QTabBar* tabs = pages->tabBar();
    const int index = pages->indexOf(part<QWidget>(form_, page));
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(index).center());
    QCoreApplication::processEvents();
    QCOMPARE(pages->currentIndex(), index);
}

// ---- the steps

void tst_Tour::openTheScreen() {
    form_ = host_->openScreenFromMenu();
    QVERIFY(form_);
    QCOMPARE(part<TMaskEdit>(form_, "medCdFilial")->text(), QStringLiteral("0001"));
    QCOMPARE(messages(), QStringList());
}

void tst_Tour::loadTheList() {
    typeInto(part<TMaskEdit>(form_, "medCdServico"), QStringLiteral("00010"));
    // Leaving the selection panel loads the list.
    focusOn(grid());
    QTRY_VERIFY_WITH_TIMEOUT(list()->Active(), 5000);
    QVERIFY(list()->RecordCount() >= 6);
    QCOMPARE(messages(), QStringList());
}

// Two patients of one service standard (the filter keeps them), staying on (tomorrow's copy
// takes them), without a record of the day and without a companion: what the later steps
// write for them is then all there is of them.
void tst_Tour::markTwoPatients() {
    TClientDataSet* ds = list();
    QMap<QString, QStringList> byStandard;
    QStringList chosen;
    for (int row = 0; row < ds->ViewCount() && chosen.size() < 2; ++row) {
        const QString patient = text(ds, row, "CDPACIENTE");
        if (text(ds, row, "STPACIACOM") != u"0" || !text(ds, row, "DTALTA").isEmpty() ||
            recordsOf(patient) != 0 || rowOf(patient) != row)
            continue;
        QStringList& alike = byStandard[text(ds, row, "CDSERPADDIE")];
        alike << patient;
        if (alike.size() == 2)
            chosen = alike;
    }
    QCOMPARE(chosen.size(), 2);
    first_ = chosen.at(0);
    second_ = chosen.at(1);
    for (const QString& patient : chosen)
        clickCell(grid(), rowOf(patient), "IDCHECK");
    QCOMPARE(marked()->RecordCount(), 2);
    for (const QString& patient : chosen)
        QVERIFY(marked()->Locate(QStringLiteral("CDPACIENTE"), patient));
}

void tst_Tour::setADietWithItsMenu() {
    QStringList ticked;
    bool shown = false;
    whileShown(
        *host_, "frmDietaContAlimentar",
        [&](QDialog& dialog) {
            typeInto(part<TMaskEdit>(&dialog, "medDieta"), kDiet);
            focusOn(part<QWidget>(&dialog, "rgpPaciente"));
            TClientDataSet* menu = part<TClientDataSet>(&dialog, "cdsConfescoDieta");
            menuDishes_ = menu->RecordCount();
            QVERIFY(menuDishes_ >= 2);
            // The operator ticks the first two dishes with the space bar.
            TDBGrid* dishes = part<TDBGrid>(&dialog, "dbgConfesco");
            cellRect(dishes, 0, "IDESCOCONF");
            menu->First();
            for (int dish = 0; dish < 2; ++dish) {
                QTest::keyClick(dishes, Qt::Key_Space);
                ticked << current(menu, "CDPRATO") + u':' + current(menu, "IDESCOCONF");
                QTest::keyClick(dishes, Qt::Key_Down);
            }
            // Keep the settings of a previous diet: there is none.
            host_->dialogs().answer(mrFirstCustom);
            part<QToolButton>(&dialog, "sbtConfirma")->click();
        },
        &shown);
    click("sbtDieta");
    QVERIFY(shown);
    QCOMPARE(messages(), (QStringList{"Deseja manter as configurações da dieta anterior?",
                                      "Controle alimentar foi realizado com sucesso."}));
    for (const QString& patient : {first_, second_}) {
        QCOMPARE(text(list(), rowOf(patient), "CDDIETPAD"), kDiet);
        QCOMPARE(recordsOf(patient), 1);
    }
    QCOMPARE(ticked.size(), 2);
    qInfo("diet %s with %d dishes for %s and %s", qPrintable(kDiet), menuDishes_,
          qPrintable(first_), qPrintable(second_));
    ledger_->expectRows(QStringLiteral("SERVINTE"), 2);
    ledger_->expectRows(QStringLiteral("CONFESCO"), 2 * menuDishes_);
    ledger_->expectWrite(QStringLiteral("SetConfDieta"), {first_, second_});
}

void tst_Tour::addAFurtherDiet() {
    // The list came back without marks: the one patient is marked again.
    QCOMPARE(marked()->RecordCount(), 0);
    clickCell(grid(), rowOf(first_), "IDCHECK");
    QCOMPARE(marked()->RecordCount(), 1);
    bool shown = false;
    whileShown(
        *host_, "frmAcresDupDieta",
        [&](QDialog& dialog) {
            typeInto(part<TMaskEdit>(&dialog, "medDieta"), kDiet);
            typeInto(part<TNumberEdit>(&dialog, "nedQuant"), QStringLiteral("1"));
            focusOn(part<QWidget>(&dialog, "rgpPaciente"));
            host_->dialogs().answer(mrYes);
            part<QToolButton>(&dialog, "sbtConfirma")->click();
        },
        &shown);
    click("sbtDupDieta");
    QVERIFY(shown);
    QCOMPARE(messages(),
             (QStringList{"Confirma operação?", "Controle alimentar foi realizado com sucesso."}));
    QCOMPARE(recordsOf(first_), 2);
    // The new record carries the day's menu of the diet, the one the diet dialog showed.
    ledger_->expectRows(QStringLiteral("SERVINTE"), 1);
    ledger_->expectRows(QStringLiteral("CONFESCO"), menuDishes_);
    ledger_->expectWrite(QStringLiteral("SetDupDieta"), {first_});
}

// Only the service standard of the two patients.
void tst_Tour::filterTheList() {
    const QStringList standards{text(list(), rowOf(first_), "CDSERPADDIE")};
    const int before = list()->RecordCount();
    bool shown = false;
    whileShown(
        *host_, "frmFiltro",
        [&](QDialog& filter) {
            part<QRadioButton>(&filter, "rbtPadrLista")->click();
            host_->dialogs().answerDialog(pickCodes(standards));
            part<QToolButton>(&filter, "sbtPadr")->click();
            part<QToolButton>(&filter, "sbtConfirma")->click();
        },
        &shown);
    click("sbtFiltro");
    QVERIFY(shown);
    QCOMPARE(messages(), QStringList());
    QVERIFY(list()->RecordCount() < before);
    for (int row = 0; row < list()->ViewCount(); ++row)
        QVERIFY(standards.contains(text(list(), row, "CDSERPADDIE")));
    QVERIFY(rowOf(first_) >= 0 && rowOf(second_) >= 0);
    qInfo("list of %d rows filtered to %d", before, list()->RecordCount());
}

void tst_Tour::copyTheDayToTomorrow() {
    bool shown = false;
    whileShown(
        *host_, "frmCopConf",
        [&](QDialog& copy) {
            part<TDateEditPlus>(&copy, "depOrigem")->SetDate(today());
            part<TDateEditPlus>(&copy, "depDestino")->SetDate(today().addDays(1));
            part<QRadioButton>(&copy, "rbtLPaci")->click();
            host_->dialogs().answerDialog(pickCodes({first_, second_}, "picklist-window.png"));
            part<QToolButton>(&copy, "sbtPaci")->click();
            part<QToolButton>(&copy, "sbtConfirma")->click();
            part<QToolButton>(&copy, "sbtFecha")->click();
        },
        &shown);
    click("sbtCopConf");
    QVERIFY(shown);
    // No question: tomorrow had nothing of them.
    QCOMPARE(messages(), QStringList{"A cópia do cardápio foi realizada com sucesso."});
    const int records = recordsOf(first_) + recordsOf(second_);
    QCOMPARE(records, 3);
    ledger_->expectRows(QStringLiteral("SERVINTE"), records);
    ledger_->expectRows(QStringLiteral("CONFESCO"), records * menuDishes_);
    ledger_->expectWrite(QStringLiteral("GetCopiarDieta"), {first_, second_});
}

void tst_Tour::computeNutrients() {
    clickCell(grid(), rowOf(first_), "NMPACIENTE");
    showPage("tshFormulario");
    int nutrients = 0;
    QString total;
    bool shown = false;
    whileShown(
        *host_, "frmCalcNutriDieta",
        [&](QDialog& window) {
            part<QToolButton>(&window, "sbtConfirma")->click();
            nutrients = part<TClientDataSet>(&window, "cdsCalc")->RecordCount();
            total = part<TNumberEdit>(&window, "nedVct")->text();
            part<QToolButton>(&window, "sbtFecha")->click();
        },
        &shown);
    click("sbtCalcNutr");
    QVERIFY(shown);
    QCOMPARE(messages(), QStringList());
    QVERIFY(nutrients > 0);
    QVERIFY2(!total.isEmpty(), "no total caloric value");
    showPage("tshFolhaDados");
}

// The prescription of a patient without a record of the day: it becomes the record.
void tst_Tour::takeOverAPrescription() {
    QString patient;
    bool shown = false;
    whileShown(
        *host_, "frmControlePresDiet",
        [&](QDialog& window) {
            TClientDataSet* prescriptions = part<TClientDataSet>(&window, "cdsPrescricao");
            TDBGrid* rows = part<TDBGrid>(&window, "dbgPadrao");
            for (int row = 0; row < prescriptions->ViewCount() && patient.isEmpty(); ++row) {
                const QString code = text(prescriptions, row, "CDPACIENTE");
                if (recordsOf(code) == 0 && rowOf(code) >= 0) {
                    patient = code;
                    clickCell(rows, row, "NMPACIENTE");
                    QTest::keyClick(rows, Qt::Key_Space);
                }
            }
            QVERIFY2(!patient.isEmpty(), "no prescription of a patient without a record");
            host_->dialogs().answer(mrYes);
            part<QToolButton>(&window, "sbtConfirmar")->click();
        },
        &shown);
    click("sbtPresDiet");
    QVERIFY(shown);
    QCOMPARE(messages(), (QStringList{"Confirma operação?",
                                      "Cópia de prescrição dietética concluída com sucesso."}));
    QCOMPARE(recordsOf(patient), 1);
    // Its menu, as the menu page shows it, is what the record got.
    clickCell(grid(), rowOf(patient), "NMPACIENTE");
    showPage("tshFormulario");
    const int dishes = part<TClientDataSet>(form_, "cdsConfesco")->RecordCount();
    showPage("tshFolhaDados");
    ledger_->expectRows(QStringLiteral("SERVINTE"), 1);
    ledger_->expectRows(QStringLiteral("CONFESCO"), dishes);
    ledger_->expectWrite(QStringLiteral("SetConfirmaPrescricao"), {patient});
}

// The host's calculation module proposes the day's missing prescriptions; all are written,
// and the screen reloads its list when the module's window has closed.
void tst_Tour::computePrescriptions() {
    QStringList proposed;
    bool shown = false;
    whileShown(
        *host_, "frmCalcPresDieta",
        [&](QDialog& window) {
            TClientDataSet* proposals = part<TClientDataSet>(&window, "cdsProposta");
            QTRY_VERIFY_WITH_TIMEOUT(proposals->RecordCount() > 0, 5000);
            for (int row = 0; row < proposals->ViewCount(); ++row)
                proposed << text(proposals, row, "CDPACIENTE");
            host_->dialogs().answer(mrYes);
            part<QPushButton>(&window, "btnGravar")->click();
        },
        &shown);
    click("sbtCalcPresDieta");
    QVERIFY(shown);
    QCOMPARE(messages(),
             (QStringList{QStringLiteral("Confirma a gravação de %1 prescrição(ões) de dieta?")
                              .arg(proposed.size()),
                          QStringLiteral("%1 prescrição(ões) de dieta gravada(s) com sucesso.")
                              .arg(proposed.size())}));
    QVERIFY(list()->Active());
    QCOMPARE(list()->RecNo(), 1); // reloaded from its first row
    ledger_->expectRows(QStringLiteral("PRESDIET"), int(proposed.size()));
    ledger_->expectWrite(QStringLiteral("SetPropPresDieta"), proposed);
}

// On the inpatient page the check covers every patient of the list.
void tst_Tour::checkRestrictions() {
    QStringList patients;
    const DataPacket all = list()->Data();
    const int column = all.fieldIndex(u"CDPACIENTE");
    for (const auto& row : all.rows)
        if (!patients.contains(row.at(column).toString()))
            patients << row.at(column).toString();
    click("sbtRestricao");
    QCOMPARE(messages(), QStringList());
    QVERIFY(list()->Active());
    QVERIFY(list()->AfterScroll); // the scroll handler is back
    ledger_->expectWrite(QStringLiteral("GetVerifRestInto"), patients);
}

// A double click on a patient's restriction mark shows what restricts its food.
void tst_Tour::seeARestriction() {
    int row = 0;
    while (row < list()->ViewCount() && text(list(), row, "IDRESTSERIN") != u"1")
        ++row;
    QVERIFY2(row < list()->ViewCount(), "no patient with restrictions in the list");
    int restrictions = 0;
    bool shown = false;
    whileShown(
        *host_, "frmVisuRestInto",
        [&](QDialog& window) {
            restrictions = part<TClientDataSet>(&window, "cdsVisuaRestInto")->RecordCount();
            picture(window, "visurestinto-window.png");
            part<QToolButton>(&window, "sbtFecha")->click();
        },
        &shown);
    doubleClickCell(grid(), row, "IDRESTSERIN");
    QVERIFY(shown);
    QCOMPARE(messages(), QStringList());
    QVERIFY(restrictions > 0);
}

void tst_Tour::deleteADayRecord() {
    clickCell(grid(), rowOf(second_), "IDCHECK");
    QCOMPARE(marked()->RecordCount(), 1);
    host_->dialogs().answer(mrYes);
    click("sbtExcluir");
    QCOMPARE(messages(), QStringList{"Confirma exclusão?"});
    QCOMPARE(recordsOf(second_), 0);
    QCOMPARE(marked()->RecordCount(), 0);
    ledger_->expectRows(QStringLiteral("SERVINTE"), -1);
    ledger_->expectRows(QStringLiteral("CONFESCO"), -menuDishes_);
    ledger_->expectWrite(QStringLiteral("DelServ"), {second_});
}

QTEST_MAIN(tst_Tour)
#include "tst_tour.moc"
