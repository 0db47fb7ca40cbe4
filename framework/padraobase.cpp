#include "framework/padraobase.h"

#include "framework/abortguard.h"
#include "framework/activationhook.h"
#include "framework/dbcontrols.h"
#include "framework/helpservice.h"
#include "framework/lookups.h"
#include "framework/tdbgrid.h"
#include "framework/toolbartwin.h"
#include "platform/tclientdataset.h"
#include "platform/tdatasource.h"

#include <QAction>
#include <QApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStyle>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace dieta {

TPadraoBase::~TPadraoBase() = default;

void TPadraoBase::buildPadrao(QWidget* form, QWidget* listPage, const QString& listCaption) {
    m_form = form;
    m_layout = new QVBoxLayout(form);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(0);

    dtsPadrao = new TDataSource(form);
    dtsPadrao->setObjectName(QStringLiteral("dtsPadrao"));
    msgPadrao = new TMessages(form);
    msgPadrao->setObjectName(QStringLiteral("msgPadrao"));
    msgMensagensPadroes = &dieta::msgMensagensPadroes();
    msgPadrao->setFallback(msgMensagensPadroes);

    buildMenu();
    buildToolbar();
    buildPages(listPage, listCaption);
    buildNavigator();
    connectHandlers();
    m_activation = new ActivationHook(form, [this] { FormActivate(); });
}

QAction* TPadraoBase::makeAction(QMenu* menu, const QString& name, const QString& caption,
                                 const QKeySequence& shortcut) {
    auto* action = new QAction(caption, m_form);
    action->setObjectName(name);
    if (!shortcut.isEmpty()) {
        action->setShortcut(shortcut);
        // Only while the focus is inside this window: two windows may share a shortcut.
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        m_form->addAction(action);
    }
    menu->addAction(action);
    return action;
}

QAction* TPadraoBase::makeSeparator(QMenu* menu, const QString& name) {
    QAction* separator = menu->addSeparator();
    separator->setObjectName(name);
    return separator;
}

void TPadraoBase::buildMenu() {
    mnuMenu = new QMenuBar(m_form);
    mnuMenu->setObjectName(QStringLiteral("mnuMenu"));
    mnuMenu->setNativeMenuBar(false);
    m_layout->setMenuBar(mnuMenu);

    mnuArquivo = mnuMenu->addMenu(QStringLiteral("&Arquivo"));
    mnuArquivo->setObjectName(QStringLiteral("mnuArquivo"));
    mnuListagem = makeAction(mnuArquivo, QStringLiteral("mnuListagem"), QStringLiteral("&Listagem"),
                             QKeySequence(Qt::CTRL | Qt::Key_P));
    mnuConfigImpressora = makeAction(mnuArquivo, QStringLiteral("mnuConfigImpressora"),
                                     QStringLiteral("&Configurar Impressora"));
    makeSeparator(mnuArquivo, QStringLiteral("mnuLinhaArquivo"));
    mnuFechar = makeAction(mnuArquivo, QStringLiteral("mnuFechar"), QStringLiteral("&Fechar"));

    mnuManutencao = mnuMenu->addMenu(QStringLiteral("&Manutenção"));
    mnuManutencao->setObjectName(QStringLiteral("mnuManutencao"));
    mnuIncluir = makeAction(mnuManutencao, QStringLiteral("mnuIncluir"), QStringLiteral("&Incluir"),
                            QKeySequence(Qt::Key_F2));
    mnuAlterar = makeAction(mnuManutencao, QStringLiteral("mnuAlterar"), QStringLiteral("&Alterar"),
                            QKeySequence(Qt::Key_F3));
    mnuExcluir = makeAction(mnuManutencao, QStringLiteral("mnuExcluir"), QStringLiteral("&Excluir"),
                            QKeySequence(Qt::CTRL | Qt::Key_Delete));
    mnuLinha1 = makeSeparator(mnuManutencao, QStringLiteral("mnuLinha1"));
    mnuConfirmar = makeAction(mnuManutencao, QStringLiteral("mnuConfirmar"),
                              QStringLiteral("C&onfirmar"), QKeySequence(Qt::Key_F9));
    mnuCancelar = makeAction(mnuManutencao, QStringLiteral("mnuCancelar"),
                             QStringLiteral("Ca&ncelar"), QKeySequence(Qt::Key_F11));
    mnuLinha2 = makeSeparator(mnuManutencao, QStringLiteral("mnuLinha2"));
    mnuProcurar = makeAction(mnuManutencao, QStringLiteral("mnuProcurar"),
                             QStringLiteral("&Procurar"), QKeySequence(Qt::CTRL | Qt::Key_F));
    mnuVerificar =
        makeAction(mnuManutencao, QStringLiteral("mnuVerificar"), QStringLiteral("&Verificar"));
    mnuLinha3 = makeSeparator(mnuManutencao, QStringLiteral("mnuLinha3"));

    mnuExibir = mnuMenu->addMenu(QStringLiteral("&Exibir"));
    mnuExibir->setObjectName(QStringLiteral("mnuExibir"));

    mnuAjudaMenu = mnuMenu->addMenu(QStringLiteral("Aj&uda"));
    mnuAjudaMenu->setObjectName(QStringLiteral("mnuAjudaMenu"));
    mnuAjuda = makeAction(mnuAjudaMenu, QStringLiteral("mnuAjuda"), QStringLiteral("&Ajuda"),
                          QKeySequence(Qt::Key_F1));
}

