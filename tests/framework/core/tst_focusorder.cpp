// The enter/exit order of focus moves inside one window, cancellation by a handler that
// refocuses or aborts, and boxes that run no handler.
#include "framework/abortguard.h"
#include "framework/consiste.h"
#include "framework/dialogservice.h"
#include "framework/focusorder.h"
#include "framework/modaldriver.h"
#include "framework/scripteddialogs.h"

#include <QApplication>
#include <QFrame>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>

using namespace dieta;

namespace {

// window
//   panA: a1, a2
//   panB: b1, panC: c1   (panC nested in panB)
struct Form {
    QWidget window;
    QFrame* panA;
    QFrame* panB;
    QFrame* panC;
    QLineEdit* a1;
    QLineEdit* a2;
    QLineEdit* b1;
    QLineEdit* c1;
    FocusOrder* order;
    QStringList log;

    Form() {
        auto* layout = new QVBoxLayout(&window);
        panA = addPanel(layout, "panA");
        panB = addPanel(layout, "panB");
        a1 = addEdit(panA, "a1");
        a2 = addEdit(panA, "a2");
        b1 = addEdit(panB, "b1");
        panC = addPanel(static_cast<QVBoxLayout*>(panB->layout()), "panC");
        c1 = addEdit(panC, "c1");
        order = new FocusOrder(&window);
        for (QWidget* w :
             {static_cast<QWidget*>(panA), static_cast<QWidget*>(panB), static_cast<QWidget*>(panC),
              static_cast<QWidget*>(a1), static_cast<QWidget*>(a2), static_cast<QWidget*>(b1),
              static_cast<QWidget*>(c1)}) {
            const QString name = w->objectName();
            order->onEnter(w, [this, name] { log << "enter " + name; });
            order->onExit(w, [this, name] { log << "exit " + name; });
        }
    }

    static QFrame* addPanel(QVBoxLayout* layout, const char* name) {
        auto* panel = new QFrame;
        panel->setObjectName(name);
        new QVBoxLayout(panel);
        layout->addWidget(panel);
        return panel;
    }
    static QLineEdit* addEdit(QFrame* panel, const char* name) {
        auto* edit = new QLineEdit;
        edit->setObjectName(name);
        panel->layout()->addWidget(edit);
        return edit;
    }

    void showAt(QWidget* first) {
        first->setFocus();
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QCOMPARE(window.focusWidget(), first);
        log.clear();
    }
};

} // namespace

class tst_FocusOrder : public QObject {
    Q_OBJECT

private slots:
    void firstFocusRunsEnterFromOutside();
    void moveBetweenPanelsRunsExitOutwardsThenEnterInwards();
    void moveInsidePanelRunsOnlyControls();
    void moveIntoNestedPanel();
    void exitThatRefocusesItsControlCancelsTheMove();
    void exitThatFocusesAnotherControlLeavesFocusThere();
    void exitThatAbortsReturnsToTheControl();
    void panelExitThatAbortsCancels();
    void exitThatFailsIsReportedAndCancels();
    void enterThatRefocusesSkipsTheRest();
    void realBoxOpeningAndClosingRunsNoHandler();
    void realBoxInsideExitHandlerLetsMoveFinish();
    void realMensErroInsideExitHandlerKeepsFocus();
    void otherWindowTakingFocusRunsNoHandler();
};

void tst_FocusOrder::firstFocusRunsEnterFromOutside() {
    Form form;
    form.b1->setFocus();
    form.window.show();
    form.window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form.window));
    QCOMPARE(form.log, QStringList({"enter panB", "enter b1"}));
    QCOMPARE(form.order->current(), form.b1);
}

void tst_FocusOrder::moveBetweenPanelsRunsExitOutwardsThenEnterInwards() {
    Form form;
    form.showAt(form.a1);
    form.c1->setFocus();
    QCOMPARE(form.log,
             QStringList({"exit a1", "exit panA", "enter panB", "enter panC", "enter c1"}));
    form.log.clear();
    QTest::keyClick(form.c1, Qt::Key_Backtab);
    QCOMPARE(form.window.focusWidget(), form.b1);
    QCOMPARE(form.log, QStringList({"exit c1", "exit panC", "enter b1"}));
}

void tst_FocusOrder::moveInsidePanelRunsOnlyControls() {
    Form form;
    form.showAt(form.a1);
    QTest::keyClick(form.a1, Qt::Key_Tab);
    QCOMPARE(form.window.focusWidget(), form.a2);
    QCOMPARE(form.log, QStringList({"exit a1", "enter a2"}));
}

void tst_FocusOrder::moveIntoNestedPanel() {
    Form form;
    form.showAt(form.b1);
    form.c1->setFocus();
    QCOMPARE(form.log, QStringList({"exit b1", "enter panC", "enter c1"}));
}

void tst_FocusOrder::exitThatRefocusesItsControlCancelsTheMove() {
    ScriptedDialogs script;
    ScopedDialogService scope(script);
    Form form;
    form.order->onExit(form.a1, [&] {
        form.log << "exit a1";
        Consiste::MensErro("Filial deve ser informada.", form.a1);
    });
    form.showAt(form.a1);
    form.b1->setFocus();
    QCOMPARE(form.log, QStringList({"exit a1"}));
    QCOMPARE(form.window.focusWidget(), form.a1);
    QCOMPARE(script.texts(), QStringList({"Filial deve ser informada."}));
    QCOMPARE(script.asked.first().focusAtShow, form.a1);
    QCOMPARE(form.order->current(), form.a1);

    // The next move starts from a1 again, and succeeds once the handler lets it.
    form.order->onExit(form.a1, [&] { form.log << "exit a1 ok"; });
    form.log.clear();
    form.a2->setFocus();
    QCOMPARE(form.log, QStringList({"exit a1 ok", "enter a2"}));
}

