#include "views/Cli_zfa13100.h"

#include "framework/dialogservice.h"
#include "screen/Cli_zfa13000.h"

namespace dieta::Cli_zfa13100 {

bool boPrimVez = true;
QPointer<QWidget> frmFiltro;

void CriaFiltroCont() {
    using Cli_zfa13000::frmContAlimentar;
    if (!frmContAlimentar)
        return;
    if (!frmContAlimentar->boFiltroCriado)
        frmContAlimentar->boFiltroCriado = true;
    // The filter dialog is not part of this version: say so rather than do nothing.
    dialogs().message(
        MsgKind::Information,
        QStringLiteral("O filtro de internados ainda não está disponível nesta versão."),
        frmContAlimentar);
}

void LiberaFiltro() {
    delete frmFiltro;
    frmFiltro = nullptr;
}

} // namespace dieta::Cli_zfa13100
