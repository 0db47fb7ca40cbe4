// The copy window: its dates, scope groups, options, copying panel, error list, datasets,
// lookup queries and catalogue. The handlers are in Cli_zfa13010_escopo.cpp (scope) and
// Cli_zfa13010_copia.cpp (the copy).

#include "dialogs/Cli_zfa13010.h"

#include "framework/controlevents.h"
#include "framework/focusorder.h"
#include "framework/tanimate.h"
#include "framework/tbtnpesquisa.h"
#include "framework/tdateeditplus.h"
#include "framework/tdbgrid.h"
#include "platform/tadoibquery.h"
#include "platform/tclientdataset.h"
#include "platform/tdatasource.h"
#include "platform/tfield.h"

#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QRadioButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace dieta::Cli_zfa13010 {

TfrmCopConf* frmCopConf = nullptr;
bool boPrimVez = true;

namespace {

constexpr int kLargura = 470;

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
                 int displayWidth = 0) {
    TField* field = ds->AddField(QString::fromLatin1(name), FieldKind::String, size);
    if (label)
        field->SetDisplayLabel(QString::fromUtf8(label));
    if (displayWidth > 0)
        field->SetDisplayWidth(displayWidth);
    return field;
}

TClientDataSet* dataSet(QObject* owner, const char* name) {
    auto* ds = new TClientDataSet(owner);
    ds->setObjectName(QString::fromLatin1(name));
    return ds;
}

TDataSource* dataSource(QObject* owner, const char* name, TClientDataSet* ds) {
    auto* source = new TDataSource(owner);
    source->setObjectName(QString::fromLatin1(name));
    source->SetDataSet(ds);
    return source;
}

QFont bold(QFont font, bool on = true) {
    font.setBold(on);
    return font;
}

struct Group {
    QGroupBox* box;
    QRadioButton* todos;
    QRadioButton* lista;
    TBtnPesquisa* button;
};

// A scope group: "Todos" (checked), "Lista" and the lookup button, disabled until "Lista".
// The caption is bold, its contents are not.
Group scopeGroup(QWidget* parent, const QString& caption, const char* box, const char* todos,
                 const char* lista, const char* button) {
    Group g;
    g.box = new QGroupBox(caption, parent);
    g.box->setObjectName(QString::fromLatin1(box));
    g.box->setFont(bold(g.box->font()));
    auto* layout = new QGridLayout(g.box);
    layout->setContentsMargins(8, 2, 6, 4);
    layout->setVerticalSpacing(1);
    g.todos = new QRadioButton(QStringLiteral("Todos"), g.box);
    g.todos->setObjectName(QString::fromLatin1(todos));
    g.todos->setChecked(true);
    g.lista = new QRadioButton(QStringLiteral("Lista"), g.box);
    g.lista->setObjectName(QString::fromLatin1(lista));
    g.button = new TBtnPesquisa(g.box);
    g.button->setObjectName(QString::fromLatin1(button));
    g.button->setToolTip(QStringLiteral("Pesquisar"));
    g.button->setEnabled(false);
    // These buttons pick a list of codes (PesquisaLista), not one code for an edit: the
    // single-choice lookup of the button gives way to the group's handler.
    QObject::disconnect(g.button, &QToolButton::clicked, g.button, nullptr);
    // A child's font must say it is not bold, or it inherits the caption's weight.
    for (QWidget* w : {static_cast<QWidget*>(g.todos), static_cast<QWidget*>(g.lista)})
        w->setFont(bold(w->font(), false));
    layout->addWidget(g.todos, 0, 0);
    layout->addWidget(g.lista, 1, 0);
    layout->addWidget(g.button, 1, 1);
    layout->setColumnStretch(0, 1);
    return g;
}

} // namespace

