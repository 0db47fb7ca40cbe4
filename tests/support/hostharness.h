#pragma once
// The real host running the real module library: the host's main window wired as dieta-host
// wires it, over a host environment (a real server on loopback with the demo hospital, the
// scripted dialog service), loading Pkg_zfa13000 from the build. Its suites never link the
// module: they reach it through the host, by the library's entries and by object names.
// Closes the module's windows before it goes, as the operator leaving the system would.

#include "host/hostsettings.h"
#include "host/mainwindow.h"
#include "tests/support/hostenvironment.h"

#include <QTemporaryDir>
#include <memory>

class QMdiArea;
class QMdiSubWindow;

namespace dieta {
class TNetConnection;
}

namespace dieta::test {

class HostHarness {
public:
    explicit HostHarness(int inpatients = 40);
    ~HostHarness();
    HostHarness(const HostHarness&) = delete;
    HostHarness& operator=(const HostHarness&) = delete;

    bool ok() const { return environment_.ok() && session_ && active_; }
    QString error() const;

    // Where the build puts the module libraries.
    static QString moduleDir();
    static const QString& moduleName();

    HostEnvironment& environment() { return environment_; }
    ScriptedDialogs& dialogs() { return environment_.dialogs(); }
    host::MainWindow& window() { return *window_; }
    QMdiArea& mdi() { return *window_->mdiArea(); }

    // The Dieta Oral screen's frame and form (nullptr when it is not open).
    QMdiSubWindow* frame() const;
    QWidget* form() const;

    // Runs the module's entry and waits (bounded) for the screen's first activation, which
    // fills the selection panel with the host's branch and its first service.
    QWidget* openScreen();
    // The same from the host's menu, as the operator opens it.
    QWidget* openScreenFromMenu();

    // As the operator closes windows: by their frames. Waits (bounded) until they are gone;
    // false when one is still there.
    bool closeModuleWindows();

private:
    // The host's settings and values that reach the server: the one place that says how the
    // host connects (address, port, operator, branch).
    host::HostSettings connectionSettings();
    void publishHostValues(const host::HostSettings& settings);
    QWidget* awaitScreen();

    HostEnvironment environment_;
    QTemporaryDir fileDirectory_;
    std::unique_ptr<TNetConnection> session_; // the host's login, as dieta-host keeps it
    QString loginError_;
    std::unique_ptr<host::MainWindow> window_;
    bool active_ = false;
};

} // namespace dieta::test
