#pragma once
// Cli_zfa13000: the oral diet control screen TfrmContAlimentar, the module's main window.
// For one branch, one service (or group of services) and one date it lists the inpatients and
// companions, their diets of the day and, on the "Cardápio" page, the menu choices of the
// current one. The windows it opens reach it only through contracts/contalimentar.h; its
// components and handlers are its own.
//
// The unit is split by concern, one file each:
//   Cli_zfa13000.cpp           the window and its components
//   Cli_zfa13000_dados.cpp     datasets, queries and the message catalogue
//   Cli_zfa13000_selecao.cpp   start-up, the selection panel, loading the list
//   Cli_zfa13000_grade.cpp     the inpatient grid: drawing, marks, keys, diet column
//   Cli_zfa13000_cardapio.cpp  the "Cardápio" page: menu-choice grid and formula panel
//   Cli_zfa13000_horas.cpp     consumption times of the formula panel
//   Cli_zfa13000_gravacao.cpp  saving, verification and deletion
//   Cli_zfa13000_acoes.cpp     the toolbar actions that open the module's other windows
//   Cli_zfa13000_contrato.cpp  what those windows may reach (contracts/contalimentar.h)
// with the marks in inpatientmarks.h, the time conversions in consumptiontime.h and the texts
// of the lookup queries in Cli_zfa13000_sql.h.

#include "contracts/contalimentar.h"
#include "framework/tdbgrid.h"
#include "framework/tfrmpadrao.h"
#include "platform/callahead.h"
#include "screen/inpatientmarks.h"

#include <QHash>
#include <QImage>
#include <QStringList>

class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QStackedWidget;
class QToolButton;

namespace dieta {
class FocusOrder;
class TADOIBQuery;
class TBtnPesquisa;
class TClientDataSet;
class TDataSource;
class TDateEditPlus;
class TDBEdit;
class TDBGrid;
class TDBText;
class TField;
class TMaskEdit;
class TNetConnection;
namespace test {
class ContAlimentarProbe;
}
} // namespace dieta

namespace dieta::Cli_zfa13000 {

class TfrmContAlimentar : public TfrmPadrao, public contracts::ContAlimentar {
    Q_OBJECT
public:
    explicit TfrmContAlimentar(QWidget* parent = nullptr);
    ~TfrmContAlimentar() override;

    // --- What the windows it opens may reach (Cli_zfa13000_contrato.cpp).
    QString filialCode() const override;
    QString filialName() const override;
    QString servicoCode() const override;
    QString tipoServico() const override;
    QDate serviceDate() const override;
    TClientDataSet* inpatients() const override { return cdsInternacao; }
    TClientDataSet* markedInpatients() const override { return cdsInterAux; }
    TClientDataSet* listParams() const override { return cdsParams; }
    TClientDataSet* menuChoices() const override { return cdsConfesco; }
    TClientDataSet* confCard() const override { return cdsConfCard; }
    TMessages* messages() const override { return msgPadrao; }
    TNetConnection* connection() const override { return netDietaOral; }
    QWidget* widget() override { return this; }
    void reloadInpatients() override;
    void positionOnPatient(const QString& patient) override;
    void focusServico() override;
    bool filtroCriado() const override { return boFiltroCriado; }
    void setFiltroCriado(bool created) override { boFiltroCriado = created; }
    // True while "Grupo" is chosen in cmbServGrupo.
    bool grupoMode() const override;

    // --- Creation, activation, close: the framework runs them.
    void FormCreate() override;
    void FormActivate() override;
    void FormClose(TCloseAction& action) override;

private:
    // The screen tests drive the components and handlers directly.
    friend class test::ContAlimentarProbe;

    // --- Toolbar buttons of the screen and their menu twins.
    QToolButton* sbtDieta = nullptr;
    QToolButton* sbtFiltro = nullptr;
    QToolButton* sbtCopConf = nullptr;
    QToolButton* sbtPresDiet = nullptr;
    QToolButton* sbtDupDieta = nullptr;
    QToolButton* sbtCalcNutr = nullptr;
    QToolButton* sbtRestricao = nullptr;
    QToolButton* sbtCalcPresDieta = nullptr;
    QAction* N1 = nullptr;
    QAction* mnuDieta = nullptr;
    QAction* mnuFiltro = nullptr;
    QAction* mnuCopConf = nullptr;
    QAction* mnuPresDiet = nullptr;
    QAction* mnuDupDieta = nullptr;
    QAction* mnuCalcNutr = nullptr;
    QAction* mnuRestricao = nullptr;
    QAction* mnuCalcPresDieta = nullptr;

