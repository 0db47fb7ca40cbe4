#include "screen/Cli_zfa13000.h"

#include "contracts/hostapplication.h"
#include "framework/abortguard.h"
#include "framework/controlevents.h"
#include "framework/dbcontrols.h"
#include "framework/focusorder.h"
#include "framework/tbtnpesquisa.h"
#include "framework/tdateeditplus.h"
#include "framework/tdbgrid.h"
#include "framework/tmaskedit.h"
#include "framework/tnumberedit.h"
#include "framework/toolbartwin.h"
#include "platform/tclientdataset.h"
#include "platform/tdatasource.h"

#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPainter>
#include <QPixmap>
#include <QStackedWidget>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

// The toolbar's icons are resources of the static core, which the linker may leave out of a
// program that never names them: they are registered by hand.
static void registerToolbarIcons() {
    Q_INIT_RESOURCE(toolbaricons);
}

namespace dieta::Cli_zfa13000 {

TfrmContAlimentar* frmContAlimentar = nullptr;
bool bostcriado = false;
bool boPriVez = true;
bool boCheck = true;
QStringList* stlCheck = nullptr;
QString stPath;

void Initialization() {
    bostcriado = false;
    boPriVez = true;
    boCheck = true;
}

void Finalization() {
    stPath.clear();
}

namespace {

QLineEdit* readOnlyEdit(QWidget* parent, const char* name, int x, int y, int width) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    // Shows what the codes name: never typed into, even when the panel's children are enabled.
    edit->setReadOnly(true);
    edit->setFocusPolicy(Qt::NoFocus);
    QPalette grey = edit->palette();
    grey.setColor(QPalette::Base, grey.color(QPalette::Button));
    edit->setPalette(grey);
    edit->setEnabled(false);
    edit->setGeometry(x, y, width, 21);
    return edit;
}

QLabel* label(QWidget* parent, const char* name, const QString& caption, int x, int y) {
    auto* l = new QLabel(caption, parent);
    l->setObjectName(name);
    l->move(x, y + 3);
    return l;
}

QToolButton* speedButton(QWidget* parent, const char* name, const QString& hint,
                         Qt::ArrowType arrow) {
    auto* b = new QToolButton(parent);
    b->setObjectName(name);
    b->setToolTip(hint);
    b->setArrowType(arrow);
    b->setAutoRaise(true);
    b->setFocusPolicy(Qt::NoFocus);
    b->resize(21, 21);
    return b;
}

void setInfoColour(QWidget* edit) {
    // clInfoBk: the pale yellow of the fields the operator must fill.
    QPalette p = edit->palette();
    p.setColor(QPalette::Base, QColor(255, 255, 225));
    edit->setPalette(p);
}

// The designed column widths are pixels of a font whose characters average 5 pixels.
constexpr double kDesignCharWidth = 5.0;

int titleWidth(const TDBGrid* grid, const TColumn& column) {
    if (!column.TitlePicture.isNull())
        return column.TitlePicture.width() + 12;
    const QFont font = column.TitleFont.value_or(grid->horizontalHeader()->font());
    return QFontMetrics(font).horizontalAdvance(column.Title) + 16;
}

// Each text column shows as many characters of the font in use as it was designed for, and
// never less than its title; picture columns keep their pixels.
void fitColumns(TDBGrid* grid) {
    for (int i = 0; i < grid->ColumnCount(); ++i) {
        TColumn& column = grid->Column(i);
        const int cells =
            column.HideText ? column.Width : grid->WidthForChars(column.Width / kDesignCharWidth);
        column.Width = qMax(cells, titleWidth(grid, column));
    }
    grid->ColumnsChanged();
}

// The icons are black shapes: a disabled button shows its shape faint, as the base buttons do.
QIcon toolbarIcon(const QString& path) {
    const QPixmap normal(path);
    QPixmap faint(normal.size());
    faint.fill(Qt::transparent);
    QPainter painter(&faint);
    painter.setOpacity(0.3);
    painter.drawPixmap(0, 0, normal);
    painter.end();
    QIcon icon(normal);
    icon.addPixmap(faint, QIcon::Disabled);
    return icon;
}

} // namespace

