#pragma once
// The hospital system's main window: an MDI area for the modules' windows, the module menu,
// the busy animation and the client dataset cdsFiltro that modules look up by name.

#include "host/hostsettings.h"
#include "host/moduleloader.h"

#include <QMainWindow>

class QMdiArea;

namespace dieta {
class TClientDataSet;
}

namespace dieta::host {

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(const HostSettings& settings, QWidget* parent = nullptr);

    QMdiArea* mdiArea() const { return mdi_; }
    TClientDataSet* cdsFiltro() const { return cdsFiltro_; }
    ModuleLoader& loader() { return loader_; }

    // Runs a module's entry, telling the operator when it is not installed or fails.
    bool runModule(const QString& name, const QVariantList& params = {});

    static constexpr const char* kDietaOralModule = "Pkg_zfa13000";

private:
    void buildMenus();

    HostSettings settings_;
    ModuleLoader loader_;
    QMdiArea* mdi_ = nullptr;
    TClientDataSet* cdsFiltro_ = nullptr;
};

} // namespace dieta::host
