#pragma once
// What a screen test needs around the module: a real server with a small demo hospital on a
// temporary SQLite file, a host main window ("frmPrincipal" with its MDI area and cdsFiltro),
// the host values, the general database for the lookup queries, a scripted dialog service and
// a temporary host directory for FILPACI.cds.

#include "framework/scripteddialogs.h"
#include "platform/dtmdbgeral.h"
#include "tests/support/testserver.h"

#include <QMainWindow>
#include <QTemporaryDir>
#include <memory>

class QMdiArea;

namespace dieta {
class TClientDataSet;
namespace Cli_zfa13000 {
class TfrmContAlimentar;
}
} // namespace dieta

namespace dieta::test {

class ScreenFixture {
public:
    ScreenFixture();
    ~ScreenFixture();

    bool ok() const { return server_.ok(); }
    QString error() const { return server_.error(); }

    TestServer& server() { return server_; }
    ScriptedDialogs& dialogs() { return dialogs_; }
    QMainWindow& mainWindow() { return *main_; }
    QMdiArea* mdiArea() const { return mdi_; }
    TClientDataSet* cdsFiltro() const { return cdsFiltro_; }
    QString hostDir() const { return hostDir_.path(); }

    // Runs the host's entry and waits for the screen's first activation.
    Cli_zfa13000::TfrmContAlimentar* openScreen();
    // Closes the screen the way the operator does and waits until it is gone.
    void closeScreen();
    // Leaves the selection panel by moving the focus into the list grid: loads the list.
    void leavePanel();
    // Moves the focus into a control of the selection panel (closes the list).
    void enterPanel(QWidget* control);

    void setOperator(const QString& code);
    // Runs a statement on the server's database (test data).
    void exec(const QString& sql, const QVariantList& values = {});

    static const QDate& today();

private:
    TestServer server_;
    ScriptedDialogs dialogs_;
    std::unique_ptr<ScopedDialogService> dialogScope_;
    std::unique_ptr<ScopedGeneralDatabase> generalScope_;
    std::unique_ptr<QMainWindow> main_;
    QMdiArea* mdi_ = nullptr;
    TClientDataSet* cdsFiltro_ = nullptr;
    QTemporaryDir hostDir_;
};

} // namespace dieta::test