QToolButton* TPadraoBase::makeButton(const QString& name, const QString& hint, int iconKind) {
    auto* button = new QToolButton(panMenu);
    button->setObjectName(name);
    button->setToolTip(hint);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setFixedSize(21, 21);
    button->setIconSize(QSize(16, 16));
    if (iconKind >= 0)
        button->setIcon(m_form->style()->standardIcon(QStyle::StandardPixmap(iconKind)));
    return button;
}

void TPadraoBase::buildToolbar() {
    panMenu = new QFrame(m_form);
    panMenu->setObjectName(QStringLiteral("panMenu"));
    panMenu->setFrameShape(QFrame::StyledPanel);
    panMenu->setFixedHeight(29);
    m_toolbarLayout = new QHBoxLayout(panMenu);
    m_toolbarLayout->setContentsMargins(2, 2, 2, 2);
    m_toolbarLayout->setSpacing(1);

    sbtIncluir =
        makeButton(QStringLiteral("sbtIncluir"), QStringLiteral("Incluir"), QStyle::SP_FileIcon);
    sbtAlterar = makeButton(QStringLiteral("sbtAlterar"), QStringLiteral("Alterar"),
                            QStyle::SP_FileDialogDetailedView);
    sbtExcluir =
        makeButton(QStringLiteral("sbtExcluir"), QStringLiteral("Excluir"), QStyle::SP_TrashIcon);
    sbtConfirmar = makeButton(QStringLiteral("sbtConfirmar"), QStringLiteral("Confirmar"),
                              QStyle::SP_DialogApplyButton);
    sbtCancelar = makeButton(QStringLiteral("sbtCancelar"), QStringLiteral("Cancelar"),
                             QStyle::SP_DialogCancelButton);
    sbtProcurar = makeButton(QStringLiteral("sbtProcurar"), QStringLiteral("Procurar"),
                             QStyle::SP_FileDialogContentsView);
    sbtImprimir = makeButton(QStringLiteral("sbtImprimir"), QStringLiteral("Imprimir"),
                             QStyle::SP_DriveFDIcon);
    sbtAjuda = makeButton(QStringLiteral("sbtAjuda"), QStringLiteral("Ajuda"),
                          QStyle::SP_DialogHelpButton);
    sbtFechar = makeButton(QStringLiteral("sbtFechar"), QStringLiteral("Fechar"),
                           QStyle::SP_DialogCloseButton);
    for (QToolButton* b : {sbtIncluir, sbtAlterar, sbtExcluir, sbtConfirmar, sbtCancelar,
                           sbtProcurar, sbtImprimir, sbtAjuda, sbtFechar})
        m_toolbarLayout->addWidget(b);
    m_toolbarLayout->addStretch(1);
    lblCodTela = new QLabel(panMenu);
    lblCodTela->setObjectName(QStringLiteral("lblCodTela"));
    m_toolbarLayout->addWidget(lblCodTela);
    m_layout->addWidget(panMenu);

    ToolbarTwin::bind(sbtIncluir, mnuIncluir);
    ToolbarTwin::bind(sbtAlterar, mnuAlterar);
    ToolbarTwin::bind(sbtExcluir, mnuExcluir);
    ToolbarTwin::bind(sbtConfirmar, mnuConfirmar);
    ToolbarTwin::bind(sbtCancelar, mnuCancelar);
    ToolbarTwin::bind(sbtProcurar, mnuProcurar);
    ToolbarTwin::bind(sbtImprimir, mnuListagem);
    ToolbarTwin::bind(sbtAjuda, mnuAjuda);
    ToolbarTwin::bind(sbtFechar, mnuFechar);
}

