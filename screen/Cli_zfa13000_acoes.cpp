// The toolbar's actions that open the dialogs and views of the module, with their checks, the
// restriction check, the host's diet-prescription calculation and the page items of the menu.
// Each button and its menu twin run the same handler.

#include "contracts/rdmdietaoral.h"
#include "dialogs/Cli_zfa13010.h"
#include "dialogs/Cli_zfa13020.h"
#include "dialogs/Cli_zfa13050.h"
#include "framework/consiste.h"
#include "framework/controlevents.h"
#include "framework/dialogservice.h"
#include "framework/modalform.h"
#include "framework/showavi.h"
#include "framework/tdbgrid.h"
#include "framework/tmaskedit.h"
#include "framework/tmessages.h"
#include "framework/toolbartwin.h"
#include "framework/vantor.h"
#include "platform/tclientdataset.h"
#include "platform/tfield.h"
#include "platform/tnetconnection.h"
#include "screen/Cli_zfa13000.h"
#include "views/Cli_zfa13030.h"
#include "views/Cli_zfa13060.h"

#include <QSignalBlocker>
#include <QStackedWidget>
#include <QTabWidget>
#include <QToolButton>

namespace dieta::Cli_zfa13000 {

void TfrmContAlimentar::connectActionHandlers() {
    onClick(sbtDieta, this, [this] { sbtDietaClick(); });
    onClick(sbtCopConf, this, [this] { sbtCopConfClick(); });
    onClick(sbtPresDiet, this, [this] { sbtPresDietClick(); });
    onClick(sbtDupDieta, this, [this] { sbtDupDietaClick(); });
    onClick(sbtCalcNutr, this, [this] { sbtCalcNutrClick(); });
    onClick(sbtRestricao, this, [this] { sbtRestricaoClick(); });
    onClick(sbtCalcPresDieta, this, [this] { sbtCalcPresDietaClick(); });
}

void TfrmContAlimentar::sbtDietaClick() {
    if (!operadorNutricionista())
        Consiste::MensErro(msgPadrao->Msg("Oper_Per"));
    if (cdsInterAux->IsEmpty())
        Consiste::MensErro(msgPadrao->Msg("Paci_Inf"));
    ShowModalForm(Cli_zfa13020::frmDietaContAlimentar, window());
    repaint();
}

void TfrmContAlimentar::sbtDupDietaClick() {
    if (!operadorNutricionista())
        Consiste::MensErro(msgPadrao->Msg("Oper_Per"));
    const qsizetype marked = stlCheck ? marks().count() : 0;
    if (marked > 1)
        Consiste::MensErro(msgPadrao->Msg("DupUmPaciente"));
    if (marked == 0)
        Consiste::MensErro(msgPadrao->Msg("Paci_Inf"));
    ShowModalForm(Cli_zfa13050::frmAcresDupDieta, window());
    repaint();
}

void TfrmContAlimentar::sbtCopConfClick() {
    if (!operadorNutricionista())
        Consiste::MensErro(msgPadrao->Msg("Oper_Per"), medCdServico);
    // A service code just typed is validated and loaded before the copy starts.
    if (focusWidget() == medCdServico)
        medCdServicoExit();
    ShowModalForm(Cli_zfa13010::frmCopConf, window());
}

void TfrmContAlimentar::sbtPresDietClick() {
    ShowModalForm(Cli_zfa13030::frmControlePresDiet, window());
}

void TfrmContAlimentar::sbtCalcNutrClick() {
    Cli_zfa13060::CriaCalcNutriDieta();
}

// ---------------------------------------------------------------- actions that replace the list

bool TfrmContAlimentar::saveEditsBeforeReplacingList() {
    if (!cdsInternacao->Active())
        return true;
    if (pgcPadrao->currentWidget() == tshFormulario) {
        // A remark still in the cell editor belongs to the row being saved.
        TDBGrid* grid = ntbCardapio->currentIndex() == 1 ? dbgFormula : dbgDieta;
        if (grid->EditorMode())
            grid->CommitEditor();
        if (!leaveMenuChoices())
            return false;
    } else if (dbgPadrao->EditorMode()) {
        dbgPadrao->CommitEditor();
    }
    // Posting runs the record's checks and sends it; a failure stops here, still editing.
    cdsInternacao->CheckBrowseMode();
    return true;
}

void TfrmContAlimentar::sbtRestricaoClick() {
    if (!cdsInternacao->Active() || !saveEditsBeforeReplacingList())
        return;
    const QString patient = cdsInternacao->FieldByName(u"CDPACIENTE")->AsString();
    cdsInternacao->AfterScroll = nullptr;
    const bool menuPage = pgcPadrao->currentWidget() == tshFormulario;
    // Held back while the list is replaced: the list closing for a moment would disable the
    // menu page and leave it.
    cdsInternacao->DisableControls();
    try {
        ShowAviGuard busy(1);
        TDBGridDetach detached(dbgPadrao);
        QVariantList args{Consiste::AllTrim(medCdFilial->Text()),
                          patient,
                          cdsInternacao->FieldByName(u"CDSERVFILI")->AsString(),
                          menuPage ? QStringLiteral("1") : QStringLiteral("0"),
                          QVariant::fromValue(cdsInternacao->Data()),
                          QVariant::fromValue(cdsParams->Data())};
        const QVariant result = netDietaOral->call(contracts::rdm::GetVerifRestInto, args);
        cdsInternacao->SetData(Consiste::CheckResultServ(result, true, 0));
    } catch (...) {
        cdsInternacao->EnableControls();
        followCheckedList(patient);
        throw;
    }
    cdsInternacao->EnableControls();
    followCheckedList(patient);
    if (menuPage)
        dtsPadraoStateChange();
    else
        dtsInternacaoStateChange();
}

void TfrmContAlimentar::followCheckedList(const QString& patient) {
    if (cdsInternacao->Active() && pgcPadrao->currentWidget() == tshFormulario)
        cdsInternacao->Locate("CDPACIENTE;STPACIACOM", QVariantList{patient, QStringLiteral("0")},
                              loCaseInsensitive);
    cdsInternacao->AfterScroll = [this](TClientDataSet*) { cdsInternacaoAfterScroll(); };
    if (cdsInternacao->Active())
        cdsInternacaoAfterScroll();
}

void TfrmContAlimentar::sbtCalcPresDietaClick() {
    if (!saveEditsBeforeReplacingList())
        return;
    Vantor::LoadBPL(QStringLiteral("ZFA80000"),
                    {Consiste::AllTrim(medCdFilial->Text()), edtNmFilial->text()});
    // Without a list the selection panel is being filled: its exit loads the list.
    if (cdsInternacao->Active())
        loadInternacao();
}

// ---------------------------------------------------------------- the pages from the menu

void TfrmContAlimentar::showPage(QWidget* page) {
    {
        const QSignalBlocker quiet(pgcPadrao);
        pgcPadrao->setCurrentWidget(page);
    }
    pgcPadraoChange();
}

void TfrmContAlimentar::mnuFolhaDadosClick() {
    if (pgcPadrao->currentWidget() == tshFolhaDados || !ToolbarTwin::ownEnabled(tshFolhaDados))
        return;
    showPage(tshFolhaDados);
}

void TfrmContAlimentar::mnuFormularioClick() {
    if (!ToolbarTwin::ownEnabled(tshFormulario))
        return;
    // On its own page the change reloads the menu choices: what is being edited is saved
    // first, or the operator stays with it.
    if (pgcPadrao->currentWidget() == tshFormulario && !leaveMenuChoices())
        return;
    showPage(tshFormulario);
}

} // namespace dieta::Cli_zfa13000
