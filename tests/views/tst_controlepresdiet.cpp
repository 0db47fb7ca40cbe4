// The diet prescription window opened from the main screen against the real server: the
// day's prescriptions of the listed inpatients, marking one by one and all at once, the
// confirmation (refused, with a diet lacking a menu, failed) and the main list after a copy.

#include "contracts/contalimentar.h"
#include "framework/dbcontrols.h"
#include "framework/showavi.h"
#include "framework/tdbgrid.h"
#include "framework/tmaskedit.h"
#include "platform/sqldatabase.h"
#include "platform/tclientdataset.h"
#include "platform/tfield.h"
#include "tests/screen/screenfixture.h"
#include "tests/views/demoserver.h"
#include "views/Cli_zfa13030.h"

#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QSqlQuery>
#include <QToolButton>
#include <QtTest>

using namespace dieta;
using Cli_zfa13030::TfrmControlePresDiet;

namespace {

const QString kConf = QStringLiteral("Confirma operação?");
const QString kCopSuc = QStringLiteral("Cópia de prescrição dietética concluída com sucesso.");
const QString kNoMenu =
    QStringLiteral("Não existe cardápio cadastrado para  dieta e dia informado.");

QStringList column(TClientDataSet* ds, const char* field) {
    QStringList values;
    for (int row = 0; row < ds->ViewCount(); ++row)
        values << ds->RowValue(row, ds->FieldByName(QString::fromLatin1(field))).toString();
    return values;
}

bool locate(TClientDataSet* ds, const QString& patient) {
    return ds->Locate(QStringLiteral("CDPACIENTE"), patient, loCaseInsensitive);
}

} // namespace

class tst_ControlePresDiet : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void listsTheDaysPrescriptionsUnmarkedInBedOrder();
    void marksOneByOneAndAllAtOnce();
    void nothingMarkedOrNoToConfChangesNothing();
    void confirmedCopyWarnsOfADietWithoutMenuAndReloadsTheList();
    void serverFailuresNeverTrapTheWindow();
    void screenshot();

private:
    contracts::ContAlimentar* screen() const { return contracts::frmContAlimentar; }
    template <typename T> T* child(const char* name) const {
        return screen()->widget()->findChild<T*>(QString::fromLatin1(name));
    }
    // Opens the window with the screen's button (or menu item) and runs `body` on it while it
    // is shown, once its list is loaded.
    void withWindow(const std::function<void(TfrmControlePresDiet&)>& body,
                    const char* opener = "sbtPresDiet");
    QStringList prescribedPatients();
    void clickCell(TfrmControlePresDiet& w, int row, bool twice);
    void clickTitle(TfrmControlePresDiet& w, const char* field);
    // The patients' day records in the server's database: "patient/diet/remark".
    QStringList dayRecords(const QStringList& patients);

    std::unique_ptr<test::ScreenFixture> fx;
};

void tst_ControlePresDiet::init() {
    fx = std::make_unique<test::ScreenFixture>();
    QVERIFY2(fx->ok(), qPrintable(fx->error()));
    QVERIFY(fx->openScreen());
    fx->enterPanel(child<TMaskEdit>("medCdServico"));
    fx->leavePanel();
    QVERIFY(screen()->inpatients()->Active());
    QVERIFY(child<QToolButton>("sbtPresDiet")->isEnabled());
}

void tst_ControlePresDiet::cleanup() {
    fx.reset();
}

void tst_ControlePresDiet::withWindow(const std::function<void(TfrmControlePresDiet&)>& body,
                                      const char* opener) {
    auto ran = std::make_shared<bool>(false);
    fx->dialogs().answerDialog([body, ran](QDialog& dialog) {
        auto* w = qobject_cast<TfrmControlePresDiet*>(&dialog);
        if (!w || Cli_zfa13030::frmControlePresDiet != w)
            return int(QDialog::Rejected);
        w->show();
        w->activateWindow();
        if (!QTest::qWaitForWindowActive(w))
            return int(QDialog::Rejected);
        // The list loads at the first activation, delivered after the window shows.
        if (!QTest::qWaitFor([w] { return w->cdsPrescricao->RecordCount() > 0; }, 5000))
            return int(QDialog::Rejected);
        *ran = true;
        body(*w);
        if (w->isVisible())
            w->Close();
        return w->result();
    });
    if (QAction* item = child<QAction>(opener))
        item->trigger();
    else
        child<QToolButton>(opener)->click();
    QVERIFY2(*ran, "the window did not open");
    QVERIFY(!Cli_zfa13030::frmControlePresDiet);
}