TfrmCopConf::TfrmCopConf(QWidget* parent) : TfrmRotiGeral(parent) {
    setObjectName(QStringLiteral("frmCopConf"));
    setWindowTitle(QStringLiteral("Copia Dieta Oral"));
    lblCodTela->setText(QStringLiteral("ZFA13010"));
    HelpContext = 11113010;
    sbtVisualizaErro =
        AddToolButton(QStringLiteral("sbtVisualizaErro"), QStringLiteral("Visualizar Erro"));
    sbtVisualizaErro->setText(QString());
    sbtVisualizaErro->setIcon(style()->standardIcon(QStyle::SP_FileDialogDetailedView));
    sbtVisualizaErro->setEnabled(false);
    buildMessages();
    buildDataSets();
    buildQueries();

    auto* client = new QVBoxLayout(panClient);
    client->setContentsMargins(0, 0, 0, 0);
    client->setSpacing(0);
    m_top = new QWidget(panClient);
    m_top->setObjectName(QStringLiteral("panEscopo"));
    m_top->setFixedHeight(kAlturaNormal - panMenu->height());
    auto* grid = new QGridLayout(m_top);
    grid->setContentsMargins(6, 6, 6, 6);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(4);
    buildDates(grid);
    buildGroups(grid);
    buildOptions(grid);
    grid->setRowStretch(4, 1);
    client->addWidget(m_top);
    buildErrorList();
    client->addWidget(panErro, 1);
    buildCopyPanel();
    connectHandlers();
    setFixedWidth(kLargura);
    SetAltura(kAlturaNormal);
}

TfrmCopConf::~TfrmCopConf() {
    if (frmCopConf == this)
        frmCopConf = nullptr;
}

void TfrmCopConf::buildMessages() {
    msgPadrao->setLines({
        "DtOri_Inf|Data de origem deve ser informada.",
        "DtDest_Inf|Data de destino deve ser informada.",
        "DtOrDst|Data de destino deve ser diferente da data de origem.",
        "Dest_Inv|Data de origem deve ser menor ou igual a data de destino.",
        "Serv_Inf|Serviço deve ser informado.",
        "Andar_Inf|Andar deve ser informado.",
        "Ala_Inf|Ala deve ser informada.",
        "Leito_Inf|Leito deve ser informado.",
        "Paci_Inf|Paciente deve ser informado.",
        "CONF_COPIA|Existem dietas lançadas para a data de destino. Deseja Continuar?",
        "Copia_Sucesso|A cópia do cardápio foi realizada com sucesso.",
        "NExist_Conf|Não existe nenhuma configuração.",
        "Copia_Alta|Pacientes não copiados por terem tido alta antes da data de destino:",
        "Copia_Parcial|A cópia do cardápio foi realizada para os demais pacientes.",
        "Paci_Alta|%1 - %2 (alta em %3)",
        "Paciente|Paciente (Internado)",
        "Paciente_Cad|Não há paciente (internado) cadastrado.",
        "Serv|Serviço",
        "Serv_Cad|Não há serviço cadastrado.",
        "Andar|Andar",
        "Andar_Cad|Não há andar cadastrado.",
        "Ala|Ala",
        "Ala_Cad|Não há ala cadastrada.",
        "Leito|Leito",
        "Leito_Cad|Não existe leito cadastrado para andar/ala informado.",
    });
}

void TfrmCopConf::buildDataSets() {
    cdsPaciente = dataSet(this, "cdsPaciente");
    // The pick list's own mark: its check column stands for it.
    addField(cdsPaciente, "IDMARCADO", 1, nullptr)->SetVisible(false);
    addField(cdsPaciente, "CDPACIENTE", 12, "Código", 15);
    addField(cdsPaciente, "NMPACIENTE", 80, "Nome");
    dtsPaciente = dataSource(this, "dtsPaciente", cdsPaciente);

    cdsVdCopia = dataSet(this, "cdsVdCopia");
    addField(cdsVdCopia, "CDPACIENTE", 12, nullptr);

    cdsErroCopia = dataSet(this, "cdsErroCopia");
    addField(cdsErroCopia, "NMSERVFILI", 200, "Serviço", 30);
    addField(cdsErroCopia, "DSDIETPAD", 200, "Dieta", 30);
    dtsErroCopia = dataSource(this, "dtsErroCopia", cdsErroCopia);
}

