#include "hostmodules/zfa80000/Cli_zfa80000.h"

#include "contracts/hostapplication.h"
#include "contracts/rdmdietaoral.h"
#include "framework/abortguard.h"
#include "framework/consiste.h"
#include "framework/dialogservice.h"
#include "framework/showavi.h"
#include "framework/tdbgrid.h"
#include "framework/vantor.h"
#include "platform/tadoibquery.h"
#include "platform/tclientdataset.h"
#include "platform/tdatasource.h"
#include "platform/tfield.h"
#include "platform/tnetconnection.h"
#include "platform/wirevalue.h"

#include <QAction>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>
#include <memory>

namespace dieta::Cli_zfa80000 {

namespace {

const QString kMarca = QStringLiteral("IDCHECK");
const int kLarguraMaxima = 420; // pixels of the widest column

bool isMarkColumn(const TColumn& column) {
    return column.FieldName.compare(kMarca, Qt::CaseInsensitive) == 0;
}

// The same text in every dialect.
const QStringList kNutricioSql = {
    QStringLiteral("SELECT CDNUTRICIO FROM NUTRICIO"),
    QStringLiteral("WHERE (CDNUTRICIO = :P_CDNUTRICIO) AND (CDFILIAL = :P_CDFILIAL)")};

} // namespace

TfrmCalcPresDieta::TfrmCalcPresDieta(const QString& filial, const QString& nomeFilial, QDate dia,
                                     QWidget* parent)
    : TfrmPadraoGrid(parent), m_filial(filial.trimmed()), m_dia(dia) {
    setObjectName(QStringLiteral("frmCalcPresDieta"));
    setWindowTitle(QStringLiteral("Cálculo de Prescrição de Dieta"));
    lblCodTela->setText(QStringLiteral("ZFA80000"));
    HelpContext = 11180000;
    buildCatalogue();
    imgCheck = TDBGrid::CheckBoxPicture(true);
    imgUnCheck = TDBGrid::CheckBoxPicture(false);
    buildHeader();
    lblFilial->setText(QStringLiteral("Filial: %1 - %2").arg(m_filial, nomeFilial.trimmed()));
    buildDataSet();
    buildGrid();
    buildButtons();
    buildToolbarState();
    netDietaOral = new TNetConnection(this);
    netDietaOral->setObjectName(QStringLiteral("netDietaOral"));
    netDietaOral->setServerName(QString::fromLatin1(contracts::rdm::kServerObject));
    resize(900, 480);
}

TfrmCalcPresDieta::~TfrmCalcPresDieta() {
    // The dataset dies after the buttons its state handler sets.
    dtsPadrao->OnStateChange = nullptr;
}

void TfrmCalcPresDieta::buildCatalogue() {
    msgPadrao->setLines({
        QStringLiteral("Fili_Inf|Filial deve ser informada."),
        QStringLiteral("Sem_Prop|Não há prescrição de dieta a propor para %1: todos os "
                       "pacientes internados já têm prescrição, ou não têm dieta do dia anterior "
                       "nem dieta padrão de diagnóstico."),
        QStringLiteral("Oper_Per|Operador não está cadastrado como nutricionista desta filial: "
                       "as propostas podem ser consultadas, mas não gravadas."),
        QStringLiteral("Prop_Inf|Nenhuma proposta marcada."),
        QStringLiteral("Conf|Confirma a gravação de %1 prescrição(ões) de dieta?"),
        QStringLiteral("GravSuc|%1 prescrição(ões) de dieta gravada(s) com sucesso."),
        QStringLiteral("JaPresc|%1 paciente(s) recebeu(receberam) prescrição enquanto a tela "
                       "estava aberta; a prescrição existente foi mantida."),
        QStringLiteral("Total|%1 proposta(s), %2 marcada(s)"),
    });
}

void TfrmCalcPresDieta::buildHeader() {
    auto* header = new QWidget(tshPadrao);
    header->setObjectName(QStringLiteral("panCabecalho"));
    auto* layout = new QHBoxLayout(header);
    layout->setContentsMargins(6, 4, 6, 4);
    lblFilial = new QLabel(header);
    lblFilial->setObjectName(QStringLiteral("lblFilial"));
    lblDia = new QLabel(
        QStringLiteral("Data: %1").arg(m_dia.toString(QStringLiteral("dd/MM/yyyy"))), header);
    lblDia->setObjectName(QStringLiteral("lblDia"));
    QFont bold = lblFilial->font();
    bold.setBold(true);
    lblFilial->setFont(bold);
    lblDia->setFont(bold);
    layout->addWidget(lblFilial);
    layout->addSpacing(24);
    layout->addWidget(lblDia);
    layout->addStretch(1);
    if (auto* page = qobject_cast<QVBoxLayout*>(tshPadrao->layout()))
        page->insertWidget(0, header);
}

void TfrmCalcPresDieta::buildDataSet() {
    cdsProposta = new TClientDataSet(this);
    cdsProposta->setObjectName(QStringLiteral("cdsProposta"));
    struct FieldDecl {
        const char* name;
        FieldKind kind;
        int size;
        const char* label; // nullptr: hidden
    };
    for (const FieldDecl& s : {FieldDecl{"IDCHECK", FieldKind::String, 1, nullptr},
                               FieldDecl{"CDPACIENTE", FieldKind::String, 12, nullptr},
                               FieldDecl{"DTINTERNA", FieldKind::DateTime, 0, nullptr},
                               FieldDecl{"CDLEITO", FieldKind::String, 12, "Leito"},
                               FieldDecl{"NMPACIENTE", FieldKind::String, 80, "Paciente"},
                               FieldDecl{"CDSERVFILI", FieldKind::String, 5, nullptr},
                               FieldDecl{"NMSERVICO", FieldKind::String, 40, "Serviço"},
                               FieldDecl{"CDDIETPAD", FieldKind::String, 4, nullptr},
                               FieldDecl{"DSDIETPAD", FieldKind::String, 50, "Dieta proposta"},
                               FieldDecl{"IDORIGEM", FieldKind::String, 1, nullptr},
                               FieldDecl{"DSORIGEM", FieldKind::String, 40, "Origem"},
                               FieldDecl{"CDDIAGNOST", FieldKind::String, 10, nullptr},
                               FieldDecl{"NMDIAGNOST", FieldKind::String, 250, "Diagnóstico"}}) {
        TField* field = cdsProposta->AddField(QString::fromLatin1(s.name), s.kind, s.size);
        if (s.label)
            field->SetDisplayLabel(QString::fromUtf8(s.label));
        field->SetVisible(s.label != nullptr);
    }
    dtsPadrao->SetDataSet(cdsProposta);
}

void TfrmCalcPresDieta::buildGrid() {
    TColumn& mark = dbgPadrao->AddColumn(kMarca, QStringLiteral("✔"), 28);
    mark.TitleAlignment = Qt::AlignCenter;
    mark.ReadOnly = true;
    mark.HideText = true;
    // Each title stays readable in the font in use.
    const QFontMetrics metrics(dbgPadrao->horizontalHeader()->font());
    for (const auto& [field, width] :
         {std::pair{"CDLEITO", 56}, std::pair{"NMPACIENTE", 210}, std::pair{"NMSERVICO", 120},
          std::pair{"DSDIETPAD", 160}, std::pair{"DSORIGEM", 170}, std::pair{"NMDIAGNOST", 260}}) {
        const QString title = cdsProposta->FieldByName(QString::fromLatin1(field))->DisplayLabel();
        dbgPadrao->AddColumn(QString::fromLatin1(field), QString(),
                             qMax(width, metrics.horizontalAdvance(title) + 12));
    }
    dbgPadrao->ColumnsChanged();
    dbgPadrao->SetEditing(false);
    dbgPadrao->setSelectionBehavior(QAbstractItemView::SelectRows);
    dbgPadrao->setSelectionMode(QAbstractItemView::SingleSelection);
    dbgPadrao->OnDrawColumnCell = [this](QPainter& painter, const QRect& rect, int index,
                                         TColumn& column, TField* field, TGridDrawState state) {
        dbgPadraoDrawColumnCell(painter, rect, index, column, field, state);
    };
    dbgPadrao->OnTitleClick = [this](TColumn& column) { dbgPadraoTitleClick(column); };
    dbgPadrao->OnDblClick = [this] { dbgPadraoDblClick(); };
}

void TfrmCalcPresDieta::buildButtons() {
    lblTotal = new QLabel(panNavigator);
    lblTotal->setObjectName(QStringLiteral("lblTotal"));
    if (auto* layout = qobject_cast<QHBoxLayout*>(panNavigator->layout()))
        layout->insertWidget(0, lblTotal, 1);
    auto* row = new QHBoxLayout;
    row->setContentsMargins(6, 4, 6, 6);
    row->addStretch(1);
    btnGravar = new QPushButton(QStringLiteral("&Gravar"), this);
    btnGravar->setObjectName(QStringLiteral("btnGravar"));
    btnCancelar = new QPushButton(QStringLiteral("&Cancelar"), this);
    btnCancelar->setObjectName(QStringLiteral("btnCancelar"));
    row->addWidget(btnGravar);
    row->addWidget(btnCancelar);
    formLayout()->addLayout(row);
    connectGuarded(btnGravar, &QPushButton::clicked, this, [this] { sbtConfirmarClick(); });
    connectGuarded(btnCancelar, &QPushButton::clicked, this, [this] { Close(); });
}

void TfrmCalcPresDieta::buildToolbarState() {
    // Proposals are neither added, changed nor deleted here: only ticked and written.
    for (QToolButton* button :
         {sbtIncluir, sbtAlterar, sbtExcluir, sbtCancelar, sbtImprimir, sbtConfirmar, sbtProcurar})
        button->setEnabled(false);
    for (QAction* item : {mnuListagem, mnuConfigImpressora, mnuIncluir, mnuAlterar, mnuExcluir,
                          mnuProcurar, mnuVerificar, mnuLinha3, mnuCancelar, mnuConfirmar})
        item->setEnabled(false);
    sbtConfirmar->setToolTip(QStringLiteral("Gravar"));
    btnGravar->setEnabled(false);
}

// ---------------------------------------------------------------- lifecycle

void TfrmCalcPresDieta::FormCreate() {
    TfrmPadraoGrid::FormCreate();
    m_primeiraVez = true;
    m_gravadas = 0;
    cdsProposta->CreateDataSet();
    ShowAviGuard busy(0);
    netDietaOral->setHost(Vantor::WebURL());
    netDietaOral->setPort(Vantor::WebPort());
    netDietaOral->setOperator(Vantor::Operador());
    netDietaOral->setConnected(true);
}

void TfrmCalcPresDieta::FormActivate() {
    repaint();
    if (!m_primeiraVez)
        return;
    m_primeiraVez = false;
    if (m_filial.isEmpty()) {
        dialogs().message(MsgKind::Error, msgPadrao->Msg(QStringLiteral("Fili_Inf")), this);
        Close();
        return;
    }
    carregaPropostas();
    if (cdsProposta->IsEmpty()) {
        dialogs().message(MsgKind::Information,
                          msgPadrao->Msg(QStringLiteral("Sem_Prop"))
                              .arg(m_dia.toString(QStringLiteral("dd/MM/yyyy"))),
                          this);
        Close();
        return;
    }
    m_podeGravar = operadorNutricionista();
    if (!m_podeGravar)
        dialogs().message(MsgKind::Warning, msgPadrao->Msg(QStringLiteral("Oper_Per")), this);
    dtsPadraoStateChange();
}

void TfrmCalcPresDieta::carregaPropostas() {
    ShowAviGuard busy(6);
    const QVariant result = netDietaOral->call(
        QString::fromLatin1(contracts::rdm::GetPropPresDieta), {m_filial, m_dia});
    cdsProposta->SetData(Consiste::CheckResultServ(result, true, 0));
    cdsProposta->First();
    ajustaColunas();
}

// Every text of the list reads in full (a diagnosis up to a limit), and the window widens to
// show the columns where the screen has room.
void TfrmCalcPresDieta::ajustaColunas() {
    const QFontMetrics metrics(dbgPadrao->font());
    int total = 0;
    for (int i = 0; i < dbgPadrao->ColumnCount(); ++i) {
        TColumn& column = dbgPadrao->Column(i);
        if (!column.HideText) {
            const TField* field = cdsProposta->FieldByName(column.FieldName);
            for (int row = 0; row < cdsProposta->ViewCount(); ++row)
                column.Width = qMax(
                    column.Width,
                    qMin(kLarguraMaxima,
                         metrics.horizontalAdvance(cdsProposta->RowValue(row, field).toString()) +
                             16));
        }
        total += column.Width;
    }
    dbgPadrao->ColumnsChanged();
    const QScreen* tela = screen();
    const int disponivel = tela ? tela->availableGeometry().width() - 40 : width();
    resize(qMax(width(), qMin(total + 60, disponivel)), height());
}

bool TfrmCalcPresDieta::operadorNutricionista() {
    auto qryNutricio = std::make_unique<TADOIBQuery>();
    qryNutricio->SQL = kNutricioSql;
    qryNutricio->SQL_ORACLE = kNutricioSql;
    qryNutricio->SQL_MSSQL = kNutricioSql;
    qryNutricio->SQL_IB = kNutricioSql;
    qryNutricio->AddField(QStringLiteral("CDNUTRICIO"), FieldKind::String, 12);
    qryNutricio->ParamByName("P_CDNUTRICIO")->SetAsString(Vantor::Operador());
    qryNutricio->ParamByName("P_CDFILIAL")->SetAsString(m_filial);
    qryNutricio->Open();
    return !qryNutricio->IsEmpty();
}

void TfrmCalcPresDieta::FormClose(TCloseAction& action) {
    netDietaOral->setConnected(false);
    TfrmPadraoGrid::FormClose(action);
}

// ---------------------------------------------------------------- toolbar and total

void TfrmCalcPresDieta::dtsPadraoStateChange() {
    const bool any = cdsProposta->Active() && !cdsProposta->IsEmpty();
    sbtConfirmar->setEnabled(any && m_podeGravar);
    btnGravar->setEnabled(sbtConfirmar->isEnabled());
    mostraTotal();
}

int TfrmCalcPresDieta::marcadas() const {
    const TField* mark = cdsProposta->FieldByName(kMarca);
    int count = 0;
    for (int row = 0; row < cdsProposta->ViewCount(); ++row)
        count += cdsProposta->RowValue(row, mark).toString() == QLatin1String("S");
    return count;
}

void TfrmCalcPresDieta::mostraTotal() {
    if (!cdsProposta->Active()) {
        lblTotal->clear();
        return;
    }
    lblTotal->setText(
        msgPadrao->Msg(QStringLiteral("Total")).arg(cdsProposta->ViewCount()).arg(marcadas()));
}

// ---------------------------------------------------------------- marks

void TfrmCalcPresDieta::dbgPadraoDrawColumnCell(QPainter& painter, const QRect& rect, int,
                                                TColumn& column, TField* field, TGridDrawState) {
    if (!field || !isMarkColumn(column) || cdsProposta->IsEmpty())
        return;
    const QImage& picture = field->AsString() == QLatin1String("S") ? imgCheck : imgUnCheck;
    TDBGrid::DrawPicture(painter, rect, picture, 3);
}

void TfrmCalcPresDieta::dbgPadraoDblClick() {
    if (!cdsProposta->Active() || cdsProposta->IsEmpty())
        return;
    try {
        cdsProposta->Edit();
        TField* mark = cdsProposta->FieldByName(kMarca);
        mark->SetAsString(mark->AsString() != QLatin1String("S") ? QStringLiteral("S")
                                                                 : QStringLiteral("N"));
        cdsProposta->Post();
    } catch (...) {
        if (cdsProposta->State() == dsEdit)
            cdsProposta->Cancel();
        throw;
    }
    mostraTotal();
}

void TfrmCalcPresDieta::dbgPadraoKeyDown(int& key, Qt::KeyboardModifiers modifiers) {
    TfrmPadraoGrid::dbgPadraoKeyDown(key, modifiers);
    if (key == Qt::Key_Space)
        dbgPadraoDblClick();
}

void TfrmCalcPresDieta::dbgPadraoTitleClick(TColumn& column) {
    if (!isMarkColumn(column) || !cdsProposta->Active() || cdsProposta->IsEmpty())
        return;
    marcaTodas(marcadas() < cdsProposta->ViewCount());
}

// All ticked, or all unticked; the current row stays current.
void TfrmCalcPresDieta::marcaTodas(bool marca) {
    const int current = cdsProposta->RecNo();
    DataPacket packet = cdsProposta->Data();
    const int index = packet.fieldIndex(kMarca);
    for (Row& row : packet.rows)
        row[index] = marca ? QStringLiteral("S") : QStringLiteral("N");
    cdsProposta->SetData(packet);
    cdsProposta->SetRecNo(current);
    mostraTotal();
}

// ---------------------------------------------------------------- writing

void TfrmCalcPresDieta::sbtConfirmarClick() {
    TfrmPadraoGrid::sbtConfirmarClick();
    if (!m_podeGravar)
        Consiste::MensErro(msgPadrao->Msg(QStringLiteral("Oper_Per")));
    const int count = marcadas();
    if (count == 0)
        Consiste::MensErro(msgPadrao->Msg(QStringLiteral("Prop_Inf")), dbgPadrao);
    if (dialogs().message(MsgKind::Confirmation, msgPadrao->Msg(QStringLiteral("Conf")).arg(count),
                          this) != mrYes)
        return;
    gravaPropostas();
}

void TfrmCalcPresDieta::gravaPropostas() {
    const int count = marcadas();
    DataPacket written;
    {
        ShowAviGuard busy(1);
        const QVariant result = netDietaOral->call(
            QString::fromLatin1(contracts::rdm::SetPropPresDieta),
            {m_filial, m_dia, Vantor::Operador(), fromPacket(cdsProposta->Data())});
        written = Consiste::CheckResultServ(result, true, 0);
    }
    m_gravadas = int(written.rows.size());
    if (m_gravadas < count)
        dialogs().message(MsgKind::Warning,
                          msgPadrao->Msg(QStringLiteral("JaPresc")).arg(count - m_gravadas), this);
    dialogs().message(MsgKind::Information,
                      msgPadrao->Msg(QStringLiteral("GravSuc")).arg(m_gravadas), this);
    done(QDialog::Accepted);
}

// ---------------------------------------------------------------- entry

void CriaCalcPresDieta(const QString& filial, const QString& nomeFilial) {
    runGuarded([&] {
        TfrmCalcPresDieta form(filial, nomeFilial, QDate::currentDate(),
                               contracts::hostMainWindow());
        form.FormCreate();
        dialogs().execDialog(form);
    });
}

} // namespace dieta::Cli_zfa80000
