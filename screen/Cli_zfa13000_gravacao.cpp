// Saving the inpatient record (diet and remark) and the menu choices, the maintenance actions
// of the toolbar (confirm, cancel, change, include, search, refresh, delete) and the toolbar's
// states while the list is edited.

#include "contracts/rdmdietaoral.h"
#include "framework/abortguard.h"
#include "framework/consiste.h"
#include "framework/consistegrid.h"
#include "framework/lookups.h"
#include "framework/showavi.h"
#include "framework/tdateeditplus.h"
#include "framework/tdbgrid.h"
#include "framework/tmaskedit.h"
#include "framework/toolbartwin.h"
#include "framework/vantor.h"
#include "platform/tclientdataset.h"
#include "platform/tdatasource.h"
#include "platform/tfield.h"
#include "platform/tnetconnection.h"
#include "screen/Cli_zfa13000.h"

#include <QSignalBlocker>
#include <QStackedWidget>
#include <QTabWidget>
#include <QToolButton>

namespace dieta::Cli_zfa13000 {

namespace {

bool editing(const TClientDataSet* ds) {
    return ds->State() == dsEdit || ds->State() == dsInsert;
}

QString text(const TClientDataSet* ds, const char* field) {
    return ds->FieldByName(QString::fromLatin1(field))->AsString();
}

void selectColumn(TDBGrid* grid, const char* field) {
    const int column = Consiste::IndiceCol(grid, QString::fromLatin1(field));
    if (column >= 0)
        grid->SetSelectedIndex(column);
}

} // namespace

// ---------------------------------------------------------------- toolbar while the list is edited

void TfrmContAlimentar::dtsInternacaoStateChange() {
    const TDataSetState state = cdsInternacao->State();
    const bool edit = state == dsEdit || state == dsInsert;
    const bool empty = !cdsInternacao->Active() || cdsInternacao->IsEmpty();
    const bool listPage = pgcPadrao->currentWidget() == tshFolhaDados;
    const bool hasDiet = cdsInternacao->Active() && !text(cdsInternacao, "CDDIETPAD").isEmpty();
    setPageEnabled(tshFormulario, !empty && !edit);
    setButton(sbtAlterar, !empty && !edit);
    setButton(sbtExcluir, !empty && !edit);
    setButton(sbtIncluir, !edit && hasDiet);
    setButton(sbtConfirmar, edit);
    setButton(sbtCancelar, edit);
    setButton(sbtCopConf, !edit && listPage);
    setButton(sbtDieta, ToolbarTwin::ownEnabled(sbtCopConf));
    setButton(sbtFiltro, ToolbarTwin::ownEnabled(sbtDieta));
    setButton(sbtPresDiet, ToolbarTwin::ownEnabled(sbtFiltro));
    setButton(sbtDupDieta, ToolbarTwin::ownEnabled(sbtDieta));
    setButton(sbtCalcNutr, pgcPadrao->currentWidget() == tshFormulario);
    if (listPage)
        followRefresh(cdsInternacao);
}

// ---------------------------------------------------------------- toolbar actions

void TfrmContAlimentar::sbtConfirmarClick() {
    // A remark typed in a menu grid is still in its cell editor: it goes into the row first,
    // or the post would save the row without it.
    if (pgcPadrao->currentWidget() == tshFormulario) {
        TDBGrid* grid = ntbCardapio->currentIndex() == 1 ? dbgFormula : dbgDieta;
        if (grid->EditorMode())
            grid->CommitEditor();
    }
    TfrmPadrao::sbtConfirmarClick();
    if (pgcPadrao->currentWidget() == tshFolhaDados) {
        // Leaving the diet column ends its in-place edit (and validates it).
        selectColumn(dbgPadrao, "STPACIACOM");
        if (dbgPadrao->EditorMode())
            dbgPadrao->CommitEditor();
        if (editing(cdsInternacao))
            cdsInternacao->Post();
    } else if (editing(cdsConfesco)) {
        cdsConfesco->Post();
    }
}

void TfrmContAlimentar::sbtCancelarClick() {
    if (msgPadrao->ShowMsg("Canc", MsgKind::Confirmation) != mrYes)
        return;
    repaint();
    if (editing(cdsInternacao))
        cdsInternacao->Cancel();
    if (editing(cdsConfesco))
        cdsConfesco->Cancel();
}

void TfrmContAlimentar::sbtAlterarClick() {
    if (pgcPadrao->currentWidget() == tshFormulario) {
        TfrmPadrao::sbtAlterarClick();
        TDBGrid* grid = ntbCardapio->currentIndex() == 1 ? dbgFormula : dbgDieta;
        selectColumn(grid, "DSOBSCONF");
        return;
    }
    cdsInternacao->Edit();
    dbgPadrao->setFocus();
    selectColumn(dbgPadrao, "CDDIETPAD");
}

void TfrmContAlimentar::sbtIncluirClick() {
    // Inpatients and their menu choices come only from the server.
}

void TfrmContAlimentar::cdsInternacaoBeforeInsert() {
    Abort();
}

void TfrmContAlimentar::sbtProcurarClick() {
    if (pgcPadrao->currentWidget() == tshFolhaDados)
        Procura(cdsInternacao, this);
    else
        TfrmPadrao::sbtProcurarClick();
}

void TfrmContAlimentar::sbtVerificarClick() {
    if (!saveEditsBeforeReplacingList())
        return;
    ShowAviGuard busy(6);
    if (pgcPadrao->currentWidget() == tshFolhaDados) {
        if (cdsInterAux->Active())
            cdsInterAux->EmptyDataSet();
        loadInternacao();
    } else {
        loadConfesco();
    }
}

void TfrmContAlimentar::sbtExcluirClick() {
    if (!cdsInterAux->Active() || cdsInterAux->IsEmpty())
        Consiste::MensErro(msgPadrao->Msg("Paci_Inf"));
    if (msgPadrao->ShowMsg("Excl", MsgKind::Confirmation) != mrYes)
        return;
    repaint();
    if (pgcPadrao->currentWidget() == tshFolhaDados) {
        cdsInterAux->First();
        {
            ShowAviGuard busy(1);
            QVariantList args{Consiste::AllTrim(medCdFilial->Text()),
                              QVariant::fromValue(cdsInterAux->Data())};
            const QVariant result = netDietaOral->call(contracts::rdm::DelServ, args);
            // A failed call is an error result; a refusal is the server's own text.
            Consiste::CheckResultServ(result, true, 0);
            const QString refusal = result.toString();
            if (!refusal.isEmpty())
                Consiste::MensErro(refusal);
            cdsInterAux->EmptyDataSet();
            loadInternacao();
        }
    } else if (ntbCardapio->currentIndex() == 1 && cdsConfesco->Active() &&
               !cdsConfesco->IsEmpty()) {
        // The row leaves the grid even when its immediate send fails (it stays in the change
        // log): the toolbar follows what the grid shows in both cases.
        try {
            cdsConfesco->Delete();
        } catch (...) {
            dtsPadraoStateChange();
            throw;
        }
        dtsPadraoStateChange();
    }
    repaint();
}

// ---------------------------------------------------------------- saving the inpatient record

void TfrmContAlimentar::cdsInternacaoBeforePost() {
    // Posts made with the toolbar out of editing (marking patients) stay local.
    if (!ToolbarTwin::ownEnabled(sbtConfirmar))
        return;
    Vd_Dieta(true);
    try {
        ShowAviGuard busy(1);
        loadCompCard(text(cdsInternacao, "CDDIETPAD"));
        if (cdsCompCard->IsEmpty() && text(cdsInternacao, "IDFORMDIET") != QLatin1String("4")) {
            selectColumn(dbgPadrao, "CDDIETPAD");
            Consiste::MensErro(msgPadrao->Msg("N_Exis_Card"), dbgPadrao);
        }
        loadConfesco();
        QVariantList args{text(cdsInternacao, "CDFILIAL"),
                          text(cdsInternacao, "CDPACIENTE"),
                          cdsInternacao->FieldByName(u"DTSERVINTE")->AsDate(),
                          text(cdsInternacao, "NRSEQUSERV"),
                          text(cdsInternacao, "CDSERVFILI"),
                          text(cdsInternacao, "CDDIETPAD"),
                          Vantor::Operador(),
                          true,
                          text(cdsInternacao, "DSSERVINTE"),
                          QVariant::fromValue(cdsConfesco->Data())};
        Consiste::CheckResultServ(netDietaOral->call(contracts::rdm::SetUpdServinte, args), true,
                                  0);
    } catch (...) {
        // Reloading the menu choices switched the toolbar out of editing; the record stays in
        // edit, so its next post must still reach the server.
        dtsInternacaoStateChange();
        throw;
    }
}

void TfrmContAlimentar::cdsInternacaoAfterCancel() {
    if (stlCheck)
        marks().followCancelledRecord();
}

void TfrmContAlimentar::cdsInterAuxBeforePost() {
    cdsInterAux->FieldByName(u"IDCHECK")->SetAsString(QStringLiteral("S"));
}

// ---------------------------------------------------------------- saving the menu choices

void TfrmContAlimentar::sendConfescoChanges() {
    if (cdsConfesco->ChangeCount() > 0) {
        QVariantList args{QVariant::fromValue(cdsConfesco->Delta())};
        Consiste::CheckResultServ(netDietaOral->call(contracts::rdm::SetUpdConfesco, args), true,
                                  0);
    }
    // A failed call skips the merge: the changes go again with the next post.
    if (cdsConfesco->LogChanges())
        cdsConfesco->MergeChangeLog();
}

bool TfrmContAlimentar::leaveMenuChoices() {
    if (!cdsConfesco->Active())
        return true;
    const GuardOutcome saved = runGuarded([this] {
        if (editing(cdsConfesco))
            cdsConfesco->Post(); // sends the change log
        else
            sendConfescoChanges(); // what the server refused before
    });
    if (saved == GuardOutcome::Completed)
        return true;
    // Not saved: the operator stays with the changes unless he gives them up.
    if (msgPadrao->ShowMsg("Canc", MsgKind::Confirmation) != mrYes)
        return false;
    if (editing(cdsConfesco))
        cdsConfesco->Cancel();
    cdsConfesco->CancelUpdates();
    return true;
}

void TfrmContAlimentar::cdsInternacaoBeforeScroll() {
    if (pgcPadrao->currentWidget() == tshFormulario && !leaveMenuChoices())
        Abort();
}

void TfrmContAlimentar::cdsConfescoAfterPost() {
    sendConfescoChanges();
}

void TfrmContAlimentar::cdsConfescoAfterDelete() {
    // Sent at once: leaving the page or a refresh would otherwise drop the deletion.
    sendConfescoChanges();
}

void TfrmContAlimentar::connectSavingHandlers() {
    cdsInternacao->BeforeInsert = [this](TClientDataSet*) { cdsInternacaoBeforeInsert(); };
    cdsInternacao->BeforePost = [this](TClientDataSet*) { cdsInternacaoBeforePost(); };
    cdsInternacao->AfterCancel = [this](TClientDataSet*) { cdsInternacaoAfterCancel(); };
    cdsInternacao->BeforeScroll = [this](TClientDataSet*) { cdsInternacaoBeforeScroll(); };
    cdsInterAux->BeforePost = [this](TClientDataSet*) { cdsInterAuxBeforePost(); };
    cdsConfesco->AfterPost = [this](TClientDataSet*) { cdsConfescoAfterPost(); };
    cdsConfesco->AfterDelete = [this](TClientDataSet*) { cdsConfescoAfterDelete(); };
}

} // namespace dieta::Cli_zfa13000
