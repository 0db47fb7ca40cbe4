#include "dialogs/Cli_zfa13050.h"

#include "contracts/contalimentar.h"
#include "contracts/rdmdietaoral.h"
#include "dialogs/Cli_zfa13020_consultas.h"
#include "framework/abortguard.h"
#include "framework/consiste.h"
#include "framework/controlevents.h"
#include "framework/focusorder.h"
#include "framework/showavi.h"
#include "framework/tbtnpesquisa.h"
#include "framework/tmaskedit.h"
#include "framework/tmessages.h"
#include "framework/tnumberedit.h"
#include "framework/tradiogroup.h"
#include "framework/vantor.h"
#include "platform/tadoibquery.h"
#include "platform/tclientdataset.h"
#include "platform/tdatasource.h"
#include "platform/tfield.h"
#include "platform/tnetconnection.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>

namespace dieta::Cli_zfa13050 {

TfrmAcresDupDieta* frmAcresDupDieta = nullptr;

namespace {

const QColor kInfoBk(255, 255, 225);
constexpr int kEditX = 88;

void setInfoColour(QWidget* widget) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Base, kInfoBk);
    widget->setPalette(palette);
}

QLabel* boldLabel(QWidget* parent, const char* name, const QString& caption, int y) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(QString::fromLatin1(name));
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    label->move(8, y + 3);
    return label;
}

TMaskEdit* codeEdit(QWidget* parent, const char* name, const QString& mask, int maxLength, int y) {
    auto* edit = new TMaskEdit(mask, parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setMaxLength(maxLength);
    edit->setGeometry(kEditX, y, 54, 21);
    setInfoColour(edit);
    return edit;
}

TBtnPesquisa* lookupButton(QWidget* parent, const char* name, int y) {
    auto* button = new TBtnPesquisa(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(kEditX + 57, y, 21, 21);
    return button;
}

QLineEdit* nameEdit(QWidget* parent, const char* name, int y) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setEnabled(false);
    edit->setGeometry(kEditX + 82, y, 413 - kEditX - 82, 21);
    return edit;
}

TDataSource* dataSource(QObject* owner, const char* name, TClientDataSet* ds) {
    auto* source = new TDataSource(owner);
    source->setObjectName(QString::fromLatin1(name));
    source->SetDataSet(ds);
    return source;
}

} // namespace

TfrmAcresDupDieta::TfrmAcresDupDieta(QWidget* parent) : TfrmRotiGeral(parent) {
    setObjectName(QStringLiteral("frmAcresDupDieta"));
    setWindowTitle(QStringLiteral("Acrescentar/Duplicar Dieta"));
    lblCodTela->setText(QStringLiteral("ZFA13050"));
    HelpContext = 11113020;
    m_focus = new FocusOrder(this);
    qryServico = Cli_zfa13020::CriaQryServico(this);
    qryDietaPad = Cli_zfa13020::CriaQryDietaPad(this);
    dtsServico = dataSource(this, "dtsServico", qryServico);
    dtsDieta = dataSource(this, "dtsDieta", qryDietaPad);
    msgPadrao->setLines({
        "SERV_N_INFO|Serviço deve ser informado.",
        "SERV_N_CAD|Serviço não cadastrado.",
        "Dieta_Inf|Dieta deve ser informada.",
        "Dieta_NCad|Dieta não cadastrada para o serviço informado.",
        "Quant_Inf|Quantidade deve ser informada.",
        "Quant_Inv|Quantidade deve ser maior que zero.",
        "N_Exis_Card|Não existe cardápio cadastrado para  dieta e dia informado.",
        "ContAlimentar_Suces|Controle alimentar foi realizado com sucesso.",
    });
    buildPanel();
    connectHandlers();
    resize(421, 132 + panMenu->height());
}

TfrmAcresDupDieta::~TfrmAcresDupDieta() {
    if (frmAcresDupDieta == this)
        frmAcresDupDieta = nullptr;
}

contracts::ContAlimentar& TfrmAcresDupDieta::screen() const {
    contracts::ContAlimentar* main = contracts::frmContAlimentar;
    if (!main)
        Abort();
    return *main;
}

