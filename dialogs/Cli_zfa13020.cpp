// The diet dialog's window: its panel, the menu grid, datasets, queries and messages, and the
// handlers' wiring.

#include "dialogs/Cli_zfa13020.h"

#include "contracts/contalimentar.h"
#include "dialogs/Cli_zfa13020_consultas.h"
#include "framework/abortguard.h"
#include "framework/controlevents.h"
#include "framework/focusorder.h"
#include "framework/tbtnpesquisa.h"
#include "framework/tdbgrid.h"
#include "framework/tmaskedit.h"
#include "framework/tradiogroup.h"
#include "framework/vantor.h"
#include "platform/tadoibquery.h"
#include "platform/tclientdataset.h"
#include "platform/tdatasource.h"
#include "platform/tfield.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

namespace dieta::Cli_zfa13020 {

TfrmDietaContAlimentar* frmDietaContAlimentar = nullptr;

namespace {

// clInfoBk: the pale yellow of what the operator fills in.
const QColor kInfoBk(255, 255, 225);

void setInfoColour(QWidget* widget) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Base, kInfoBk);
    widget->setPalette(palette);
}

QLabel* boldLabel(QWidget* parent, const char* name, const QString& caption, int x, int y) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(QString::fromLatin1(name));
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    label->move(x, y + 3);
    return label;
}

QLineEdit* nameEdit(QWidget* parent, const char* name, int x, int y, int width) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setEnabled(false);
    edit->setGeometry(x, y, width, 21);
    return edit;
}

TBtnPesquisa* lookupButton(QWidget* parent, const char* name, int x, int y) {
    auto* button = new TBtnPesquisa(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(x, y, 21, 21);
    return button;
}

struct FieldDecl {
    const char* name;
    FieldKind kind;
    int size;
    const char* label; // nullptr: none
};

void addFields(TClientDataSet* ds, std::initializer_list<FieldDecl> fields) {
    for (const FieldDecl& decl : fields) {
        TField* field = ds->AddField(QString::fromLatin1(decl.name), decl.kind, decl.size);
        if (decl.label)
            field->SetDisplayLabel(QString::fromUtf8(decl.label));
    }
}

TADOIBQuery* sameTextQuery(QObject* owner, const char* name, const QStringList& sql) {
    auto* query = new TADOIBQuery(owner);
    query->setObjectName(QString::fromLatin1(name));
    query->SQL = sql;
    query->SQL_ORACLE = sql;
    query->SQL_MSSQL = sql;
    query->SQL_IB = sql;
    return query;
}

TDataSource* dataSource(QObject* owner, const char* name, TClientDataSet* ds) {
    auto* source = new TDataSource(owner);
    source->setObjectName(QString::fromLatin1(name));
    source->SetDataSet(ds);
    return source;
}

} // namespace

TfrmDietaContAlimentar::TfrmDietaContAlimentar(QWidget* parent) : TfrmRotiGeral(parent) {
    setObjectName(QStringLiteral("frmDietaContAlimentar"));
    setWindowTitle(QStringLiteral("Dieta"));
    lblCodTela->setText(QStringLiteral("ZFA13020"));
    HelpContext = 11113020;
    m_focus = new FocusOrder(this);
    buildDataSets();
    buildQueries();
    buildMessages();
    buildPanel();
    buildGrid();
    connectHandlers();
    resize(617, 274 + panMenu->height());
}

TfrmDietaContAlimentar::~TfrmDietaContAlimentar() {
    if (frmDietaContAlimentar == this)
        frmDietaContAlimentar = nullptr;
}

contracts::ContAlimentar& TfrmDietaContAlimentar::screen() const {
    contracts::ContAlimentar* main = contracts::frmContAlimentar;
    if (!main)
        Abort();
    return *main;
}

