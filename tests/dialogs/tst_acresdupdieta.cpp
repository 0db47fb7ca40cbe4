// The add/duplicate diet dialog on the real main screen against the real server: the quantity
// checks and how many records each quantity adds (a fraction counts its whole part, the server
// refuses above 99), No to "Conf" sending nothing, the service of group mode kept across
// message boxes, a companion refused for a stay without one, and the list replaced.

#include "dialogs/Cli_zfa13050.h"
#include "framework/modaldriver.h"
#include "framework/tnumberedit.h"
#include "framework/tradiogroup.h"
#include "tests/dialogs/dialogsupport.h"
#include "tests/screen/countingserver.h"

using namespace dieta;
using namespace dieta::test;
using Cli_zfa13050::TfrmAcresDupDieta;

class tst_AcresDupDieta : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void quantityDecidesHowManyRecords_data();
    void quantityDecidesHowManyRecords();
    void noToConfSendsNothing();
    void emptyAndUnknownDiet();
    void groupModeServiceOutlivesMessageBoxes();
    void companionRefusedForAStayWithoutOne();

private:
    void openFor(int row, const QString& service = QStringLiteral("00010"), bool grupo = false);
    void typeDiet(const QString& code);
    QStringList messages() const { return fx->dialogs().texts(); }

    std::unique_ptr<ScreenFixture> fx;
    MainScreen screen;
    std::unique_ptr<TfrmAcresDupDieta> dialog;
    QString patient;
};

void tst_AcresDupDieta::init() {
    fx = std::make_unique<ScreenFixture>();
    QVERIFY2(fx->ok(), qPrintable(fx->error()));
}

void tst_AcresDupDieta::cleanup() {
    dialog.reset();
    screen = {};
    fx.reset();
}

void tst_AcresDupDieta::openFor(int row, const QString& service, bool grupo) {
    if (!screen.form) {
        screen = openList(*fx, service, grupo);
        QVERIFY(screen.form);
    }
    if (row < 0)
        row = patientRow(screen, [this](int r) { return !hasCompanion(screen, r); });
    QVERIFY(row >= 0);
    patient = screen.value(row, "CDPACIENTE");
    markRow(screen, row);
    QCOMPARE(screen.marked()->RecordCount(), 1);
    dialog = showDialog<TfrmAcresDupDieta>(screen);
    fx->dialogs().clear();
}

void tst_AcresDupDieta::typeDiet(const QString& code) {
    focusOn(dialog->medDieta);
    dialog->medDieta->setText(code);
    focusOn(dialog->nedQuant);
}

void tst_AcresDupDieta::quantityDecidesHowManyRecords_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("expected"); // messages after "Conf"
    QTest::addColumn<int>("added");
    const QString conf = QStringLiteral("Confirma operação?");
    const QString done = QStringLiteral("Controle alimentar foi realizado com sucesso.");
    QTest::newRow("zero") << "0" << QStringList{"Quantidade deve ser maior que zero."} << 0;
    QTest::newRow("empty") << "" << QStringList{"Quantidade deve ser informada."} << 0;
    QTest::newRow("half") << "0.5" << QStringList{"Quantidade deve ser maior que zero."} << 0;
    QTest::newRow("one") << "1" << QStringList{conf, done} << 1;
    QTest::newRow("fraction") << "2.7" << QStringList{conf, done} << 2;
    QTest::newRow("over 99") << "100" << QStringList{conf, "Quantidade deve ser no máximo 99."}
                             << 0;
}

void tst_AcresDupDieta::quantityDecidesHowManyRecords() {
    QFETCH(QString, typed);
    QFETCH(QStringList, expected);
    QFETCH(int, added);
    openFor(-1);
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Acrescentar/Duplicar Dieta"));
    QVERIFY(!dialog->medCdServico->isEnabled());
    QCOMPARE(dialog->medCdServico->Text().trimmed(), QStringLiteral("00010"));
    QCOMPARE(dialog->nedQuant->text(), QStringLiteral("1"));
    // Not on the first row: the list that comes back is not positioned on the patient.
    screen.list()->SetRecNo(screen.list()->RecordCount());
    const QStringList before = dayRecords(*fx, patient);
    typeDiet(QStringLiteral("1"));
    dialog->nedQuant->clear();
    QTest::keyClicks(dialog->nedQuant, typed); // a '.' is the decimal comma
    fx->dialogs().answer(mrYes);
    dialog->sbtConfirma->click();
    QCOMPARE(messages(), expected);
    const QStringList after = dayRecords(*fx, patient);
    QCOMPARE(after.size(), before.size() + added);
    if (added == 0) {
        QVERIFY(dialog->isVisible());
        if (expected.size() == 1)
            QCOMPARE(dialog->focusWidget(), dialog->nedQuant);
        return;
    }
    QVERIFY(!dialog->isVisible());
    for (const QString& record : after.mid(before.size()))
        QVERIFY2(record.endsWith(QStringLiteral("/0/0001")), qPrintable(record));
    // The new list, with the added records, on its first row.
    QCOMPARE(screen.list()->RecNo(), 1);
    int rows = 0;
    for (int r = 0; r < screen.list()->ViewCount(); ++r)
        rows += screen.value(r, "CDPACIENTE") == patient;
    QCOMPARE(rows, after.size());
}

