// Saving the inpatient record and the menu choices, verification and deletion.

#include "screen/Cli_zfa13000.h"

#include "platform/tclientdataset.h"

#include <QToolButton>

namespace dieta::Cli_zfa13000 {

void TfrmContAlimentar::dtsInternacaoStateChange() {
  // The list's editing state decides the toolbar while the list page is shown.
  const TDataSetState state = cdsInternacao->State();
  const bool editing = state == dsEdit || state == dsInsert;
  setButton(sbtConfirmar, editing);
  setButton(sbtCancelar, editing);
}

void TfrmContAlimentar::connectSavingHandlers() {}

} // namespace dieta::Cli_zfa13000