void TfrmDietaContAlimentar::buildDataSets() {
    using K = FieldKind;
    cdsConfescoDieta = new TClientDataSet(this);
    cdsConfescoDieta->setObjectName(QStringLiteral("cdsConfescoDieta"));
    addFields(cdsConfescoDieta, {
                                    {"IDESCOCONF", K::String, 1, "Opção"},
                                    {"CDTIPOPRAT", K::String, 2, "Tipo de Prato"},
                                    {"NMTIPOPRAT", K::String, 15, "Tipo de Prato"},
                                    {"CDPRATO", K::String, 10, "Prato"},
                                    {"NMPRATO", K::String, 40, "Prato"},
                                    {"DSOBSCONF", K::String, 250, "Observação"},
                                    {"IDOPCAOCONF", K::String, 1, "Opção"},
                                    {"CDSEQUCOPR", K::String, 4, nullptr},
                                    {"CDFILAUXPRAT", K::String, 4, nullptr},
                                    {"HRINTECONF", K::Float, 0, nullptr},
                                    {"HRPERICONF", K::Float, 0, nullptr},
                                    {"HRCONSCONF", K::Float, 0, nullptr},
                                    {"DTCONSCONF", K::DateTime, 0, nullptr},
                                    {"IDRESTCONF", K::String, 1, nullptr},
                                    {"QTPRATCONF", K::Float, 0, "Quantidade"},
                                    {"CDDIETGRUPSI", K::String, 4, nullptr},
                                });
    cdsConfescoDieta->FieldByName(u"QTPRATCONF")->SetDisplayFormat(QStringLiteral("#,##0"));
    dtsConfescoDieta = dataSource(this, "dtsConfescoDieta", cdsConfescoDieta);

    cdsReceitaUtili = new TClientDataSet(this);
    cdsReceitaUtili->setObjectName(QStringLiteral("cdsReceitaUtili"));
    addFields(cdsReceitaUtili, {
                                   {"CDPRATO", K::String, 10, "Código"},
                                   {"NMPRATO", K::String, 40, "Nome"},
                                   {"CDFILAUXPRAT", K::String, 4, nullptr},
                               });
    cdsReceitaUtili->FieldByName(u"CDPRATO")->SetDisplayWidth(15);
    cdsReceitaUtili->FieldByName(u"CDFILAUXPRAT")->SetVisible(false);
    dtsReceitaUtili = dataSource(this, "dtsReceitaUtili", cdsReceitaUtili);
}

void TfrmDietaContAlimentar::buildQueries() {
    qryServico = CriaQryServico(this);
    qryDietaPad = CriaQryDietaPad(this);
    qryValidTipoPrat = sameTextQuery(
        this, "qryValidTipoPrat",
        {"SELECT CDTIPOPRAT, NMTIPOPRAT", "FROM TIPOPRAT", "WHERE(CDTIPOPRAT = :P_CDTIPOPRAT)"});
    qryTipoPrat =
        sameTextQuery(this, "qryTipoPrat",
                      {"SELECT CDTIPOPRAT, NMTIPOPRAT", "FROM TIPOPRAT", "ORDER BY CDTIPOPRAT"});
    for (TADOIBQuery* query : {qryValidTipoPrat, qryTipoPrat}) {
        query->AddField(QStringLiteral("CDTIPOPRAT"), FieldKind::String, 2)
            ->SetDisplayLabel(QStringLiteral("Código"));
        query->AddField(QStringLiteral("NMTIPOPRAT"), FieldKind::String, 15)
            ->SetDisplayLabel(QStringLiteral("Nome"));
    }
    qryValidPrato = sameTextQuery(this, "qryValidPrato",
                                  {"SELECT CDFILAUXPRAT, CDPRATO, NMPRATO", "FROM PRATO",
                                   "WHERE (CDPRATO      = :P_CDPRATO) AND",
                                   "      (CDFILAUXPRAT = :P_CDFILIAL OR CDFILAUXPRAT = 'P')"});
    qryValidPrato->AddField(QStringLiteral("CDFILAUXPRAT"), FieldKind::String, 4);
    qryValidPrato->AddField(QStringLiteral("CDPRATO"), FieldKind::String, 10);
    qryValidPrato->AddField(QStringLiteral("NMPRATO"), FieldKind::String, 40);

    dtsServico = dataSource(this, "dtsServico", qryServico);
    dtsDieta = dataSource(this, "dtsDieta", qryDietaPad);
    dtsTipoPrat = dataSource(this, "dtsTipoPrat", qryTipoPrat);
}

void TfrmDietaContAlimentar::buildMessages() {
    msgPadrao->setLines({
        "SERV_N_INFO|Serviço deve ser informado.",
        "SERV_N_CAD|Serviço não cadastrado.",
        "Dieta_Inf|Dieta deve ser informada.",
        "Dieta_NCad|Dieta não cadastrada.",
        "N_Exis_Card|Não existe cardápio cadastrado para dieta e dia informado.",
        "TipoPrat_Inf|Tipo de prato deve ser informado.",
        "TipoPrat_Cad|Tipo de prato não cadastrado.",
        "Prato_Inf|Prato deve ser informado.",
        "Prato_Cad|Prato não cadastrado.",
        "TipoPrat|Tipo de Prato",
        "TipoPrat_NCad|Não há tipo de prato cadastrado.",
        "Prato|Prato",
        "Prato_NCad|Não há prato cadastrado.",
        "Manter_Conf|Deseja manter as configurações da dieta anterior?",
        "Sim|Sim",
        "Nao|Não",
        "ContAlimentar_Suces|Controle alimentar foi realizado com sucesso.",
    });
}

