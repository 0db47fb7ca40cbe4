// The copy window's start and its scope: the dates, the "Todos"/"Lista" groups and the pick
// lists of services, floors, wings, beds and inpatients.

#include "contracts/contalimentar.h"
#include "contracts/rdmdietaoral.h"
#include "dialogs/Cli_zfa13010.h"
#include "framework/abortguard.h"
#include "framework/consiste.h"
#include "framework/lookups.h"
#include "framework/tbtnpesquisa.h"
#include "framework/tdateeditplus.h"
#include "platform/tadoibquery.h"
#include "platform/tclientdataset.h"
#include "platform/tnetconnection.h"

#include <QLineEdit>
#include <QRadioButton>

namespace dieta::Cli_zfa13010 {

namespace {

contracts::ContAlimentar& mainScreen() {
    contracts::ContAlimentar* form = contracts::frmContAlimentar;
    if (!form)
        Abort();
    return *form;
}

void groupClick(QRadioButton* lista, QToolButton* button, QString& list, const QString& reset) {
    button->setEnabled(lista->isChecked());
    list = reset;
}

} // namespace

void TfrmCopConf::FormCreate() {
    TfrmRotiGeral::FormCreate();
    SetAltura(kAlturaNormal);
    depOrigem->SetDate(QDate::currentDate().addDays(-1));
    depDestino->SetDate(QDate::currentDate());
    boPrimVez = true;
}

void TfrmCopConf::FormActivate() {
    TfrmRotiGeral::FormActivate();
    if (!boPrimVez)
        return;
    boPrimVez = false;
    // The group is the screen's at the first activation; a pick list closing leaves it.
    stGrupoServ = mainScreen().grupoMode() ? mainScreen().servicoCode() : QStringLiteral("T");
    repaint();
}

void TfrmCopConf::depOrigemExit() {
    depOrigem->CheckValidDate();
}

void TfrmCopConf::depDestinoExit() {
    depDestino->CheckValidDate();
}

// ---------------------------------------------------------------- groups

void TfrmCopConf::rbtTServClick() {
    // The service list is reset to a single blank, which still counts as no list.
    groupClick(rbtLServ, sbtServ, stServico, QStringLiteral(" "));
}

void TfrmCopConf::rbtTAndarClick() {
    groupClick(rbtLAndar, sbtAndar, stAndar, QString());
}

void TfrmCopConf::rbtTAlaClick() {
    groupClick(rbtLAla, sbtAla, stAla, QString());
}

void TfrmCopConf::rbtTLeitoClick() {
    groupClick(rbtLLeito, sbtLeito, stLeito, QString());
}

void TfrmCopConf::rbtTPaciClick() {
    groupClick(rbtLPaci, sbtPaci, stPaciente, QString());
}

// ---------------------------------------------------------------- pick lists

void TfrmCopConf::pickList(TDataSource* source, const QString& keyField, const char* titleKey,
                           const char* emptyKey, QString& list) {
    const QString title = msgPadrao->Msg(QString::fromLatin1(titleKey)) + u'|' +
                          msgPadrao->Msg(QString::fromLatin1(emptyKey));
    PesquisaLista(source, keyField, title, false, list, this);
}

void TfrmCopConf::sbtServClick() {
    qryServico->Close();
    qryServico->ParamByName(QStringLiteral("P_CDFILIAL"))->SetAsString(mainScreen().filialCode());
    if (stGrupoServ != u"T") {
        qryServico->ParamByName(QStringLiteral("P_CDGRUPSERV"))->SetAsString(stGrupoServ);
        qryServico->ParamByName(QStringLiteral("P_TCDGRUPSERV"))->Clear();
    } else {
        qryServico->ParamByName(QStringLiteral("P_CDGRUPSERV"))->Clear();
        qryServico->ParamByName(QStringLiteral("P_TCDGRUPSERV"))->SetAsString(QStringLiteral("T"));
    }
    pickList(dtsServico, QStringLiteral("CDSERVFILI"), "Serv", "Serv_Cad", stServico);
}

void TfrmCopConf::sbtAndarClick() {
    qryAndar->Close();
    qryAndar->ParamByName(QStringLiteral("P_CDFILIAL"))->SetAsString(mainScreen().filialCode());
    pickList(dtsAndar, QStringLiteral("CDANDAR"), "Andar", "Andar_Cad", stAndar);
}

void TfrmCopConf::sbtAlaClick() {
    qryAla->Close();
    qryAla->ParamByName(QStringLiteral("P_CDFILIAL"))->SetAsString(mainScreen().filialCode());
    pickList(dtsAla, QStringLiteral("CDALA"), "Ala", "Ala_Cad", stAla);
}

void TfrmCopConf::sbtLeitoClick() {
    // The beds offered are those of the wings and floors chosen.
    if (rbtTAla->isChecked())
        stAla = QStringLiteral("T");
    if (rbtTAndar->isChecked())
        stAndar = QStringLiteral("T");
    qryLeito->Close();
    qryLeito->ParamByName(QStringLiteral("P_CDFILIAL"))->SetAsString(mainScreen().filialCode());
    qryLeito->ParamByName(QStringLiteral("P_TCDALA"))->SetAsString(stAla);
    qryLeito->ParamByName(QStringLiteral("P_CDALA"))->SetAsString(stAla);
    qryLeito->ParamByName(QStringLiteral("P_TCDANDAR"))->SetAsString(stAndar);
    qryLeito->ParamByName(QStringLiteral("P_CDANDAR"))->SetAsString(stAndar);
    qryLeito->Open();
    pickList(dtsLeito, QStringLiteral("CDLEITO"), "Leito", "Leito_Cad", stLeito);
}

void TfrmCopConf::sbtPaciClick() {
    // The inpatients are asked for again at every click: admissions go on meanwhile.
    QVariantList args{mainScreen().filialCode()};
    const QVariant result =
        mainScreen().connection()->call(QString::fromLatin1(contracts::rdm::GetPaciInter), args);
    cdsPaciente->SetData(Consiste::CheckResultServ(result, true, 0));
    pickList(dtsPaciente, QStringLiteral("CDPACIENTE"), "Paciente", "Paciente_Cad", stPaciente);
}

} // namespace dieta::Cli_zfa13010
