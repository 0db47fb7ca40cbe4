// FormActivate: first showing, a modal box closing over the form (real boxes), MDI children.
#include "framework/abortguard.h"
#include "framework/activationhook.h"
#include "framework/dialogservice.h"
#include "framework/modaldriver.h"

#include <QDialog>
#include <QLineEdit>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTest>
#include <QVBoxLayout>

using namespace dieta;

namespace {

struct MdiHost {
    QMainWindow main;
    QMdiArea* area = new QMdiArea;

    MdiHost() { main.setCentralWidget(area); }

    // A form with one edit, its hook counting activations.
    QWidget* addForm(int& activations, bool* execReturned = nullptr,
                     bool* sawExecReturned = nullptr) {
        auto* form = new QWidget;
        new QLineEdit(form);
        new ActivationHook(form, [&activations, execReturned, sawExecReturned] {
            ++activations;
            if (execReturned && sawExecReturned)
                *sawExecReturned = *execReturned;
        });
        QMdiSubWindow* sub = area->addSubWindow(form);
        sub->setAttribute(Qt::WA_DeleteOnClose);
        sub->show();
        return form;
    }

    void show() {
        main.resize(640, 480);
        main.show();
        main.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&main));
    }
};

// Delivers every event already posted (window-system events, then what they post in turn):
// a second, wrong delivery would be among them.
void settle() {
    for (int round = 0; round < 3; ++round) {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents();
    }
}

void showRealBox(QWidget* parent, bool& execReturned) {
    ModalDriver driver;
    driver.thenPress("OK");
    execReturned = false;
    dialogs().message(MsgKind::Information, "Gravado com sucesso.", parent);
    execReturned = true;
    QCOMPARE(driver.handled(), 1);
}

} // namespace

class tst_ActivationHook : public QObject {
    Q_OBJECT

private slots:
    void mdiChildActivatesOnceAtFirstShow();
    void mdiChildActivatesAgainAfterRealBoxClosesOnce();
    void onlyTheActiveChildActivatesAfterABox();
    void switchingChildrenActivates();
    void mainWindowReactivatedDoesNotActivateAgain();
    void dialogActivatesAtShowAndAfterBox();
    void modalDialogActivatesAtExecAndAfterBox();
    void failingActivationIsReportedAndNotRepeated();
};

void tst_ActivationHook::mdiChildActivatesOnceAtFirstShow() {
    MdiHost host;
    int activations = 0;
    host.addForm(activations);
    host.show();
    QTRY_COMPARE(activations, 1);
    settle();
    QCOMPARE(activations, 1);
}

void tst_ActivationHook::mdiChildActivatesAgainAfterRealBoxClosesOnce() {
    MdiHost host;
    int activations = 0;
    bool execReturned = false;
    bool sawExecReturned = false;
    QWidget* form = host.addForm(activations, &execReturned, &sawExecReturned);
    host.show();
    QTRY_COMPARE(activations, 1);
    settle();

    showRealBox(form, execReturned);
    QTRY_COMPARE(activations, 2);
    QVERIFY(sawExecReturned); // the handler ran after exec() returned
    settle();
    QCOMPARE(activations, 2);
}

void tst_ActivationHook::onlyTheActiveChildActivatesAfterABox() {
    MdiHost host;
    int first = 0;
    int second = 0;
    host.addForm(first);
    QWidget* secondForm = host.addForm(second);
    host.show();
    host.area->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(secondForm->parentWidget()));
    settle();
    const int firstBefore = first;
    const int secondBefore = second;
    QVERIFY(secondBefore >= 1);

    bool execReturned = false;
    showRealBox(secondForm, execReturned);
    QTRY_COMPARE(second, secondBefore + 1);
    settle();
    QCOMPARE(first, firstBefore);
    QCOMPARE(second, secondBefore + 1);
}

void tst_ActivationHook::switchingChildrenActivates() {
    MdiHost host;
    int first = 0;
    int second = 0;
    QWidget* firstForm = host.addForm(first);
    QWidget* secondForm = host.addForm(second);
    host.show();
    auto* firstSub = qobject_cast<QMdiSubWindow*>(firstForm->parentWidget());
    auto* secondSub = qobject_cast<QMdiSubWindow*>(secondForm->parentWidget());
    host.area->setActiveSubWindow(secondSub);
    settle();
    const int firstBefore = first;
    host.area->setActiveSubWindow(firstSub);
    QTRY_COMPARE(first, firstBefore + 1);
}

void tst_ActivationHook::mainWindowReactivatedDoesNotActivateAgain() {
    MdiHost host;
    int activations = 0;
    host.addForm(activations);
    host.show();
    QTRY_COMPARE(activations, 1);
    // What a window manager does after a box closes: the main window is activated again.
    QWidget other;
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    host.main.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&host.main));
    settle();
    QCOMPARE(activations, 1);
}

void tst_ActivationHook::dialogActivatesAtShowAndAfterBox() {
    QDialog dialog;
    new QLineEdit(&dialog);
    int activations = 0;
    bool execReturned = false;
    bool sawExecReturned = false;
    new ActivationHook(&dialog, [&] {
        ++activations;
        sawExecReturned = execReturned;
    });
    dialog.show();
    dialog.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QTRY_COMPARE(activations, 1);
    settle();
    QCOMPARE(activations, 1);

    showRealBox(&dialog, execReturned);
    QTRY_COMPARE(activations, 2);
    QVERIFY(sawExecReturned);
    settle();
    QCOMPARE(activations, 2);
}

void tst_ActivationHook::modalDialogActivatesAtExecAndAfterBox() {
    QDialog dialog;
    new QLineEdit(&dialog);
    int activations = 0;
    int duringExec = -1;
    new ActivationHook(&dialog, [&] { ++activations; });
    ModalDriver driver;
    driver.then([&](QWidget&) {
        QTRY_COMPARE(activations, 1);
        bool execReturned = false;
        showRealBox(&dialog, execReturned);
        QTRY_COMPARE(activations, 2);
        settle();
        duringExec = activations;
        dialog.accept();
    });
    dialog.exec();
    QCOMPARE(duringExec, 2);
    settle();
    QCOMPARE(activations, 2); // closing the dialog itself activates nothing
}

void tst_ActivationHook::failingActivationIsReportedAndNotRepeated() {
    QDialog dialog;
    bool firstTime = true;
    int attempts = 0;
    ModalDriver driver;
    driver.thenPress("OK");
    new ActivationHook(&dialog, [&] {
        ++attempts;
        if (!firstTime)
            return;
        firstTime = false; // cleared before the work, so a failure is not repeated
        throw std::runtime_error("Falha na primeira ativação");
    });
    dialog.show();
    dialog.activateWindow();
    // The error box closing over the dialog activates it once more, harmlessly.
    QTRY_COMPARE(driver.handled(), 1);
    QCOMPARE(driver.seenTexts, QStringList({"Falha na primeira ativação"}));
    QTRY_COMPARE(attempts, 2);
    settle();
    QCOMPARE(attempts, 2);
}

QTEST_MAIN(tst_ActivationHook)
#include "tst_activationhook.moc"