void TfrmDietaContAlimentar::buildPanel() {
    auto* layout = new QVBoxLayout(panClient);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    Panel1 = new QFrame(panClient);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameShape(QFrame::StyledPanel);
    Panel1->setFixedHeight(59);
    layout->addWidget(Panel1);

    lblServico = boldLabel(Panel1, "lblServico", QStringLiteral("Serviço"), 8, 6);
    edtCdServico = new QLineEdit(Panel1);
    edtCdServico->setObjectName(QStringLiteral("edtCdServico"));
    edtCdServico->setMaxLength(5);
    edtCdServico->setGeometry(62, 6, 54, 21);
    setInfoColour(edtCdServico);
    btnPesqServico = lookupButton(Panel1, "btnPesqServico", 119, 6);
    btnPesqServico->SetTitle(QStringLiteral("Serviço|Não há serviço cadastrado."));
    btnPesqServico->SetDataSource(dtsServico);
    btnPesqServico->SetEdit(edtCdServico);
    btnPesqServico->SetCodeField(QStringLiteral("CDSERVFILI"));
    edtNmServico = nameEdit(Panel1, "edtNmServico", 144, 6, 190);

    Label2 = boldLabel(Panel1, "Label2", QStringLiteral("Dieta "), 8, 32);
    medDieta = new TMaskEdit(QStringLiteral("9999;0; "), Panel1);
    medDieta->setObjectName(QStringLiteral("medDieta"));
    medDieta->setMaxLength(4);
    medDieta->setGeometry(62, 32, 54, 21);
    setInfoColour(medDieta);
    btpDieta = lookupButton(Panel1, "btpDieta", 119, 32);
    btpDieta->SetTitle(QStringLiteral("Dieta|Não há dieta cadastrada."));
    btpDieta->SetDataSource(dtsDieta);
    btpDieta->SetEdit(medDieta);
    edtNmDieta = nameEdit(Panel1, "edtNmDieta", 144, 32, 190);

    rgpPaciente = new TRadioGroup(Panel1);
    rgpPaciente->setObjectName(QStringLiteral("rgpPaciente"));
    QFont bold = rgpPaciente->font();
    bold.setBold(true);
    rgpPaciente->setFont(bold);
    rgpPaciente->SetItems({QStringLiteral("Paciente"), QStringLiteral("Acompanhante  ")});
    rgpPaciente->SetColumns(2);
    rgpPaciente->SetItemIndex(0);
    rgpPaciente->setGeometry(340, 4, 270, 50);

    setTabOrder(edtCdServico, medDieta);
    setTabOrder(medDieta, rgpPaciente);
}

void TfrmDietaContAlimentar::buildGrid() {
    imgUnCheck = TDBGrid::CheckBoxPicture(false);
    imgCheck = TDBGrid::CheckBoxPicture(true);
    imgOpcao = TDBGrid::CheckBoxPicture(true, QColor(0, 160, 0));

    dbgConfesco = new TDBGrid(panClient);
    dbgConfesco->setObjectName(QStringLiteral("dbgConfesco"));
    dbgConfesco->setFrameShape(QFrame::NoFrame);
    setInfoColour(dbgConfesco);
    TColumn& chosen = dbgConfesco->AddColumn(QStringLiteral("IDESCOCONF"), QStringLiteral("✔"), 22);
    QFont tick = dbgConfesco->font();
    tick.setBold(true);
    chosen.TitleFont = tick;
    chosen.TitleAlignment = Qt::AlignCenter;
    chosen.ReadOnly = true;
    chosen.HideText = true;
    dbgConfesco->AddColumn(QStringLiteral("CDTIPOPRAT"), QStringLiteral("Tipo de Prato"), 98)
        .HideText = true;
    dbgConfesco->AddColumn(QStringLiteral("CDPRATO"), QStringLiteral("Prato"), 155).HideText = true;
    dbgConfesco->AddColumn(QStringLiteral("DSOBSCONF"), QStringLiteral("Observação"), 155);
    TColumn& quantity =
        dbgConfesco->AddColumn(QStringLiteral("QTPRATCONF"), QStringLiteral("Quantidade"), 76);
    quantity.TitleAlignment = Qt::AlignRight | Qt::AlignVCenter;
    quantity.Visible = false;
    TColumn& option =
        dbgConfesco->AddColumn(QStringLiteral("IDOPCAOCONF"), QStringLiteral("Opção"), 46);
    option.ReadOnly = true;
    option.HideText = true;
    dbgConfesco->ColumnsChanged();
    dbgConfesco->SetEditing(false);
    dbgConfesco->SetDataSource(dtsConfescoDieta);
    panClient->layout()->addWidget(dbgConfesco);
    setTabOrder(rgpPaciente, dbgConfesco);
}

