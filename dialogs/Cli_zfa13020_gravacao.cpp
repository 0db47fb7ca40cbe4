// Saving the diet dialog: the last checks of the menu, the question whether the previous
// diet's settings stay, and SetConfDieta, whose answer becomes the main screen's list.

#include "contracts/contalimentar.h"
#include "contracts/rdmdietaoral.h"
#include "dialogs/Cli_zfa13020.h"
#include "framework/consiste.h"
#include "framework/showavi.h"
#include "framework/tdbgrid.h"
#include "framework/tmaskedit.h"
#include "framework/tmessages.h"
#include "framework/tradiogroup.h"
#include "framework/vantor.h"
#include "platform/tclientdataset.h"
#include "platform/tfield.h"
#include "platform/tnetconnection.h"

#include <QLineEdit>

namespace dieta::Cli_zfa13020 {

void TfrmDietaContAlimentar::sbtConfirmaClick() {
    TfrmRotiGeral::sbtConfirmaClick();
    // The confirm button takes no focus: what the grid's editor holds belongs to the row.
    dbgConfesco->CommitEditor();
    Vd_Dieta(true);
    if (!cdsConfescoDieta->Active())
        Mostra_Cardapio();
    if (freeComposition() && !editing())
        cdsConfescoDieta->Insert();
    if (editing())
        cdsConfescoDieta->Post();
    if (cdsConfescoDieta->IsEmpty() && !anyFreeComposition())
        Mostra_Cardapio();
    else if (focusWidget() == medDieta)
        Mostra_Cardapio();
    const int answer = msgPadrao->MsgAlertEx(msgPadrao->Msg("Manter_Conf"), MsgKind::Confirmation,
                                             {msgPadrao->Msg("Sim"), msgPadrao->Msg("Nao")});
    saveDiet(answer == mrFirstCustom ? QStringLiteral("S") : QStringLiteral("N"));
}

void TfrmDietaContAlimentar::saveDiet(const QString& keep) {
    if (stFormDiet == QLatin1String("1") || stFormDiet == QLatin1String("2"))
        return;
    repaint();
    contracts::ContAlimentar& main = screen();
    {
        ShowAviGuard busy(1);
        TClientDataSet* list = main.inpatients();
        const QString patient = list->Active() && !list->IsEmpty()
                                    ? list->FieldByName(u"CDPACIENTE")->AsString()
                                    : QString();
        QVariantList args{main.filialCode(),
                          edtCdServico->text(),
                          main.serviceDate(),
                          QVariant::fromValue(main.markedInpatients()->Data()),
                          QVariant::fromValue(cdsConfescoDieta->Data()),
                          Consiste::AllTrim(medDieta->Text()),
                          QString::number(rgpPaciente->ItemIndex()),
                          Vantor::Operador(),
                          keep,
                          QVariant::fromValue(main.listParams()->Data())};
        const DataPacket answer = Consiste::CheckResultServ(
            main.connection()->call(QString::fromLatin1(contracts::rdm::SetConfDieta), args), true,
            0);
        list->SetData(answer);
        main.positionOnPatient(patient);
    }
    msgPadrao->ShowMsg(QStringLiteral("ContAlimentar_Suces"), MsgKind::Information);
    Close();
}

} // namespace dieta::Cli_zfa13020
