#include "host/screenshot.h"

#include "host/mainwindow.h"

#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPixmap>
#include <QTimer>
#include <cstdio>

namespace dieta::host {

namespace {

// Leaving the selection panel by focusing the list grid is what loads the list.
void focusTheList(MainWindow& window) {
    QMdiSubWindow* child = window.mdiArea()->activeSubWindow();
    if (!child)
        return;
    child->activateWindow();
    if (QWidget* grid = child->findChild<QWidget*>("dbgPadrao"))
        grid->setFocus(Qt::OtherFocusReason);
}

} // namespace

void scheduleScreenshot(MainWindow& window, const QString& path) {
    QTimer::singleShot(1500, &window, [&window] { focusTheList(window); });
    QTimer::singleShot(4000, &window, [&window, path] {
        const QPixmap shot = window.grab();
        if (!shot.save(path))
            std::fprintf(stderr, "could not save %s\n", qPrintable(path));
        QApplication::quit();
    });
}

} // namespace dieta::host