void TPadraoBase::buildPages(QWidget* listPage, const QString& listCaption) {
    pgcPadrao = new QTabWidget(m_form);
    pgcPadrao->setObjectName(QStringLiteral("pgcPadrao"));
    auto* pageLayout = new QVBoxLayout(listPage);
    pageLayout->setContentsMargins(0, 0, 0, 0);
    dbgPadrao = new TDBGrid(listPage);
    dbgPadrao->setObjectName(QStringLiteral("dbgPadrao"));
    dbgPadrao->SetDataSource(dtsPadrao);
    pageLayout->addWidget(dbgPadrao);
    pgcPadrao->addTab(listPage, listCaption);
    m_layout->addWidget(pgcPadrao, 1);

    pmnNavegar = new QMenu(m_form);
    pmnNavegar->setObjectName(QStringLiteral("pmnNavegar"));
    Primeiro1 = pmnNavegar->addAction(QStringLiteral("&Primeiro"));
    Primeiro1->setObjectName(QStringLiteral("Primeiro1"));
    Anterior1 = pmnNavegar->addAction(QStringLiteral("&Anterior"));
    Anterior1->setObjectName(QStringLiteral("Anterior1"));
    Proximo1 = pmnNavegar->addAction(QStringLiteral("Pró&ximo"));
    Proximo1->setObjectName(QStringLiteral("Proximo1"));
    Ultimo1 = pmnNavegar->addAction(QStringLiteral("Ú&ltimo"));
    Ultimo1->setObjectName(QStringLiteral("Ultimo1"));
    dbgPadrao->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(
        dbgPadrao, &QWidget::customContextMenuRequested, pmnNavegar,
        [this](const QPoint& pos) { pmnNavegar->popup(dbgPadrao->viewport()->mapToGlobal(pos)); });
}

void TPadraoBase::buildNavigator() {
    panNavigator = new QFrame(m_form);
    panNavigator->setObjectName(QStringLiteral("panNavigator"));
    panNavigator->setFrameShape(QFrame::StyledPanel);
    auto* layout = new QHBoxLayout(panNavigator);
    layout->setContentsMargins(2, 2, 2, 2);
    dbnPadrao = new TDBNavigator(panNavigator);
    dbnPadrao->setObjectName(QStringLiteral("dbnPadrao"));
    dbnPadrao->SetDataSource(dtsPadrao);
    layout->addWidget(dbnPadrao);
    layout->addStretch(1);
    m_layout->addWidget(panNavigator);
}

void TPadraoBase::connectHandlers() {
    QObject* ctx = m_form;
    auto click = [ctx](QToolButton* button, auto handler) {
        connectGuarded(button, &QToolButton::clicked, ctx, handler);
    };
    click(sbtIncluir, [this] { sbtIncluirClick(); });
    click(sbtAlterar, [this] { sbtAlterarClick(); });
    click(sbtExcluir, [this] { sbtExcluirClick(); });
    click(sbtConfirmar, [this] { sbtConfirmarClick(); });
    click(sbtCancelar, [this] { sbtCancelarClick(); });
    click(sbtProcurar, [this] { sbtProcurarClick(); });
    click(sbtImprimir, [this] { sbtImprimirClick(); });
    click(sbtAjuda, [this] { sbtAjudaClick(); });
    click(sbtFechar, [this] { sbtFecharClick(); });
    connectGuarded(mnuVerificar, &QAction::triggered, ctx, [this] { sbtVerificarClick(); });
    connectGuarded(mnuConfigImpressora, &QAction::triggered, ctx,
                   [this] { mnuConfigImpressoraClick(); });
    connectGuarded(Primeiro1, &QAction::triggered, ctx, [this] { Primeiro1Click(); });
    connectGuarded(Anterior1, &QAction::triggered, ctx, [this] { Anterior1Click(); });
    connectGuarded(Proximo1, &QAction::triggered, ctx, [this] { Proximo1Click(); });
    connectGuarded(Ultimo1, &QAction::triggered, ctx, [this] { Ultimo1Click(); });
    connectGuarded(pgcPadrao, &QTabWidget::currentChanged, ctx, [this] { pgcPadraoChange(); });
    dtsPadrao->OnStateChange = [this](TDataSource*) { dtsPadraoStateChange(); };
    dbgPadrao->OnKeyDown = [this](int& key, Qt::KeyboardModifiers mods) {
        dbgPadraoKeyDown(key, mods);
    };
}

QToolButton* TPadraoBase::AddToolButton(const QString& name, const QString& hint, QAction* twin) {
    QToolButton* button = makeButton(name, hint, -1);
    button->setText(hint.left(1));
    m_toolbarLayout->insertWidget(m_toolbarLayout->indexOf(sbtAjuda), button);
    if (twin)
        ToolbarTwin::bind(button, twin);
    return button;
}

