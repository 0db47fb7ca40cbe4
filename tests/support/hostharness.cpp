#include "tests/support/hostharness.h"

#include "framework/showavi.h"
#include "framework/tmaskedit.h"
#include "host/hostlogin.h"
#include "platform/tnetconnection.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QtTest>
#include <algorithm>

namespace dieta::test {

HostHarness::HostHarness(int inpatients) : environment_(inpatients) {
    if (!environment_.ok() || !fileDirectory_.isValid())
        return;
    host::HostSettings settings = connectionSettings();
    // As dieta-host starts: the operator's password as the environment would give it.
    session_ = host::openSession(settings, environment_.server().passwordOf(settings.operatorCode),
                                 &loginError_);
    if (!session_)
        return;
    window_ = std::make_unique<host::MainWindow>(settings);
    SetShowAviWindow(window_.get());
    publishHostValues(settings);
    window_->show();
    window_->activateWindow();
    active_ = QTest::qWaitForWindowActive(window_.get());
}

HostHarness::~HostHarness() {
    if (!window_)
        return;
    if (!closeModuleWindows())
        qWarning("a window of the module did not close");
    SetShowAviWindow(nullptr);
}

QString HostHarness::error() const {
    if (!environment_.ok())
        return environment_.error();
    if (!fileDirectory_.isValid())
        return QStringLiteral("no temporary directory for the host's files");
    if (!session_)
        return loginError_;
    return QStringLiteral("the host's window is not active");
}

QString HostHarness::moduleDir() {
    return QStringLiteral(DIETA_MODULE_DIR);
}

const QString& HostHarness::moduleName() {
    static const QString name = QString::fromLatin1(host::MainWindow::kDietaOralModule);
    return name;
}

host::HostSettings HostHarness::connectionSettings() {
    host::HostSettings settings;
    settings.serverHost = QStringLiteral("127.0.0.1");
    settings.serverPort = environment_.server().port();
    settings.operatorCode = QStringLiteral("NUTRI01");
    settings.branch = QStringLiteral("0001");
    settings.moduleDir = moduleDir();
    return settings;
}

// As dieta-host fills them from its settings; the branch name and code masks come from the
// environment, which read them from the demo database.
void HostHarness::publishHostValues(const host::HostSettings& settings) {
    HostValues values = Vantor::host();
    values.operador = settings.operatorCode;
    values.filiProc = settings.branch;
    values.webUrl = settings.serverHost;
    values.webPort = settings.serverPort;
    values.fileDirectory = fileDirectory_.path();
    values.loadBpl = [this](const QString& module, const QVariantList& params) {
        window_->runModule(module, params);
    };
    Vantor::setHost(values);
}

QMdiSubWindow* HostHarness::frame() const {
    for (QMdiSubWindow* sub : window_->mdiArea()->subWindowList())
        if (sub->widget() && sub->widget()->objectName() == QLatin1String("frmContAlimentar"))
            return sub;
    return nullptr;
}

QWidget* HostHarness::form() const {
    return frame() ? frame()->widget() : nullptr;
}

QWidget* HostHarness::openScreen() {
    if (!window_->runModule(moduleName()))
        return nullptr;
    return awaitScreen();
}

QWidget* HostHarness::openScreenFromMenu() {
    auto* item = window_->findChild<QAction*>(QStringLiteral("mnuDietaOral"));
    if (!item)
        return nullptr;
    item->trigger();
    return awaitScreen();
}

QWidget* HostHarness::awaitScreen() {
    QWidget* screen = form();
    if (!screen)
        return nullptr;
    auto* service = screen->findChild<TMaskEdit*>(QStringLiteral("medCdServico"));
    if (!service || !QTest::qWaitFor([service] { return !service->text().isEmpty(); }, 5000))
        return nullptr;
    return screen;
}

bool HostHarness::closeModuleWindows() {
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

} // namespace dieta::test
