// The toolbar's actions that open the dialogs and views of the module, with their checks.
// Each button and its menu twin run the same handler.

#include "dialogs/Cli_zfa13010.h"
#include "framework/consiste.h"
#include "framework/controlevents.h"
#include "framework/dialogservice.h"
#include "framework/tmaskedit.h"
#include "framework/tmessages.h"
#include "platform/tclientdataset.h"
#include "screen/Cli_zfa13000.h"
#include "views/Cli_zfa13030.h"
#include "views/Cli_zfa13060.h"

#include <QToolButton>
#include <memory>

namespace dieta::Cli_zfa13000 {

namespace {

// Until its window is part of the module, an action says so instead of doing nothing.
void notYetAvailable(QWidget* owner) {
    dialogs().message(MsgKind::Information,
                      QStringLiteral("Esta opção ainda não está disponível nesta versão."), owner);
}

} // namespace

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
    notYetAvailable(this);
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
    notYetAvailable(this);
    repaint();
}

void TfrmContAlimentar::sbtCopConfClick() {
    if (!operadorNutricionista())
        Consiste::MensErro(msgPadrao->Msg("Oper_Per"), medCdServico);
    // A service code just typed is validated and loaded before the copy starts.
    if (focusWidget() == medCdServico)
        medCdServicoExit();
    auto form = std::make_unique<Cli_zfa13010::TfrmCopConf>(window());
    form->FormCreate();
    Cli_zfa13010::frmCopConf = form.get();
    dialogs().execDialog(*form);
}

void TfrmContAlimentar::sbtPresDietClick() {
    auto form = std::make_unique<Cli_zfa13030::TfrmControlePresDiet>(window());
    form->FormCreate();
    Cli_zfa13030::frmControlePresDiet = form.get();
    dialogs().execDialog(*form);
    Cli_zfa13030::frmControlePresDiet = nullptr;
}

void TfrmContAlimentar::sbtCalcNutrClick() {
    Cli_zfa13060::CriaCalcNutriDieta();
}

} // namespace dieta::Cli_zfa13000
