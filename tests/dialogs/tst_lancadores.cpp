// The main screen's "Dieta" and "Acrescentar/Duplicar Dieta" actions: the nutritionist check
// before the marks, the count of marked patients each needs, and the dialog created into its
// global, shown modally and gone afterwards, the menu twins doing the same.

#include "dialogs/Cli_zfa13020.h"
#include "dialogs/Cli_zfa13050.h"
#include "tests/dialogs/dialogsupport.h"

#include <QAction>

using namespace dieta;
using namespace dieta::test;

class tst_Lancadores : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void operatorIsCheckedBeforeTheMarks();
    void dietNeedsAMark();
    void duplicateNeedsExactlyOneMark();

private:
    QStringList messages() const { return fx->dialogs().texts(); }
    QToolButton* button(const char* name) const { return screen.find<QToolButton>(name); }
    // Answers the next dialog, noting its object name, caption and whether its global pointed
    // at it while it showed.
    void expectDialog(std::function<QDialog*()> global);
    // Two patient rows of different patients.
    QPair<int, int> twoPatients() const;

    std::unique_ptr<ScreenFixture> fx;
    MainScreen screen;
    std::shared_ptr<QStringList> seen = std::make_shared<QStringList>();
};

void tst_Lancadores::init() {
    fx = std::make_unique<ScreenFixture>();
    QVERIFY2(fx->ok(), qPrintable(fx->error()));
    screen = openList(*fx, QStringLiteral("00010"));
    QVERIFY(screen.form);
    QVERIFY(screen.list()->RecordCount() > 2);
    fx->dialogs().clear();
    seen->clear();
}

void tst_Lancadores::cleanup() {
    screen = {};
    fx.reset();
}

void tst_Lancadores::expectDialog(std::function<QDialog*()> global) {
    fx->dialogs().answerDialog([seen = seen, global](QDialog& dialog) {
        *seen << dialog.objectName() << dialog.windowTitle()
              << (global() == &dialog ? QStringLiteral("global") : QStringLiteral("no global"));
        return int(QDialog::Rejected);
    });
}

QPair<int, int> tst_Lancadores::twoPatients() const {
    const int first = patientRow(screen, [](int) { return true; });
    const QString code = screen.value(first, "CDPACIENTE");
    const int second =
        patientRow(screen, [&](int r) { return screen.value(r, "CDPACIENTE") != code; });
    return {first, second};
}

void tst_Lancadores::operatorIsCheckedBeforeTheMarks() {
    QVERIFY(button("sbtDieta")->isEnabled());
    QVERIFY(button("sbtDupDieta")->isEnabled());
    fx->setOperator(QStringLiteral("ADMIN01"));
    button("sbtDieta")->click();
    button("sbtDupDieta")->click();
    QCOMPARE(messages(), (QStringList{"Operador não está cadastrado como nutricionista.",
                                      "Operador não está cadastrado como nutricionista."}));
    QVERIFY(fx->dialogs().dialogsShown.isEmpty());
}

void tst_Lancadores::dietNeedsAMark() {
    button("sbtDieta")->click();
    QCOMPARE(messages(), QStringList{"Paciente deve ser informado."});
    const auto [first, second] = twoPatients();
    QVERIFY(second >= 0);
    markRow(screen, first);
    markRow(screen, second);
    const auto global = [] { return static_cast<QDialog*>(Cli_zfa13020::frmDietaContAlimentar); };
    expectDialog(global);
    button("sbtDieta")->click();
    expectDialog(global);
    screen.find<QAction>("mnuDieta")->trigger();
    QCOMPARE(fx->dialogs().dialogsShown,
             (QStringList{"frmDietaContAlimentar", "frmDietaContAlimentar"}));
    QCOMPARE(*seen, (QStringList{"frmDietaContAlimentar", "Dieta", "global",
                                 "frmDietaContAlimentar", "Dieta", "global"}));
    QVERIFY(!Cli_zfa13020::frmDietaContAlimentar);
    QCOMPARE(messages().size(), 1);
}

void tst_Lancadores::duplicateNeedsExactlyOneMark() {
    button("sbtDupDieta")->click();
    QCOMPARE(messages(), QStringList{"Paciente deve ser informado."});
    const auto [first, second] = twoPatients();
    QVERIFY(second >= 0);
    markRow(screen, first);
    markRow(screen, second);
    button("sbtDupDieta")->click();
    QCOMPARE(messages().last(),
             QStringLiteral("Não é possível acrescentar/duplicar dieta para mais de um paciente."));
    markRow(screen, second); // unmarks
    const auto global = [] { return static_cast<QDialog*>(Cli_zfa13050::frmAcresDupDieta); };
    expectDialog(global);
    button("sbtDupDieta")->click();
    QCOMPARE(*seen, (QStringList{"frmAcresDupDieta", "Acrescentar/Duplicar Dieta", "global"}));
    QVERIFY(!Cli_zfa13050::frmAcresDupDieta);
    QCOMPARE(messages().size(), 2);
}

QTEST_MAIN(tst_Lancadores)
#include "tst_lancadores.moc"
