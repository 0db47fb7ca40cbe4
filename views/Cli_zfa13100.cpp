// The filter window: its groups, lookup sources and catalogue, and its lifetime beside the
// main screen. The handlers are in Cli_zfa13100_filtro.cpp.

#include "views/Cli_zfa13100.h"

#include "contracts/contalimentar.h"
#include "framework/controlevents.h"
#include "framework/dialogservice.h"
#include "framework/tbtnpesquisa.h"
#include "platform/tadoibquery.h"
#include "platform/tclientdataset.h"
#include "platform/tdatasource.h"
#include "platform/tfield.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

namespace dieta::Cli_zfa13100 {

bool boPrimVez = true;
QPointer<TfrmFiltro> frmFiltro;

namespace {

constexpr int kClientWidth = 422;
constexpr int kClientHeight = 143;

TADOIBQuery* query(QObject* owner, const char* name, const QStringList& sql) {
    auto* q = new TADOIBQuery(owner);
    q->setObjectName(QString::fromLatin1(name));
    q->SQL = sql;
    q->SQL_ORACLE = sql;
    q->SQL_MSSQL = sql;
    q->SQL_IB = sql;
    return q;
}

TField* addField(TClientDataSet* ds, const char* name, int size, const char* label,
                 bool required = false) {
    TField* field = ds->AddField(QString::fromLatin1(name), FieldKind::String, size);
    if (label)
        field->SetDisplayLabel(QString::fromUtf8(label));
    field->SetRequired(required);
    return field;
}

TDataSource* dataSource(QObject* owner, const char* name, TClientDataSet* ds) {
    auto* source = new TDataSource(owner);
    source->setObjectName(QString::fromLatin1(name));
    source->SetDataSet(ds);
    return source;
}

// Group captions are bold; what the groups hold is not (a child's font must say so, or it
// inherits the caption's weight).
void boldCaption(QGroupBox* box) {
    QFont bold = box->font();
    bold.setBold(true);
    box->setFont(bold);
    for (QWidget* child : box->findChildren<QWidget*>()) {
        QFont plain = child->font();
        plain.setBold(false);
        child->setFont(plain);
    }
}

} // namespace

TfrmFiltro::TfrmFiltro(QWidget* parent) : TfrmRotiGeral(parent) {
    setObjectName(QStringLiteral("frmFiltro"));
    setWindowTitle(QStringLiteral("Filtro de Controle Alimentar"));
    lblCodTela->setText(QStringLiteral("ZFA13100"));
    HelpContext = 11113100;
    // Only the system menu: no minimise, maximise or help box.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    buildMessages();
    buildQueries();
    buildGroups();
    buildTipo();
    connectHandlers();
    const QSize hint = sizeHint();
    setFixedSize(qMax(kClientWidth, hint.width()),
                 qMax(kClientHeight + panMenu->height(), hint.height()));
}

TfrmFiltro::~TfrmFiltro() {
    if (frmFiltro == this)
        frmFiltro = nullptr;
}

void TfrmFiltro::buildMessages() {
    msgPadrao->setLines({
        "Confi_Inf|Não existe configuração padrão para o serviço informado.",
        "Andar_Inf|Andar deve ser informado.",
        "Ala_Inf|Ala deve ser informada.",
        "Diag_Inf|Diagnóstico deve ser informado.",
        "Padr_Inf|Padrão de internação deve ser informado.",
        "Andar|Andar",
        "Andar_Cad|Não há andar cadastrado.",
        "Ala|Ala",
        "Ala_Cad|Não há ala cadastrada.",
        "Diag|Diagnóstico",
        "Diag_Cad|Não há diagnóstico cadastrado.",
        "Padr|Padrão de Internação",
        "Padr_Cad|Não há padrão de internação cadastrado.",
        "TipoPaci|Tipo de Paciente",
        "Tipo_Inf|Tipo de Paciente deve ser informado.",
        "Tipo_Cad|Não há tipo de paciente cadastrado.",
    });
}

void TfrmFiltro::buildQueries() {
    qryAndar = query(this, "qryAndar",
                     {"SELECT CDANDAR, NMANDAR", "FROM ANDAR", "WHERE (CDFILIAL = :P_CDFILIAL)",
                      "ORDER BY CDANDAR"});
    addField(qryAndar, "CDANDAR", 20, "Código", true);
    addField(qryAndar, "NMANDAR", 40, "Nome");

    qryAla = query(
        this, "qryAla",
        {"SELECT CDALA, NMALA", "FROM ALA", "WHERE (CDFILIAL = :P_CDFILIAL)", "ORDER BY CDALA"});
    addField(qryAla, "CDALA", 12, "Código", true);
    addField(qryAla, "NMALA", 40, "Nome");

    qryPadInter =
        query(this, "qryPadInter",
              {"SELECT CDSERPADDIE, NMSERPADDIE", "FROM PADRAOSERV", "ORDER BY CDSERPADDIE"});
    addField(qryPadInter, "CDSERPADDIE", 3, "Código", true);
    addField(qryPadInter, "NMSERPADDIE", 30, "Nome");

    cdsDiagnost = new TClientDataSet(this);
    cdsDiagnost->setObjectName(QStringLiteral("cdsDiagnost"));
    // The pick list's own mark: its check column stands for it.
    addField(cdsDiagnost, "IDMARCADO", 1, nullptr)->SetVisible(false);
    addField(cdsDiagnost, "CDDIAGNOST", 10, "Código");
    addField(cdsDiagnost, "NMDIAGNOST", 250, "Nome");

    dtsAndar = dataSource(this, "dtsAndar", qryAndar);
    dtsAla = dataSource(this, "dtsAla", qryAla);
    dtsDiag = dataSource(this, "dtsDiag", cdsDiagnost);
    dtsPadInter = dataSource(this, "dtsPadInter", qryPadInter);
}

TGrupoLista TfrmFiltro::buildGroup(const char* box, const QString& caption, const char* todos,
                                   const char* lista, const char* button) {
    TGrupoLista group;
    group.grb = new QGroupBox(caption, panClient);
    group.grb->setObjectName(QString::fromLatin1(box));
    auto* layout = new QGridLayout(group.grb);
    layout->setContentsMargins(8, 4, 6, 4);
    layout->setVerticalSpacing(2);
    group.rbtTodos = new QRadioButton(QStringLiteral("Todos"), group.grb);
    group.rbtTodos->setObjectName(QString::fromLatin1(todos));
    group.rbtTodos->setChecked(true);
    group.rbtLista = new QRadioButton(QStringLiteral("Lista"), group.grb);
    group.rbtLista->setObjectName(QString::fromLatin1(lista));
    group.sbt = new TBtnPesquisa(group.grb);
    group.sbt->setObjectName(QString::fromLatin1(button));
    group.sbt->setToolTip(QStringLiteral("Pesquisar"));
    group.sbt->setEnabled(false);
    // The list buttons pick several codes themselves (PesquisaLista), not one code for an
    // edit: their click runs the group's handler instead of the single-choice lookup.
    QObject::disconnect(group.sbt, &QToolButton::clicked, group.sbt, nullptr);
    layout->addWidget(group.rbtTodos, 0, 0);
    layout->addWidget(group.rbtLista, 1, 0);
    layout->addWidget(group.sbt, 1, 1);
    layout->setColumnStretch(0, 1);
    boldCaption(group.grb);
    return group;
}

void TfrmFiltro::buildGroups() {
    const TGrupoLista andar = buildGroup("grbAndar", QStringLiteral("Andar"), "rbtAndarTodos",
                                         "rbtAndarLista", "sbtAndar");
    grbAndar = andar.grb;
    rbtAndarTodos = andar.rbtTodos;
    rbtAndarLista = andar.rbtLista;
    sbtAndar = andar.sbt;
    const TGrupoLista ala =
        buildGroup("grbAla", QStringLiteral("Ala"), "rbtAlaTodos", "rbtAlaLista", "sbtAla");
    grbAla = ala.grb;
    rbtAlaTodos = ala.rbtTodos;
    rbtAlaLista = ala.rbtLista;
    sbtAla = ala.sbt;
    const TGrupoLista diag = buildGroup("grbDiag", QStringLiteral("Diagnóstico"), "rbtDiagTodos",
                                        "rbtDiagLista", "sbtDiag");
    grbDiag = diag.grb;
    rbtDiagTodos = diag.rbtTodos;
    rbtDiagLista = diag.rbtLista;
    sbtDiag = diag.sbt;
    const TGrupoLista padr = buildGroup("grbPadr", QStringLiteral("Padrão de Internação"),
                                        "rbtPadrTodos", "rbtPadrLista", "sbtPadr");
    grbPadr = padr.grb;
    rbtPadrTodos = padr.rbtTodos;
    rbtPadrLista = padr.rbtLista;
    sbtPadr = padr.sbt;
}

void TfrmFiltro::buildTipo() {
    GroupBox1 = new QGroupBox(QStringLiteral("Tipo de Paciente"), panClient);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    auto* layout = new QGridLayout(GroupBox1);
    layout->setContentsMargins(8, 4, 6, 4);
    layout->setVerticalSpacing(2);
    chbTodos = new QCheckBox(QStringLiteral("Todos"), GroupBox1);
    chbTodos->setObjectName(QStringLiteral("chbTodos"));
    chbTodos->setChecked(true);
    cbbTipo = new QComboBox(GroupBox1);
    cbbTipo->setObjectName(QStringLiteral("cbbTipo"));
    cbbTipo->addItems(
        {"Lactente", "Criança", "Adolescente", "Adulto", "Idoso", "Gestante", "Nutriz", "Atleta"});
    cbbTipo->setEnabled(false);
    layout->addWidget(chbTodos, 0, 0);
    layout->addWidget(cbbTipo, 1, 0);
    layout->setColumnStretch(1, 1);
    boldCaption(GroupBox1);

    // Floor, wing and diagnosis on the first row; standard and patient type below.
    auto* grid = new QGridLayout(panClient);
    grid->setContentsMargins(4, 4, 4, 4);
    grid->setSpacing(4);
    grid->addWidget(grbAndar, 0, 0);
    grid->addWidget(grbAla, 0, 1);
    grid->addWidget(grbDiag, 0, 2);
    grid->addWidget(grbPadr, 1, 0);
    grid->addWidget(GroupBox1, 1, 1, 1, 2);
    for (int column = 0; column < 3; ++column)
        grid->setColumnStretch(column, 1);

    setTabOrder(rbtAndarTodos, rbtAndarLista);
    setTabOrder(rbtAndarLista, rbtAlaTodos);
    setTabOrder(rbtAlaTodos, rbtAlaLista);
    setTabOrder(rbtAlaLista, rbtDiagTodos);
    setTabOrder(rbtDiagTodos, rbtDiagLista);
    setTabOrder(rbtDiagLista, rbtPadrTodos);
    setTabOrder(rbtPadrTodos, rbtPadrLista);
    setTabOrder(rbtPadrLista, chbTodos);
    setTabOrder(chbTodos, cbbTipo);
}

void TfrmFiltro::connectHandlers() {
    // Both radio buttons of a group share the group's handler.
    for (QRadioButton* b : {rbtAndarTodos, rbtAndarLista})
        onClick(b, this, [this] { rbtAndarTodosClick(); });
    for (QRadioButton* b : {rbtAlaTodos, rbtAlaLista})
        onClick(b, this, [this] { rbtAlaTodosClick(); });
    for (QRadioButton* b : {rbtDiagTodos, rbtDiagLista})
        onClick(b, this, [this] { rbtDiagTodosClick(); });
    for (QRadioButton* b : {rbtPadrTodos, rbtPadrLista})
        onClick(b, this, [this] { rbtPadrTodosClick(); });
    onClick(chbTodos, this, [this] { chbTodosClick(); });
    onClick(sbtAndar, this, [this] { sbtAndarClick(); });
    onClick(sbtAla, this, [this] { sbtAlaClick(); });
    onClick(sbtDiag, this, [this] { sbtDiagClick(); });
    onClick(sbtPadr, this, [this] { sbtPadrClick(); });
}

void CriaFiltroCont() {
    contracts::ContAlimentar* screen = contracts::frmContAlimentar;
    if (!screen)
        return;
    if (!screen->filtroCriado() || !frmFiltro) {
        delete frmFiltro;
        QWidget* owner = screen->widget();
        frmFiltro = new TfrmFiltro(owner ? owner->window() : nullptr);
        frmFiltro->FormCreate();
        screen->setFiltroCriado(true);
    }
    dialogs().execDialog(*frmFiltro);
}

void LiberaFiltro() {
    delete frmFiltro;
    frmFiltro = nullptr;
}

} // namespace dieta::Cli_zfa13100
