// The "Cardápio" page: the menu-choice grid (ticks, quantities, remarks), the formula panel's
// dish lookup and display, the guards against inserts and deletes, and the toolbar while the
// page shows.

#include "contracts/rdmdietaoral.h"
#include "framework/abortguard.h"
#include "framework/consiste.h"
#include "framework/consistegrid.h"
#include "framework/focusorder.h"
#include "framework/tbtnpesquisa.h"
#include "framework/tdateeditplus.h"
#include "framework/tdbgrid.h"
#include "framework/tmaskedit.h"
#include "framework/toolbartwin.h"
#include "platform/tadoibquery.h"
#include "platform/tclientdataset.h"
#include "platform/tdatasource.h"
#include "platform/tfield.h"
#include "platform/tnetconnection.h"
#include "screen/Cli_zfa13000.h"
#include "screen/consumptiontime.h"
#include "views/Cli_zfa13040.h"

#include <QLineEdit>
#include <QPainter>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QTabWidget>
#include <QToolButton>

namespace dieta::Cli_zfa13000 {

namespace {

bool editing(const TClientDataSet* ds) {
    return ds->State() == dsEdit || ds->State() == dsInsert;
}

bool hasRows(const TClientDataSet* ds) {
    return ds->Active() && !ds->IsEmpty();
}

QString selectedFieldName(const TDBGrid* grid) {
    const TField* field = grid->SelectedField();
    return field ? field->FieldName() : QString();
}

bool within(const QWidget* widget, const QWidget* ancestor) {
    return widget && (widget == ancestor || ancestor->isAncestorOf(widget));
}

} // namespace

QString TfrmContAlimentar::dietKind() const {
    if (!cdsInternacao->Active() || cdsInternacao->IsEmpty())
        return {};
    return cdsInternacao->FieldByName(u"IDFORMDIET")->AsString();
}

// ---------------------------------------------------------------- the menu-choice grid

void TfrmContAlimentar::dbgDietaDrawColumnCell(QPainter& painter, const QRect& rect, int,
                                               TColumn& column, TField* field, TGridDrawState) {
    if (!hasRows(cdsConfesco) || !field)
        return;
    const QString value = field->AsString();
    const QImage* picture = nullptr;
    int offset = 4;
    if (column.FieldName == QLatin1String("IDESCOCONF")) {
        picture = value == QLatin1String("S") ? &imgCheck : &imgUnCheck;
    } else if (column.FieldName == QLatin1String("IDOPCAOCONF")) {
        picture = value == QLatin1String("S") ? &imgOpcao : &imgUnCheck;
    } else if (column.FieldName == QLatin1String("IDRESTCONF")) {
        offset = 2;
        if (value == QLatin1String("1"))
            picture = &imgRest;
        else if (value == QLatin1String("0"))
            picture = &imgNRest;
    } else {
        return;
    }
    if (picture)
        TDBGrid::DrawPicture(painter, rect, TDBGrid::TransparentOlive(*picture), offset);
}

void TfrmContAlimentar::dbgDietaColEnter() {
    const QString field = selectedFieldName(dbgDieta);
    const bool flag = field == QLatin1String("IDESCOCONF") ||
                      field == QLatin1String("IDRESTCONF") || field == QLatin1String("IDOPCAOCONF");
    dbgDieta->SetEditing(!flag && hasRows(cdsConfesco));
}

void TfrmContAlimentar::dbgDietaColExit() {
    if (selectedFieldName(dbgDieta) == QLatin1String("QTPRATCONF"))
        Atua_QtRom();
}

void TfrmContAlimentar::dbgDietaCellClick(TColumn&) {
    if (selectedFieldName(dbgDieta) != QLatin1String("IDESCOCONF") || !hasRows(cdsConfesco))
        return;
    cdsConfesco->Edit();
    TField* chosen = cdsConfesco->FieldByName(u"IDESCOCONF");
    const bool quantities = dietKind() == QLatin1String("3");
    // Only "N" becomes "S": any other value (empty included) unticks.
    const bool tick = chosen->AsString() == QLatin1String("N");
    chosen->SetAsString(tick ? QStringLiteral("S") : QStringLiteral("N"));
    if (quantities)
        cdsConfesco->FieldByName(u"QTPRATCONF")->SetAsFloat(tick ? 1 : 0);
}

void TfrmContAlimentar::dbgDietaKeyDown(int& key, Qt::KeyboardModifiers) {
    if (key != Qt::Key_Space)
        return;
    const QString field = selectedFieldName(dbgDieta);
    if (field == QLatin1String("IDESCOCONF")) {
        const int column = Consiste::IndiceCol(dbgDieta, "IDESCOCONF");
        if (column >= 0)
            dbgDietaCellClick(dbgDieta->Column(column));
    } else if (field == QLatin1String("IDRESTCONF")) {
        dbgDietaDblClick();
    }
}

void TfrmContAlimentar::dbgDietaDblClick() {
    if (!hasRows(cdsConfesco) ||
        cdsConfesco->FieldByName(u"IDRESTCONF")->AsString() != QLatin1String("1") ||
        selectedFieldName(dbgDieta) != QLatin1String("IDRESTCONF"))
        return;
    // The restrictions of this dish only.
    Cli_zfa13040::CriaVisuRestInto(false);
}

void TfrmContAlimentar::Atua_QtRom() {
    if (!cdsConfesco->Active() || !editing(cdsConfesco) || dietKind() != QLatin1String("3"))
        return;
    const double quantity = cdsConfesco->FieldByName(u"QTPRATCONF")->AsFloat();
    cdsConfesco->FieldByName(u"IDESCOCONF")
        ->SetAsString(quantity > 0 ? QStringLiteral("S") : QStringLiteral("N"));
}

// ---------------------------------------------------------------- dataset guards

void TfrmContAlimentar::cdsConfescoBeforeInsert() {
    // Rows come only from the server: the grids cannot append one.
    if (pgcPadrao->currentWidget() != tshFormulario)
        return;
    QWidget* active = focusWidget();
    if (within(active, dbgDieta) || within(active, dbgFormula))
        Abort();
}

void TfrmContAlimentar::cdsConfescoBeforeDelete() {
    if (pgcPadrao->currentWidget() == tshFormulario && dietKind() != QLatin1String("1"))
        Abort();
}

void TfrmContAlimentar::cdsConfescoBeforePost() {
    if (ToolbarTwin::ownEnabled(sbtConfirmar))
        Atua_QtRom();
}

void TfrmContAlimentar::cdsConfescoAfterScroll() {
    if (dietKind() != QLatin1String("1") || cdsConfesco->State() != dsBrowse)
        return;
    medHrConsumo->setText(RealToStTime(cdsConfesco->FieldByName(u"HRCONSCONF")->AsFloat()));
    medIntervalo->setText(RealToStTime(cdsConfesco->FieldByName(u"HRINTECONF")->AsFloat()));
    medPeriodo->setText(RealToStTime(cdsConfesco->FieldByName(u"HRPERICONF")->AsFloat()));
}

// ---------------------------------------------------------------- the formula panel's dish lookup

void TfrmContAlimentar::loadCompCard(const QString& dietOrGroup) {
    QVariantList args{Consiste::AllTrim(medCdFilial->Text()),
                      cdsInternacao->FieldByName(u"CDSERVFILI")->AsString(), dietOrGroup,
                      depData->GetDate(), qryServico->FieldByName(u"IDTIPOSERV")->AsString()};
    cdsCompCard->SetData(
        Consiste::CheckResultServ(netDietaOral->call(contracts::rdm::GetCompCard, args), true, 0));
}

void TfrmContAlimentar::BtnPesquisa2BeforePesq() {
    const QString diet = cdsInternacao->FieldByName(u"CDDIETPAD")->AsString();
    loadCompCard(diet);
    if (!cdsCompCard->IsEmpty())
        return;
    // No card of its own: the diet group's card.
    qryDieta->Close();
    qryDieta->ParamByName("P_CDDIETPAD")->SetAsString(diet);
    qryDieta->ParamByName("P_CDFILIAL")->SetAsString(Consiste::AllTrim(medCdFilial->Text()));
    qryDieta->ParamByName("P_CDSERVFILI")
        ->SetAsString(cdsInternacao->FieldByName(u"CDSERVFILI")->AsString());
    qryDieta->Open();
    const QString group = qryDieta->FieldByName(u"CDDIETGRUP")->AsString();
    if (!group.isEmpty())
        loadCompCard(group);
}

void TfrmContAlimentar::BtnPesquisa2AfterPesq() {
    cdsCompCardAfterScroll();
}

void TfrmContAlimentar::cdsCompCardAfterScroll() {
    edtNmPrato->setText(cdsCompCard->FieldByName(u"NMPRATO")->AsString());
}

// ---------------------------------------------------------------- toolbar on the menu page

void TfrmContAlimentar::dtsPadraoStateChange() {
    const TDataSetState state = cdsConfesco->State();
    const bool edit = state == dsEdit || state == dsInsert;
    const bool browse = state == dsBrowse;
    const bool onPage = pgcPadrao->currentWidget() == tshFormulario;
    const bool empty = !cdsConfesco->Active() || cdsConfesco->IsEmpty();
    setButton(sbtConfirmar, edit && onPage);
    setButton(sbtCancelar, edit && onPage);
    setButton(sbtIncluir, browse && !empty && onPage);
    setButton(sbtExcluir, browse && dietKind() == QLatin1String("1") && !empty);
    setButton(sbtAlterar, browse && !empty && onPage);
    setButton(sbtProcurar, browse && !empty && onPage);
    // A menu-choice row being edited is confirmed or cancelled before the list is used again.
    setPageEnabled(tshFolhaDados, !edit);
    if (onPage)
        followRefresh(cdsConfesco);
}

void TfrmContAlimentar::connectMenuHandlers() {
    dbgDieta->OnDrawColumnCell = [this](QPainter& p, const QRect& r, int i, TColumn& c, TField* f,
                                        TGridDrawState s) {
        dbgDietaDrawColumnCell(p, r, i, c, f, s);
    };
    dbgDieta->OnColEnter = [this] { dbgDietaColEnter(); };
    dbgDieta->OnColExit = [this] { dbgDietaColExit(); };
    dbgDieta->OnCellClick = [this](TColumn& c) { dbgDietaCellClick(c); };
    dbgDieta->OnKeyDown = [this](int& key, Qt::KeyboardModifiers m) { dbgDietaKeyDown(key, m); };
    dbgDieta->OnDblClick = [this] { dbgDietaDblClick(); };
    cdsConfesco->BeforeInsert = [this](TClientDataSet*) { cdsConfescoBeforeInsert(); };
    cdsConfesco->BeforeDelete = [this](TClientDataSet*) { cdsConfescoBeforeDelete(); };
    cdsConfesco->BeforePost = [this](TClientDataSet*) { cdsConfescoBeforePost(); };
    cdsConfesco->AfterScroll = [this](TClientDataSet*) { cdsConfescoAfterScroll(); };
    BtnPesquisa2->BeforePesq = [this] { BtnPesquisa2BeforePesq(); };
    BtnPesquisa2->AfterPesq = [this] { BtnPesquisa2AfterPesq(); };
    cdsCompCard->AfterScroll = [this](TClientDataSet*) { cdsCompCardAfterScroll(); };

    // Consumption times (Cli_zfa13000_horas.cpp).
    m_focus->onExit(medHrConsumo, [this] { medHrConsumoExit(); });
    m_focus->onExit(medIntervalo, [this] { medIntervaloExit(); });
    m_focus->onExit(medPeriodo, [this] { medPeriodoExit(); });
    onClick(stbConfCard, this, [this] { stbConfCardClick(); });
    cdsConfesco->FieldByName(u"HRCONSCONF")->OnGetText = [this](TField* f, QString& t, bool d) {
        cdsConfescoHRCONSCONFGetText(f, t, d);
    };
}

} // namespace dieta::Cli_zfa13000