void TfrmAcresDupDieta::buildPanel() {
    auto* layout = new QVBoxLayout(panClient);
    layout->setContentsMargins(0, 0, 0, 0);
    Panel1 = new QFrame(panClient);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameShape(QFrame::StyledPanel);
    layout->addWidget(Panel1);

    lblServico = boldLabel(Panel1, "lblServico", QStringLiteral("Serviço"), 8);
    medCdServico = codeEdit(Panel1, "medCdServico", QStringLiteral("ccccc;0; "), 5, 8);
    btnPesqServico = lookupButton(Panel1, "btnPesqServico", 8);
    btnPesqServico->SetTitle(QStringLiteral("Serviço|Não há serviço cadastrado."));
    btnPesqServico->SetDataSource(dtsServico);
    btnPesqServico->SetEdit(medCdServico);
    btnPesqServico->SetCodeField(QStringLiteral("CDSERVFILI"));
    edtNmServico = nameEdit(Panel1, "edtNmServico", 8);

    Label2 = boldLabel(Panel1, "Label2", QStringLiteral("Dieta "), 36);
    medDieta = codeEdit(Panel1, "medDieta", QStringLiteral("9999;0; "), 4, 36);
    btpDieta = lookupButton(Panel1, "btpDieta", 36);
    btpDieta->SetTitle(QStringLiteral("Dieta|Não há dieta cadastrada para o serviço informado."));
    btpDieta->SetDataSource(dtsDieta);
    btpDieta->SetEdit(medDieta);
    edtNmDieta = nameEdit(Panel1, "edtNmDieta", 36);

    Label1 = boldLabel(Panel1, "Label1", QStringLiteral("Quantidade"), 64);
    nedQuant = new TNumberEdit(Panel1);
    nedQuant->setObjectName(QStringLiteral("nedQuant"));
    // A typed fraction must stay what was typed (it is sent as its whole part): with no
    // decimals the edit would drop the comma and read 2,7 as 27.
    nedQuant->setDecimals(2);
    nedQuant->setText(QStringLiteral("1"));
    nedQuant->setGeometry(kEditX, 64, 54, 21);
    setInfoColour(nedQuant);

    rgpPaciente = new TRadioGroup(Panel1);
    rgpPaciente->setObjectName(QStringLiteral("rgpPaciente"));
    QFont bold = rgpPaciente->font();
    bold.setBold(true);
    rgpPaciente->setFont(bold);
    rgpPaciente->SetItems({QStringLiteral("Paciente"), QStringLiteral("Acompanhante  ")});
    rgpPaciente->SetColumns(2);
    rgpPaciente->SetItemIndex(0);
    rgpPaciente->setGeometry(8, 90, 405, 38);

    setTabOrder(medCdServico, medDieta);
    setTabOrder(medDieta, nedQuant);
    setTabOrder(nedQuant, rgpPaciente);
}

void TfrmAcresDupDieta::connectHandlers() {
    onChange(medCdServico, this, [this] { medCdServicoChange(); });
    m_focus->onExit(medCdServico, [this] { medCdServicoExit(); });
    btnPesqServico->BeforePesq = [this] { btnPesqServicoBeforePesq(); };
    btnPesqServico->AfterPesq = [this] { btnPesqServicoAfterPesq(); };
    onChange(medDieta, this, [this] { medDietaChange(); });
    m_focus->onExit(medDieta, [this] { medDietaExit(); });
    btpDieta->BeforePesq = [this] { btpDietaBeforePesq(); };
    btpDieta->AfterPesq = [this] { btpDietaAfterPesq(); };
}

// ---------------------------------------------------------------- activation and service

void TfrmAcresDupDieta::FormActivate() {
    TfrmRotiGeral::FormActivate();
    contracts::ContAlimentar& main = screen();
    boServGrupo = main.grupoMode();
    lblServico->setEnabled(boServGrupo);
    medCdServico->setEnabled(boServGrupo);
    btnPesqServico->setEnabled(boServGrupo);
    if (!boServGrupo) {
        medCdServico->setText(main.servicoCode());
        stTipoServ = main.tipoServico();
    } else if (!m_activated) {
        // Activation comes again whenever a message box closes over the dialog: the service
        // the operator typed since stays.
        medCdServico->clear();
    }
    m_activated = true;
    repaint();
}

void TfrmAcresDupDieta::medCdServicoChange() {
    edtNmServico->clear();
}

void TfrmAcresDupDieta::medCdServicoExit() {
    vd_Servico();
}

void TfrmAcresDupDieta::vd_Servico() {
    if (!boServGrupo)
        return;
    if (medCdServico->IsEmpty())
        Consiste::MensErro(msgPadrao->Msg("SERV_N_INFO"), medCdServico);
    const QString code = Consiste::Ajusta(medCdServico->Text(), 5);
    medCdServico->setText(code);
    qryServico->Close();
    qryServico->ParamByName(QStringLiteral("P_CDFILIAL"))->SetAsString(screen().filialCode());
    qryServico->ParamByName(QStringLiteral("P_CDGRUPSERV"))->SetAsString(screen().servicoCode());
    qryServico->ParamByName(QStringLiteral("P_CDSERVFILI"))->SetAsString(code);
    qryServico->ParamByName(QStringLiteral("P_TCDSERVFILI"))->Clear();
    qryServico->Open();
    if (qryServico->IsEmpty())
        Consiste::MensErro(msgPadrao->Msg("SERV_N_CAD"), medCdServico);
    medCdServico->setText(qryServico->FieldByName(u"CDSERVFILI")->AsString());
    edtNmServico->setText(qryServico->FieldByName(u"NMSERVICO")->AsString());
    stTipoServ = qryServico->FieldByName(u"IDTIPOSERV")->AsString();
}

