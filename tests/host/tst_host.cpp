// The host loading the module library: its entries are exported (and nothing else of it), the
// entry run twice gives one window in front in its normal state, closing and running it again
// starts the screen afresh, the prescription calculation ZFA80000 runs by LoadBPL with the
// branch it is given and returns when its window closes, and a module that is not installed
// gives the host's message.

#include "framework/tdbgrid.h"
#include "framework/tmaskedit.h"
#include "host/hostlogin.h"
#include "host/hostsettings.h"
#include "host/mainwindow.h"
#include "platform/tclientdataset.h"
#include "platform/tfield.h"
#include "platform/tnetconnection.h"
#include "tests/support/hostharness.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLibrary>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <memory>

using namespace dieta;
using dieta::test::HostHarness;

namespace {

const QString& kModule = HostHarness::moduleName();

// The frame is the only one of the screen, shown normal (neither minimised nor maximised), and
// the active child in front of every other.
void verifyOneScreenInFront(HostHarness& host, QMdiSubWindow* frame) {
    QVERIFY(frame);
    int screens = 0;
    for (QMdiSubWindow* sub : host.mdi().subWindowList())
        screens +=
            sub->widget() && sub->widget()->objectName() == QLatin1String("frmContAlimentar");
    QCOMPARE(screens, 1);
    QVERIFY(frame->isVisible());
    QVERIFY2(!frame->isMinimized() && !frame->isMaximized(), "the screen is not shown normal");
    QCOMPARE(host.mdi().activeSubWindow(), frame);
    QCOMPARE(host.mdi().subWindowList(QMdiArea::StackingOrder).constLast(), frame);
}

} // namespace

class tst_Host : public QObject {
    Q_OBJECT

private slots:
    void moduleExportsItsEntries_data();
    void moduleExportsItsEntries();
    void moduleHidesEverythingElse();
    void entryTwiceGivesOneWindowInFront();
    void closeAndEntryAgainStartsAfresh();
    void calculationModuleRunsByLoadBPLWithTheBranch();
    void missingModuleGivesTheHostsMessage();
    void loginAsksUntilThePasswordIsRight();
    void passwordFromTheEnvironmentIsTakenOnce();
};

void tst_Host::moduleExportsItsEntries_data() {
    QTest::addColumn<QString>("entry");
    for (const char* entry : {"IniProc", "Cli_zfa13000_CriaContAlim", "Cli_zfa13100_CriaFiltroCont",
                              "Cli_zfa13040_CriaVisuRestInto"})
        QTest::newRow(entry) << QString::fromLatin1(entry);
}

void tst_Host::moduleExportsItsEntries() {
    QFETCH(QString, entry);
    const QString path = host::ModuleLoader(HostHarness::moduleDir()).libraryPath(kModule);
    QVERIFY2(!path.isEmpty(), qPrintable(HostHarness::moduleDir()));
    QLibrary library(path);
    library.setLoadHints(QLibrary::ResolveAllSymbolsHint | QLibrary::PreventUnloadHint);
    QVERIFY2(library.load(), qPrintable(library.errorString()));
    QVERIFY2(library.resolve(qPrintable(entry)), qPrintable(library.errorString()));
}

void tst_Host::moduleHidesEverythingElse() {
    QLibrary library(host::ModuleLoader(HostHarness::moduleDir()).libraryPath(kModule));
    QVERIFY2(library.load(), qPrintable(library.errorString()));
    // The screen's own functions, compiled into the library, stay inside it.
    QVERIFY(!library.resolve("_ZN5dieta12Cli_zfa1300012CriaContAlimEv"));
    QVERIFY(!library.resolve("_ZN5dieta12Cli_zfa1300014InitializationEv"));
}