    // Pictures drawn in grid cells (clOlive background made transparent when drawn).
    QImage imgCheck, imgUnCheck, imgRest, imgNRest, imgImp, imgNImp, imgOpcao;

    // --- Selection panel.
    QFrame* panPrin = nullptr;
    QLabel* lblFilial = nullptr;
    TMaskEdit* medCdFilial = nullptr;
    TBtnPesquisa* btnFilial = nullptr;
    QLineEdit* edtNmFilial = nullptr;
    QComboBox* cmbServGrupo = nullptr;
    QLabel* lblServGrupo = nullptr;
    TMaskEdit* medCdServico = nullptr;
    TBtnPesquisa* btnPesqServGrupo = nullptr;
    QLineEdit* edtNmServico = nullptr;
    QLabel* lblData = nullptr;
    QToolButton* sbtOntem = nullptr;
    TDateEditPlus* depData = nullptr;
    QToolButton* sbtAmanha = nullptr;
    QLineEdit* edtDia = nullptr;
    TMaskEdit* medMaskServ = nullptr;
    TMaskEdit* medMaskGrup = nullptr;

    // --- "Cardápio" page.
    QStackedWidget* ntbCardapio = nullptr;
    TDBEdit* dbeDieta = nullptr;
    TDBText* dbtAcomPaci = nullptr;
    TDBGrid* dbgDieta = nullptr;
    QFrame* panFormula = nullptr;
    TBtnPesquisa* BtnPesquisa2 = nullptr;
    QLineEdit* edtNmPrato = nullptr;
    TDBEdit* DBEdit1 = nullptr;
    TMaskEdit* medHrConsumo = nullptr;
    TMaskEdit* medIntervalo = nullptr;
    TMaskEdit* medPeriodo = nullptr;
    QToolButton* stbConfCard = nullptr;
    TDBGrid* dbgFormula = nullptr;

    // --- Navigator panel.
    TDBText* dbtNome = nullptr;

    // --- Data.
    TNetConnection* netDietaOral = nullptr;
    TClientDataSet* cdsInternacao = nullptr;
    TClientDataSet* cdsInterAux = nullptr;
    TClientDataSet* cdsParams = nullptr;
    TClientDataSet* cdsDiagInter = nullptr;
    TClientDataSet* cdsConfCard = nullptr;
    TClientDataSet* cdsConfesco = nullptr;
    TClientDataSet* cdsCompCard = nullptr;
    TDataSource* dtsInternacao = nullptr;
    TDataSource* dtsCompCard = nullptr;
    TDataSource* dtsFilial = nullptr;
    TDataSource* dtsServico = nullptr;
    TDataSource* dtsGrupoServ = nullptr;
    TDataSource* dtsDieta = nullptr;
    TADOIBQuery* qryFilial = nullptr;
    TADOIBQuery* qryServico = nullptr;
    TADOIBQuery* qryGrupoServico = nullptr;
    TADOIBQuery* qryNutricio = nullptr;
    TADOIBQuery* qryDieta = nullptr;

    // The filter dialog exists (created by CriaFiltroCont, freed with the screen).
    bool boFiltroCriado = false;

    void netDietaOralBeforeConnect();

    // --- Handlers: branch, service or group, date.
    void Vd_Filial();
    void medCdFilialKeyPress(QChar& key);
    void medCdFilialChange();
    void medCdFilialExit();
    void btnFilialBeforePesq();
    void btnFilialAfterPesq();
    void cmbServGrupoChange();
    void medCdServicoChange();
    void medCdServicoExit();
    void btnPesqServGrupoBeforePesq();
    void btnPesqServGrupoAfterPesq();
    void sbtOntemClick();
    void sbtAmanhaClick();
    void depDataExit();
    void depDataDateChange();
    void sbtFiltroClick();
    void panPrinEnter();
    void panPrinExit();

