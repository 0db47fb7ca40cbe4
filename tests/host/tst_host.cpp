// The host loading the module library: its entries are exported (and nothing else of it), the
// entry run twice gives one window in front in its normal state, closing and running it again
// starts the screen afresh, and a module that is not installed gives the host's message.

#include "framework/showavi.h"
#include "framework/tdbgrid.h"
#include "framework/tmaskedit.h"
#include "host/hostlogin.h"
#include "host/hostsettings.h"
#include "host/mainwindow.h"
#include "platform/tclientdataset.h"
#include "platform/tnetconnection.h"
#include "tests/support/hostenvironment.h"

#include <QApplication>
#include <QLabel>
#include <QLibrary>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QTimer>
#include <QtTest>
#include <algorithm>
#include <functional>
#include <memory>

using namespace dieta;

namespace {

const QString kModule = QString::fromLatin1(host::MainWindow::kDietaOralModule);

// The host's main window wired as dieta-host wires it, over a host environment; closes the
// module's windows before it goes, as the operator leaving the system would.
class RunningHost {
public:
    RunningHost() {
        if (!environment_.ok())
            return;
        host::HostSettings settings;
        settings.serverPort = environment_.server().port();
        settings.moduleDir = QStringLiteral(DIETA_MODULE_DIR);
        // As dieta-host starts: the password as the environment would give it.
        session_ = host::openSession(
            settings, environment_.server().passwordOf(settings.operatorCode), &loginError_);
        if (!session_)
            return;
        window_ = std::make_unique<host::MainWindow>(settings);
        SetShowAviWindow(window_.get());
        HostValues values = Vantor::host();
        values.loadBpl = [this](const QString& module, const QVariantList& params) {
            window_->runModule(module, params);
        };
        Vantor::setHost(values);
        window_->show();
        window_->activateWindow();
        active_ = QTest::qWaitForWindowActive(window_.get());
    }

    ~RunningHost() {
        if (!window_)
            return;
        if (!closeModuleWindows())
            qWarning("a window of the module did not close");
        SetShowAviWindow(nullptr);
    }

    bool ok() const { return environment_.ok() && session_ && active_; }
    QString error() const {
        if (!environment_.ok())
            return environment_.error();
        return session_ ? QStringLiteral("the host's window is not active") : loginError_;
    }

    test::HostEnvironment& environment() { return environment_; }
    host::MainWindow& window() { return *window_; }
    QMdiArea& mdi() { return *window_->mdiArea(); }

    // The Dieta Oral screen's frame and form (nullptr when it is not open).
    QMdiSubWindow* frame() const {
        for (QMdiSubWindow* sub : window_->mdiArea()->subWindowList())
            if (sub->widget() && sub->widget()->objectName() == QLatin1String("frmContAlimentar"))
                return sub;
        return nullptr;
    }
    QWidget* form() const { return frame() ? frame()->widget() : nullptr; }

    // Runs the module's entry and waits (bounded) for the screen's first activation, which
    // fills the selection panel with the host's branch and its first service.
    QWidget* openScreen() {
        if (!window_->runModule(kModule))
            return nullptr;
        QWidget* screen = form();
        if (!screen)
            return nullptr;
        auto* service = screen->findChild<TMaskEdit*>("medCdServico");
        if (!QTest::qWaitFor([service] { return !service->text().isEmpty(); }, 5000))
            return nullptr;
        return screen;
    }

    // As the operator closes windows: by their frames. Waits (bounded) until they are gone;
    // false when one is still there.
    bool closeModuleWindows() {
        QList<QPointer<QMdiSubWindow>> open;
        for (QMdiSubWindow* sub : mdi().subWindowList())
            open.append(sub);
        mdi().closeAllSubWindows();
        return QTest::qWaitFor(
            [&open] {
                return std::all_of(open.cbegin(), open.cend(),
                                   [](const QPointer<QMdiSubWindow>& sub) { return sub.isNull(); });
            },
            5000);
    }

private:
    test::HostEnvironment environment_;
    std::unique_ptr<TNetConnection> session_;
    QString loginError_;
    std::unique_ptr<host::MainWindow> window_;
    bool active_ = false;
};

// The frame is the only one of the screen, shown normal (neither minimised nor maximised), and
// the active child in front of every other.
void verifyOneScreenInFront(RunningHost& host, QMdiSubWindow* frame) {
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
    const QString path = host::ModuleLoader(QStringLiteral(DIETA_MODULE_DIR)).libraryPath(kModule);
    QVERIFY2(!path.isEmpty(), DIETA_MODULE_DIR);
    QLibrary library(path);
    library.setLoadHints(QLibrary::ResolveAllSymbolsHint | QLibrary::PreventUnloadHint);
    QVERIFY2(library.load(), qPrintable(library.errorString()));
    QVERIFY2(library.resolve(qPrintable(entry)), qPrintable(library.errorString()));
}

void tst_Host::moduleHidesEverythingElse() {
    QLibrary library(host::ModuleLoader(QStringLiteral(DIETA_MODULE_DIR)).libraryPath(kModule));
    QVERIFY2(library.load(), qPrintable(library.errorString()));
    // The screen's own functions, compiled into the library, stay inside it.
    QVERIFY(!library.resolve("_ZN5dieta12Cli_zfa1300012CriaContAlimEv"));
    QVERIFY(!library.resolve("_ZN5dieta12Cli_zfa1300014InitializationEv"));
}

void tst_Host::entryTwiceGivesOneWindowInFront() {
    RunningHost host;
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
    RunningHost host;
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

void tst_Host::missingModuleGivesTheHostsMessage() {
    RunningHost host;
    QVERIFY2(host.ok(), qPrintable(host.error()));
    ScriptedDialogs& dialogs = host.environment().dialogs();

    // From the host's own menu, and asked by a module through the host values.
    QVERIFY(!host.window().runModule(QStringLiteral("ZFA80000")));
    Vantor::LoadBPL(QStringLiteral("ZFA80000"), {});
    QCOMPARE(dialogs.texts(),
             QStringList(2, QStringLiteral("O módulo ZFA80000 não está instalado.")));
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