void tst_Host::entryTwiceGivesOneWindowInFront() {
    HostHarness host;
    QVERIFY2(host.ok(), qPrintable(host.error()));
    QVERIFY(host.openScreen());
    QPointer<QMdiSubWindow> frame = host.frame();
    QPointer<QWidget> form = host.form();

    // Another window of the host in front; the entry again brings the same screen forward.
    QMdiSubWindow* other = host.mdi().addSubWindow(new QWidget);
    other->setAttribute(Qt::WA_DeleteOnClose);
    other->show();
    host.mdi().setActiveSubWindow(other);
    QCOMPARE(host.mdi().activeSubWindow(), other);
    QVERIFY(host.window().runModule(kModule));
    QCOMPARE(host.form(), form.data());
    verifyOneScreenInFront(host, frame);

    // Minimised, the entry shows it normal again.
    frame->showMinimized();
    QVERIFY(frame->isMinimized());
    QVERIFY(host.window().runModule(kModule));
    QCOMPARE(host.form(), form.data());
    verifyOneScreenInFront(host, frame);

    // Maximised too.
    frame->showMaximized();
    QVERIFY(host.window().runModule(kModule));
    verifyOneScreenInFront(host, frame);
    QVERIFY2(host.environment().dialogs().texts().isEmpty(),
             qPrintable(host.environment().dialogs().texts().join(u'\n')));
}

void tst_Host::closeAndEntryAgainStartsAfresh() {
    HostHarness host;
    QVERIFY2(host.ok(), qPrintable(host.error()));
    QWidget* first = host.openScreen();
    QVERIFY(first);
    const QString firstService = first->findChild<TMaskEdit*>("medCdServico")->text();
    // The operator leaves the selection panel: the list loads.
    first->findChild<TDBGrid*>("dbgPadrao")->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY_WITH_TIMEOUT(first->findChild<TClientDataSet*>("cdsInternacao")->Active(), 5000);
    QVERIFY(!first->findChild<TClientDataSet*>("cdsInternacao")->IsEmpty());

    QPointer<QWidget> closed = first;
    QVERIFY(host.closeModuleWindows());
    QVERIFY(closed.isNull());
    QVERIFY(!host.frame());

    // A new screen, at its first activation again, with nothing of the closed one's list.
    QWidget* second = host.openScreen();
    QVERIFY(second);
    QCOMPARE(second->findChild<TMaskEdit*>("medCdFilial")->text(), QStringLiteral("0001"));
    QCOMPARE(second->findChild<TMaskEdit*>("medCdServico")->text(), firstService);
    QVERIFY(!second->findChild<TClientDataSet*>("cdsInternacao")->Active());
    verifyOneScreenInFront(host, host.frame());
    QVERIFY2(host.environment().dialogs().texts().isEmpty(),
             qPrintable(host.environment().dialogs().texts().join(u'\n')));
}

void tst_Host::calculationModuleRunsByLoadBPLWithTheBranch() {
    HostHarness host;
    QVERIFY2(host.ok(), qPrintable(host.error()));
    const QString path =
        host::ModuleLoader(HostHarness::moduleDir()).libraryPath(QStringLiteral("ZFA80000"));
    QVERIFY2(path.endsWith(QStringLiteral("/libPkg_zfa80000.so")), qPrintable(path));
    QLibrary library(path);
    QVERIFY2(library.load(), qPrintable(library.errorString()));
    QVERIFY(library.resolve("IniProcParams"));
    QVERIFY(!library.resolve("IniProc"));

    ScriptedDialogs& dialogs = host.environment().dialogs();
    QString title, branch;
    int proposals = -1;
    bool ownedByTheHost = false;
    dialogs.answerDialog([&](QDialog& window) {
        title = window.windowTitle();
        ownedByTheHost = window.parentWidget() == &host.window();
        if (auto* label = window.findChild<QLabel*>(QStringLiteral("lblFilial")))
            branch = label->text();
        auto* list = window.findChild<TClientDataSet*>(QStringLiteral("cdsProposta"));
        window.show();
        window.activateWindow();
        if (list && QTest::qWaitForWindowActive(&window) &&
            QTest::qWaitFor([list] { return list->RecordCount() > 0; }, 5000))
            proposals = list->RecordCount();
        return int(QDialog::Rejected);
    });
    // As the main screen's action runs it: branch code and name.
    Vantor::LoadBPL(QStringLiteral("ZFA80000"),
                    {QStringLiteral("0001"), QStringLiteral("Hospital Central")});
    // LoadBPL returned after the window's modal run, with the branch given.
    QCOMPARE(dialogs.dialogsShown, QStringList{"frmCalcPresDieta"});
    QCOMPARE(title, QStringLiteral("Cálculo de Prescrição de Dieta"));
    QCOMPARE(branch, QStringLiteral("Filial: 0001 - Hospital Central"));
    QVERIFY(ownedByTheHost);
    QVERIFY2(proposals > 0, "the window listed no proposal from the server");
    QVERIFY2(dialogs.texts().isEmpty(), qPrintable(dialogs.texts().join(u'\n')));
    QVERIFY(host.mdi().subWindowList().isEmpty());
}

