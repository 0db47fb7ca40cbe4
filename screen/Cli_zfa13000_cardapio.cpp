// The "Cardápio" page: the menu-choice grid, the formula panel and the toolbar
// while it shows.

#include "screen/Cli_zfa13000.h"

namespace dieta::Cli_zfa13000 {

void TfrmContAlimentar::dtsPadraoStateChange() {
  TfrmPadrao::dtsPadraoStateChange();
}

void TfrmContAlimentar::connectMenuHandlers() {}

} // namespace dieta::Cli_zfa13000
