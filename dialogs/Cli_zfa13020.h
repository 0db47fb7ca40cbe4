#pragma once
// Cli_zfa13020: the diet dialog TfrmDietaContAlimentar. For the inpatients marked on the main
// screen, the nutritionist chooses a standard diet and, for the screen's day, the dishes of its
// menu: ticking the served menu of a menu diet, typing quantities for a quantity diet, or
// listing the dishes of a free composition. One call (SetConfDieta) saves it for every marked
// inpatient and its answer replaces the screen's list.
//
// The unit is split by concern: Cli_zfa13020.cpp builds the window, its datasets, queries and
// messages; Cli_zfa13020_dieta.cpp the service and the diet code and the building of the menu;
// Cli_zfa13020_grade.cpp the menu grid (drawing, ticks, keys, columns, free rows);
// Cli_zfa13020_gravacao.cpp the saving. Cli_zfa13020_consultas.h holds the service and diet
// queries the add/duplicate dialog shares.

#include "framework/tfrmrotigeral.h"

#include <QImage>

class QFrame;
class QLabel;
class QLineEdit;
class QPainter;

namespace dieta {
class FocusOrder;
class TADOIBQuery;
class TBtnPesquisa;
class TClientDataSet;
class TDataSource;
class TDBGrid;
class TField;
class TMaskEdit;
class TRadioGroup;
struct TColumn;
struct TGridDrawState;
namespace contracts {
class ContAlimentar;
}
} // namespace dieta

namespace dieta::Cli_zfa13020 {

class TfrmDietaContAlimentar : public TfrmRotiGeral {
    Q_OBJECT
public:
    explicit TfrmDietaContAlimentar(QWidget* parent = nullptr);
    ~TfrmDietaContAlimentar() override;

    // --- Panel1: service, diet, patient or companion.
    QFrame* Panel1 = nullptr;
    QLabel* lblServico = nullptr;
    QLineEdit* edtCdServico = nullptr;
    TBtnPesquisa* btnPesqServico = nullptr;
    QLineEdit* edtNmServico = nullptr;
    QLabel* Label2 = nullptr;
    TMaskEdit* medDieta = nullptr;
    TBtnPesquisa* btpDieta = nullptr;
    QLineEdit* edtNmDieta = nullptr;
    TRadioGroup* rgpPaciente = nullptr;
    // --- The menu.
    TDBGrid* dbgConfesco = nullptr;
    QImage imgUnCheck, imgCheck, imgOpcao;

    // --- Data.
    TClientDataSet* cdsConfescoDieta = nullptr;
    TClientDataSet* cdsReceitaUtili = nullptr;
    TDataSource* dtsConfescoDieta = nullptr;
    TDataSource* dtsReceitaUtili = nullptr;
    TADOIBQuery* qryServico = nullptr;
    TADOIBQuery* qryDietaPad = nullptr;
    TADOIBQuery* qryValidTipoPrat = nullptr;
    TADOIBQuery* qryTipoPrat = nullptr;
    TADOIBQuery* qryValidPrato = nullptr;
    TDataSource* dtsServico = nullptr;
    TDataSource* dtsDieta = nullptr;
    TDataSource* dtsTipoPrat = nullptr;

    // --- Methods.
    // Validates the diet code (an empty one is an error when `required`), names it and shows
    // the quantity column for a quantity diet.
    void Vd_Dieta(bool required);
    // Builds the menu grid for the diet: the served menu, or an empty free composition.
    void Mostra_Cardapio();
    void Vd_TipoPrat(bool required);
    void Vd_Prato(bool required);
    // The quantity rule: the row is chosen exactly when its quantity is above zero.
    void Atua_QtRom();
    void vd_Servico();

    // --- Handlers.
    void FormCreate() override;
    void FormActivate() override;
    void FormKeyDown(int& key, Qt::KeyboardModifiers modifiers) override;
    void sbtConfirmaClick() override;
    void edtCdServicoChange();
    void edtCdServicoExit();
    void btnPesqServicoBeforePesq();
    void btnPesqServicoAfterPesq();
    void medDietaEnter();
    void medDietaChange();
    void medDietaExit();
    void btpDietaBeforePesq();
    void btpDietaAfterPesq();
    void dbgConfescoEnter();
    void dbgConfescoDrawColumnCell(QPainter& painter, const QRect& rect, int columnIndex,
                                   TColumn& column, TField* field, TGridDrawState state);
    void dbgConfescoCellClick(TColumn& column);
    void dbgConfescoColEnter();
    void dbgConfescoColExit();
    void dbgConfescoKeyDown(int& key, Qt::KeyboardModifiers modifiers);
    void dbgConfescoKeyPress(QChar& key);
    void dbgConfescoEditButtonClick();
    void cdsConfescoDietaBeforeInsert();
    void cdsConfescoDietaNewRecord();
    void cdsConfescoDietaBeforePost();

private:
    void buildPanel();
    void buildGrid();
    void buildDataSets();
    void buildQueries();
    void buildMessages();
    void connectHandlers();

    contracts::ContAlimentar& screen() const;
    // The kind (IDFORMDIET) of the diet whose menu the grid holds.
    bool freeComposition() const;    // "4": rows typed by the operator
    bool anyFreeComposition() const; // "1", "2" or "4": no served menu
    bool quantityDiet() const;       // "3"
    bool hasRows() const;
    bool editing() const;
    QString selectedField() const;
    void setQuantityColumnVisible(bool visible);
    void alignQuantitiesWithTicks();
    // Puts the focus on the field's cell of the current row (before a message about it).
    void focusField(const QString& fieldName);
    void tickCurrent();
    void saveDiet(const QString& keep);

    bool boServGrupo = false;
    QString stTipoServ;
    QString stSequCopr;
    // The diet the last validation found: its kind and group stay with the menu built for it,
    // whatever row a lookup leaves the diet query on.
    QString stFormDiet;
    QString stDietGrup;
    FocusOrder* m_focus = nullptr;
};

// The dialog while it is shown.
extern TfrmDietaContAlimentar* frmDietaContAlimentar;

} // namespace dieta::Cli_zfa13020