void tst_Host::missingModuleGivesTheHostsMessage() {
    HostHarness host;
    QVERIFY2(host.ok(), qPrintable(host.error()));
    ScriptedDialogs& dialogs = host.environment().dialogs();

    // From the host's own menu, and asked by a module through the host values.
    QVERIFY(!host.window().runModule(QStringLiteral("ZFA99999")));
    Vantor::LoadBPL(QStringLiteral("ZFA99999"), {});
    QCOMPARE(dialogs.texts(),
             QStringList(2, QStringLiteral("O módulo ZFA99999 não está instalado.")));
    QVERIFY(dialogs.asked.constFirst().kind == MsgKind::Error);
    QVERIFY(host.mdi().subWindowList().isEmpty());
}

// No password given: the dialog asks, shows the server's refusal and asks again.
void tst_Host::loginAsksUntilThePasswordIsRight() {
    test::HostEnvironment environment;
    QVERIFY2(environment.ok(), qPrintable(environment.error()));
    host::HostSettings settings;
    settings.serverPort = environment.server().port();
    settings.operatorCode = QString();
    const QString password = environment.server().passwordOf("NUTRI02");
    QStringList refusals;
    int attempts = 0;
    QObject scope; // its timers end with the test
    // Each time the dialog opens: a wrong password first, then the right one.
    std::function<void()> answer = [&] {
        if (attempts >= 2)
            return;
        auto* dialog = qobject_cast<host::LoginDialog*>(QApplication::activeModalWidget());
        if (!dialog) {
            QTimer::singleShot(10, &scope, answer);
            return;
        }
        if (auto* shown = dialog->findChild<QLabel*>("lblRecusa"); shown && shown->isVisible())
            refusals.append(shown->text());
        dialog->findChild<QLineEdit*>("edtOperador")->setText("NUTRI02");
        dialog->findChild<QLineEdit*>("edtSenha")->setText(attempts++ ? password : "errada!!");
        dialog->accept();
        QTimer::singleShot(10, &scope, answer);
    };
    QTimer::singleShot(0, &scope, answer);
    QString error;
    std::unique_ptr<TNetConnection> session = host::openSession(settings, QString(), &error);
    QVERIFY2(session, qPrintable(error));
    QCOMPARE(attempts, 2);
    QCOMPARE(refusals, QStringList{"Operador ou senha inválidos."});
    QCOMPARE(settings.operatorCode, QString("NUTRI02"));
    QCOMPARE(TNetConnection::processSession(), session->SessionToken());
    session->setServerName("Zfa13000.rdmDietaOral");
    QVERIFY(!isServerError(session->call("GetDiagnost")));
    TNetConnection::setProcessSession(QString());
}

void tst_Host::passwordFromTheEnvironmentIsTakenOnce() {
    qputenv(host::kPasswordVariable, "segredo da demo");
    QCOMPARE(host::takePasswordFromEnvironment(), QString("segredo da demo"));
    QVERIFY(!qEnvironmentVariableIsSet(host::kPasswordVariable)); // no child inherits it
    QCOMPARE(host::takePasswordFromEnvironment(), QString());
}

QTEST_MAIN(tst_Host)
#include "tst_host.moc"