void TfrmCopConf::buildQueries() {
    qryAndar = query(this, "qryAndar",
                     {"SELECT CDANDAR, NMANDAR", "FROM ANDAR", "WHERE (CDFILIAL = :P_CDFILIAL)",
                      "ORDER BY CDANDAR"});
    addField(qryAndar, "CDANDAR", 20, "Código", 15);
    addField(qryAndar, "NMANDAR", 40, "Nome", 35);

    qryAla = query(
        this, "qryAla",
        {"SELECT CDALA, NMALA", "FROM ALA", "WHERE (CDFILIAL = :P_CDFILIAL)", "ORDER BY CDALA"});
    addField(qryAla, "CDALA", 12, "Código");
    addField(qryAla, "NMALA", 40, "Nome");

    const QStringList servico = {
        "SELECT CDFILIAL, CDSERVFILI, NMSERVICO",
        "  FROM SERVICO",
        " WHERE (CDFILIAL   = :P_CDFILIAL)",
        "   AND (IDTIPOSERV IN ('A','D','N'))",
        "   AND (IDTPSERVHOSP IS NULL OR IDTPSERVHOSP NOT IN('1', '2'))",
        "   AND EXISTS (SELECT CDGRUPSERV",
        "                 FROM GRUPSERV",
        "                WHERE ((GRUPSERV.CDGRUPSERV = :P_CDGRUPSERV) or ('T' = :P_TCDGRUPSERV))",
        "                  AND GRUPSERV.CDGRUPSERV = SERVICO.CDGRUPSERV)",
        " ORDER BY CDSERVFILI"};
    QStringList servicoOracle = servico;
    servicoOracle[5] = "   AND EXISTS (SELECT 1";
    servicoOracle[7] =
        "                WHERE ((CDGRUPSERV = :P_CDGRUPSERV) or ('T' = :P_TCDGRUPSERV))";
    qryServico = query(this, "qryServico", servico);
    qryServico->SQL_ORACLE = servicoOracle;
    qryServico->SQL_IB = servicoOracle;
    addField(qryServico, "CDFILIAL", 4, nullptr)->SetVisible(false);
    addField(qryServico, "CDSERVFILI", 5, "Código");
    addField(qryServico, "NMSERVICO", 40, "Nome");

    const QStringList leito = {
        "SELECT CDLEITO, NMLEITO",
        "FROM LEITO",
        "WHERE (CDFILIAL = :P_CDFILIAL) AND",
        "      ((INSTR(:P_CDALA, '_'||LEITO.CDALA||'_') <> 0) OR :P_TCDALA = 'T') AND",
        "      ((INSTR(:P_CDANDAR, '_'||LEITO.CDANDAR||'_') <> 0) OR :P_TCDANDAR = 'T')",
        "ORDER BY CDLEITO"};
    QStringList leitoMssql = leito;
    leitoMssql[3] =
        "      ((CHARINDEX('_' + LEITO.CDALA + '_', :P_CDALA) <> 0) OR :P_TCDALA = 'T') AND";
    leitoMssql[4] =
        "      ((CHARINDEX('_' + LEITO.CDANDAR + '_', :P_CDANDAR) <> 0) OR :P_TCDANDAR = 'T')";
    const QStringList leitoIb = {
        "SELECT CDLEITO, NMLEITO",
        "FROM LEITO, PARAM(:P_CDALA) P1, PARAM(:P_TCDALA) P2, PARAM(:P_CDANDAR) P3,",
        "     PARAM(:P_TCDANDAR) P4",
        "WHERE (CDFILIAL = :P_CDFILIAL) AND",
        "      ((INSTR(P1.PARAM, '_'||LEITO.CDALA||'_') <> 0) OR P2.PARAM = 'T') AND",
        "      ((INSTR(P3.PARAM, '_'||LEITO.CDANDAR||'_') <> 0) OR P4.PARAM = 'T')",
        "ORDER BY CDLEITO"};
    qryLeito = query(this, "qryLeito", leito);
    qryLeito->SQL_MSSQL = leitoMssql;
    qryLeito->SQL_IB = leitoIb;
    addField(qryLeito, "CDLEITO", 12, "Código");
    addField(qryLeito, "NMLEITO", 40, "Nome");

    dtsServico = dataSource(this, "dtsServico", qryServico);
    dtsAndar = dataSource(this, "dtsAndar", qryAndar);
    dtsAla = dataSource(this, "dtsAla", qryAla);
    dtsLeito = dataSource(this, "dtsLeito", qryLeito);
}

