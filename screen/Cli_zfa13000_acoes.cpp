// The toolbar's actions that open the dialogs and views of the module, with their checks.
// Each button and its menu twin run the same handler.

#include "dialogs/Cli_zfa13020.h"
#include "dialogs/Cli_zfa13050.h"
#include "framework/consiste.h"
#include "framework/controlevents.h"
#include "framework/dialogservice.h"
#include "framework/tmaskedit.h"
#include "framework/tmessages.h"
#include "platform/tclientdataset.h"
#include "screen/Cli_zfa13000.h"

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
    auto dialog = std::make_unique<Cli_zfa13020::TfrmDietaContAlimentar>(window());
    Cli_zfa13020::frmDietaContAlimentar = dialog.get();
    dialog->FormCreate();
    dialogs().execDialog(*dialog);
    dialog.reset();
    repaint();
}

void TfrmContAlimentar::sbtDupDietaClick() {
    if (!operadorNutricionista())
        Consiste::MensErro(msgPadrao->Msg("Oper_Per"));
    const qsizetype marked = stlCheck ? stlCheck->size() : 0;
    if (marked > 1)
        Consiste::MensErro(msgPadrao->Msg("DupUmPaciente"));
    if (marked == 0)
        Consiste::MensErro(msgPadrao->Msg("Paci_Inf"));
    auto dialog = std::make_unique<Cli_zfa13050::TfrmAcresDupDieta>(window());
    Cli_zfa13050::frmAcresDupDieta = dialog.get();
    dialog->FormCreate();
    dialogs().execDialog(*dialog);
    dialog.reset();
    repaint();
}

void TfrmContAlimentar::sbtCopConfClick() {
    if (!operadorNutricionista())
        Consiste::MensErro(msgPadrao->Msg("Oper_Per"), medCdServico);
    // A service code just typed is validated and loaded before the copy starts.
    if (focusWidget() == medCdServico)
        medCdServicoExit();
    notYetAvailable(this);
}

void TfrmContAlimentar::sbtPresDietClick() {
    notYetAvailable(this);
}

void TfrmContAlimentar::sbtCalcNutrClick() {
    notYetAvailable(this);
}

} // namespace dieta::Cli_zfa13000
