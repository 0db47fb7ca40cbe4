#include "views/Cli_zfa13030.h"

#include "contracts/contalimentar.h"
#include "contracts/rdmdietaoral.h"
#include "framework/abortguard.h"
#include "framework/consiste.h"
#include "framework/dbcontrols.h"
#include "framework/dialogservice.h"
#include "framework/showavi.h"
#include "framework/tdbgrid.h"
#include "framework/vantor.h"
#include "platform/tclientdataset.h"
#include "platform/tdatasource.h"
#include "platform/tfield.h"
#include "platform/tnetconnection.h"
#include "platform/wirevalue.h"

#include <QAction>
#include <QFontInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPainter>
#include <QToolButton>

namespace dieta::Cli_zfa13030 {

TfrmControlePresDiet* frmControlePresDiet = nullptr;

namespace {

// The mark's field and column.
bool isMarkColumn(const TColumn& column) {
    return column.FieldName.compare(u"IDPRESDIET", Qt::CaseInsensitive) == 0;
}

contracts::ContAlimentar& mainScreen() {
    contracts::ContAlimentar* form = contracts::frmContAlimentar;
    if (!form)
        Abort();
    return *form;
}

} // namespace

TfrmControlePresDiet::TfrmControlePresDiet(QWidget* parent) : TfrmPadraoGrid(parent) {
    setObjectName(QStringLiteral("frmControlePresDiet"));
    setWindowTitle(QStringLiteral("Prescrição Dietética"));
    lblCodTela->setText(QStringLiteral("ZFA13030"));
    HelpContext = 11113030;
    msgPadrao->setLines({
        QStringLiteral("Paci_Inf|Paciente deve ser informado."),
        QStringLiteral("N_Exis_Card|Não existe cardápio cadastrado para  dieta e dia informado."),
        QStringLiteral("CopSuc|Cópia de prescrição dietética concluída com sucesso."),
        QStringLiteral("Excl|Confirma exclusão?"),
        QStringLiteral("Conf|Confirma operação?"),
    });
    buildPictures();
    buildDataSet();
    buildGrid();
    buildToolbarState();
    resize(614, 420);
}

TfrmControlePresDiet::~TfrmControlePresDiet() {
    // The dataset dies after the buttons its state handler sets.
    dtsPadrao->OnStateChange = nullptr;
    if (frmControlePresDiet == this)
        frmControlePresDiet = nullptr;
}

void TfrmControlePresDiet::buildPictures() {
    imgCheck = TDBGrid::CheckBoxPicture(true);
    imgUnCheck = TDBGrid::CheckBoxPicture(false);
}

void TfrmControlePresDiet::buildDataSet() {
    cdsPrescricao = new TClientDataSet(this);
    cdsPrescricao->setObjectName(QStringLiteral("cdsPrescricao"));
    struct FieldDecl {
        const char* name;
        FieldKind kind;
        int size;
        const char* label; // nullptr: hidden
    };
    for (const FieldDecl& s : {FieldDecl{"CDPACIENTE", FieldKind::String, 12, nullptr},
                               FieldDecl{"DTINTERNA", FieldKind::DateTime, 0, nullptr},
                               FieldDecl{"CDLEITO", FieldKind::String, 12, "Leito"},
                               FieldDecl{"NMPACIENTE", FieldKind::String, 80, "Paciente"},
                               FieldDecl{"DTPRESDIET", FieldKind::DateTime, 0, "Prescrição"},
                               FieldDecl{"CDDIETPAD", FieldKind::String, 4, nullptr},
                               FieldDecl{"DSPRESDIET", FieldKind::String, 80, "Observação"},
                               FieldDecl{"DSDIETPAD", FieldKind::String, 50, "Dieta"},
                               FieldDecl{"NMSERPADDIE", FieldKind::String, 30, "Pad. Internação"},
                               FieldDecl{"IDPRESDIET", FieldKind::String, 1, nullptr}}) {
        TField* field = cdsPrescricao->AddField(QString::fromLatin1(s.name), s.kind, s.size);
        if (s.label)
            field->SetDisplayLabel(QString::fromUtf8(s.label));
        field->SetVisible(s.label != nullptr);
    }
    cdsPrescricao->AddIndex(QStringLiteral("Ordena"), QStringLiteral("CDLEITO"));
    cdsPrescricao->SetIndexName(QStringLiteral("Ordena"));
    dtsPadrao->SetDataSet(cdsPrescricao);
}

void TfrmControlePresDiet::buildGrid() {
    TColumn& mark = dbgPadrao->AddColumn(QStringLiteral("IDPRESDIET"), QStringLiteral("4"), 28);
    const QFont symbols(QStringLiteral("Monotype Sorts"));
    // "4" is a check mark in the symbol font; where the font is missing, the mark itself.
    if (QFontInfo(symbols).family().compare(symbols.family(), Qt::CaseInsensitive) == 0)
        mark.TitleFont = symbols;
    else
        mark.Title = QStringLiteral("✔");
    mark.TitleAlignment = Qt::AlignCenter;
    mark.ReadOnly = true;
    mark.HideText = true;
    // Each title stays readable in the font in use.
    const QFontMetrics metrics(dbgPadrao->horizontalHeader()->font());
    for (const auto& [field, width] : {std::pair{"CDLEITO", 64}, std::pair{"NMPACIENTE", 197},
                                       std::pair{"DTPRESDIET", 116}, std::pair{"NMSERPADDIE", 89},
                                       std::pair{"DSDIETPAD", 290}, std::pair{"DSPRESDIET", 290}}) {
        const QString title =
            cdsPrescricao->FieldByName(QString::fromLatin1(field))->DisplayLabel();
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

    dbtNome = new TDBText(panNavigator);
    dbtNome->setObjectName(QStringLiteral("dbtNome"));
    dbtNome->SetDataSource(dtsPadrao);
    dbtNome->SetDataField(QStringLiteral("NMPACIENTE"));
    if (auto* layout = qobject_cast<QHBoxLayout*>(panNavigator->layout()))
        layout->insertWidget(0, dbtNome, 1);
}

void TfrmControlePresDiet::buildToolbarState() {
    // Prescriptions are neither added, changed nor deleted here: only marked and confirmed.
    for (QToolButton* button :
         {sbtIncluir, sbtAlterar, sbtExcluir, sbtCancelar, sbtImprimir, sbtConfirmar, sbtProcurar})
        button->setEnabled(false);
    for (QAction* item : {mnuListagem, mnuConfigImpressora, mnuIncluir, mnuAlterar, mnuExcluir,
                          mnuProcurar, mnuVerificar, mnuLinha3, mnuCancelar, mnuConfirmar})
        item->setEnabled(false);
}

// ---------------------------------------------------------------- lifecycle

void TfrmControlePresDiet::FormCreate() {
    TfrmPadraoGrid::FormCreate();
    m_primeiraVez = true;
    m_copiada = false;
    cdsPrescricao->CreateDataSet();
}

void TfrmControlePresDiet::FormActivate() {
    repaint();
    if (!m_primeiraVez)
        return;
    m_primeiraVez = false;
    loadPrescricoes(QStringLiteral("N"));
}

void TfrmControlePresDiet::loadPrescricoes(const QString& mark) {
    contracts::ContAlimentar& main = mainScreen();
    ShowAviGuard busy(6);
    QVariantList args{main.filialCode(), mark, fromPacket(main.listParams()->Data())};
    cdsPrescricao->SetData(Consiste::CheckResultServ(
        main.connection()->call(QString::fromLatin1(contracts::rdm::GetPrescricao), args), true,
        0));
}

void TfrmControlePresDiet::FormClose(TCloseAction& action) {
    if (m_copiada)
        reloadMainList();
    TfrmPadraoGrid::FormClose(action);
}

void TfrmControlePresDiet::reloadMainList() {
    contracts::ContAlimentar* main = contracts::frmContAlimentar;
    if (!main)
        return;
    ShowAviGuard busy(6);
    // A server that fails now has the failure reported; the window still closes, since the
    // copy itself is done.
    runGuarded([main] { main->reloadInpatients(); });
}

// ---------------------------------------------------------------- toolbar

void TfrmControlePresDiet::dtsPadraoStateChange() {
    const bool any = cdsPrescricao->Active() && !cdsPrescricao->IsEmpty();
    sbtConfirmar->setEnabled(any);
    sbtProcurar->setEnabled(sbtConfirmar->isEnabled());
}

// ---------------------------------------------------------------- marks

void TfrmControlePresDiet::dbgPadraoDrawColumnCell(QPainter& painter, const QRect& rect, int,
                                                   TColumn& column, TField* field, TGridDrawState) {
    if (!field || !isMarkColumn(column) || cdsPrescricao->IsEmpty())
        return;
    const QImage& picture = field->AsString() == QLatin1String("S") ? imgCheck : imgUnCheck;
    TDBGrid::DrawPicture(painter, rect, picture, 3);
}

void TfrmControlePresDiet::dbgPadraoDblClick() {
    if (!cdsPrescricao->Active() || cdsPrescricao->IsEmpty())
        return;
    try {
        cdsPrescricao->Edit();
        TField* mark = cdsPrescricao->FieldByName(u"IDPRESDIET");
        mark->SetAsString(mark->AsString() != QLatin1String("S") ? QStringLiteral("S")
                                                                 : QStringLiteral("N"));
        cdsPrescricao->Post();
    } catch (...) {
        if (cdsPrescricao->State() == dsEdit)
            cdsPrescricao->Cancel();
        throw;
    }
}

void TfrmControlePresDiet::dbgPadraoKeyDown(int& key, Qt::KeyboardModifiers modifiers) {
    TfrmPadraoGrid::dbgPadraoKeyDown(key, modifiers);
    if (key == Qt::Key_Space)
        dbgPadraoDblClick();
}

void TfrmControlePresDiet::dbgPadraoTitleClick(TColumn& column) {
    if (!isMarkColumn(column))
        return;
    const bool unmarked =
        cdsPrescricao->Active() && !cdsPrescricao->IsEmpty() &&
        cdsPrescricao->FieldByName(u"IDPRESDIET")->AsString() == QLatin1String("N");
    loadPrescricoes(unmarked ? QStringLiteral("S") : QStringLiteral("N"));
}

// ---------------------------------------------------------------- confirmation

void TfrmControlePresDiet::sbtConfirmarClick() {
    TfrmPadraoGrid::sbtConfirmarClick();
    if (!cdsPrescricao->Active() || !cdsPrescricao->Locate(QStringLiteral("IDPRESDIET"),
                                                           QStringLiteral("S"), loCaseInsensitive))
        Consiste::MensErro(msgPadrao->Msg(QStringLiteral("Paci_Inf")));
    confirmaPrescricoes();
    repaint();
}

void TfrmControlePresDiet::confirmaPrescricoes() {
    contracts::ContAlimentar& main = mainScreen();
    if (dialogs().message(MsgKind::Confirmation, main.messages()->Msg(QStringLiteral("Conf")),
                          this) != mrYes)
        return;
    cdsPrescricao->First();
    {
        ShowAviGuard busy(1);
        QVariantList args{main.filialCode(),
                          main.servicoCode(),
                          main.tipoServico(),
                          main.serviceDate(),
                          Vantor::Operador(),
                          fromPacket(cdsPrescricao->Data()),
                          msgPadrao->Msg(QStringLiteral("N_Exis_Card"))};
        const QVariant result = main.connection()->call(
            QString::fromLatin1(contracts::rdm::SetConfirmaPrescricao), args);
        Consiste::CheckResultServ(result, true, 0);
        m_copiada = true;
        // The server committed and may report what it could not take over in full (diets
        // without a menu for the day): that is shown before the success.
        const QString report = result.metaType() == QMetaType::fromType<QString>()
                                   ? result.toString().trimmed()
                                   : QString();
        if (!report.isEmpty())
            dialogs().message(MsgKind::Warning, report, this);
        dialogs().message(MsgKind::Information, msgPadrao->Msg(QStringLiteral("CopSuc")), this);
    }
    Close();
}

} // namespace dieta::Cli_zfa13030