void TfrmCopConf::buildDates(QGridLayout* grid) {
    auto* row = new QHBoxLayout;
    row->setSpacing(6);
    auto date = [&](QLabel*& label, TDateEditPlus*& edit, const char* labelName,
                    const char* editName, const QString& caption) {
        label = new QLabel(caption, m_top);
        label->setObjectName(QString::fromLatin1(labelName));
        label->setFont(bold(label->font()));
        edit = new TDateEditPlus(m_top);
        edit->setObjectName(QString::fromLatin1(editName));
        edit->setFixedWidth(96);
        label->setBuddy(edit);
        row->addWidget(label);
        row->addWidget(edit);
    };
    date(lblOrigem, depOrigem, "lblOrigem", "depOrigem", QStringLiteral("Data de Origem"));
    row->addSpacing(12);
    date(lblDestino, depDestino, "lblDestino", "depDestino", QStringLiteral("Data de Destino"));
    row->addStretch(1);
    grid->addLayout(row, 0, 0, 1, 3);
}

void TfrmCopConf::buildGroups(QGridLayout* grid) {
    auto group = [this](const QString& caption, const char* box, const char* todos,
                        const char* lista, const char* button, QGroupBox*& grb,
                        QRadioButton*& rbtTodos, QRadioButton*& rbtLista, TBtnPesquisa*& sbt) {
        const Group g = scopeGroup(m_top, caption, box, todos, lista, button);
        grb = g.box;
        rbtTodos = g.todos;
        rbtLista = g.lista;
        sbt = g.button;
    };
    group(QStringLiteral("Serviço"), "grbServ", "rbtTServ", "rbtLServ", "sbtServ", grbServ,
          rbtTServ, rbtLServ, sbtServ);
    group(QStringLiteral("Andar"), "grbAndar", "rbtTAndar", "rbtLAndar", "sbtAndar", grbAndar,
          rbtTAndar, rbtLAndar, sbtAndar);
    group(QStringLiteral("Ala"), "grbAla", "rbtTAla", "rbtLAla", "sbtAla", grbAla, rbtTAla, rbtLAla,
          sbtAla);
    group(QStringLiteral("Leito"), "grbLeito", "rbtTLeito", "rbtLLeito", "sbtLeito", grbLeito,
          rbtTLeito, rbtLLeito, sbtLeito);
    group(QStringLiteral("Paciente (Internado)"), "grbPaciente", "rbtTPaci", "rbtLPaci", "sbtPaci",
          grbPaciente, rbtTPaci, rbtLPaci, sbtPaci);

    grid->addWidget(grbServ, 1, 0);
    grid->addWidget(grbAndar, 1, 1);
    grid->addWidget(grbAla, 1, 2);
    grid->addWidget(grbLeito, 2, 0);
    grid->addWidget(grbPaciente, 2, 1);
    for (int column = 0; column < 3; ++column)
        grid->setColumnStretch(column, 1);
}

void TfrmCopConf::buildOptions(QGridLayout* grid) {
    auto* box = new QWidget(m_top);
    box->setObjectName(QStringLiteral("panOpcoes"));
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(4, 8, 0, 0);
    chbSobre = new QCheckBox(QStringLiteral("Sobrepor Dieta"), box);
    chbSobre->setObjectName(QStringLiteral("chbSobre"));
    chbSobre->setFont(bold(chbSobre->font()));
    chbDietaEspecial = new QCheckBox(QStringLiteral("Copiar Dieta Especial"), box);
    chbDietaEspecial->setObjectName(QStringLiteral("chbDietaEspecial"));
    chbDietaEspecial->setFont(bold(chbDietaEspecial->font()));
    chbDietaEspecial->setChecked(true);
    layout->addWidget(chbSobre);
    layout->addWidget(chbDietaEspecial);
    layout->addStretch(1);
    grid->addWidget(box, 2, 2);

    setTabOrder(depOrigem, depDestino);
    setTabOrder(depDestino, rbtTServ);
    QWidget* previous = rbtTServ;
    for (QWidget* w : std::initializer_list<QWidget*>{rbtLServ, rbtTAndar, rbtLAndar, rbtTAla,
                                                      rbtLAla, rbtTLeito, rbtLLeito, rbtTPaci,
                                                      rbtLPaci, chbSobre, chbDietaEspecial}) {
        setTabOrder(previous, w);
        previous = w;
    }
}

