// Saving the diet dialog on the real main screen against the real server: the answers to
// "Manter_Conf" and the remark they keep or drop, read back; the main screen afterwards on the
// same patient with the saved diet and menu; a refusal of the server keeping the dialog open.

#include "contracts/contalimentar.h"
#include "dialogs/Cli_zfa13020.h"
#include "framework/tradiogroup.h"
#include "tests/dialogs/dialogsupport.h"

#include <QTabWidget>

using namespace dieta;
using namespace dieta::test;
using Cli_zfa13020::TfrmDietaContAlimentar;

class tst_DietaGravacao : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void keepAnswerDecidesTheRemark();
    void screenFollowsTheSavedPatient();
    void refusalKeepsTheDialogOpen();
    void quantityDietSavesWhatIsTicked();

private:
    // Row of the patient in the screen's list (its patient row), or -1.
    int rowOf(const QString& patient) const;
    // Marks the patient alone and shows the dialog with a menu diet built.
    void openFor(const QString& patient, const QString& diet);
    QStringList messages() const { return fx->dialogs().texts(); }

    std::unique_ptr<ScreenFixture> fx;
    MainScreen screen;
    std::unique_ptr<TfrmDietaContAlimentar> dialog;
};

void tst_DietaGravacao::init() {
    fx = std::make_unique<ScreenFixture>();
    QVERIFY2(fx->ok(), qPrintable(fx->error()));
    screen = openList(*fx, QStringLiteral("00010"));
    QVERIFY(screen.form);
}

void tst_DietaGravacao::cleanup() {
    dialog.reset();
    screen = {};
    fx.reset();
}

int tst_DietaGravacao::rowOf(const QString& patient) const {
    return patientRow(screen, [&](int r) { return screen.value(r, "CDPACIENTE") == patient; });
}

void tst_DietaGravacao::openFor(const QString& patient, const QString& diet) {
    const int row = rowOf(patient);
    QVERIFY(row >= 0);
    markRow(screen, row);
    QCOMPARE(screen.marked()->RecordCount(), 1);
    dialog = showDialog<TfrmDietaContAlimentar>(screen);
    focusOn(dialog->medDieta);
    dialog->medDieta->setText(diet);
    focusOn(dialog->rgpPaciente);
    QVERIFY(dialog->cdsConfescoDieta->RecordCount() > 0);
    fx->dialogs().clear();
}

void tst_DietaGravacao::keepAnswerDecidesTheRemark() {
    // A patient with a day record, whose remark each round sets again.
    const int first = patientRow(screen, [this](int r) {
        return !screen.value(r, "NRSEQUSERV").isEmpty() && !hasCompanion(screen, r);
    });
    QVERIFY(first >= 0);
    const QString patient = screen.value(first, "CDPACIENTE");
    const QString sequence = screen.value(first, "NRSEQUSERV");
    struct Round {
        int answer;
        const char* remark;
    };
    // "Sim" keeps; "Não" and closing the question drop.
    for (const Round round :
         {Round{mrFirstCustom, "Sem sal"}, Round{mrFirstCustom + 1, ""}, Round{mrNone, ""}}) {
        fx->exec("UPDATE SERVINTE SET DSSERVINTE = 'Sem sal' WHERE CDFILIAL = '0001' AND"
                 " CDPACIENTE = ? AND NRSEQUSERV = ? AND DTSERVINTE = ?",
                 {patient, sequence, ScreenFixture::today()});
        contracts::frmContAlimentar->reloadInpatients();
        QCOMPARE(screen.value(rowOf(patient), "DSSERVINTE"), QStringLiteral("Sem sal"));
        openFor(patient, QStringLiteral("0001"));
        fx->dialogs().answer(round.answer);
        dialog->sbtConfirma->click();
        QCOMPARE(messages(), (QStringList{"Deseja manter as configurações da dieta anterior?",
                                          "Controle alimentar foi realizado com sucesso."}));
        QVERIFY(!dialog->isVisible());
        // Read back: the list the server answered, and the database.
        const int row = rowOf(patient);
        QCOMPARE(screen.value(row, "CDDIETPAD"), QStringLiteral("0001"));
        QCOMPARE(screen.value(row, "DSSERVINTE"), QString::fromLatin1(round.remark));
        QCOMPARE(dayRecords(*fx, patient), QStringList{sequence + QStringLiteral("/0/0001")});
        dialog.reset();
    }
}