    // --- Handlers: the inpatient list and the pages.
    void cdsInternacaoAfterOpen();
    void cdsInternacaoCalcFields();
    void cdsInternacaoSTPACIACOMGetText(TField* sender, QString& text, bool displayText);
    void cdsInternacaoIDRESTSERINGetText(TField* sender, QString& text, bool displayText);
    void cdsInternacaoAfterScroll();
    void pgcPadraoChange() override;

    // --- Inpatient grid: drawing, marks, keys, diet choice (Cli_zfa13000_grade.cpp).
    void dbgPadraoDrawColumnCell(QPainter& painter, const QRect& rect, int columnIndex,
                                 TColumn& column, TField* field, TGridDrawState state);
    void dbgPadraoCellClick(TColumn& column);
    void dbgPadraoTitleClick(TColumn& column);
    void dbgPadraoKeyDown(int& key, Qt::KeyboardModifiers modifiers) override;
    void dbgPadraoDblClick();
    void dbgPadraoColEnter();
    void dbgPadraoColExit();
    void dbgPadraoEditButtonClick();
    void Vd_Dieta(bool beforePost);
    void Primeiro1Click() override;
    void Anterior1Click() override;
    void Proximo1Click() override;
    void Ultimo1Click() override;

    // The marks of the list, kept in step in the record, stlCheck and cdsInterAux.
    InpatientMarks marks();
    void markOrUnmarkAll();
    void drawDietCell(QPainter& painter, const QRect& rect, TGridDrawState state);
    // Shows the key's text, puts the focus on the record's diet cell and abandons.
    [[noreturn]] void stopOnDiet(const char* key);

    // --- "Cardápio" page: menu-choice grid, formula panel, consumption times
    // (Cli_zfa13000_cardapio.cpp, Cli_zfa13000_horas.cpp).
    void dtsPadraoStateChange() override;
    void dbgDietaDrawColumnCell(QPainter& painter, const QRect& rect, int columnIndex,
                                TColumn& column, TField* field, TGridDrawState state);
    void dbgDietaColEnter();
    void dbgDietaColExit();
    void dbgDietaCellClick(TColumn& column);
    void dbgDietaKeyDown(int& key, Qt::KeyboardModifiers modifiers);
    void dbgDietaDblClick();
    void cdsConfescoBeforeInsert();
    void cdsConfescoBeforeDelete();
    void cdsConfescoBeforePost();
    void cdsConfescoAfterScroll();
    void BtnPesquisa2BeforePesq();
    void BtnPesquisa2AfterPesq();
    void cdsCompCardAfterScroll();
    // The quantity rule of quantity diets: the dish is chosen exactly when its quantity is
    // above zero.
    void Atua_QtRom();
    // A consumption time typed as "HHHH:MM" in hours; an invalid one stops with "ValCons_Inv".
    double StTimeToReal(const QString& text);
    // Shows the edit's time in its standard form ("   1:5" becomes "0001:05").
    void normaliseTime(TMaskEdit* edit);
    void medHrConsumoExit();
    void medIntervaloExit();
    void medPeriodoExit();
    void stbConfCardClick();
    void cdsConfescoHRCONSCONFGetText(TField* sender, QString& text, bool displayText);
    // The current inpatient's diet kind (IDFORMDIET), empty without a list.
    QString dietKind() const;
    // GetCompCard for the current inpatient's service and the date, for a diet or diet group.
    void loadCompCard(const QString& dietOrGroup);
    // --- end of the menu page's section

