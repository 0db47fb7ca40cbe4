#pragma once
// What a module needs of the host application's main window: the MDI area its child windows
// go into and the components it owns (the client dataset cdsFiltro). The host names its main
// window "frmPrincipal"; modules find it among the application's top-level windows, as they
// would find the application's main form.

#include <QApplication>
#include <QMainWindow>
#include <QMdiArea>
#include <QWidget>

namespace dieta::contracts {

inline constexpr const char* kMainWindowName = "frmPrincipal";

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

} // namespace dieta::contracts