TfrmContAlimentar::TfrmContAlimentar(QWidget* parent) : TfrmPadrao(parent) {
    setObjectName("frmContAlimentar");
    setWindowTitle(QStringLiteral("Dieta Oral"));
    resize(729, 385);
    HelpContext = 11113000;
    lblCodTela->setText(QStringLiteral("ZFA13000"));
    pgcPadrao->setTabText(pgcPadrao->indexOf(tshFolhaDados), QStringLiteral("Controle Alimentar"));
    pgcPadrao->setTabText(pgcPadrao->indexOf(tshFormulario), QStringLiteral("Cardápio"));
    mnuFolhaDados->setText(QStringLiteral("Controle &Alimentar"));
    mnuFormulario->setText(QStringLiteral("Car&dápio"));

    m_focus = new FocusOrder(this);
    buildMessages();
    buildPictures();
    buildDataSets();
    buildQueries();
    buildToolbar();
    buildSelectionPanel();
    buildListGrid();
    buildMenuPage();
    buildNavigator();
    connectHandlers();
    contracts::frmContAlimentar = this;
}

TfrmContAlimentar::~TfrmContAlimentar() {
    // The datasets die after the buttons their state handlers set.
    dtsInternacao->OnStateChange = nullptr;
    dtsPadrao->OnStateChange = nullptr;
    if (frmContAlimentar == this)
        frmContAlimentar = nullptr;
    if (contracts::frmContAlimentar == this)
        contracts::frmContAlimentar = nullptr;
}

void TfrmContAlimentar::buildToolbar() {
    N1 = AddMenuSeparator("N1");
    auto twin = [this](QToolButton*& button, QAction*& item, const char* buttonName,
                       const char* itemName, const QString& hint, const QString& caption,
                       const QKeySequence& key) {
        item = AddMenuItem(itemName, caption, key);
        button = AddToolButton(buttonName, hint, item);
    };
    twin(sbtDieta, mnuDieta, "sbtDieta", "mnuDieta", "Dieta", "&Dieta", Qt::Key_F8);
    twin(sbtFiltro, mnuFiltro, "sbtFiltro", "mnuFiltro", "Filtrar", "&Filtrar",
         QKeySequence("Ctrl+L"));
    twin(sbtCopConf, mnuCopConf, "sbtCopConf", "mnuCopConf", "Copiar Dieta Oral",
         "Copia&r Dieta Oral", QKeySequence("Ctrl+C"));
    twin(sbtPresDiet, mnuPresDiet, "sbtPresDiet", "mnuPresDiet", "Copiar Prescrição Dietética",
         "Copiar Prescrição Die&tética", QKeySequence("Ctrl+T"));
    twin(sbtDupDieta, mnuDupDieta, "sbtDupDieta", "mnuDupDieta", "Acrescentar/Duplicar Dieta",
         "Acrescentar/Duplicar Dieta", QKeySequence("Ctrl+N"));
    twin(sbtCalcNutr, mnuCalcNutr, "sbtCalcNutr", "mnuCalcNutr", "Calcular Nutriente",
         "Calcular N&utriente", QKeySequence("Ctrl+U"));
    twin(sbtRestricao, mnuRestricao, "sbtRestricao", "mnuRestricao",
         "Verificar Restrição/Intolerância/Medicamento",
         "&Verificar Restrição/Intolerância/Medicamento", QKeySequence("Ctrl+V"));
    twin(sbtCalcPresDieta, mnuCalcPresDieta, "sbtCalcPresDieta", "mnuCalcPresDieta",
         "Calcular Prescrição de Dieta", "Ca&lcular Prescrição de Dieta", QKeySequence("Ctrl+R"));
    registerToolbarIcons();
    const std::pair<QToolButton*, const char*> icons[] = {
        {sbtDieta, "dieta"},         {sbtFiltro, "filtro"},
        {sbtCopConf, "copconf"},     {sbtPresDiet, "presdiet"},
        {sbtDupDieta, "dupdieta"},   {sbtCalcNutr, "calcnutr"},
        {sbtRestricao, "restricao"}, {sbtCalcPresDieta, "calcpresdieta"}};
    for (const auto& [button, name] : icons)
        button->setIcon(toolbarIcon(QStringLiteral(":/toolbar/%1.png").arg(QLatin1String(name))));
    mnuCalcPresDieta->setStatusTip(QStringLiteral("ZFA80000"));
    mnuCalcPresDieta->setToolTip(QStringLiteral("ZFA80000"));

    for (QToolButton* b :
         {sbtCopConf, sbtPresDiet, sbtDupDieta, sbtCalcNutr, sbtRestricao, sbtImprimir})
        b->setEnabled(false);
    for (QAction* a : {mnuIncluir, mnuAlterar, mnuExcluir, mnuProcurar, mnuVerificar, mnuLinha3,
                       mnuCancelar, mnuListagem, mnuConfigImpressora})
        a->setEnabled(false);
}

