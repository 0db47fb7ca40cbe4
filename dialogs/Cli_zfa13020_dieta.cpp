// The diet dialog's service (typed only in group mode) and diet code, and the building of the
// menu for the diet.

#include "contracts/contalimentar.h"
#include "contracts/rdmdietaoral.h"
#include "dialogs/Cli_zfa13020.h"
#include "framework/abortguard.h"
#include "framework/consiste.h"
#include "framework/consistegrid.h"
#include "framework/showavi.h"
#include "framework/tdbgrid.h"
#include "framework/tmaskedit.h"
#include "framework/tradiogroup.h"
#include "platform/tadoibquery.h"
#include "platform/tclientdataset.h"
#include "platform/tfield.h"
#include "platform/tnetconnection.h"

#include <QLineEdit>
#include <QToolButton>

namespace dieta::Cli_zfa13020 {

// ---------------------------------------------------------------- service (group mode)

void TfrmDietaContAlimentar::edtCdServicoChange() {
    edtNmServico->clear();
    medDieta->clear();
}

void TfrmDietaContAlimentar::edtCdServicoExit() {
    vd_Servico();
}

void TfrmDietaContAlimentar::vd_Servico() {
    if (!boServGrupo)
        return;
    if (Consiste::EmptyString(edtCdServico->text()))
        Consiste::MensErro(msgPadrao->Msg("SERV_N_INFO"), edtCdServico);
    const QString code = Consiste::Ajusta(edtCdServico->text(), 5);
    edtCdServico->setText(code);
    qryServico->Close();
    qryServico->ParamByName(QStringLiteral("P_CDFILIAL"))->SetAsString(screen().filialCode());
    qryServico->ParamByName(QStringLiteral("P_CDGRUPSERV"))->SetAsString(screen().servicoCode());
    qryServico->ParamByName(QStringLiteral("P_CDSERVFILI"))->SetAsString(code);
    qryServico->ParamByName(QStringLiteral("P_TCDSERVFILI"))->Clear();
    qryServico->Open();
    if (qryServico->IsEmpty())
        Consiste::MensErro(msgPadrao->Msg("SERV_N_CAD"), edtCdServico);
    // Writing the same code back leaves the diet alone (no change signal).
    edtCdServico->setText(qryServico->FieldByName(u"CDSERVFILI")->AsString());
    edtNmServico->setText(qryServico->FieldByName(u"NMSERVICO")->AsString());
    stTipoServ = qryServico->FieldByName(u"IDTIPOSERV")->AsString();
}

void TfrmDietaContAlimentar::btnPesqServicoBeforePesq() {
    qryServico->Close();
    qryServico->ParamByName(QStringLiteral("P_CDFILIAL"))->SetAsString(screen().filialCode());
    qryServico->ParamByName(QStringLiteral("P_CDGRUPSERV"))->SetAsString(screen().servicoCode());
    qryServico->ParamByName(QStringLiteral("P_TCDSERVFILI"))->SetAsString(QStringLiteral("T"));
    qryServico->ParamByName(QStringLiteral("P_CDSERVFILI"))->Clear();
}

void TfrmDietaContAlimentar::btnPesqServicoAfterPesq() {
    edtCdServico->setText(qryServico->FieldByName(u"CDSERVFILI")->AsString());
    edtNmServico->setText(qryServico->FieldByName(u"NMSERVICO")->AsString());
    // The lookup button takes no focus: a service chosen while the code's edit lacks it would
    // otherwise keep the previous service's type until the edit is left.
    stTipoServ = qryServico->FieldByName(u"IDTIPOSERV")->AsString();
}

// ---------------------------------------------------------------- diet code

void TfrmDietaContAlimentar::medDietaEnter() {
    cdsConfescoDieta->Close();
    dbgConfesco->OnCellClick = nullptr;
    setQuantityColumnVisible(false);
    // No confirming while a diet code is being typed.
    sbtConfirma->setEnabled(false);
}

void TfrmDietaContAlimentar::medDietaChange() {
    edtNmDieta->clear();
}

void TfrmDietaContAlimentar::medDietaExit() {
    Vd_Dieta(false);
    rgpPaciente->SetItemIndex(0);
    if (!Consiste::EmptyString(medDieta->Text()))
        Mostra_Cardapio();
    sbtConfirma->setEnabled(true);
}

void TfrmDietaContAlimentar::btpDietaBeforePesq() {
    qryDietaPad->Close();
    qryDietaPad->ParamByName(QStringLiteral("P_CDDIETPAD"))->Clear();
    qryDietaPad->ParamByName(QStringLiteral("P_CDFILIAL"))->SetAsString(screen().filialCode());
    qryDietaPad->ParamByName(QStringLiteral("P_CDSERVFILI"))->SetAsString(edtCdServico->text());
}

void TfrmDietaContAlimentar::btpDietaAfterPesq() {
    medDieta->setText(qryDietaPad->FieldByName(u"CDDIETPAD")->AsString());
    edtNmDieta->setText(qryDietaPad->FieldByName(u"DSDIETPAD")->AsString());
    // The lookup button takes no focus. A diet chosen while the code's edit lacks it is taken
    // as if typed there and left, so that the grid never holds another diet's menu.
    if (focusWidget() != medDieta) {
        medDietaEnter();
        medDietaExit();
    }
}

void TfrmDietaContAlimentar::Vd_Dieta(bool required) {
    try {
        const QString code = Consiste::Ajusta(medDieta->Text(), 4);
        medDieta->setText(code);
        if (code.isEmpty()) {
            stFormDiet.clear();
            stDietGrup.clear();
            if (required)
                Consiste::MensErro(msgPadrao->Msg("Dieta_Inf"));
            return;
        }
        // Confirming re-reads the diet only when its code was typed and not yet left.
        if (required && focusWidget() != medDieta)
            return;
        qryDietaPad->Close();
        qryDietaPad->ParamByName(QStringLiteral("P_CDDIETPAD"))->SetAsString(code);
        qryDietaPad->ParamByName(QStringLiteral("P_CDFILIAL"))->SetAsString(screen().filialCode());
        qryDietaPad->ParamByName(QStringLiteral("P_CDSERVFILI"))->SetAsString(edtCdServico->text());
        qryDietaPad->Open();
        edtNmDieta->setText(qryDietaPad->FieldByName(u"DSDIETPAD")->AsString());
        if (qryDietaPad->IsEmpty()) {
            stFormDiet.clear();
            stDietGrup.clear();
            Consiste::MensErro(msgPadrao->Msg("Dieta_NCad"));
        }
        stFormDiet = qryDietaPad->FieldByName(u"IDFORMDIET")->AsString();
        stDietGrup = qryDietaPad->FieldByName(u"CDDIETGRUP")->AsString();
        setQuantityColumnVisible(quantityDiet());
    } catch (...) {
        medDieta->setFocus();
        throw;
    }
}

void TfrmDietaContAlimentar::setQuantityColumnVisible(bool visible) {
    const int column = Consiste::IndiceCol(dbgConfesco, QStringLiteral("QTPRATCONF"));
    if (column < 0 || dbgConfesco->Column(column).Visible == visible)
        return;
    dbgConfesco->Column(column).Visible = visible;
    dbgConfesco->ColumnsChanged();
}

bool TfrmDietaContAlimentar::freeComposition() const {
    return stFormDiet == QLatin1String("4");
}

bool TfrmDietaContAlimentar::anyFreeComposition() const {
    return stFormDiet == QLatin1String("1") || stFormDiet == QLatin1String("2") ||
           freeComposition();
}

bool TfrmDietaContAlimentar::quantityDiet() const {
    return stFormDiet == QLatin1String("3");
}

// ---------------------------------------------------------------- the menu

void TfrmDietaContAlimentar::alignQuantitiesWithTicks() {
    // A quantity diet saves a dish as chosen exactly when its quantity is above zero, while
    // a served menu may hold an unticked option with its card's portions: what the grid shows
    // ticked must be what is saved, as if each tick had been clicked.
    TField* chosen = cdsConfescoDieta->FieldByName(u"IDESCOCONF");
    TField* quantity = cdsConfescoDieta->FieldByName(u"QTPRATCONF");
    for (cdsConfescoDieta->First(); !cdsConfescoDieta->Eof(); cdsConfescoDieta->Next()) {
        const bool ticked = chosen->AsString() == QLatin1String("S");
        if (ticked == (quantity->AsFloat() > 0))
            continue;
        cdsConfescoDieta->Edit();
        quantity->SetAsFloat(ticked ? 1 : 0);
        cdsConfescoDieta->Post();
    }
}

void TfrmDietaContAlimentar::Mostra_Cardapio() {
    QString diet = stTipoServ == QLatin1String("N") ? QString() : medDieta->Text();
    try {
        TDBGridDetach detached(dbgConfesco);
        const bool typed = freeComposition();
        for (const char* name : {"CDTIPOPRAT", "CDPRATO"}) {
            TColumn& column =
                dbgConfesco->Column(Consiste::IndiceCol(dbgConfesco, QString::fromLatin1(name)));
            column.ButtonStyle =
                typed ? TColumnButtonStyle::cbsEllipsis : TColumnButtonStyle::cbsNone;
            // A served menu's dishes are not the operator's to change: not even by pasting.
            column.ReadOnly = !typed;
        }
        dbgConfesco->ColumnsChanged();
        if (anyFreeComposition()) {
            dbgConfesco->SetEditing(freeComposition());
            if (cdsConfescoDieta->Active())
                cdsConfescoDieta->EmptyDataSet();
            else
                cdsConfescoDieta->CreateDataSet();
        } else {
            dbgConfesco->SetEditing(false);
            ShowAviGuard busy(6);
            QString missing = msgPadrao->Msg("N_Exis_Card");
            QVariantList args{screen().filialCode(),
                              edtCdServico->text(),
                              screen().serviceDate(),
                              diet,
                              stDietGrup,
                              missing,
                              stTipoServ};
            const QVariant result = screen().connection()->call(
                QString::fromLatin1(contracts::rdm::GetCardapioDieta), args);
            const DataPacket menu = Consiste::CheckResultServ(result, true, 0);
            stTipoServ = args.value(6).toString();
            cdsConfescoDieta->SetData(menu);
            if (quantityDiet())
                alignQuantitiesWithTicks();
        }
        cdsConfescoDieta->First();
    } catch (...) {
        medDieta->setFocus();
        throw;
    }
}

} // namespace dieta::Cli_zfa13020
