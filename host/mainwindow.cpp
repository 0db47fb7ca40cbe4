#include "host/mainwindow.h"

#include "contracts/hostapplication.h"
#include "framework/dialogservice.h"
#include "platform/eabort.h"
#include "platform/tclientdataset.h"

#include <QAction>
#include <QMdiArea>
#include <QMenuBar>
#include <QStatusBar>

namespace dieta::host {

MainWindow::MainWindow(const HostSettings& settings, QWidget* parent)
    : QMainWindow(parent), settings_(settings), loader_(settings.moduleDir) {
    setObjectName(contracts::kMainWindowName);
    setWindowTitle(QStringLiteral("Sistema Hospitalar"));
    mdi_ = new QMdiArea(this);
    mdi_->setObjectName("mdiPrincipal");
    setCentralWidget(mdi_);

    // Owned here and found by name by the modules; modules create its fields when they load it.
    cdsFiltro_ = new TClientDataSet(this);
    cdsFiltro_->setObjectName(contracts::kFilterDataSetName);

    buildMenus();
    statusBar()->showMessage(QStringLiteral("Operador: %1    Filial: %2    Servidor: %3:%4")
                                 .arg(settings.operatorCode, settings.branch, settings.serverHost)
                                 .arg(settings.serverPort));
    resize(1100, 700);
}

void MainWindow::buildMenus() {
    QMenu* system = menuBar()->addMenu(QStringLiteral("&Sistema"));
    QAction* quit = system->addAction(QStringLiteral("Sai&r"));
    connect(quit, &QAction::triggered, this, &QWidget::close);

    QMenu* nutrition = menuBar()->addMenu(QStringLiteral("&Nutrição"));
    QAction* dieta = nutrition->addAction(QStringLiteral("Dieta &Oral"));
    dieta->setObjectName("mnuDietaOral");
    connect(dieta, &QAction::triggered, this, [this] { runModule(kDietaOralModule); });

    QMenu* windows = menuBar()->addMenu(QStringLiteral("&Janela"));
    connect(windows->addAction(QStringLiteral("&Cascata")), &QAction::triggered, mdi_,
            &QMdiArea::cascadeSubWindows);
    connect(windows->addAction(QStringLiteral("&Lado a lado")), &QAction::triggered, mdi_,
            &QMdiArea::tileSubWindows);
}

bool MainWindow::runModule(const QString& name, const QVariantList& params) {
    QString error;
    try {
        if (loader_.run(name, params, &error))
            return true;
    } catch (const EAbort&) {
        return false; // the module has told the operator already
    } catch (const std::exception& e) {
        error =
            QStringLiteral("Falha ao abrir o módulo %1: %2").arg(name, QString::fromUtf8(e.what()));
    }
    dialogs().message(MsgKind::Error, error, this);
    return false;
}

} // namespace dieta::host