    // --- Saving, verification and deletion (Cli_zfa13000_gravacao.cpp).
    void dtsInternacaoStateChange();
    void sbtConfirmarClick() override;
    void sbtCancelarClick() override;
    void sbtAlterarClick() override;
    void sbtIncluirClick() override;
    void sbtExcluirClick() override;
    void sbtProcurarClick() override;
    void sbtVerificarClick() override;
    void cdsInternacaoBeforeInsert();
    void cdsInternacaoBeforePost();
    void cdsInternacaoAfterCancel();
    void cdsConfescoAfterPost();
    void cdsConfescoAfterDelete();
    void cdsInterAuxBeforePost();
    // Sends the change log of the menu choices (SetUpdConfesco) and makes it the base.
    void sendConfescoChanges();
    // Every way of leaving the current patient's menu choices (another patient, the list
    // page, a reload) comes here first: an edit is posted and unsent changes are sent again.
    // False when they could not be saved and the operator chose to stay with them.
    bool leaveMenuChoices();
    void cdsInternacaoBeforeScroll();
    // --- end of the saving section

    // --- Toolbar actions that open the module's dialogs and views (Cli_zfa13000_acoes.cpp).
    void sbtDietaClick();
    void sbtCopConfClick();
    void sbtPresDietClick();
    void sbtDupDietaClick();
    void sbtCalcNutrClick();
    // Asks the server to mark the dishes that conflict with the patients' restrictions,
    // intolerances and medicines (all listed patients, or the current one on the menu page);
    // its answer replaces the list.
    void sbtRestricaoClick();
    // Runs the host's diet-prescription calculation for the branch, then reloads the list.
    void sbtCalcPresDietaClick();
    void mnuFolhaDadosClick() override;
    void mnuFormularioClick() override;
    // Before the list is replaced, what is being edited is saved as moving to another record
    // saves it. False when unsaved menu choices keep the operator where he is; a record the
    // checks or the server refuse ends the action with the check's message.
    bool saveEditsBeforeReplacingList();
    // After the restriction check: the patient kept current on the menu page, the scroll
    // handler back and run once.
    void followCheckedList(const QString& patient);
    // Shows the page without the tab's own change signal and runs the page change once.
    void showPage(QWidget* page);

    // Loads the list of the selection (GetInternacao with cdsParams), first record current,
    // the grid re-attached in every case.
    void loadInternacao();

    void buildToolbar();
    void buildSelectionPanel();
    void buildMenuPage();
    QWidget* buildChoicePage();
    QWidget* buildFormulaPage();
    void buildNavigator();
    void buildPictures();
    void buildDataSets();
    void buildQueries();
    void buildMessages();
    void buildListGrid();
    void connectHandlers();
    // Each concern wires its own handlers, in its own file.
    void connectGridHandlers();
    void connectMenuHandlers();
    void connectSavingHandlers();
    void connectActionHandlers();

    void setServGrupoLayout(bool grupo);
    void openServicos(const QString& branch, const QString& code, bool all);
    // Checks the standard menu configuration of the typed service (GetConfCard).
    void loadConfCard();
    // qryServico on the typed service's row, which the dialogs read too.
    void positionOnTypedService();
    void startDiagInterAhead();
    void loadDiagInter();
    void loadConfesco();
    bool operadorNutricionista();
    void positionOnFiltro();
    bool focusPassedByPageChange();
    // Enables or disables a page of pgcPadrao without taking Qt's re-announcement of the
    // current tab for a page change.
    void setPageEnabled(QWidget* page, bool enabled);
    void updatePageButtons();
    void setButton(QToolButton* button, bool enabled);
    QString diagnosesOf(const QString& patient, const QDate& admission);
    void indexDiagnoses();

    FocusOrder* m_focus = nullptr;
    // The diagnoses' text of each stay of cdsDiagInter (patient and admission day), built once
    // per load: the list's calculated field reads it for every record.
    QHash<QString, QString> m_diagnosesByStay;
    // The branch's diagnoses travel while the list is read: they do not depend on it.
    CallAhead m_diagInterAhead;
    // The page the last page change left shown.
    QWidget* m_pageShown = nullptr;
};

// --- Unit variables, visible to the module's other units.
extern TfrmContAlimentar* frmContAlimentar;
extern bool bostcriado;
extern bool boPriVez;
extern bool boCheck;
extern QStringList* stlCheck;
extern QString stPath;

// Creates the screen once and shows it (brought to the front, normal state).
void CriaContAlim();

// The unit's initialization and finalization (package load and unload).
void Initialization();
void Finalization();

} // namespace dieta::Cli_zfa13000