QAction* TPadraoBase::AddMenuItem(const QString& name, const QString& caption,
                                  const QKeySequence& shortcut) {
    return makeAction(mnuManutencao, name, caption, shortcut);
}

QAction* TPadraoBase::AddMenuSeparator(const QString& name) {
    return makeSeparator(mnuManutencao, name);
}

bool TPadraoBase::runCloseHandlers(TCloseAction& action) {
    bool canClose = true;
    const GuardOutcome outcome = runGuarded([&] {
        FormCloseQuery(canClose);
        if (canClose)
            FormClose(action);
    });
    return outcome == GuardOutcome::Completed && canClose && action != TCloseAction::caNone;
}

// ---- Handlers: the framework's defaults ----

namespace {

TClientDataSet* dataSetOf(TDataSource* source) {
    return source ? source->DataSet() : nullptr;
}

bool editing(const TClientDataSet* ds) {
    return ds && (ds->State() == dsEdit || ds->State() == dsInsert);
}

} // namespace

void TPadraoBase::FormCreate() {}

void TPadraoBase::FormActivate() {}

void TPadraoBase::FormCloseQuery(bool& canClose) {
    canClose = true;
}

void TPadraoBase::FormClose(TCloseAction& action) {
    action = TCloseAction::caFree;
}

void TPadraoBase::pgcPadraoChange() {}

void TPadraoBase::dtsPadraoStateChange() {
    TClientDataSet* ds = dataSetOf(dtsPadrao);
    const bool active = ds && ds->Active();
    const bool edit = editing(ds);
    const bool browse = active && !edit;
    const bool empty = !active || ds->IsEmpty();
    sbtIncluir->setEnabled(browse);
    sbtAlterar->setEnabled(browse && !empty);
    sbtExcluir->setEnabled(browse && !empty);
    sbtProcurar->setEnabled(browse && !empty);
    sbtConfirmar->setEnabled(edit);
    sbtCancelar->setEnabled(edit);
    followRefresh(ds);
}

void TPadraoBase::followRefresh(const TClientDataSet* list) {
    mnuVerificar->setEnabled(list && list->Active() && !editing(list));
}

void TPadraoBase::dbgPadraoKeyDown(int&, Qt::KeyboardModifiers) {}

void TPadraoBase::sbtIncluirClick() {
    if (TClientDataSet* ds = dataSetOf(dtsPadrao))
        ds->Append();
}

void TPadraoBase::sbtAlterarClick() {
    if (TClientDataSet* ds = dataSetOf(dtsPadrao); ds && !ds->IsEmpty())
        ds->Edit();
}

void TPadraoBase::sbtExcluirClick() {
    TClientDataSet* ds = dataSetOf(dtsPadrao);
    if (!ds || ds->IsEmpty())
        return;
    if (msgPadrao->ShowMsg(QStringLiteral("Excl"), MsgKind::Confirmation) != mrYes)
        return;
    ds->Delete();
}

void TPadraoBase::sbtConfirmarClick() {
    if (TClientDataSet* ds = dataSetOf(dtsPadrao); editing(ds))
        ds->Post();
}

void TPadraoBase::sbtCancelarClick() {
    if (TClientDataSet* ds = dataSetOf(dtsPadrao); editing(ds))
        ds->Cancel();
}

void TPadraoBase::sbtProcurarClick() {
    if (TClientDataSet* ds = dataSetOf(dtsPadrao))
        Procura(ds, m_form);
}

void TPadraoBase::sbtVerificarClick() {}

void TPadraoBase::sbtImprimirClick() {
    dialogs().message(MsgKind::Information, QStringLiteral("Não há listagem para esta tela."),
                      m_form);
}

void TPadraoBase::mnuConfigImpressoraClick() {
    dialogs().message(MsgKind::Information,
                      QStringLiteral("A impressora é configurada no sistema operacional."), m_form);
}

void TPadraoBase::sbtAjudaClick() {
    help().showHelp(HelpFile, HelpContext, m_form);
}

void TPadraoBase::sbtFecharClick() {
    Close();
}

void TPadraoBase::Primeiro1Click() {
    if (TClientDataSet* ds = dataSetOf(dtsPadrao); ds && ds->Active())
        ds->First();
}

void TPadraoBase::Anterior1Click() {
    if (TClientDataSet* ds = dataSetOf(dtsPadrao); ds && ds->Active())
        ds->Prior();
}

void TPadraoBase::Proximo1Click() {
    if (TClientDataSet* ds = dataSetOf(dtsPadrao); ds && ds->Active())
        ds->Next();
}

void TPadraoBase::Ultimo1Click() {
    if (TClientDataSet* ds = dataSetOf(dtsPadrao); ds && ds->Active())
        ds->Last();
}

} // namespace dieta