void TfrmContAlimentar::buildSelectionPanel() {
    panPrin = new QFrame(this);
    panPrin->setObjectName("panPrin");
    panPrin->setFixedHeight(60);
    panPrin->setFrameShape(QFrame::StyledPanel);
    panPrin->setFocusPolicy(Qt::NoFocus);
    formLayout()->insertWidget(formLayout()->indexOf(panMenu) + 1, panPrin);

    lblFilial = label(panPrin, "lblFilial", QStringLiteral("Filial"), 8, 6);
    medCdFilial = new TMaskEdit(QStringLiteral(">aaaa;0; "), panPrin);
    medCdFilial->setObjectName("medCdFilial");
    medCdFilial->setGeometry(60, 6, 54, 21);
    setInfoColour(medCdFilial);
    btnFilial = new TBtnPesquisa(panPrin);
    btnFilial->setObjectName("btnFilial");
    btnFilial->setGeometry(117, 6, 21, 21);
    btnFilial->SetTitle(QStringLiteral("Filial|Não há filial cadastrada."));
    btnFilial->SetDataSource(dtsFilial);
    btnFilial->SetEdit(medCdFilial);
    edtNmFilial = readOnlyEdit(panPrin, "edtNmFilial", 142, 6, 263);

    cmbServGrupo = new QComboBox(panPrin);
    cmbServGrupo->setObjectName("cmbServGrupo");
    cmbServGrupo->addItems({QStringLiteral("Serviço"), QStringLiteral("Grupo")});
    cmbServGrupo->setGeometry(6, 32, 80, 21);
    lblServGrupo = label(panPrin, "lblServGrupo", QStringLiteral("Serviço"), 89, 32);
    QFont bold = lblServGrupo->font();
    bold.setBold(true);
    lblServGrupo->setFont(bold);
    medCdServico = new TMaskEdit(QStringLiteral("ccccc;0; "), panPrin);
    medCdServico->setObjectName("medCdServico");
    setInfoColour(medCdServico);
    btnPesqServGrupo = new TBtnPesquisa(panPrin);
    btnPesqServGrupo->setObjectName("btnPesqServGrupo");
    btnPesqServGrupo->SetTitle(QStringLiteral("Serviço|Não há serviço hospitalar cadastrado."));
    btnPesqServGrupo->SetDataSource(dtsServico);
    btnPesqServGrupo->SetEdit(medCdServico);
    edtNmServico = readOnlyEdit(panPrin, "edtNmServico", 225, 32, 180);

    lblData = label(panPrin, "lblData", QStringLiteral("Data"), 410, 32);
    sbtOntem = speedButton(panPrin, "sbtOntem", QStringLiteral("Dia Anterior"), Qt::LeftArrow);
    depData = new TDateEditPlus(panPrin);
    depData->setObjectName("depData");
    // The edit's default: the day the window opens.
    depData->SetDate(QDate::currentDate());
    setInfoColour(depData);
    sbtAmanha = speedButton(panPrin, "sbtAmanha", QStringLiteral("Dia Posterior"), Qt::RightArrow);
    edtDia = readOnlyEdit(panPrin, "edtDia", 596, 32, 110);

    // Hidden holders of the two code masks the service edit switches between.
    medMaskServ = new TMaskEdit(QStringLiteral("ccccc;0; "), panPrin);
    medMaskServ->setObjectName("medMaskServ");
    medMaskServ->hide();
    medMaskGrup = new TMaskEdit(QStringLiteral("ccc;0; "), panPrin);
    medMaskGrup->setObjectName("medMaskGrup");
    medMaskGrup->hide();

    setServGrupoLayout(false);
    // Tab order of the panel: branch, mode, code, date.
    setTabOrder(medCdFilial, cmbServGrupo);
    setTabOrder(cmbServGrupo, medCdServico);
    setTabOrder(medCdServico, depData);
}

