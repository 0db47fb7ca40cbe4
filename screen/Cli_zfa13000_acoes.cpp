// The toolbar's actions that open the dialogs and views of the module, with their checks.
// Each button and its menu twin run the same handler.

#include "dialogs/Cli_zfa13010.h"
#include "dialogs/Cli_zfa13020.h"
#include "dialogs/Cli_zfa13050.h"
#include "framework/consiste.h"
#include "framework/controlevents.h"
#include "framework/dialogservice.h"
#include "framework/modalform.h"
#include "framework/tmaskedit.h"
#include "framework/tmessages.h"
#include "platform/tclientdataset.h"
#include "screen/Cli_zfa13000.h"
#include "views/Cli_zfa13030.h"
#include "views/Cli_zfa13060.h"

#include <QToolButton>

namespace dieta::Cli_zfa13000 {

void TfrmContAlimentar::connectActionHandlers() {
    onClick(sbtDieta, this, [this] { sbtDietaClick(); });
    onClick(sbtCopConf, this, [this] { sbtCopConfClick(); });
    onClick(sbtPresDiet, this, [this] { sbtPresDietClick(); });
    onClick(sbtDupDieta, this, [this] { sbtDupDietaClick(); });
    onClick(sbtCalcNutr, this, [this] { sbtCalcNutrClick(); });
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

} // namespace dieta::Cli_zfa13000
