#pragma once
// Helpers of the menu page and saving suites: a loaded list, a patient with a day record, a
// diet saved for it through the screen, reading the server's database back.

#include "framework/consistegrid.h"
#include "framework/tdbgrid.h"
#include "framework/tmaskedit.h"
#include "platform/dtmdbgeral.h"
#include "platform/sqldatabase.h"
#include "platform/tclientdataset.h"
#include "platform/tfield.h"
#include "screen/Cli_zfa13000.h"
#include "tests/screen/contalimentarprobe.h"
#include "tests/screen/screenfixture.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStackedWidget>
#include <QTabWidget>
#include <QToolButton>
#include <QtTest>

using dieta::test::ContAlimentarProbe;

namespace dieta::test {

using Cli_zfa13000::TfrmContAlimentar;

// The screen with its list loaded, or nullptr.
inline TfrmContAlimentar* loadList(ScreenFixture& fx) {
    TfrmContAlimentar* opened = fx.openScreen();
    if (!opened)
        return nullptr;
    const ContAlimentarProbe form = opened;
    fx.enterPanel(form->medCdServico);
    fx.leavePanel();
    return form->cdsInternacao->Active() ? opened : nullptr;
}

// Moves the list to the nth patient (not companion) that has a day record; false when none.
inline bool goToPatientWithRecord(ContAlimentarProbe form, int nth = 0) {
    TClientDataSet* list = form->cdsInternacao;
    for (list->First(); !list->Eof(); list->Next()) {
        if (list->FieldByName(u"STPACIACOM")->AsString() == QLatin1String("0") &&
            !list->FieldByName(u"NRSEQUSERV")->AsString().isEmpty() && nth-- == 0)
            return true;
    }
    return false;
}

// The diet's name in the general database, as the grid's diet lookup shows it.
inline QString dietName(const QString& code) {
    QSqlQuery query(TdtmDBGeral::Database()->connection());
    query.prepare(QStringLiteral("SELECT DSDIETPAD FROM DIETPADR WHERE CDDIETPAD = ?"));
    query.addBindValue(code);
    return query.exec() && query.next() ? query.value(0).toString() : QString();
}

// Writes a diet into the current record as the grid's diet validation does.
inline void typeDiet(ContAlimentarProbe form, const QString& code, const QString& kind,
                     const QString& group = QString()) {
    TClientDataSet* list = form->cdsInternacao;
    if (list->State() == dsBrowse)
        list->Edit();
    list->FieldByName(u"CDDIETPAD")->SetAsString(code);
    list->FieldByName(u"DSDIETPAD")->SetAsString(dietName(code));
    list->FieldByName(u"IDFORMDIET")->SetAsString(kind);
    list->FieldByName(u"CDDIETGRUP")->SetAsString(group);
}

// Values of one row of the server's database (an empty list when there is none).
inline QVariantList dbRow(ScreenFixture& fx, const QString& sql, const QVariantList& values) {
    QSqlQuery query(fx.server().database().connection());
    if (!query.prepare(sql))
        qWarning() << query.lastError().text();
    for (const QVariant& v : values)
        query.addBindValue(v);
    QVariantList row;
    if (query.exec() && query.next())
        for (int i = 0; i < query.record().count(); ++i)
            row << query.value(i);
    return row;
}

inline QString field(const TClientDataSet* ds, const char* name) {
    return ds->FieldByName(QString::fromLatin1(name))->AsString();
}

// The stored choice of the current menu-choice row: IDESCOCONF, QTPRATCONF, DSOBSCONF.
inline QVariantList storedChoice(ScreenFixture& fx, ContAlimentarProbe form) {
    const TClientDataSet* c = form->cdsConfesco;
    return dbRow(fx,
                 "SELECT IDESCOCONF, QTPRATCONF, DSOBSCONF FROM CONFESCO WHERE CDFILIAL = ? AND "
                 "CDPACIENTE = ? AND NRSEQUSERV = ? AND CDSEQUCOPR = ? AND DTSERVINTE = ?",
                 {field(c, "CDFILIAL"), field(c, "CDPACIENTE"), field(c, "NRSEQUSERV"),
                  field(c, "CDSEQUCOPR"), c->FieldByName(u"DTSERVINTE")->AsDate()});
}

// The stored diet and remark of the current inpatient's day record.
inline QVariantList storedRecord(ScreenFixture& fx, ContAlimentarProbe form) {
    const TClientDataSet* l = form->cdsInternacao;
    return dbRow(fx,
                 "SELECT CDDIETPAD, DSSERVINTE FROM SERVINTE WHERE CDFILIAL = ? AND CDPACIENTE = ? "
                 "AND NRSEQUSERV = ? AND DTSERVINTE = ?",
                 {field(l, "CDFILIAL"), field(l, "CDPACIENTE"), field(l, "NRSEQUSERV"),
                  l->FieldByName(u"DTSERVINTE")->AsDate()});
}

inline void selectColumn(TDBGrid* grid, const char* name) {
    grid->SetSelectedIndex(Consiste::IndiceCol(grid, QString::fromLatin1(name)));
}

// The operator stops (or starts again) being a nutritionist of the branch: the server then
// refuses (or accepts) every write.
inline void refuseWrites(ScreenFixture& fx, bool refuse) {
    if (refuse)
        fx.exec("UPDATE NUTRICIO SET CDNUTRICIO = 'XNUTRI01' WHERE CDNUTRICIO = 'NUTRI01' AND "
                "CDFILIAL = '0001'");
    else
        fx.exec("UPDATE NUTRICIO SET CDNUTRICIO = 'NUTRI01' WHERE CDNUTRICIO = 'XNUTRI01'");
}

// Saves a diet for the current record through the screen's confirm; the menu page then shows it.
inline void saveDiet(ContAlimentarProbe form, const QString& code, const QString& kind,
                     const QString& group = QString()) {
    typeDiet(form, code, kind, group);
    form->sbtConfirmar->click();
}

// The operator clicks the page's tab and then into its grid.
inline void openMenuPage(ContAlimentarProbe form) {
    form->pgcPadrao->setCurrentWidget(form->tshFormulario);
    (form->ntbCardapio->currentIndex() == 1 ? form->dbgFormula : form->dbgDieta)->setFocus();
    QCoreApplication::processEvents();
}

} // namespace dieta::test