void TfrmAcresDupDieta::btnPesqServicoBeforePesq() {
    qryServico->Close();
    qryServico->ParamByName(QStringLiteral("P_CDFILIAL"))->SetAsString(screen().filialCode());
    qryServico->ParamByName(QStringLiteral("P_CDGRUPSERV"))->SetAsString(screen().servicoCode());
    qryServico->ParamByName(QStringLiteral("P_TCDSERVFILI"))->SetAsString(QStringLiteral("T"));
    qryServico->ParamByName(QStringLiteral("P_CDSERVFILI"))->Clear();
}

void TfrmAcresDupDieta::btnPesqServicoAfterPesq() {
    medCdServico->setText(qryServico->FieldByName(u"CDSERVFILI")->AsString());
    edtNmServico->setText(qryServico->FieldByName(u"NMSERVICO")->AsString());
    stTipoServ = qryServico->FieldByName(u"IDTIPOSERV")->AsString();
}

// ---------------------------------------------------------------- diet

void TfrmAcresDupDieta::medDietaChange() {
    edtNmDieta->clear();
    rgpPaciente->setEnabled(true);
}

void TfrmAcresDupDieta::medDietaExit() {
    Vd_Dieta(false);
    applyPatientRule();
}

void TfrmAcresDupDieta::btpDietaBeforePesq() {
    qryDietaPad->Close();
    qryDietaPad->ParamByName(QStringLiteral("P_CDDIETPAD"))->Clear();
    qryDietaPad->ParamByName(QStringLiteral("P_CDFILIAL"))->SetAsString(screen().filialCode());
    qryDietaPad->ParamByName(QStringLiteral("P_CDSERVFILI"))
        ->SetAsString(Consiste::AllTrim(medCdServico->Text()));
}

void TfrmAcresDupDieta::btpDietaAfterPesq() {
    medDieta->setText(qryDietaPad->FieldByName(u"CDDIETPAD")->AsString());
    edtNmDieta->setText(qryDietaPad->FieldByName(u"DSDIETPAD")->AsString());
    applyPatientRule();
}

QString TfrmAcresDupDieta::dietKind() const {
    if (!qryDietaPad->Active() || qryDietaPad->IsEmpty())
        return QString();
    return qryDietaPad->FieldByName(u"IDFORMDIET")->AsString();
}

void TfrmAcresDupDieta::applyPatientRule() {
    const bool formula = dietKind() == QLatin1String("1");
    if (formula)
        rgpPaciente->SetItemIndex(0);
    rgpPaciente->setEnabled(!formula);
}

void TfrmAcresDupDieta::Vd_Dieta(bool required) {
    try {
        const QString code = Consiste::Ajusta(medDieta->Text(), 4);
        medDieta->setText(code);
        if (code.isEmpty()) {
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
        qryDietaPad->ParamByName(QStringLiteral("P_CDSERVFILI"))
            ->SetAsString(Consiste::AllTrim(medCdServico->Text()));
        qryDietaPad->Open();
        edtNmDieta->setText(qryDietaPad->FieldByName(u"DSDIETPAD")->AsString());
        if (qryDietaPad->IsEmpty())
            Consiste::MensErro(msgPadrao->Msg("Dieta_NCad"));
    } catch (...) {
        medDieta->setFocus();
        throw;
    }
}

// ---------------------------------------------------------------- saving

void TfrmAcresDupDieta::sbtConfirmaClick() {
    TfrmRotiGeral::sbtConfirmaClick();
    Vd_Dieta(true);
    if (nedQuant->IsEmpty())
        Consiste::MensErro(msgPadrao->Msg("Quant_Inf"), nedQuant);
    if (nedQuant->GetNumber() < 1)
        Consiste::MensErro(msgPadrao->Msg("Quant_Inv"), nedQuant);
    if (dietKind() == QLatin1String("1"))
        return;
    if (screen().messages()->ShowMsg(QStringLiteral("Conf"), MsgKind::Confirmation) != mrYes)
        return;
    duplicate();
}

void TfrmAcresDupDieta::duplicate() {
    contracts::ContAlimentar& main = screen();
    {
        ShowAviGuard busy(1);
        QVariantList args{main.filialCode(),
                          Consiste::AllTrim(medCdServico->Text()),
                          main.serviceDate(),
                          Consiste::AllTrim(medDieta->Text()),
                          msgPadrao->Msg("N_Exis_Card"),
                          QString::number(rgpPaciente->ItemIndex()),
                          Vantor::Operador(),
                          std::trunc(nedQuant->GetNumber()),
                          QVariant::fromValue(main.markedInpatients()->Data()),
                          QVariant::fromValue(main.listParams()->Data()),
                          stTipoServ};
        const QVariant result =
            main.connection()->call(QString::fromLatin1(contracts::rdm::SetDupDieta), args);
        stTipoServ = args.value(10).toString();
        main.inpatients()->SetData(Consiste::CheckResultServ(result, true, 0));
    }
    msgPadrao->ShowMsg(QStringLiteral("ContAlimentar_Suces"), MsgKind::Information);
    Close();
}

} // namespace dieta::Cli_zfa13050
