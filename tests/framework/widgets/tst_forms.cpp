// Base forms: toolbar twins, pages, help by context, closing and releasing, the dialog bases.
#include "framework/abortguard.h"
#include "framework/helpservice.h"
#include "framework/scripteddialogs.h"
#include "framework/tdbgrid.h"
#include "framework/tfrmpadrao.h"
#include "framework/tfrmpadraogrid.h"
#include "framework/tfrmrotigeral.h"
#include "gridfixture.h"
#include "platform/eabort.h"

#include <QAction>
#include <QLineEdit>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

using namespace dieta;
using namespace dieta::test;

namespace {

class RecordingHelp : public HelpService {
public:
    void showHelp(const QString& file, int context, QWidget*) override {
        asked << QStringLiteral("%1#%2").arg(file).arg(context);
    }
    QStringList asked;
};

class TestForm : public TfrmPadrao {
public:
    TestForm() {
        edtA = new QLineEdit(tshFolhaDados);
        tshFolhaDados->layout()->addWidget(edtA);
        mnuDieta = AddMenuItem(QStringLiteral("mnuDieta"), QStringLiteral("&Dieta"),
                               QKeySequence(Qt::Key_F8));
        sbtDieta = AddToolButton(QStringLiteral("sbtDieta"), QStringLiteral("Dieta"), mnuDieta);
        connectGuarded(sbtDieta, &QToolButton::clicked, this, [this] { ++dietaClicks; });
    }
    void FormCreate() override {
        TfrmPadrao::FormCreate();
        log << "create";
        if (failCreate)
            throw EAbort{};
    }
    void FormActivate() override { log << "activate"; }
    void FormCloseQuery(bool& canClose) override { canClose = allowClose; }
    void FormClose(TCloseAction& action) override {
        log << "close";
        TfrmPadrao::FormClose(action);
    }
    void sbtConfirmarClick() override {
        TfrmPadrao::sbtConfirmarClick();
        log << "confirm";
    }

    QLineEdit* edtA;
    QAction* mnuDieta;
    QToolButton* sbtDieta;
    int dietaClicks = 0;
    QStringList log;
    bool allowClose = true;
    static inline bool failCreate = false;
};

class TestDialog : public TfrmRotiGeral {
public:
    TestDialog() {
        auto* layout = new QVBoxLayout(panClient);
        edtA = new QLineEdit(panClient);
        edtB = new QLineEdit(panClient);
        layout->addWidget(edtA);
        layout->addWidget(edtB);
    }
    void FormClose(TCloseAction& action) override {
        closes++;
        if (refuse)
            Abort();
        TfrmRotiGeral::FormClose(action);
    }
    QLineEdit* edtA;
    QLineEdit* edtB;
    int closes = 0;
    bool refuse = false;
};

} // namespace

class tst_Forms : public QObject {
    Q_OBJECT
private slots:
    void toolbarTwinsFollowTheButtons();
    void pagesFollowTheirTabAndMenuItem();
    void buttonsNeverTakeTheFocus();
    void helpByContext();
    void createFormRunsFormCreateAfterConstruction();
    void closingReleasesTheFormWithItsFrame();
    void refusedCloseKeepsTheForm();
    void stateChangeSetsTheToolbar();
    void dialogEnterMovesOnAndCloseRunsHandlers();
    void gridWindowBringsItsParts();
};

void tst_Forms::toolbarTwinsFollowTheButtons() {
    TestForm form;
    QVERIFY(showActive(form));
    for (auto [button, item] : {std::pair{form.sbtIncluir, form.mnuIncluir},
                                {form.sbtConfirmar, form.mnuConfirmar},
                                {form.sbtImprimir, form.mnuListagem},
                                {form.sbtDieta, form.mnuDieta}}) {
        button->setEnabled(false);
        QVERIFY(!item->isEnabled());
        button->setEnabled(true);
        QVERIFY(item->isEnabled());
    }
    // The twin runs the button's one handler, and not while the button is disabled.
    form.mnuDieta->trigger();
    QCOMPARE(form.dietaClicks, 1);
    form.sbtDieta->setEnabled(false);
    form.mnuDieta->trigger();
    QCOMPARE(form.dietaClicks, 1);
    form.sbtDieta->setEnabled(true);
    form.edtA->setFocus();
    QTest::keyClick(form.edtA, Qt::Key_F8);
    QCOMPARE(form.dietaClicks, 2);
    QVERIFY(form.sbtDieta->toolTip() == QStringLiteral("Dieta"));
    QCOMPARE(form.sbtDieta->focusPolicy(), Qt::NoFocus);
}

void tst_Forms::pagesFollowTheirTabAndMenuItem() {
    TestForm form;
    QVERIFY(showActive(form));
    form.tshFormulario->setEnabled(false);
    QVERIFY(!form.pgcPadrao->isTabEnabled(1));
    QVERIFY(!form.mnuFormulario->isEnabled());
    form.mnuFormulario->trigger();
    QCOMPARE(form.pgcPadrao->currentWidget(), form.tshFolhaDados);
    form.tshFormulario->setEnabled(true);
    QVERIFY(form.pgcPadrao->isTabEnabled(1));
    form.mnuFormulario->trigger();
    QCOMPARE(form.pgcPadrao->currentWidget(), form.tshFormulario);
}

