#pragma once
// The agreement between the host application and the modules it loads, in one place:
//  - the host's main window, named "frmPrincipal", with the MDI area the modules' windows go
//    into, found among the application's top-level windows as the application's main form;
//  - the client dataset "cdsFiltro" it owns, where a module finds the patient preselection;
//  - the entry points a module library exports (extern "C", resolved by name);
//  - the host values (operator, branch, server, code masks, the directory of the host's files,
//    the service that runs another module): HostValues in framework/vantor.h, set by the host
//    before it loads a module and only read by the module.

#include "framework/vantor.h"
#include "platform/tclientdataset.h"

#include <QApplication>
#include <QMainWindow>
#include <QMdiArea>
#include <QVariantList>
#include <QWidget>

namespace dieta::contracts {

inline constexpr const char* kMainWindowName = "frmPrincipal";
inline constexpr const char* kFilterDataSetName = "cdsFiltro";

// Entry points of a module library. IniProcParams is optional and wins when present.
inline constexpr const char* kEntryIniProc = "IniProc";
inline constexpr const char* kEntryIniProcParams = "IniProcParams";
using IniProcFn = void (*)();
using IniProcParamsFn = void (*)(const QVariantList* params);

inline QMainWindow* hostMainWindow() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* main = qobject_cast<QMainWindow*>(w);
            main && main->objectName() == QLatin1String(kMainWindowName))
            return main;
    }
    return nullptr;
}

inline QMdiArea* hostMdiArea() {
    QMainWindow* main = hostMainWindow();
    return main ? main->findChild<QMdiArea*>() : nullptr;
}

// The host's preselection dataset, or nullptr outside a host.
inline TClientDataSet* hostFilterDataSet() {
    QMainWindow* main = hostMainWindow();
    return main ? main->findChild<TClientDataSet*>(kFilterDataSetName) : nullptr;
}

} // namespace dieta::contracts