void TfrmDietaContAlimentar::connectHandlers() {
    onChange(edtCdServico, this, [this] { edtCdServicoChange(); });
    m_focus->onExit(edtCdServico, [this] { edtCdServicoExit(); });
    btnPesqServico->BeforePesq = [this] { btnPesqServicoBeforePesq(); };
    btnPesqServico->AfterPesq = [this] { btnPesqServicoAfterPesq(); };
    onChange(medDieta, this, [this] { medDietaChange(); });
    m_focus->onEnter(medDieta, [this] { medDietaEnter(); });
    m_focus->onExit(medDieta, [this] { medDietaExit(); });
    btpDieta->BeforePesq = [this] { btpDietaBeforePesq(); };
    btpDieta->AfterPesq = [this] { btpDietaAfterPesq(); };

    m_focus->onEnter(dbgConfesco, [this] { dbgConfescoEnter(); });
    dbgConfesco->OnDrawColumnCell = [this](QPainter& p, const QRect& r, int i, TColumn& c,
                                           TField* f, TGridDrawState s) {
        dbgConfescoDrawColumnCell(p, r, i, c, f, s);
    };
    dbgConfesco->OnCellClick = [this](TColumn& c) { dbgConfescoCellClick(c); };
    dbgConfesco->OnColEnter = [this] { dbgConfescoColEnter(); };
    dbgConfesco->OnColExit = [this] { dbgConfescoColExit(); };
    dbgConfesco->OnKeyDown = [this](int& key, Qt::KeyboardModifiers m) {
        dbgConfescoKeyDown(key, m);
    };
    dbgConfesco->OnKeyPress = [this](QChar& key) { dbgConfescoKeyPress(key); };
    dbgConfesco->OnEditButtonClick = [this] { dbgConfescoEditButtonClick(); };
    cdsConfescoDieta->BeforeInsert = [this](TClientDataSet*) { cdsConfescoDietaBeforeInsert(); };
    cdsConfescoDieta->OnNewRecord = [this](TClientDataSet*) { cdsConfescoDietaNewRecord(); };
    cdsConfescoDieta->BeforePost = [this](TClientDataSet*) { cdsConfescoDietaBeforePost(); };
}

// ---------------------------------------------------------------- creation, activation, keys

void TfrmDietaContAlimentar::FormCreate() {
    TfrmRotiGeral::FormCreate();
    cdsConfescoDieta->CreateDataSet();
    const QString dishMask = Vantor::DBPict(1);
    cdsReceitaUtili->FieldByName(u"CDPRATO")->SetEditMask(dishMask);
    cdsConfescoDieta->FieldByName(u"CDPRATO")->SetEditMask(dishMask);
    contracts::ContAlimentar& main = screen();
    boServGrupo = main.grupoMode();
    lblServico->setEnabled(boServGrupo);
    edtCdServico->setEnabled(boServGrupo);
    btnPesqServico->setEnabled(boServGrupo);
    if (boServGrupo) {
        edtCdServico->clear();
    } else {
        edtCdServico->setText(main.servicoCode());
        stTipoServ = main.tipoServico();
    }
}

void TfrmDietaContAlimentar::FormActivate() {
    TfrmRotiGeral::FormActivate();
    repaint();
}

void TfrmDietaContAlimentar::FormKeyDown(int& key, Qt::KeyboardModifiers modifiers) {
    // While the diet code is being typed the menu is closed and the window takes no keys.
    if (cdsConfescoDieta->Active())
        TfrmRotiGeral::FormKeyDown(key, modifiers);
}

} // namespace dieta::Cli_zfa13020