void tst_Forms::buttonsNeverTakeTheFocus() {
    TestForm form;
    QVERIFY(showActive(form));
    form.edtA->setFocus();
    QTest::mouseClick(form.sbtConfirmar, Qt::LeftButton);
    QCOMPARE(QApplication::focusWidget(), form.edtA);
    QCOMPARE(form.log.last(), QStringLiteral("confirm"));
}

void tst_Forms::helpByContext() {
    RecordingHelp recorder;
    setHelpService(&recorder);
    TestForm form;
    form.HelpContext = 11113000;
    QVERIFY(showActive(form));
    form.edtA->setFocus();
    QTest::keyClick(form.edtA, Qt::Key_F1);
    QTest::mouseClick(form.sbtAjuda, Qt::LeftButton);
    QCOMPARE(recorder.asked, (QStringList{"zfahelp.hlp#11113000", "zfahelp.hlp#11113000"}));
    setHelpService(nullptr);
    // The default tells the operator which topic would open.
    ScriptedDialogs script;
    ScopedDialogService scope(script);
    form.sbtAjuda->click();
    QCOMPARE(script.texts(), QStringList{QStringLiteral("Ajuda: zfahelp.hlp, tópico 11113000.")});
}

void tst_Forms::createFormRunsFormCreateAfterConstruction() {
    std::unique_ptr<TestForm> form(CreateForm<TestForm>());
    QCOMPARE(form->log, QStringList{"create"});
    TestForm::failCreate = true;
    QVERIFY_THROWS_EXCEPTION(EAbort, CreateForm<TestForm>());
    TestForm::failCreate = false;
}

void tst_Forms::closingReleasesTheFormWithItsFrame() {
    for (bool viaForm : {false, true}) {
        QMainWindow main;
        auto* area = new QMdiArea(&main);
        main.setCentralWidget(area);
        QPointer<TestForm> form = CreateForm<TestForm>();
        QPointer<QMdiSubWindow> frame = area->addSubWindow(form);
        QVERIFY(showActive(main));
        frame->show();
        QTRY_VERIFY(form->log.contains("activate"));
        if (viaForm)
            form->close(); // the frame goes along
        else
            form->sbtFechar->click();
        QTRY_VERIFY(frame.isNull());
        QVERIFY(form.isNull());
        QCOMPARE(area->subWindowList().size(), 0);
    }
}

void tst_Forms::refusedCloseKeepsTheForm() {
    QMainWindow main;
    auto* area = new QMdiArea(&main);
    main.setCentralWidget(area);
    QPointer<TestForm> form = CreateForm<TestForm>();
    form->allowClose = false;
    QPointer<QMdiSubWindow> frame = area->addSubWindow(form);
    QVERIFY(showActive(main));
    frame->show();
    form->Close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(form && frame && frame->isVisible());
    QVERIFY(!form->log.contains("close"));
}

void tst_Forms::stateChangeSetsTheToolbar() {
    auto ds = makeInpatients();
    TestForm form;
    form.dtsPadrao->SetDataSet(ds.get());
    form.dtsPadraoStateChange();
    QVERIFY(form.sbtAlterar->isEnabled());
    QVERIFY(!form.sbtConfirmar->isEnabled());
    ds->Edit();
    QVERIFY(form.sbtConfirmar->isEnabled() && form.mnuConfirmar->isEnabled());
    QVERIFY(!form.sbtAlterar->isEnabled() && !form.mnuAlterar->isEnabled());
    form.sbtCancelar->click();
    QCOMPARE(ds->State(), dsBrowse);
    QVERIFY(!form.sbtConfirmar->isEnabled());
}

void tst_Forms::dialogEnterMovesOnAndCloseRunsHandlers() {
    TestDialog dialog;
    QVERIFY(showActive(dialog));
    dialog.edtA->setFocus();
    QTest::keyClick(dialog.edtA, Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), dialog.edtB);
    QCOMPARE(dialog.sbtConfirma->focusPolicy(), Qt::NoFocus);
    dialog.refuse = true;
    QTest::keyClick(dialog.edtB, Qt::Key_Escape);
    QCOMPARE(dialog.closes, 1);
    QVERIFY(dialog.isVisible()); // the abort kept it open
    dialog.refuse = false;
    dialog.sbtFecha->click();
    QCOMPARE(dialog.closes, 2);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
}

void tst_Forms::gridWindowBringsItsParts() {
    auto ds = makeInpatients();
    TfrmPadraoGrid window;
    window.dtsPadrao->SetDataSet(ds.get());
    QCOMPARE(window.dbgPadrao->DataSource(), window.dtsPadrao);
    QCOMPARE(window.dbgPadrao->parentWidget(), window.tshPadrao);
    QCOMPARE(window.dbgPadrao->model()->rowCount(), 3);
    window.Ultimo1->trigger();
    QCOMPARE(ds->RecNo(), 3);
    window.sbtImprimir->setEnabled(false);
    QVERIFY(!window.mnuListagem->isEnabled());
    QVERIFY(showActive(window));
    window.sbtFechar->click();
    QVERIFY(!window.isVisible());
}

QTEST_MAIN(tst_Forms)
#include "tst_forms.moc"
