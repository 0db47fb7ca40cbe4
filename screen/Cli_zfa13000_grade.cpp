// The inpatient grid: drawing of marks and pictures, marking one or all
// records, the keyboard, the diet column and its validation, and the navigation
// popup.

#include "screen/Cli_zfa13000.h"

#include "platform/tclientdataset.h"
#include "platform/tfield.h"

namespace dieta::Cli_zfa13000 {

void TfrmContAlimentar::dbgPadraoDrawColumnCell(QPainter &, const QRect &, int,
                                                TColumn &, TField *,
                                                TGridDrawState) {}
void TfrmContAlimentar::dbgPadraoCellClick(TColumn &) {}
void TfrmContAlimentar::dbgPadraoTitleClick(TColumn &) {}
void TfrmContAlimentar::dbgPadraoKeyDown(int &key,
                                         Qt::KeyboardModifiers modifiers) {
  TfrmPadrao::dbgPadraoKeyDown(key, modifiers);
  dbgPadraoColEnter();
}
void TfrmContAlimentar::dbgPadraoDblClick() {}

void TfrmContAlimentar::dbgPadraoColEnter() {
  TField *selected = dbgPadrao->SelectedField();
  const QString field = selected ? selected->FieldName() : QString();
  const bool hasDiet =
      cdsInternacao->Active() &&
      !cdsInternacao->FieldByName(u"CDDIETPAD")->AsString().isEmpty();
  dbgPadrao->SetEditing(hasDiet && (field == QLatin1String("CDDIETPAD") ||
                                    field == QLatin1String("DSSERVINTE")));
}

void TfrmContAlimentar::dbgPadraoColExit() {}
void TfrmContAlimentar::dbgPadraoEditButtonClick() {}
void TfrmContAlimentar::Vd_Dieta(bool) {}
void TfrmContAlimentar::Primeiro1Click() {}
void TfrmContAlimentar::Anterior1Click() {}
void TfrmContAlimentar::Proximo1Click() {}
void TfrmContAlimentar::Ultimo1Click() {}

void TfrmContAlimentar::connectGridHandlers() {
  dbgPadrao->OnColEnter = [this] { dbgPadraoColEnter(); };
}

} // namespace dieta::Cli_zfa13000