void tst_FocusOrder::exitThatFocusesAnotherControlLeavesFocusThere() {
    ScriptedDialogs script;
    ScopedDialogService scope(script);
    Form form;
    form.order->onExit(form.a2, [&] {
        form.log << "exit a2";
        Consiste::MensErro("Consumo_Inv", form.a1);
    });
    form.showAt(form.a2);
    form.c1->setFocus();
    QCOMPARE(form.log, QStringList({"exit a2"}));
    QCOMPARE(form.window.focusWidget(), form.a1);
    QCOMPARE(form.order->current(), form.a1);
    form.log.clear();
    form.b1->setFocus();
    QCOMPARE(form.log, QStringList({"exit a1", "exit panA", "enter panB", "enter b1"}));
}

void tst_FocusOrder::exitThatAbortsReturnsToTheControl() {
    Form form;
    form.order->onExit(form.a1, [&] {
        form.log << "exit a1";
        Abort();
    });
    form.showAt(form.a1);
    form.b1->setFocus();
    QCOMPARE(form.log, QStringList({"exit a1"}));
    QCOMPARE(form.window.focusWidget(), form.a1);
    QCOMPARE(QApplication::focusWidget(), form.a1);
}

void tst_FocusOrder::panelExitThatAbortsCancels() {
    Form form;
    form.order->onExit(form.panA, [&] {
        form.log << "exit panA";
        Abort();
    });
    form.showAt(form.a2);
    form.b1->setFocus();
    QCOMPARE(form.log, QStringList({"exit a2", "exit panA"}));
    QCOMPARE(form.window.focusWidget(), form.a2);
    // Inside the panel the panel's exit does not run.
    form.log.clear();
    form.a1->setFocus();
    QCOMPARE(form.log, QStringList({"exit a2", "enter a1"}));
}

void tst_FocusOrder::exitThatFailsIsReportedAndCancels() {
    ScriptedDialogs script;
    ScopedDialogService scope(script);
    Form form;
    form.order->onExit(form.a1, [] { throw std::runtime_error("Falha ao ler a filial"); });
    form.showAt(form.a1);
    form.b1->setFocus();
    QCOMPARE(form.window.focusWidget(), form.a1);
    QCOMPARE(script.texts(), QStringList({"Falha ao ler a filial"}));
    QCOMPARE(script.asked.first().kind, MsgKind::Error);
}

void tst_FocusOrder::enterThatRefocusesSkipsTheRest() {
    Form form;
    form.order->onEnter(form.panB, [&] {
        form.log << "enter panB";
        form.a2->setFocus();
    });
    form.showAt(form.a1);
    form.b1->setFocus();
    QCOMPARE(form.log, QStringList({"exit a1", "exit panA", "enter panB"}));
    QCOMPARE(form.window.focusWidget(), form.a2);
    QCOMPARE(form.order->current(), form.a2);
}

void tst_FocusOrder::realBoxOpeningAndClosingRunsNoHandler() {
    Form form;
    form.showAt(form.a1);
    ModalDriver driver;
    driver.thenPress("OK");
    QCOMPARE(dialogs().message(MsgKind::Information, "Operação concluída.", &form.window),
             int(mrOk));
    QCOMPARE(driver.handled(), 1);
    // Offscreen does not activate the window again: its own focus widget tells.
    QCOMPARE(form.window.focusWidget(), form.a1);
    QCOMPARE(form.log, QStringList());
    // Activated again, the window runs no handler; a later real move still does.
    form.window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form.window));
    QCOMPARE(form.log, QStringList());
    form.a2->setFocus();
    QCOMPARE(form.log, QStringList({"exit a1", "enter a2"}));
}

void tst_FocusOrder::realBoxInsideExitHandlerLetsMoveFinish() {
    Form form;
    form.order->onExit(form.a1, [&] {
        form.log << "exit a1";
        dialogs().message(MsgKind::Information, "Aviso", &form.window);
    });
    form.showAt(form.a1);
    ModalDriver driver;
    driver.thenPress("OK");
    form.b1->setFocus();
    QCOMPARE(driver.handled(), 1);
    QCOMPARE(form.log, QStringList({"exit a1", "exit panA", "enter panB", "enter b1"}));
    QCOMPARE(form.window.focusWidget(), form.b1);
}

void tst_FocusOrder::realMensErroInsideExitHandlerKeepsFocus() {
    Form form;
    form.order->onExit(form.a1, [&] {
        form.log << "exit a1";
        Consiste::MensErro("Filial deve ser informada.", form.a1);
    });
    form.showAt(form.a1);
    ModalDriver driver;
    driver.thenPress("OK");
    form.c1->setFocus();
    QCOMPARE(driver.handled(), 1);
    QCOMPARE(driver.seenTexts, QStringList({"Filial deve ser informada."}));
    QCOMPARE(form.log, QStringList({"exit a1"}));
    QCOMPARE(form.window.focusWidget(), form.a1);
    QCOMPARE(form.order->current(), form.a1);
}

void tst_FocusOrder::otherWindowTakingFocusRunsNoHandler() {
    Form form;
    form.showAt(form.a1);
    QLineEdit other;
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    form.window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form.window));
    QCOMPARE(QApplication::focusWidget(), form.a1);
    QCOMPARE(form.log, QStringList());
}

QTEST_MAIN(tst_FocusOrder)
#include "tst_focusorder.moc"