QStringList tst_ControlePresDiet::prescribedPatients() {
    TClientDataSet* list = screen()->inpatients();
    QStringList listed;
    for (int row = 0; row < list->ViewCount(); ++row)
        if (list->RowValue(row, list->FieldByName(u"STPACIACOM")).toString() == "0")
            listed << list->RowValue(row, list->FieldByName(u"CDPACIENTE")).toString();
    QSqlQuery q(fx->server().database().connection());
    q.prepare("SELECT CDPACIENTE FROM PRESDIET WHERE CDFILIAL = ? AND DTPRESDIET = ?");
    q.addBindValue(screen()->filialCode());
    q.addBindValue(test::ScreenFixture::today());
    q.exec();
    QStringList prescribed;
    while (q.next())
        if (listed.contains(q.value(0).toString()))
            prescribed << q.value(0).toString();
    prescribed.sort();
    return prescribed;
}

QStringList tst_ControlePresDiet::dayRecords(const QStringList& patients) {
    QStringList records;
    for (const QString& patient : patients) {
        QSqlQuery q(fx->server().database().connection());
        q.prepare("SELECT CDDIETPAD, DSSERVINTE FROM SERVINTE WHERE CDFILIAL = ? AND "
                  "CDPACIENTE = ? AND DTSERVINTE = ? AND STPACIACOM = '0' ORDER BY NRSEQUSERV");
        q.addBindValue(screen()->filialCode());
        q.addBindValue(patient);
        q.addBindValue(test::ScreenFixture::today());
        q.exec();
        while (q.next())
            records << patient + '/' + q.value(0).toString() + '/' + q.value(1).toString();
    }
    return records;
}

void tst_ControlePresDiet::clickCell(TfrmControlePresDiet& w, int row, bool twice) {
    TDBGrid* grid = w.dbgPadrao;
    const QPoint at = grid->visualRect(grid->model()->index(row, 1)).center();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, at);
    if (twice)
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, at);
}

