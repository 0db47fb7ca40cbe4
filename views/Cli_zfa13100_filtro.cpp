// The filter window's handlers: the groups, the pick lists and the confirmation that reloads
// the main screen's inpatient list.

#include "contracts/contalimentar.h"
#include "contracts/rdmdietaoral.h"
#include "framework/abortguard.h"
#include "framework/consiste.h"
#include "framework/lookups.h"
#include "framework/showavi.h"
#include "framework/tbtnpesquisa.h"
#include "platform/tadoibquery.h"
#include "platform/tclientdataset.h"
#include "platform/tfield.h"
#include "platform/tnetconnection.h"
#include "views/Cli_zfa13100.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>

namespace dieta::Cli_zfa13100 {

namespace {

contracts::ContAlimentar& mainScreen() {
    contracts::ContAlimentar* form = contracts::frmContAlimentar;
    if (!form)
        Abort();
    return *form;
}

QString listOrAll(const QString& list) {
    return Consiste::EmptyString(list) ? QStringLiteral("T") : list;
}

} // namespace

// ---------------------------------------------------------------- lifetime

void TfrmFiltro::FormCreate() {
    TfrmRotiGeral::FormCreate();
    cbbTipo->setCurrentIndex(0);
    Filtro.dados.tipoPaciente = QStringLiteral("T");
    stTipoPaci = QStringLiteral("T");
    boPrimVez = true;
}

void TfrmFiltro::FormActivate() {
    TfrmRotiGeral::FormActivate();
    if (!boPrimVez)
        return;
    boPrimVez = false;
    repaint();
    Atualiza_Filtro(true);
}

void TfrmFiltro::FormClose(TCloseAction& action) {
    // Hidden, never freed here: the choices stay for the next opening.
    action = TCloseAction::caHide;
    TfrmRotiGeral::FormClose(action);
}

void TfrmFiltro::Atualiza_Filtro(bool restaura) {
    struct Group {
        QRadioButton* todos;
        QRadioButton* lista;
        QString& list;
        TCriterio& confirmed;
    };
    TDADOS& dados = Filtro.dados;
    Group groups[] = {{rbtAndarTodos, rbtAndarLista, stAndar, dados.andar},
                      {rbtAlaTodos, rbtAlaLista, stAla, dados.ala},
                      {rbtDiagTodos, rbtDiagLista, stDiag, dados.diagnostico},
                      {rbtPadrTodos, rbtPadrLista, stPadr, dados.padrao}};
    if (!restaura) {
        dados.tipoPaciente = stTipoPaci;
        for (Group& g : groups)
            g.confirmed = TCriterio{g.lista->isChecked(), g.list};
        return;
    }
    // Checking "Lista" runs the group's handler, which clears the list: the list comes after.
    for (Group& g : groups) {
        g.lista->setChecked(g.confirmed.lista);
        g.list = g.confirmed.valor;
    }
    for (Group& g : groups)
        g.todos->setChecked(!g.confirmed.lista);
    chbTodos->setChecked(dados.tipoPaciente == u"T");
}

// ---------------------------------------------------------------- groups

void TfrmFiltro::groupClick(QRadioButton* lista, TBtnPesquisa* button, QString& list) {
    button->setEnabled(lista->isChecked());
    list.clear();
}

void TfrmFiltro::rbtAndarTodosClick() {
    groupClick(rbtAndarLista, sbtAndar, stAndar);
}

void TfrmFiltro::rbtAlaTodosClick() {
    groupClick(rbtAlaLista, sbtAla, stAla);
}

void TfrmFiltro::rbtDiagTodosClick() {
    groupClick(rbtDiagLista, sbtDiag, stDiag);
}

void TfrmFiltro::rbtPadrTodosClick() {
    groupClick(rbtPadrLista, sbtPadr, stPadr);
}

void TfrmFiltro::chbTodosClick() {
    cbbTipo->setEnabled(!chbTodos->isChecked());
    stTipoPaci = chbTodos->isChecked() ? QStringLiteral("T") : QString();
}

QString TfrmFiltro::tipoPaciente() const {
    return chbTodos->isChecked() ? QStringLiteral("T") : QString::number(cbbTipo->currentIndex());
}

// ---------------------------------------------------------------- pick lists

void TfrmFiltro::pickList(TDataSource* source, const QString& keyField, const char* titleKey,
                          const char* emptyKey, QString& list) {
    const QString title = msgPadrao->Msg(QString::fromLatin1(titleKey)) + u'|' +
                          msgPadrao->Msg(QString::fromLatin1(emptyKey));
    PesquisaLista(source, keyField, title, false, list, this);
}

void TfrmFiltro::sbtAndarClick() {
    qryAndar->Close();
    qryAndar->ParamByName(QStringLiteral("P_CDFILIAL"))->SetAsString(mainScreen().filialCode());
    pickList(dtsAndar, QStringLiteral("CDANDAR"), "Andar", "Andar_Cad", stAndar);
}

void TfrmFiltro::sbtAlaClick() {
    qryAla->Close();
    qryAla->ParamByName(QStringLiteral("P_CDFILIAL"))->SetAsString(mainScreen().filialCode());
    pickList(dtsAla, QStringLiteral("CDALA"), "Ala", "Ala_Cad", stAla);
}

void TfrmFiltro::sbtPadrClick() {
    qryPadInter->Close();
    pickList(dtsPadInter, QStringLiteral("CDSERPADDIE"), "Padr", "Padr_Cad", stPadr);
}

void TfrmFiltro::sbtDiagClick() {
    // The diagnoses come from the server once per window and are kept.
    if (!cdsDiagnost->Active()) {
        ShowAviGuard busy(6);
        const QVariant result =
            mainScreen().connection()->call(QString::fromLatin1(contracts::rdm::GetDiagnost));
        cdsDiagnost->SetData(Consiste::CheckResultServ(result, true, 0));
    }
    pickList(dtsDiag, QStringLiteral("CDDIAGNOST"), "Diag", "Diag_Cad", stDiag);
}

// ---------------------------------------------------------------- confirmation

void TfrmFiltro::checkConfiguration() {
    contracts::ContAlimentar& form = mainScreen();
    {
        ShowAviGuard busy(6);
        QVariantList args{form.filialCode(), form.servicoCode()};
        const QVariant result =
            form.connection()->call(QString::fromLatin1(contracts::rdm::GetConfCard), args);
        form.confCard()->SetData(Consiste::CheckResultServ(result, true, 0));
    }
    if (form.confCard()->IsEmpty()) {
        Close();
        form.focusServico();
        Consiste::MensErro(msgPadrao->Msg(QStringLiteral("Confi_Inf")));
    }
}

void TfrmFiltro::checkLists() {
    const struct {
        QRadioButton* lista;
        const QString& list;
        const char* key;
    } groups[] = {{rbtAndarLista, stAndar, "Andar_Inf"},
                  {rbtAlaLista, stAla, "Ala_Inf"},
                  {rbtDiagLista, stDiag, "Diag_Inf"},
                  {rbtPadrLista, stPadr, "Padr_Inf"}};
    for (const auto& g : groups)
        if (g.lista->isChecked() && Consiste::EmptyString(g.list))
            Consiste::MensErro(msgPadrao->Msg(QString::fromLatin1(g.key)), g.lista);
}

void TfrmFiltro::writeParams() {
    contracts::ContAlimentar& form = mainScreen();
    TClientDataSet* params = form.listParams();
    if (params->IsEmpty())
        params->Insert();
    else
        params->Edit();
    params->FieldByName(u"CDSERPADDIE")->SetAsString(listOrAll(stPadr));
    params->FieldByName(u"CDALA")->SetAsString(listOrAll(stAla));
    params->FieldByName(u"CDANDAR")->SetAsString(listOrAll(stAndar));
    params->FieldByName(u"CDDIAGNOST")->SetAsString(listOrAll(stDiag));
    params->FieldByName(u"IDTIPOPACI")->SetAsString(tipoPaciente());
    params->FieldByName(u"DTSERVINTE")->SetAsDate(form.serviceDate());
    params->FieldByName(u"CDSERVFILI")->SetAsString(form.servicoCode());
    params->FieldByName(u"CDFILIAL")->SetAsString(form.filialCode());
    params->Post();
}

void TfrmFiltro::sbtConfirmaClick() {
    TfrmRotiGeral::sbtConfirmaClick();
    // A group of services has no configuration of its own to check.
    if (!mainScreen().grupoMode())
        checkConfiguration();
    checkLists();
    writeParams();
    {
        // The screen keeps its grid off the list while it loads and puts it back in any case.
        ShowAviGuard busy(6);
        mainScreen().reloadInpatients();
    }
    Atualiza_Filtro(false);
    Close();
}

} // namespace dieta::Cli_zfa13100
