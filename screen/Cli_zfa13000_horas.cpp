// Consumption times of formula diets: hours with a fraction shown as "HHHH:MM", the three time
// edits of the formula panel, its confirm button and the start time in the formula grid.

#include "framework/consiste.h"
#include "framework/focusorder.h"
#include "framework/tmaskedit.h"
#include "platform/tclientdataset.h"
#include "platform/tfield.h"
#include "screen/Cli_zfa13000.h"
#include "screen/consumptiontime.h"

#include <QLineEdit>
#include <QToolButton>
#include <cmath>

namespace dieta::Cli_zfa13000 {

double TfrmContAlimentar::StTimeToReal(const QString& text) {
    const std::optional<double> hours = StTimeToHours(text);
    if (!hours)
        Consiste::MensErro(msgPadrao->Msg("ValCons_Inv"));
    return *hours;
}

void TfrmContAlimentar::normaliseTime(TMaskEdit* edit) {
    edit->setText(RealToStTime(StTimeToReal(edit->Text())));
}

void TfrmContAlimentar::medHrConsumoExit() {
    normaliseTime(medHrConsumo);
    if (std::trunc(StTimeToReal(medHrConsumo->Text())) > 23)
        Consiste::MensErro(msgPadrao->Msg("Consumo_Inv"), medHrConsumo);
}

void TfrmContAlimentar::medIntervaloExit() {
    normaliseTime(medIntervalo);
}

void TfrmContAlimentar::medPeriodoExit() {
    normaliseTime(medPeriodo);
}

void TfrmContAlimentar::stbConfCardClick() {
    if (Consiste::EmptyString(edtNmPrato->text()))
        Consiste::MensErro(msgPadrao->Msg("Prato_Inf"));
    if (Consiste::EmptyString(medHrConsumo->Text()))
        Consiste::MensErro(msgPadrao->Msg("Consumo_Inf"), medHrConsumo);
    medHrConsumoExit();
    if (Consiste::EmptyString(medIntervalo->Text()))
        Consiste::MensErro(msgPadrao->Msg("Intervalo_Inf"), medIntervalo);
    if (StTimeToReal(medIntervalo->Text()) < 1.0)
        Consiste::MensErro(msgPadrao->Msg("Intervalo_Inv"), medIntervalo);
    if (Consiste::EmptyString(medPeriodo->Text()))
        Consiste::MensErro(msgPadrao->Msg("Periodo_Inf"), medPeriodo);
    if (StTimeToReal(medPeriodo->Text()) == 0.0)
        Consiste::MensErro(msgPadrao->Msg("Periodo_Inv"), medPeriodo);
    if (StTimeToReal(medPeriodo->Text()) < StTimeToReal(medIntervalo->Text()))
        Consiste::MensErro(msgPadrao->Msg("Periodo_Intervalo"), medIntervalo);
    medHrConsumo->setFocus();
}

void TfrmContAlimentar::cdsConfescoHRCONSCONFGetText(TField* sender, QString& text, bool) {
    text = Consiste::EmptyString(sender->AsString()) ? QString() : RealToStTime(sender->AsFloat());
}

} // namespace dieta::Cli_zfa13000