void TfrmContAlimentar::setServGrupoLayout(bool grupo) {
    const int shift = grupo ? 50 : 0;
    medCdServico->setGeometry(143 + shift, 32, 54, 21);
    btnPesqServGrupo->setGeometry(200 + shift, 32, 21, 21);
    edtNmServico->move(225 + shift, 32);
    lblData->move(410 + shift, 35);
    sbtOntem->move(445 + shift, 32);
    depData->setGeometry(469 + shift, 32, 100, 21);
    sbtAmanha->move(572 + shift, 32);
    edtDia->move(596 + shift, 32);
}

void TfrmContAlimentar::buildListGrid() {
    dbgPadrao->SetDataSource(dtsInternacao);
    dbgPadrao->setObjectName("dbgPadrao");
    // The tick of the title is the cells' own picture: no symbol font is needed.
    TColumn& check = dbgPadrao->AddColumn("IDCHECK", QStringLiteral("4"), 25);
    check.TitlePicture = imgCheck;
    check.TitleAlignment = Qt::AlignCenter;
    check.ReadOnly = true;
    check.HideText = true;
    dbgPadrao->AddColumn("NMPACIENTE", QStringLiteral("Paciente"), 102).ReadOnly = true;
    dbgPadrao->AddColumn("Idade", QStringLiteral("Idade"), 47).ReadOnly = true;
    dbgPadrao->AddColumn("NMSERPADDIE", QStringLiteral("Pad.Internação"), 78).ReadOnly = true;
    dbgPadrao->AddColumn("CDLEITO", QStringLiteral("Leito"), 42).ReadOnly = true;
    dbgPadrao->AddColumn("DiagInter", QStringLiteral("Diagnóstico"), 61).ReadOnly = true;
    TColumn& diet = dbgPadrao->AddColumn("CDDIETPAD", QStringLiteral("Cód. Dieta"), 100);
    diet.DisplayField = QStringLiteral("DSDIETPAD");
    diet.ButtonStyle = TColumnButtonStyle::cbsNone;
    dbgPadrao->AddColumn("STPACIACOM", QStringLiteral("Pac/Acomp"), 76).ReadOnly = true;
    TColumn& rest = dbgPadrao->AddColumn("IDRESTSERIN", QStringLiteral(" "), 22);
    rest.ReadOnly = true;
    rest.HideText = true;
    TColumn& print = dbgPadrao->AddColumn("IDIMPRSERV", QStringLiteral(" "), 22);
    print.ReadOnly = true;
    print.HideText = true;
    dbgPadrao->AddColumn("DSSERVINTE", QStringLiteral("Observação"), 400);
    fitColumns(dbgPadrao);
    dbgPadrao->SetEditing(false);
}

void TfrmContAlimentar::buildMenuPage() {
    auto* pageLayout = new QVBoxLayout(tshFormulario);
    pageLayout->setContentsMargins(0, 0, 0, 0);
    ntbCardapio = new QStackedWidget(tshFormulario);
    ntbCardapio->setObjectName("ntbCardapio");
    pageLayout->addWidget(ntbCardapio);
    ntbCardapio->addWidget(buildChoicePage());
    ntbCardapio->addWidget(buildFormulaPage());
}

