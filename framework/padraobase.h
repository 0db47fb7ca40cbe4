#pragma once
// The parts every standard window of the framework brings, shared by the MDI form TfrmPadrao
// and the modal grid window TfrmPadraoGrid: the main menu mnuMenu, the toolbar panMenu with
// its buttons and their menu twins (ToolbarTwin), the page control pgcPadrao with the list
// grid dbgPadrao, the navigator panel, the data source dtsPadrao, the message catalogues, the
// navigation popup and the screen code label. Handlers are virtual; a derived window that
// extends one runs the base handler first (FormClose last).

#include "framework/framework_export.h"
#include "framework/tmessages.h"

#include <QKeySequence>
#include <QString>

class QAction;
class QFrame;
class QHBoxLayout;
class QKeyEvent;
class QLabel;
class QMenu;
class QMenuBar;
class QTabWidget;
class QToolButton;
class QVBoxLayout;
class QWidget;

namespace dieta {

class TClientDataSet;
class TDataSource;
class TDBGrid;
class TDBNavigator;
class ActivationHook;

enum class TCloseAction { caNone, caHide, caFree, caMinimize };

class FRAMEWORK_EXPORT TPadraoBase {
public:
    virtual ~TPadraoBase();

    // Menu
    QMenuBar* mnuMenu = nullptr;
    QMenu* mnuArquivo = nullptr;
    QMenu* mnuManutencao = nullptr;
    QMenu* mnuExibir = nullptr;
    QMenu* mnuAjudaMenu = nullptr;
    QAction* mnuIncluir = nullptr;
    QAction* mnuAlterar = nullptr;
    QAction* mnuExcluir = nullptr;
    QAction* mnuLinha1 = nullptr;
    QAction* mnuConfirmar = nullptr;
    QAction* mnuCancelar = nullptr;
    QAction* mnuLinha2 = nullptr;
    QAction* mnuProcurar = nullptr;
    QAction* mnuVerificar = nullptr;
    QAction* mnuLinha3 = nullptr;
    QAction* mnuListagem = nullptr;
    QAction* mnuConfigImpressora = nullptr;
    QAction* mnuFechar = nullptr;
    QAction* mnuAjuda = nullptr;

    // Toolbar
    QFrame* panMenu = nullptr;
    QToolButton* sbtIncluir = nullptr;
    QToolButton* sbtAlterar = nullptr;
    QToolButton* sbtExcluir = nullptr;
    QToolButton* sbtConfirmar = nullptr;
    QToolButton* sbtCancelar = nullptr;
    QToolButton* sbtProcurar = nullptr;
    QToolButton* sbtImprimir = nullptr;
    QToolButton* sbtAjuda = nullptr;
    QToolButton* sbtFechar = nullptr;
    QLabel* lblCodTela = nullptr;

    // Pages, grid, navigator, data
    QTabWidget* pgcPadrao = nullptr;
    TDBGrid* dbgPadrao = nullptr;
    QFrame* panNavigator = nullptr;
    TDBNavigator* dbnPadrao = nullptr;
    TDataSource* dtsPadrao = nullptr;
    TMessages* msgPadrao = nullptr;
    // The framework's standard catalogue, the fallback of msgPadrao.
    const TMessages* msgMensagensPadroes = nullptr;

    // Navigation popup of the list grid.
    QMenu* pmnNavegar = nullptr;
    QAction* Primeiro1 = nullptr;
    QAction* Anterior1 = nullptr;
    QAction* Proximo1 = nullptr;
    QAction* Ultimo1 = nullptr;

    // Help by context (F1, sbtAjuda).
    QString HelpFile = QStringLiteral("zfahelp.hlp");
    int HelpContext = 0;

    // A toolbar button of the derived window, placed after the base buttons and before
    // sbtAjuda: flat, 21 x 21, never takes the focus, with its hint. With a twin, the twin
    // follows its Enabled state and its trigger clicks it.
    QToolButton* AddToolButton(const QString& name, const QString& hint, QAction* twin = nullptr);
    // A menu item of the derived window at the end of mnuManutencao (its shortcut works
    // anywhere in the window).
    QAction* AddMenuItem(const QString& name, const QString& caption,
                         const QKeySequence& shortcut = QKeySequence());
    QAction* AddMenuSeparator(const QString& name);
    // The refresh item follows the list the window shows: enabled while it is loaded and
    // browsed. The default state handler does it for dtsPadrao's dataset; a window showing
    // another list calls it for that one.
    void followRefresh(const TClientDataSet* list);

    // Handlers.
    virtual void FormCreate();
    virtual void FormActivate();
    virtual void FormCloseQuery(bool& canClose);
    virtual void FormClose(TCloseAction& action);
    virtual void pgcPadraoChange();
    virtual void dtsPadraoStateChange();
    virtual void dbgPadraoKeyDown(int& key, Qt::KeyboardModifiers modifiers);
    virtual void sbtIncluirClick();
    virtual void sbtAlterarClick();
    virtual void sbtExcluirClick();
    virtual void sbtConfirmarClick();
    virtual void sbtCancelarClick();
    virtual void sbtProcurarClick();
    virtual void sbtVerificarClick();
    virtual void sbtImprimirClick();
    virtual void mnuConfigImpressoraClick();
    virtual void sbtAjudaClick();
    virtual void sbtFecharClick();
    virtual void Primeiro1Click();
    virtual void Anterior1Click();
    virtual void Proximo1Click();
    virtual void Ultimo1Click();

    // Closes the window the way the framework does (the MDI frame, or the dialog).
    virtual void Close() = 0;

protected:
    // Builds every part inside `form` (its layout is created here).
    void buildPadrao(QWidget* form, QWidget* listPage, const QString& listCaption);
    // The window these parts live in.
    QWidget* padraoWindow() const { return m_form; }
    QVBoxLayout* formLayout() const { return m_layout; }
    // Runs FormCloseQuery and FormClose through the guard; false when the window must stay.
    bool runCloseHandlers(TCloseAction& action);

private:
    QToolButton* makeButton(const QString& name, const QString& hint, int iconKind);
    QAction* makeAction(QMenu* menu, const QString& name, const QString& caption,
                        const QKeySequence& shortcut = QKeySequence());
    QAction* makeSeparator(QMenu* menu, const QString& name);
    void buildMenu();
    void buildToolbar();
    void buildPages(QWidget* listPage, const QString& listCaption);
    void buildNavigator();
    void connectHandlers();

    QWidget* m_form = nullptr;
    QVBoxLayout* m_layout = nullptr;
    QHBoxLayout* m_toolbarLayout = nullptr;
    ActivationHook* m_activation = nullptr;
};

} // namespace dieta
