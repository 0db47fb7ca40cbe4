#pragma once
// What the diet dialogs' suites share: the real main screen with its list loaded on a service
// or a group, patients marked through its grid, a dialog built and shown as the screen's
// actions do, focus moves and grid keys, and the server's database read back.

#include "framework/consistegrid.h"
#include "framework/tdbgrid.h"
#include "framework/tmaskedit.h"
#include "platform/sqldatabase.h"
#include "platform/tclientdataset.h"
#include "platform/tfield.h"
#include "screen/Cli_zfa13000.h"
#include "tests/screen/screenfixture.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QToolButton>
#include <QtTest>
#include <memory>

namespace dieta::test {

using Cli_zfa13000::TfrmContAlimentar;

// The main screen's components, by object name (its members are its own).
struct MainScreen {
    TfrmContAlimentar* form = nullptr;

    template <class T> T* find(const char* name) const {
        T* child = form->findChild<T*>(QString::fromLatin1(name));
        if (!child)
            qWarning("main screen has no %s", name);
        return child;
    }
    TClientDataSet* list() const { return find<TClientDataSet>("cdsInternacao"); }
    TClientDataSet* marked() const { return find<TClientDataSet>("cdsInterAux"); }
    TDBGrid* grid() const { return find<TDBGrid>("dbgPadrao"); }
    TMaskEdit* servico() const { return find<TMaskEdit>("medCdServico"); }
    QString value(int row, const char* field) const {
        return list()->RowValue(row, list()->FieldByName(QString::fromLatin1(field))).toString();
    }
    QString current(const char* field) const {
        return list()->FieldByName(QString::fromLatin1(field))->AsString();
    }
};

// Opens the screen and loads the list of a service ("00010"), or of a service group when
// `grupo` (the code is then the group's, "001").
inline MainScreen openList(ScreenFixture& fx, const QString& code, bool grupo = false) {
    MainScreen screen{fx.openScreen()};
    if (!screen.form)
        return screen;
    if (grupo) {
        auto* mode = screen.find<QComboBox>("cmbServGrupo");
        mode->setCurrentIndex(1);
        emit mode->activated(1);
    }
    fx.enterPanel(screen.servico());
    screen.servico()->setText(code);
    fx.leavePanel();
    return screen;
}

// Marks the row through the grid's mark column, as the operator does with the space key.
inline void markRow(const MainScreen& screen, int row) {
    TDBGrid* grid = screen.grid();
    screen.list()->SetRecNo(row + 1);
    grid->setFocus();
    grid->SetSelectedIndex(Consiste::IndiceCol(grid, QStringLiteral("IDCHECK")));
    QTest::keyClick(grid, Qt::Key_Space);
}

// The first patient row (not a companion's) that satisfies `accept`, or -1.
template <class Accept> int patientRow(const MainScreen& screen, Accept accept) {
    TClientDataSet* list = screen.list();
    for (int row = 0; row < list->ViewCount(); ++row)
        if (screen.value(row, "STPACIACOM") == QLatin1String("0") && accept(row))
            return row;
    return -1;
}

// Whether the patient of the row has a companion row in the list.
inline bool hasCompanion(const MainScreen& screen, int row) {
    const QString patient = screen.value(row, "CDPACIENTE");
    for (int other = 0; other < screen.list()->ViewCount(); ++other)
        if (screen.value(other, "CDPACIENTE") == patient &&
            screen.value(other, "STPACIACOM") != QLatin1String("0"))
            return true;
    return false;
}

// Builds the dialog as the screen's action does and shows it (not modally, so that the test
// drives it), active, its first activation run.
template <class Dialog> std::unique_ptr<Dialog> showDialog(const MainScreen& screen) {
    auto dialog = std::make_unique<Dialog>(screen.form->window());
    dialog->FormCreate();
    dialog->show();
    dialog->activateWindow();
    if (!QTest::qWaitForWindowActive(dialog.get()))
        qWarning("the dialog did not become active");
    QCoreApplication::processEvents();
    return dialog;
}

// Moves the focus as a click or Tab would (exit and enter handlers run).
inline void focusOn(QWidget* widget) {
    widget->setFocus(Qt::TabFocusReason);
    QCoreApplication::processEvents();
}

inline void selectColumn(TDBGrid* grid, const char* field) {
    grid->setFocus();
    grid->SetSelectedIndex(Consiste::IndiceCol(grid, QString::fromLatin1(field)));
}

inline QString fieldText(const TClientDataSet* ds, const char* field) {
    return ds->FieldByName(QString::fromLatin1(field))->AsString();
}

// Every row's value of a field, in the dataset's order.
inline QStringList columnValues(TClientDataSet* ds, const char* field) {
    QStringList values;
    for (int row = 0; row < ds->ViewCount(); ++row)
        values << ds->RowValue(row, ds->FieldByName(QString::fromLatin1(field))).toString();
    return values;
}

// The first column of every row of a query on the server's database.
inline QStringList dbColumn(ScreenFixture& fx, const QString& sql, const QVariantList& values) {
    QSqlQuery query(fx.server().database().connection());
    if (!query.prepare(sql))
        qWarning() << query.lastError().text();
    for (const QVariant& v : values)
        query.addBindValue(v);
    QStringList column;
    if (!query.exec())
        qWarning() << query.lastError().text();
    while (query.next())
        column << query.value(0).toString();
    return column;
}

// The day records of a patient on the fixture's day: "sequence/status/diet".
inline QStringList dayRecords(ScreenFixture& fx, const QString& patient) {
    return dbColumn(fx,
                    QStringLiteral("SELECT NRSEQUSERV || '/' || STPACIACOM || '/' ||"
                                   " COALESCE(CDDIETPAD, '') FROM SERVINTE WHERE CDFILIAL = '0001'"
                                   " AND CDPACIENTE = ? AND DTSERVINTE = ? ORDER BY NRSEQUSERV"),
                    {patient, ScreenFixture::today()});
}

} // namespace dieta::test