void tst_DietaGravacao::screenFollowsTheSavedPatient() {
    // A patient well inside the list, not its first row.
    const int row =
        patientRow(screen, [this](int r) { return r >= 3 && !hasCompanion(screen, r); });
    QVERIFY(row >= 3);
    const QString patient = screen.value(row, "CDPACIENTE");
    openFor(patient, QStringLiteral("0001"));
    QCOMPARE(screen.current("CDPACIENTE"), patient);
    // Some dishes ticked differently from the served menu.
    TClientDataSet* menu = dialog->cdsConfescoDieta;
    TDBGrid* grid = dialog->dbgConfesco;
    selectColumn(grid, "IDESCOCONF");
    for (int r : {0, 2}) {
        menu->SetRecNo(r + 1);
        QTest::keyClick(grid, Qt::Key_Space);
    }
    menu->First();
    QStringList chosen;
    for (int r = 0; r < menu->ViewCount(); ++r)
        chosen << menu->RowValue(r, menu->FieldByName(u"CDPRATO")).toString() + u':' +
                      menu->RowValue(r, menu->FieldByName(u"IDESCOCONF")).toString();

    fx->dialogs().answer(mrFirstCustom);
    dialog->sbtConfirma->click();
    QCOMPARE(messages().size(), 2);
    QVERIFY(!dialog->isVisible());
    dialog.reset();

    // The same patient, with the saved diet; its menu as the server reads it back.
    QCOMPARE(screen.current("CDPACIENTE"), patient);
    QCOMPARE(screen.current("STPACIACOM"), QStringLiteral("0"));
    QCOMPARE(screen.current("CDDIETPAD"), QStringLiteral("0001"));
    QCOMPARE(screen.marked()->RecordCount(), 0); // a new list has no marks
    auto* pages = screen.find<QTabWidget>("pgcPadrao");
    pages->setCurrentWidget(screen.find<QWidget>("tshFormulario"));
    QCoreApplication::processEvents();
    TClientDataSet* choices = screen.find<TClientDataSet>("cdsConfesco");
    QVERIFY(choices->Active());
    QStringList readBack;
    for (int r = 0; r < choices->ViewCount(); ++r)
        readBack << choices->RowValue(r, choices->FieldByName(u"CDPRATO")).toString() + u':' +
                        choices->RowValue(r, choices->FieldByName(u"IDESCOCONF")).toString();
    readBack.sort();
    chosen.sort();
    QCOMPARE(readBack, chosen);
}

void tst_DietaGravacao::refusalKeepsTheDialogOpen() {
    const int row = patientRow(screen, [this](int r) { return !hasCompanion(screen, r); });
    QVERIFY(row >= 0);
    const QString patient = screen.value(row, "CDPACIENTE");
    const QStringList before = dayRecords(*fx, patient);
    const int listRows = screen.list()->RecordCount();
    openFor(patient, QStringLiteral("0001"));
    // A companion for a stay without one.
    dialog->rgpPaciente->SetItemIndex(1);
    fx->dialogs().answer(mrFirstCustom);
    dialog->sbtConfirma->click();
    QCOMPARE(messages(),
             (QStringList{"Deseja manter as configurações da dieta anterior?",
                          QStringLiteral("Acompanhante para o paciente %1 deve estar cadastrado.")
                              .arg(patient)}));
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->medDieta->Text(), QStringLiteral("0001"));
    QVERIFY(dialog->cdsConfescoDieta->RecordCount() > 0);
    QCOMPARE(dayRecords(*fx, patient), before);
    QCOMPARE(screen.list()->RecordCount(), listRows);
    QCOMPARE(screen.marked()->RecordCount(), 1);
}

void tst_DietaGravacao::quantityDietSavesWhatIsTicked() {
    const int row = patientRow(screen, [this](int r) { return !hasCompanion(screen, r); });
    QVERIFY(row >= 0);
    const QString patient = screen.value(row, "CDPACIENTE");
    openFor(patient, QStringLiteral("0009"));
    TClientDataSet* menu = dialog->cdsConfescoDieta;
    // The served menu holds options, unticked: their quantity says so too.
    QStringList shown;
    int options = 0;
    for (int r = 0; r < menu->ViewCount(); ++r) {
        const QString chosen = menu->RowValue(r, menu->FieldByName(u"IDESCOCONF")).toString();
        const double quantity = menu->RowValue(r, menu->FieldByName(u"QTPRATCONF")).toDouble();
        QCOMPARE(chosen == QLatin1String("S"), quantity > 0);
        options += menu->RowValue(r, menu->FieldByName(u"IDOPCAOCONF")).toString() == "S";
        shown << menu->RowValue(r, menu->FieldByName(u"CDPRATO")).toString() + u':' + chosen;
    }
    QVERIFY(options > 0);
    fx->dialogs().answer(mrFirstCustom + 1);
    dialog->sbtConfirma->click();
    QVERIFY(!dialog->isVisible());
    QStringList stored = dbColumn(*fx,
                                  QStringLiteral("SELECT CDPRATO || ':' || IDESCOCONF FROM CONFESCO"
                                                 " WHERE CDFILIAL = '0001' AND CDPACIENTE = ? AND"
                                                 " DTSERVINTE = ?"),
                                  {patient, ScreenFixture::today()});
    stored.sort();
    shown.sort();
    QCOMPARE(stored, shown);
}

QTEST_MAIN(tst_DietaGravacao)
#include "tst_dieta_gravacao.moc"