QWidget* TfrmContAlimentar::buildChoicePage() {
    // Page 0 ("Default"): the diet bar above the menu-choice grid.
    auto* defaultPage = new QWidget;
    defaultPage->setObjectName("Default");
    auto* defaultLayout = new QVBoxLayout(defaultPage);
    defaultLayout->setContentsMargins(0, 0, 0, 0);
    auto* bar = new QFrame(defaultPage);
    auto* barLayout = new QHBoxLayout(bar);
    barLayout->setContentsMargins(6, 3, 6, 3);
    barLayout->addWidget(new QLabel(QStringLiteral("Dieta"), bar));
    dbeDieta = new TDBEdit(bar);
    dbeDieta->setObjectName("dbeDieta");
    dbeDieta->SetDataSource(dtsInternacao);
    dbeDieta->SetDataField("DSDIETPAD");
    dbeDieta->setReadOnly(true);
    dbeDieta->setFocusPolicy(Qt::NoFocus);
    dbeDieta->setFixedWidth(300);
    barLayout->addWidget(dbeDieta);
    dbtAcomPaci = new TDBText(bar);
    dbtAcomPaci->setObjectName("dbtAcomPaci");
    dbtAcomPaci->SetDataSource(dtsInternacao);
    dbtAcomPaci->SetDataField("STPACIACOM");
    QFont bold = dbtAcomPaci->font();
    bold.setBold(true);
    dbtAcomPaci->setFont(bold);
    barLayout->addWidget(dbtAcomPaci);
    barLayout->addStretch(1);
    defaultLayout->addWidget(bar);

    dbgDieta = new TDBGrid(defaultPage);
    dbgDieta->setObjectName("dbgDieta");
    dbgDieta->SetDataSource(dtsPadrao);
    setInfoColour(dbgDieta);
    TColumn& rest = dbgDieta->AddColumn("IDRESTCONF", QStringLiteral(" "), 20);
    rest.HideText = true;
    TColumn& chosen = dbgDieta->AddColumn("IDESCOCONF", QStringLiteral("4"), 28);
    chosen.TitlePicture = imgCheck;
    chosen.ReadOnly = true;
    chosen.HideText = true;
    dbgDieta->AddColumn("NMTIPOPRAT", QStringLiteral("Tipo de Prato"), 115).ReadOnly = true;
    dbgDieta->AddColumn("NMPRATO", QStringLiteral("Prato"), 193).ReadOnly = true;
    dbgDieta->AddColumn("DSOBSCONF", QStringLiteral("Observação"), 187);
    TColumn& qty = dbgDieta->AddColumn("QTPRATCONF", QStringLiteral("Quantidade"), 60);
    qty.TitleAlignment = Qt::AlignRight | Qt::AlignVCenter;
    TColumn& option = dbgDieta->AddColumn("IDOPCAOCONF", QStringLiteral("Opção"), 40);
    option.ReadOnly = true;
    option.HideText = true;
    fitColumns(dbgDieta);
    dbgDieta->SetEditing(false);
    defaultLayout->addWidget(dbgDieta, 1);
    return defaultPage;
}

