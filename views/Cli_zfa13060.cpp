// The nutrient calculation window: its controls, queries and message catalogue.

#include "views/Cli_zfa13060.h"

#include "contracts/contalimentar.h"
#include "framework/dialogservice.h"
#include "framework/focusorder.h"
#include "framework/tbtnpesquisa.h"
#include "framework/tdbgrid.h"
#include "framework/tmaskedit.h"
#include "framework/tnumberedit.h"
#include "platform/tadoibquery.h"
#include "platform/tclientdataset.h"
#include "platform/tdatasource.h"
#include "platform/tfield.h"

#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QStyle>
#include <QToolButton>
#include <memory>

namespace dieta::Cli_zfa13060 {

TfrmCalcNutriDieta* frmCalcNutriDieta = nullptr;

namespace {

const QColor kInfoBk(255, 255, 225);

QLabel* label(QWidget* parent, const QString& caption, int x, int y, bool bold = false) {
    auto* l = new QLabel(caption, parent);
    if (bold) {
        QFont f = l->font();
        f.setBold(true);
        l->setFont(f);
    }
    l->move(x, y);
    l->adjustSize();
    return l;
}

// Shown, never typed into: disabled, flat, in the button face's colour.
void setButtonFace(QWidget* w) {
    QPalette p = w->palette();
    const QColor face = p.color(QPalette::Active, QPalette::Button);
    p.setColor(QPalette::Active, QPalette::Base, face);
    p.setColor(QPalette::Inactive, QPalette::Base, face);
    p.setColor(QPalette::Disabled, QPalette::Base, face);
    // Values stay readable although the edit is disabled.
    p.setColor(QPalette::Disabled, QPalette::Text, p.color(QPalette::Active, QPalette::Text));
    w->setPalette(p);
}

TNumberEdit* energyEdit(QWidget* parent, const char* name, int x, int y) {
    auto* edit = new TNumberEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setDecimals(3);
    edit->setEnabled(false);
    edit->setFrame(false);
    setButtonFace(edit);
    edit->setGeometry(x, y, 72, 21);
    return edit;
}

TADOIBQuery* query(QObject* owner, const char* name, const QStringList& sql) {
    auto* q = new TADOIBQuery(owner);
    q->setObjectName(QString::fromLatin1(name));
    q->SQL = sql;
    q->SQL_ORACLE = sql;
    q->SQL_MSSQL = sql;
    q->SQL_IB = sql;
    return q;
}

TDataSource* dataSource(QObject* owner, const char* name, TClientDataSet* ds) {
    auto* source = new TDataSource(owner);
    source->setObjectName(QString::fromLatin1(name));
    source->SetDataSet(ds);
    return source;
}

void codeAndName(TClientDataSet* ds, const char* code, int codeSize, const char* name,
                 int nameSize) {
    TField* c = ds->AddField(QString::fromLatin1(code), FieldKind::String, codeSize);
    c->SetRequired(true);
    c->SetDisplayLabel(QStringLiteral("Código"));
    ds->AddField(QString::fromLatin1(name), FieldKind::String, nameSize)
        ->SetDisplayLabel(QStringLiteral("Nome"));
}

} // namespace

TfrmCalcNutriDieta::TfrmCalcNutriDieta(QWidget* parent) : TfrmRotiGeral(parent) {
    setObjectName(QStringLiteral("frmCalcNutriDieta"));
    setWindowTitle(QStringLiteral("Cálculo de Nutriente - Dieta Oral"));
    lblCodTela->setText(QStringLiteral("ZFA13060"));
    HelpContext = 11113060;
    sbtConfirma->setToolTip(QStringLiteral("Calcular"));
    m_focus = new FocusOrder(this);
    buildMessages();
    buildQueries();
    buildChoice();
    buildTotals();
    connectHandlers();
    setFixedSize(519, 300);
}

TfrmCalcNutriDieta::~TfrmCalcNutriDieta() {
    if (frmCalcNutriDieta == this)
        frmCalcNutriDieta = nullptr;
}

void TfrmCalcNutriDieta::buildMessages() {
    msgPadrao->setLines({
        QStringLiteral("Grupo_NCad|Grupo de nutriente não cadastrado."),
        QStringLiteral("Nutri_Inf|Nutriente deve ser informado."),
        QStringLiteral("Nutriente|Nutriente"),
        QStringLiteral("Nutriente_NCad|Não há nutriente cadastrado para o grupo informado."),
        QStringLiteral("Geral|Geral"),
        QStringLiteral("Exist_Nutr|Não há dados a serem listados."),
        QStringLiteral("DTIni_Inf|Data do período inicial deve ser informada."),
        QStringLiteral("DtFim_Inf|Data do período final deve ser informada."),
        QStringLiteral(
            "DT_Inv|Data do período inicial deve ser menor ou igual a data do período final."),
        QStringLiteral("Grupo_Deve|Grupo de nutriente deve ser informado."),
        QStringLiteral("N|Lactário"),
        QStringLiteral("S|Enteral/Parenteral"),
    });
}

void TfrmCalcNutriDieta::buildQueries() {
    qryParaDieto = query(this, "qryParaDieto", {"SELECT IDVCTCALCNUT", "FROM PARADIETO"});
    qryParaDieto->AddField(QStringLiteral("IDVCTCALCNUT"), FieldKind::String, 1);

    const QStringList grupo = {"SELECT",
                               "   CDGRUPNUTR,",
                               "   NMGRUPNUTR",
                               "FROM",
                               "   GRUPNUTR",
                               "WHERE",
                               "   CDGRUPNUTR = NVL(:P_CDGRUPO,CDGRUPNUTR)",
                               "ORDER BY",
                               "   CDGRUPNUTR"};
    qryGrupo = query(this, "qryGrupo", grupo);
    QStringList mssql = grupo;
    mssql[6] = "   CDGRUPNUTR = ISNULL(:P_CDGRUPO,CDGRUPNUTR)";
    qryGrupo->SQL_MSSQL = mssql;
    QStringList ib = grupo;
    ib[4] = "   GRUPNUTR, PARAM(:P_CDGRUPO) P_CDGRUPO";
    ib[6] = "   CDGRUPNUTR = NVLSTR(P_CDGRUPO.PARAM, CDGRUPNUTR)";
    qryGrupo->SQL_IB = ib;
    codeAndName(qryGrupo, "CDGRUPNUTR", 2, "NMGRUPNUTR", 20);
    dtsGrupo = dataSource(this, "dtsGrupo", qryGrupo);

    const QStringList nutriente = {
        "SELECT",
        "       CDNUTRIENTE,",
        "       NMNUTRIENTE",
        "FROM NUTRIENTE",
        "WHERE (INSTR(:P_CDGRUPO, CDGRUPNUTR) <> 0 OR :P_TCDGRUPO = 'T')",
        "ORDER BY CDNUTRIENTE"};
    qryNutriente = query(this, "qryNutriente", nutriente);
    mssql = nutriente;
    mssql[4] = "WHERE (CHARINDEX(CDGRUPNUTR, :P_CDGRUPO) <> 0 OR :P_TCDGRUPO = 'T')";
    qryNutriente->SQL_MSSQL = mssql;
    ib = nutriente;
    ib[3] = "FROM NUTRIENTE, PARAM(:P_CDGRUPO) P_CDGRUPO";
    ib[4] = "WHERE (INSTR(P_CDGRUPO.PARAM, CDGRUPNUTR) <> 0 OR :P_TCDGRUPO = 'T')";
    qryNutriente->SQL_IB = ib;
    codeAndName(qryNutriente, "CDNUTRIENTE", 3, "NMNUTRIENTE", 20);
    dtsNutriente = dataSource(this, "dtsNutriente", qryNutriente);

    cdsCalc = new TClientDataSet(this);
    cdsCalc->setObjectName(QStringLiteral("cdsCalc"));
    TField* total = cdsCalc->AddField(QStringLiteral("TOTAL"), FieldKind::Float);
    total->SetDisplayFormat(QStringLiteral("#,###,##0.00000"));
    total->SetEditMask(QStringLiteral("#,###,##0.00000"));
    cdsCalc->AddField(QStringLiteral("CDNUTRIENTE"), FieldKind::String, 3);
    cdsCalc->AddField(QStringLiteral("NUTRIENTE"), FieldKind::String, 28);
    dtsCalc = dataSource(this, "dtsCalc", cdsCalc);
}

void TfrmCalcNutriDieta::buildChoice() {
    lblGrupo = label(panClient, QStringLiteral("Grupo de Nutriente"), 8, 12, true);
    lblGrupo->setObjectName(QStringLiteral("lblGrupo"));
    // The code, its lookup and the name follow the bold caption, whatever its font's width.
    const int x = lblGrupo->x() + lblGrupo->width() + 6;
    medCdGrupo = new TMaskEdit(panClient);
    medCdGrupo->setObjectName(QStringLiteral("medCdGrupo"));
    medCdGrupo->setMaxLength(2);
    medCdGrupo->setGeometry(x, 9, 30, 21);
    btpGrupo = new TBtnPesquisa(panClient);
    btpGrupo->setObjectName(QStringLiteral("btpGrupo"));
    btpGrupo->move(x + 32, 9);
    btpGrupo->SetTitle(QStringLiteral("Grupo de Nutriente|Não há grupo de nutriente cadastrado."));
    btpGrupo->SetDataSource(dtsGrupo);
    btpGrupo->SetEdit(medCdGrupo);
    btpGrupo->SetCodeField(QStringLiteral("CDGRUPNUTR"));
    edtNmGrupo = new QLineEdit(panClient);
    edtNmGrupo->setObjectName(QStringLiteral("edtNmGrupo"));
    edtNmGrupo->setEnabled(false);
    setButtonFace(edtNmGrupo);
    edtNmGrupo->setGeometry(x + 56, 9, 342 - x - 56, 21);

    GroupBox3 = new QGroupBox(QStringLiteral("Nutriente"), panClient);
    GroupBox3->setObjectName(QStringLiteral("GroupBox3"));
    GroupBox3->setGeometry(348, 0, 163, 44);
    rbtTNutri = new QRadioButton(QStringLiteral("Todos"), GroupBox3);
    rbtTNutri->setObjectName(QStringLiteral("rbtTNutri"));
    rbtTNutri->setChecked(true);
    rbtTNutri->setGeometry(8, 18, 62, 20);
    rbtLNutri = new QRadioButton(QStringLiteral("Lista"), GroupBox3);
    rbtLNutri->setObjectName(QStringLiteral("rbtLNutri"));
    rbtLNutri->setGeometry(72, 18, 56, 20);
    btnNutriente = new QToolButton(GroupBox3);
    btnNutriente->setObjectName(QStringLiteral("btnNutriente"));
    btnNutriente->setToolTip(QStringLiteral("Pesquisar"));
    btnNutriente->setIcon(style()->standardIcon(QStyle::SP_FileDialogContentsView));
    btnNutriente->setAutoRaise(true);
    btnNutriente->setFocusPolicy(Qt::NoFocus);
    btnNutriente->setGeometry(132, 17, 21, 21);
    btnNutriente->setEnabled(false);

    setTabOrder(medCdGrupo, rbtTNutri);
    setTabOrder(rbtTNutri, rbtLNutri);
}

void TfrmCalcNutriDieta::buildTotals() {
    Panel1 = new QFrame(panClient);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(8, 50, 503, 20);
    // The line on top of the heading.
    Panel1->setStyleSheet(QStringLiteral(
        "#Panel1 { border-top: 1px solid palette(dark); background: palette(button); }"));
    label(Panel1, QStringLiteral("  Nutriente"), 0, 2, true);

    dbgNutriente = new TDBGrid(panClient);
    dbgNutriente->setObjectName(QStringLiteral("dbgNutriente"));
    dbgNutriente->SetDataSource(dtsCalc);
    dbgNutriente->AddColumn(QStringLiteral("NUTRIENTE"), QString(), 319).ReadOnly = true;
    dbgNutriente->AddColumn(QStringLiteral("TOTAL"), QString(), 116).ReadOnly = true;
    dbgNutriente->ColumnsChanged();
    dbgNutriente->SetEditing(false);
    dbgNutriente->horizontalHeader()->hide();
    // The totals take the grid's width beyond the names.
    dbgNutriente->horizontalHeader()->setStretchLastSection(true);
    dbgNutriente->setSelectionBehavior(QAbstractItemView::SelectRows);
    dbgNutriente->setFrameShape(QFrame::NoFrame);
    QPalette grid = dbgNutriente->palette();
    grid.setColor(QPalette::Base, kInfoBk);
    dbgNutriente->setPalette(grid);
    dbgNutriente->setGeometry(8, 70, 503, 140);

    panVct = new QFrame(panClient);
    panVct->setObjectName(QStringLiteral("panVct"));
    panVct->setFrameShape(QFrame::StyledPanel);
    panVct->setGeometry(8, 216, 126, 52);
    label(panVct, QStringLiteral("VCT"), 10, 17, true);
    nedVct = energyEdit(panVct, "nedVct", 42, 15);

    panNutriente = new QFrame(panClient);
    panNutriente->setObjectName(QStringLiteral("panNutriente"));
    panNutriente->setFrameShape(QFrame::StyledPanel);
    panNutriente->setGeometry(138, 216, 373, 52);
    auto share = [this](const QString& caption, const char* name, int x, int y) {
        label(panNutriente, caption, x, y + 3);
        TNumberEdit* edit = energyEdit(panNutriente, name, x + 78, y);
        label(panNutriente, QStringLiteral("%"), x + 153, y + 3);
        return edit;
    };
    nedProt = share(QStringLiteral("Proteína"), "nedProt", 8, 3);
    nedLipidio = share(QStringLiteral("Lipídio"), "nedLipidio", 8, 27);
    nedCarbo = share(QStringLiteral("Carboidrato"), "nedCarbo", 190, 3);
    nedAlcool = share(QStringLiteral("Álcool"), "nedAlcool", 190, 27);
}

void CriaCalcNutriDieta() {
    contracts::ContAlimentar* screen = contracts::frmContAlimentar;
    QWidget* owner = screen ? screen->widget() : nullptr;
    auto form = std::make_unique<TfrmCalcNutriDieta>(owner ? owner->window() : nullptr);
    form->FormCreate();
    frmCalcNutriDieta = form.get();
    dialogs().execDialog(*form);
    frmCalcNutriDieta = nullptr;
}

} // namespace dieta::Cli_zfa13060
