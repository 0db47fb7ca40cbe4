// What the windows opened by the screen may reach of it (contracts/contalimentar.h).

#include "framework/consiste.h"
#include "framework/tdateeditplus.h"
#include "framework/tmaskedit.h"
#include "platform/tadoibquery.h"
#include "platform/tclientdataset.h"
#include "platform/tfield.h"
#include "screen/Cli_zfa13000.h"

#include <QLineEdit>

namespace dieta::Cli_zfa13000 {

QString TfrmContAlimentar::filialCode() const {
    return Consiste::AllTrim(medCdFilial->Text());
}

QString TfrmContAlimentar::filialName() const {
    return edtNmFilial->text();
}

QString TfrmContAlimentar::servicoCode() const {
    return Consiste::AllTrim(medCdServico->Text());
}

QString TfrmContAlimentar::tipoServico() const {
    if (!qryServico->Active() || qryServico->IsEmpty())
        return QString();
    return qryServico->FieldByName(u"IDTIPOSERV")->AsString();
}

QDate TfrmContAlimentar::serviceDate() const {
    return depData->GetDate();
}

void TfrmContAlimentar::reloadInpatients() {
    loadInternacao();
}

void TfrmContAlimentar::positionOnPatient(const QString& patient) {
    cdsInternacao->Locate("CDPACIENTE", patient, loCaseInsensitive);
}

void TfrmContAlimentar::focusServico() {
    medCdServico->setFocus();
}

} // namespace dieta::Cli_zfa13000