QWidget* TfrmContAlimentar::buildFormulaPage() {
    // Page 1 ("Formula"): dish, consumption times and the formula rows.
    auto* formulaPage = new QWidget;
    formulaPage->setObjectName("Formula");
    auto* formulaLayout = new QVBoxLayout(formulaPage);
    formulaLayout->setContentsMargins(0, 0, 0, 0);
    panFormula = new QFrame(formulaPage);
    panFormula->setObjectName("panFormula");
    panFormula->setFixedHeight(64);
    panFormula->setFrameShape(QFrame::StyledPanel);
    label(panFormula, "lblPrato", QStringLiteral("Prato"), 8, 6);
    BtnPesquisa2 = new TBtnPesquisa(panFormula);
    BtnPesquisa2->setObjectName("BtnPesquisa2");
    BtnPesquisa2->setGeometry(50, 6, 21, 21);
    BtnPesquisa2->SetTitle(QStringLiteral("Prato|Não há cardápio cadastrado."));
    BtnPesquisa2->SetDataSource(dtsCompCard);
    edtNmPrato = new QLineEdit(panFormula);
    edtNmPrato->setObjectName("edtNmPrato");
    edtNmPrato->setReadOnly(true);
    edtNmPrato->setGeometry(74, 6, 250, 21);
    BtnPesquisa2->SetEdit(edtNmPrato);
    BtnPesquisa2->SetCodeField("NMPRATO");
    DBEdit1 = new TDBEdit(panFormula);
    DBEdit1->setObjectName("DBEdit1");
    DBEdit1->SetDataSource(dtsInternacao);
    DBEdit1->SetDataField("DSDIETPAD");
    DBEdit1->setReadOnly(true);
    DBEdit1->setFocusPolicy(Qt::NoFocus);
    DBEdit1->setGeometry(330, 6, 250, 21);
    auto timeEdit = [this](const char* name, const QString& caption, int x) {
        label(panFormula, "", caption, x, 34);
        auto* edit = new TMaskEdit(QStringLiteral("9999:99;1; "), panFormula);
        edit->setObjectName(name);
        edit->setGeometry(x + QFontMetrics(font()).horizontalAdvance(caption) + 6, 34, 60, 21);
        return edit;
    };
    medHrConsumo = timeEdit("medHrConsumo", QStringLiteral("Hora de Início de Consumo"), 8);
    medIntervalo = timeEdit("medIntervalo", QStringLiteral("Intervalo"), 250);
    medPeriodo = timeEdit("medPeriodo", QStringLiteral("Período"), 380);
    stbConfCard = new QToolButton(panFormula);
    stbConfCard->setObjectName("stbConfCard");
    stbConfCard->setToolTip(QStringLiteral("Confirmar"));
    stbConfCard->setText(QStringLiteral("✓"));
    stbConfCard->setFocusPolicy(Qt::NoFocus);
    stbConfCard->setGeometry(510, 34, 21, 21);
    formulaLayout->addWidget(panFormula);

    dbgFormula = new TDBGrid(formulaPage);
    dbgFormula->setObjectName("dbgFormula");
    dbgFormula->SetDataSource(dtsPadrao);
    setInfoColour(dbgFormula);
    dbgFormula->AddColumn("NMPRATO", QStringLiteral("Prato"), 185).ReadOnly = true;
    dbgFormula->AddColumn("DTCONSCONF", QStringLiteral("Data do Consumo"), 90).ReadOnly = true;
    dbgFormula->AddColumn("HRCONSCONF", QStringLiteral("Hora do Consumo"), 91).ReadOnly = true;
    dbgFormula->AddColumn("DSOBSCONF", QStringLiteral("Observação"), 214);
    fitColumns(dbgFormula);
    // The remark is typed in place; the other columns are read-only.
    dbgFormula->SetEditing(true);
    formulaLayout->addWidget(dbgFormula, 1);
    return formulaPage;
}

void TfrmContAlimentar::buildNavigator() {
    dbnPadrao->SetDataSource(dtsInternacao);
    dbtNome = new TDBText(panNavigator);
    dbtNome->setObjectName("dbtNome");
    dbtNome->SetDataSource(dtsInternacao);
    dbtNome->SetDataField("NMPACIENTE");
    if (auto* layout = qobject_cast<QHBoxLayout*>(panNavigator->layout()))
        layout->insertWidget(0, dbtNome, 1);
}

bool TfrmContAlimentar::grupoMode() const {
    return cmbServGrupo->currentIndex() == 1;
}

void TfrmContAlimentar::setButton(QToolButton* button, bool enabled) {
    // The menu twin follows its button.
    button->setEnabled(enabled);
}

void CriaContAlim() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    struct RestoreCursor {
        ~RestoreCursor() { QApplication::restoreOverrideCursor(); }
    } restore;
    if (!bostcriado) {
        frmContAlimentar = CreateForm<TfrmContAlimentar>();
        bostcriado = true;
    }
    TfrmContAlimentar* form = frmContAlimentar;
    QMdiSubWindow* frame = form->subWindow();
    if (!frame) {
        if (QMdiArea* area = contracts::hostMdiArea()) {
            frame = area->addSubWindow(form);
            frame->setAttribute(Qt::WA_DeleteOnClose);
            // The design size of the window, plus the frame's title and borders.
            frame->resize(form->size().expandedTo(QSize(729, 385)) +
                          (frame->sizeHint() - form->sizeHint()).expandedTo(QSize(8, 30)));
        }
    }
    QWidget* shown = frame ? static_cast<QWidget*>(frame) : form;
    shown->showNormal();
    shown->raise();
    shown->activateWindow();
    if (frame && frame->mdiArea())
        frame->mdiArea()->setActiveSubWindow(frame);
}

} // namespace dieta::Cli_zfa13000