void TfrmCopConf::buildCopyPanel() {
    // Floats over the scope while the server copies.
    panCopia = new QFrame(m_top);
    panCopia->setObjectName(QStringLiteral("panCopia"));
    panCopia->setFrameShape(QFrame::Panel);
    panCopia->setFrameShadow(QFrame::Raised);
    panCopia->setAutoFillBackground(true);
    auto* layout = new QVBoxLayout(panCopia);
    layout->setContentsMargins(8, 8, 8, 8);
    lblCopia = new QLabel(QStringLiteral("Copiando as Configurações..."), panCopia);
    lblCopia->setObjectName(QStringLiteral("lblCopia"));
    lblCopia->setFont(bold(lblCopia->font()));
    lblCopia->setAlignment(Qt::AlignCenter);
    anmCop = new TAnimate(panCopia);
    anmCop->setObjectName(QStringLiteral("anmCop"));
    anmCop->SetCommonAVI(TAnimate::aviCopyFiles);
    anmCop->setFixedSize(anmCop->sizeHint());
    layout->addWidget(lblCopia);
    layout->addWidget(anmCop, 0, Qt::AlignHCenter);
    panCopia->adjustSize();
    panCopia->hide();
}

void TfrmCopConf::buildErrorList() {
    panErro = new QWidget(panClient);
    panErro->setObjectName(QStringLiteral("panErro"));
    auto* layout = new QVBoxLayout(panErro);
    layout->setContentsMargins(6, 0, 6, 6);
    layout->setSpacing(2);
    Label4 = new QLabel(QStringLiteral("Não existe cardápio cadastrado para:"), panErro);
    Label4->setObjectName(QStringLiteral("Label4"));
    dbgErroCopia = new TDBGrid(panErro);
    dbgErroCopia->setObjectName(QStringLiteral("dbgErroCopia"));
    dbgErroCopia->SetDataSource(dtsErroCopia);
    dbgErroCopia->setEditTriggers(QAbstractItemView::NoEditTriggers);
    dbgErroCopia->setSelectionBehavior(QAbstractItemView::SelectRows);
    dbgErroCopia->verticalHeader()->hide();
    dbgErroCopia->AddColumn(QStringLiteral("NMSERVFILI"), QString(), 136);
    dbgErroCopia->AddColumn(QStringLiteral("DSDIETPAD"), QString(), 151);
    dbgErroCopia->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(Label4);
    layout->addWidget(dbgErroCopia, 1);
}

void TfrmCopConf::connectHandlers() {
    // Both radio buttons of a group share the group's handler.
    const std::pair<std::pair<QRadioButton*, QRadioButton*>, void (TfrmCopConf::*)()> radios[] = {
        {{rbtTServ, rbtLServ}, &TfrmCopConf::rbtTServClick},
        {{rbtTAndar, rbtLAndar}, &TfrmCopConf::rbtTAndarClick},
        {{rbtTAla, rbtLAla}, &TfrmCopConf::rbtTAlaClick},
        {{rbtTLeito, rbtLLeito}, &TfrmCopConf::rbtTLeitoClick},
        {{rbtTPaci, rbtLPaci}, &TfrmCopConf::rbtTPaciClick}};
    for (const auto& [buttons, handler] : radios)
        for (QRadioButton* b : {buttons.first, buttons.second})
            onClick(b, this, [this, h = handler] { (this->*h)(); });
    const std::pair<QToolButton*, void (TfrmCopConf::*)()> lookups[] = {
        {sbtServ, &TfrmCopConf::sbtServClick},
        {sbtAndar, &TfrmCopConf::sbtAndarClick},
        {sbtAla, &TfrmCopConf::sbtAlaClick},
        {sbtLeito, &TfrmCopConf::sbtLeitoClick},
        {sbtPaci, &TfrmCopConf::sbtPaciClick},
        {sbtVisualizaErro, &TfrmCopConf::sbtVisualizaErroClick}};
    for (const auto& [button, handler] : lookups)
        onClick(button, this, [this, h = handler] { (this->*h)(); });

    auto* focus = new FocusOrder(this);
    focus->onExit(depOrigem, [this] { depOrigemExit(); });
    focus->onExit(depDestino, [this] { depDestinoExit(); });
}

void TfrmCopConf::SetAltura(int altura) {
    m_altura = altura;
    panErro->setVisible(altura == kAlturaErro);
    setFixedHeight(altura);
}

} // namespace dieta::Cli_zfa13010
