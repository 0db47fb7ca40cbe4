#pragma once
// How the tour reaches the module's windows without linking the module: every part by its
// object name and its framework class, moved as the operator moves it (clicks on grid cells,
// keys, focus changes that run the exit and enter handlers), and each modal window driven
// while the scripted dialog service holds it open.

#include "framework/lookups.h"
#include "framework/scripteddialogs.h"
#include "framework/tdbgrid.h"
#include "platform/tclientdataset.h"
#include "platform/tfield.h"
#include "tests/support/hostharness.h"

#include <QDialog>
#include <QDir>
#include <QLineEdit>
#include <QMainWindow>
#include <QtTest>
#include <functional>

namespace dieta::test::tour {

// A named part of a window; a missing one fails the step that asked for it.
template <class T> T* part(QObject* window, const char* name) {
    T* found = window ? window->findChild<T*>(QString::fromLatin1(name)) : nullptr;
    if (!found)
        QTest::qFail(qPrintable(QStringLiteral("no %1 in the window").arg(QLatin1String(name))),
                     __FILE__, __LINE__);
    return found;
}

inline QString text(TClientDataSet* ds, int row, const char* field) {
    return ds->RowValue(row, ds->FieldByName(QString::fromLatin1(field))).toString();
}

inline QString current(TClientDataSet* ds, const char* field) {
    return ds->FieldByName(QString::fromLatin1(field))->AsString();
}

// Moves the focus as Tab or a click does: the exit handler of the old control and the enter
// handler of the new one run.
inline void focusOn(QWidget* widget) {
    widget->setFocus(Qt::TabFocusReason);
    QCoreApplication::processEvents();
}

// Types into an edit as the operator does: enters it, replaces its text by keys.
inline void typeInto(QLineEdit* edit, const QString& typed) {
    focusOn(edit);
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, typed);
}

// The cell of a row (in the grid's order) and field, scrolled into view.
inline QRect cellRect(TDBGrid* grid, int row, const char* field) {
    grid->setFocus(Qt::MouseFocusReason);
    grid->SetSelectedIndex(grid->ColumnIndex(QString::fromLatin1(field)));
    const QModelIndex index = grid->model()->index(row, grid->currentIndex().column());
    grid->scrollTo(index);
    return grid->visualRect(index);
}

inline void clickCell(TDBGrid* grid, int row, const char* field) {
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cellRect(grid, row, field).center());
    QCoreApplication::processEvents();
}

inline void doubleClickCell(TDBGrid* grid, int row, const char* field) {
    const QPoint at = cellRect(grid, row, field).center();
    // As the mouse does it: a click, then the double click on the same spot.
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, at);
    QCoreApplication::processEvents();
}

// Pictures of the windows for the documentation: saved into the directory that
// DIETA_TOUR_PICTURES names, and not taken otherwise.
inline QString picturesDirectory() {
    return qEnvironmentVariable("DIETA_TOUR_PICTURES");
}

inline void picture(QWidget& window, const char* file) {
    if (picturesDirectory().isEmpty())
        return;
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    const QString path = QDir(picturesDirectory()).filePath(QString::fromLatin1(file));
    if (!window.grab().save(path))
        qWarning("cannot write %s", qPrintable(path));
}

// Answers the next modal window, which must be the one named: it is shown (not modally) and
// activated, so that its first activation runs, then `body` drives it as the operator would;
// afterwards it is hidden as the end of a modal showing would, and the host's window is
// active again. `shown` tells whether the window came.
inline void whileShown(HostHarness& host, const char* name, std::function<void(QDialog&)> body,
                       bool* shown = nullptr) {
    QMainWindow* main = &host.window();
    host.dialogs().answerDialog([name, body, main, shown](QDialog& dialog) {
        if (dialog.objectName() != QLatin1String(name))
            return int(QDialog::Rejected);
        if (shown)
            *shown = true;
        dialog.show();
        dialog.activateWindow();
        if (!QTest::qWaitForWindowActive(&dialog))
            qWarning("the window %s did not become active", name);
        // The window's activation is delivered queued: let it run before the operator acts.
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        body(dialog);
        const int result = dialog.result();
        dialog.hide();
        main->activateWindow();
        if (!QTest::qWaitForWindowActive(main))
            qWarning("the host's window did not become active again");
        return result;
    });
}

// A pick list answered by code: the rows whose first column is one of the codes are checked.
// With `pictureFile`, the list is shown for its picture when pictures are taken.
inline ScriptedDialogs::DialogScript pickCodes(const QStringList& codes,
                                               const char* pictureFile = nullptr) {
    return [codes, pictureFile](QDialog& dialog) {
        auto* pick = dynamic_cast<TPickListDialog*>(&dialog);
        if (!pick)
            return int(QDialog::Rejected);
        for (int row = 0; row < pick->rowCount(); ++row)
            pick->setChecked(row, codes.contains(pick->cellText(row, 0)));
        if (pictureFile && !picturesDirectory().isEmpty()) {
            dialog.show();
            if (QTest::qWaitForWindowExposed(&dialog))
                picture(dialog, pictureFile);
            dialog.hide();
        }
        return int(QDialog::Accepted);
    };
}

} // namespace dieta::test::tour
