#include "views/Cli_zfa13100.h"

#include "contracts/contalimentar.h"
#include "framework/dialogservice.h"

namespace dieta::Cli_zfa13100 {

bool boPrimVez = true;
QPointer<QWidget> frmFiltro;

void CriaFiltroCont() {
    contracts::ContAlimentar* screen = contracts::frmContAlimentar;
    if (!screen)
        return;
    if (!screen->filtroCriado())
        screen->setFiltroCriado(true);
    // The filter dialog is not part of this version: say so rather than do nothing.
    dialogs().message(
        MsgKind::Information,
        QStringLiteral("O filtro de internados ainda não está disponível nesta versão."),
        screen->widget());
}

void LiberaFiltro() {
    delete frmFiltro;
    frmFiltro = nullptr;
}

} // namespace dieta::Cli_zfa13100