void tst_ControlePresDiet::clickTitle(TfrmControlePresDiet& w, const char* field) {
    QHeaderView* header = w.dbgPadrao->horizontalHeader();
    const int section = w.dbgPadrao->ColumnIndex(QString::fromLatin1(field));
    const QPoint at(header->sectionViewportPosition(section) + header->sectionSize(section) / 2,
                    header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
}

void tst_ControlePresDiet::listsTheDaysPrescriptionsUnmarkedInBedOrder() {
    const QStringList expected = prescribedPatients();
    QVERIFY(expected.size() >= 3);
    withWindow([&](TfrmControlePresDiet& w) {
        TClientDataSet* list = w.cdsPrescricao;
        QStringList patients = column(list, "CDPACIENTE");
        patients.sort();
        QCOMPARE(patients, expected);
        QCOMPARE(column(list, "IDPRESDIET"), QStringList(expected.size(), QStringLiteral("N")));
        const QStringList beds = column(list, "CDLEITO");
        QStringList sorted = beds;
        sorted.sort();
        QCOMPARE(beds, sorted);
        // What can be done here: search and confirm; nothing added, changed, deleted, printed.
        QVERIFY(w.sbtConfirmar->isEnabled() && w.mnuConfirmar->isEnabled());
        QVERIFY(w.sbtProcurar->isEnabled() && w.mnuProcurar->isEnabled());
        for (QAction* item : {w.mnuListagem, w.mnuConfigImpressora, w.mnuIncluir, w.mnuAlterar,
                              w.mnuExcluir, w.mnuVerificar, w.mnuLinha3, w.mnuCancelar})
            QVERIFY2(!item->isEnabled(), qPrintable(item->objectName()));
        QVERIFY(!w.sbtImprimir->isEnabled() && !w.sbtIncluir->isEnabled());
        list->First();
        QCOMPARE(w.dbtNome->text(), list->FieldByName(u"NMPACIENTE")->AsString());

        // Later activations (after a box, say) keep the list and its marks.
        clickCell(w, 0, true);
        w.FormActivate();
        QCOMPARE(list->RowValue(0, list->FieldByName(u"IDPRESDIET")).toString(),
                 QStringLiteral("S"));
    });
    // The menu item opens it too.
    withWindow([](TfrmControlePresDiet& w) { QVERIFY(!w.cdsPrescricao->IsEmpty()); },
               "mnuPresDiet");
    QVERIFY2(fx->dialogs().texts().isEmpty(), qPrintable(fx->dialogs().texts().join('\n')));
}

void tst_ControlePresDiet::marksOneByOneAndAllAtOnce() {
    withWindow([&](TfrmControlePresDiet& w) {
        TClientDataSet* list = w.cdsPrescricao;
        TField* mark = list->FieldByName(u"IDPRESDIET");
        const int count = list->RecordCount();
        auto marks = [&] { return column(list, "IDPRESDIET"); };
        auto allAre = [&](const QString& value) { return QStringList(count, value); };

        // One by one: a double click, then the space bar, each toggles the current row.
        clickCell(w, 1, true);
        QCOMPARE(marks().at(1), QStringLiteral("S"));
        w.dbgPadrao->setFocus();
        QTest::keyClick(w.dbgPadrao, Qt::Key_Space);
        QCOMPARE(marks().at(1), QStringLiteral("N"));
        clickCell(w, 2, false);
        QTest::keyClick(w.dbgPadrao, Qt::Key_Space);
        QCOMPARE(marks().at(2), QStringLiteral("S"));
        // A value other than "S" or "N" becomes "S".
        list->SetRecNo(4);
        list->Edit();
        mark->SetAsString(QStringLiteral("x"));
        list->Post();
        clickCell(w, 3, true);
        QCOMPARE(marks().at(3), QStringLiteral("S"));

        // Another title does nothing.
        clickTitle(w, "NMPACIENTE");
        QCOMPARE(marks().at(2), QStringLiteral("S"));
        QCOMPARE(marks().count(QStringLiteral("S")), 2);

        // The mark's title on an unmarked row asks for every prescription marked, on a marked
        // row for none.
        list->SetRecNo(1);
        clickTitle(w, "IDPRESDIET");
        QCOMPARE(marks(), allAre(QStringLiteral("S")));
        clickTitle(w, "IDPRESDIET");
        QCOMPARE(marks(), allAre(QStringLiteral("N")));
        QVERIFY(!ShowAviOverlay());
    });
    QVERIFY2(fx->dialogs().texts().isEmpty(), qPrintable(fx->dialogs().texts().join('\n')));
}

void tst_ControlePresDiet::nothingMarkedOrNoToConfChangesNothing() {
    const QStringList patients = prescribedPatients();
    const QStringList before = dayRecords(patients);
    withWindow([&](TfrmControlePresDiet& w) {
        w.sbtConfirmar->click();
        QCOMPARE(fx->dialogs().texts(), QStringList{"Paciente deve ser informado."});

        fx->dialogs().clear();
        clickCell(w, 0, true);
        clickCell(w, 2, true);
        fx->dialogs().answer(mrNo);
        w.mnuConfirmar->trigger();
        QCOMPARE(fx->dialogs().texts(), QStringList{kConf});
        QCOMPARE(fx->dialogs().asked.first().kind, MsgKind::Confirmation);
        QVERIFY(w.isVisible());
        QVERIFY(!w.Copied());
        QCOMPARE(column(w.cdsPrescricao, "IDPRESDIET").count(QStringLiteral("S")), 2);
    });
    QCOMPARE(dayRecords(patients), before);
}

void tst_ControlePresDiet::confirmedCopyWarnsOfADietWithoutMenuAndReloadsTheList() {
    const QStringList patients = prescribedPatients();
    QVERIFY(patients.size() >= 2);
    const QString fasting = patients.at(0);
    const QString remarked = patients.at(1);
    // One prescription is for a menu diet without any menu card; the other carries a remark.
    fx->exec("INSERT OR IGNORE INTO DIETSERV (CDFILIAL, CDSERVFILI, CDDIETPAD) VALUES (?, ?, "
             "'0014')",
             {screen()->filialCode(), screen()->servicoCode()});
    fx->exec("UPDATE PRESDIET SET CDDIETPAD = '0014' WHERE CDPACIENTE = ? AND DTPRESDIET = ?",
             {fasting, test::ScreenFixture::today()});
    fx->exec("UPDATE PRESDIET SET DSPRESDIET = 'Prescrição de teste' WHERE CDPACIENTE = ? AND "
             "DTPRESDIET = ?",
             {remarked, test::ScreenFixture::today()});

    withWindow([&](TfrmControlePresDiet& w) {
        TClientDataSet* list = w.cdsPrescricao;
        for (const QString& patient : {fasting, remarked}) {
            QVERIFY(locate(list, patient));
            clickCell(w, list->RecNo() - 1, true);
        }
        fx->dialogs().answer(mrYes);
        w.sbtConfirmar->click();
        QVERIFY(!w.isVisible());
        QVERIFY(w.Copied());
        QVERIFY(!ShowAviOverlay());
    });
    // Asked, warned of what was not taken over in full, then told of the success.
    const QList<AskedMessage> asked = fx->dialogs().asked;
    QCOMPARE(asked.size(), 3);
    QCOMPARE(asked.at(0).text, kConf);
    QCOMPARE(asked.at(1).kind, MsgKind::Warning);
    QVERIFY2(asked.at(1).text.startsWith(kNoMenu), qPrintable(asked.at(1).text));
    QVERIFY(asked.at(1).text.contains(QStringLiteral("0014 - Jejum")));
    QCOMPARE(asked.at(2).kind, MsgKind::Information);
    QCOMPARE(asked.at(2).text, kCopSuc);

    // Both were taken over, and the main list shows them once the window has closed.
    const QStringList records = dayRecords({fasting, remarked});
    QVERIFY2(records.filter(fasting + "/0014/").size() == 1, qPrintable(records.join(',')));
    QVERIFY(records.filter(remarked + '/').first().endsWith("/Prescrição de teste"));
    TClientDataSet* main = screen()->inpatients();
    QVERIFY(main->Locate("CDPACIENTE;STPACIACOM", QVariantList{fasting, "0"}, 0));
    QCOMPARE(main->FieldByName(u"CDDIETPAD")->AsString(), QStringLiteral("0014"));
    QCOMPARE(main->FieldByName(u"DSDIETPAD")->AsString(), QStringLiteral("Jejum"));
    QVERIFY(main->Locate("CDPACIENTE;STPACIACOM", QVariantList{remarked, "0"}, 0));
    QCOMPARE(main->FieldByName(u"DSSERVINTE")->AsString(), QStringLiteral("Prescrição de teste"));
}

void tst_ControlePresDiet::serverFailuresNeverTrapTheWindow() {
    const int listed = screen()->inpatients()->RecordCount();
    {
        // The copy fails: reported, the window stays with its marks, nothing reloads on close.
        auto recorder = std::make_shared<test::CallRecorder>();
        test::DemoServer failing([recorder](server::MethodRegistry& registry) {
            test::CallRecorder::fail(registry, "SetConfirmaPrescricao",
                                     QStringLiteral("Prescrição em uso por outro operador."));
            test::CallRecorder::wrap(registry, "GetInternacao", recorder);
        });
        QVERIFY2(failing.ok(), qPrintable(failing.error()));
        failing.redirect(screen()->connection());
        withWindow([&](TfrmControlePresDiet& w) {
            clickCell(w, 0, true);
            fx->dialogs().answer(mrYes);
            w.sbtConfirmar->click();
            QCOMPARE(fx->dialogs().texts(),
                     (QStringList{kConf, "Prescrição em uso por outro operador."}));
            QVERIFY(w.isVisible());
            QVERIFY(!w.Copied());
            QVERIFY(!ShowAviOverlay());
            QCOMPARE(column(w.cdsPrescricao, "IDPRESDIET").first(), QStringLiteral("S"));
            w.sbtFechar->click();
            QVERIFY(!w.isVisible());
        });
        QCOMPARE(recorder->count("GetInternacao"), 0);
    }
    fx->dialogs().clear();
    {
        // The copy is done but the list cannot be reloaded: reported, and the window closes.
        test::DemoServer failing([](server::MethodRegistry& registry) {
            test::CallRecorder::fail(registry, "GetInternacao",
                                     QStringLiteral("Lista de internados indisponível."));
        });
        QVERIFY2(failing.ok(), qPrintable(failing.error()));
        failing.redirect(screen()->connection());
        withWindow([&](TfrmControlePresDiet& w) {
            clickCell(w, 0, true);
            fx->dialogs().answer(mrYes);
            w.sbtConfirmar->click();
            QVERIFY(!w.isVisible());
            QVERIFY(w.Copied());
            QVERIFY(!ShowAviOverlay());
        });
        const QStringList texts = fx->dialogs().texts();
        QVERIFY2(texts.size() >= 3, qPrintable(texts.join('\n')));
        QCOMPARE(texts.first(), kConf);
        QCOMPARE(texts.at(texts.size() - 2), kCopSuc);
        QCOMPARE(texts.last(), QStringLiteral("Lista de internados indisponível."));
        QCOMPARE(screen()->inpatients()->RecordCount(), listed);
    }
}

// Not a check: the window's picture for the documentation, taken when DIETA_SCREENSHOT names
// the file (run under xvfb-run).
void tst_ControlePresDiet::screenshot() {
    const QString output = qEnvironmentVariable("DIETA_SCREENSHOT");
    if (output.isEmpty())
        QSKIP("DIETA_SCREENSHOT is not set");
    withWindow([&](TfrmControlePresDiet& w) {
        w.resize(1100, 420);
        for (int row : {0, 1, 3})
            if (row < w.cdsPrescricao->RecordCount())
                clickCell(w, row, true);
        clickCell(w, 2, false);
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        QVERIFY(w.grab().save(output));
    });
}

QTEST_MAIN(tst_ControlePresDiet)
#include "tst_controlepresdiet.moc"