void tst_AcresDupDieta::noToConfSendsNothing() {
    openFor(-1);
    typeDiet(QStringLiteral("1"));
    CountingServer counting;
    QVERIFY2(counting.ok(), qPrintable(counting.error()));
    counting.redirect(screen.form->connection());
    fx->dialogs().answer(mrNo);
    dialog->sbtConfirma->click();
    QCOMPARE(messages(), QStringList{"Confirma operação?"});
    QCOMPARE(fx->dialogs().asked.at(0).kind, MsgKind::Confirmation);
    QCOMPARE(counting.calls(), 0);
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->medDieta->Text(), QStringLiteral("0001"));
    QCOMPARE(dialog->edtNmDieta->text(), QStringLiteral("Dieta Geral"));
    QCOMPARE(dialog->nedQuant->text(), QStringLiteral("1"));
}

void tst_AcresDupDieta::emptyAndUnknownDiet() {
    openFor(-1);
    typeDiet(QString());
    QVERIFY(messages().isEmpty());
    dialog->sbtConfirma->click();
    QCOMPARE(messages(), QStringList{"Dieta deve ser informada."});
    QCOMPARE(dialog->focusWidget(), dialog->medDieta);
    fx->dialogs().clear();
    // A diet of the branch that the service does not offer.
    typeDiet(QStringLiteral("13"));
    QCOMPARE(messages(), QStringList{"Dieta não cadastrada para o serviço informado."});
    QCOMPARE(dialog->focusWidget(), dialog->medDieta);
    QCOMPARE(dialog->medDieta->Text(), QStringLiteral("0013"));
    // The patient or companion choice stays open for the diets offered.
    QVERIFY(dialog->rgpPaciente->isEnabled());
}

void tst_AcresDupDieta::groupModeServiceOutlivesMessageBoxes() {
    openFor(0, QStringLiteral("001"), true);
    QVERIFY(dialog->medCdServico->isEnabled());
    QVERIFY(dialog->medCdServico->IsEmpty());
    focusOn(dialog->medCdServico);
    focusOn(dialog->medDieta);
    QCOMPARE(messages(), QStringList{"Serviço deve ser informado."});
    QCOMPARE(dialog->focusWidget(), dialog->medCdServico);
    fx->dialogs().clear();
    dialog->medCdServico->setText(QStringLiteral("40")); // another group's
    focusOn(dialog->medDieta);
    QCOMPARE(messages(), QStringList{"Serviço não cadastrado."});
    QCOMPARE(dialog->medCdServico->Text(), QStringLiteral("00040"));

    // Real boxes: closing one activates the dialog again, which must not forget the service.
    QtDialogService real;
    ScopedDialogService scope(real);
    ModalDriver driver;
    dialog->medCdServico->setText(QStringLiteral("20"));
    focusOn(dialog->medDieta);
    QCOMPARE(dialog->edtNmServico->text(), QStringLiteral("Clínica Cirúrgica"));
    driver.thenPress(QStringLiteral("OK"));
    dialog->medDieta->setText(QStringLiteral("13"));
    focusOn(dialog->nedQuant);
    QTRY_VERIFY(driver.idle());
    QTRY_COMPARE(driver.seenTexts, QStringList{"Dieta não cadastrada para o serviço informado."});
    QCOMPARE(dialog->medCdServico->Text(), QStringLiteral("00020"));
    QCOMPARE(dialog->edtNmServico->text(), QStringLiteral("Clínica Cirúrgica"));
}

void tst_AcresDupDieta::companionRefusedForAStayWithoutOne() {
    openFor(-1);
    const QStringList before = dayRecords(*fx, patient);
    typeDiet(QStringLiteral("1"));
    dialog->rgpPaciente->SetItemIndex(1);
    fx->dialogs().answer(mrYes);
    dialog->sbtConfirma->click();
    QCOMPARE(messages(),
             (QStringList{"Confirma operação?",
                          QStringLiteral("Acompanhante para o paciente %1 deve estar cadastrado.")
                              .arg(patient)}));
    QVERIFY(dialog->isVisible());
    QCOMPARE(dayRecords(*fx, patient), before);
    QCOMPARE(screen.marked()->RecordCount(), 1); // the list was not replaced
}

QTEST_MAIN(tst_AcresDupDieta)
#include "tst_acresdupdieta.moc"
