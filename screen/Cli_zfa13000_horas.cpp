// Consumption times of formula diets: hours with a fraction shown as "HHHH:MM", the three time
// edits of the formula panel, its confirm button and the start time in the formula grid.

#include "framework/consiste.h"
#include "framework/focusorder.h"
#include "framework/tmaskedit.h"
#include "platform/tclientdataset.h"
#include "platform/tfield.h"
#include "screen/Cli_zfa13000.h"

#include <QLineEdit>
#include <QToolButton>
#include <cmath>

namespace dieta::Cli_zfa13000 {

QString TfrmContAlimentar::RealToStTime(double hours) {
    qint64 whole = qint64(std::trunc(hours));
    qint64 minutes = std::llround((hours - double(whole)) * 60.0);
    // A fraction a hair below the next hour rounds to 60 minutes: that is the next hour.
    if (minutes >= 60) {
        ++whole;
        minutes -= 60;
    }
    return Consiste::PadL(QString::number(whole), 4) + u':' +
           Consiste::Ajusta(QString::number(minutes), 2);
}

double TfrmContAlimentar::StTimeToReal(const QString& text) {
    const qsizetype colon = text.indexOf(u':');
    const QString hoursText = Consiste::AllTrim(colon < 0 ? QString() : text.left(colon));
    QString minutesText = text.mid(colon + 1, 2);
    minutesText.remove(u' ');
    minutesText = Consiste::Ajusta(minutesText, 2);
    bool hoursOk = true;
    bool minutesOk = true;
    const qint64 hours = hoursText.isEmpty() ? 0 : hoursText.toLongLong(&hoursOk);
    const qint64 minutes = minutesText.isEmpty() ? 0 : minutesText.toLongLong(&minutesOk);
    if (!hoursOk || !minutesOk || hours < 0 || minutes < 0)
        Consiste::MensErro(msgPadrao->Msg("ValCons_Inv"));
    return Consiste::RoundDec(double(hours) + double(minutes) / 60.0, 8);
}

namespace {

void normalise(TfrmContAlimentar* form, TMaskEdit* edit) {
    edit->setText(TfrmContAlimentar::RealToStTime(form->StTimeToReal(edit->Text())));
}

} // namespace

void TfrmContAlimentar::medHrConsumoExit() {
    normalise(this, medHrConsumo);
    if (std::trunc(StTimeToReal(medHrConsumo->Text())) > 23)
        Consiste::MensErro(msgPadrao->Msg("Consumo_Inv"), medHrConsumo);
}

void TfrmContAlimentar::medIntervaloExit() {
    normalise(this, medIntervalo);
}

void TfrmContAlimentar::medPeriodoExit() {
    normalise(this, medPeriodo);
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
