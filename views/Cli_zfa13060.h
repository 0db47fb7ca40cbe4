#pragma once
// Cli_zfa13060: the nutrient calculation of the main screen's current inpatient. For the
// screen's branch, service and date the server totals each nutrient of the chosen dishes and
// the energy of protein, carbohydrate, lipid and alcohol; the window shows the totals, the
// total caloric value (VCT) and each share of it. The nutrients can be limited to one group
// and, within it, to a picked list.
//
// The unit is split by concern: Cli_zfa13060.cpp builds the window, its queries and its
// catalogue; Cli_zfa13060_calculo.cpp holds the handlers and the calculation.

#include "framework/tfrmrotigeral.h"

class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QToolButton;

namespace dieta {
class FocusOrder;
class TADOIBQuery;
class TBtnPesquisa;
class TClientDataSet;
class TDataSource;
class TDBGrid;
class TMaskEdit;
class TNumberEdit;
} // namespace dieta

namespace dieta::Cli_zfa13060 {

class TfrmCalcNutriDieta : public TfrmRotiGeral {
    Q_OBJECT
public:
    explicit TfrmCalcNutriDieta(QWidget* parent = nullptr);
    ~TfrmCalcNutriDieta() override;

    // --- Group and nutrient choice.
    QLabel* lblGrupo = nullptr;
    TMaskEdit* medCdGrupo = nullptr;
    TBtnPesquisa* btpGrupo = nullptr;
    QLineEdit* edtNmGrupo = nullptr;
    QGroupBox* GroupBox3 = nullptr;
    QRadioButton* rbtTNutri = nullptr;
    QRadioButton* rbtLNutri = nullptr;
    QToolButton* btnNutriente = nullptr;

    // --- Totals.
    QFrame* Panel1 = nullptr;
    TDBGrid* dbgNutriente = nullptr;
    QFrame* panVct = nullptr;
    TNumberEdit* nedVct = nullptr;
    QFrame* panNutriente = nullptr;
    TNumberEdit* nedProt = nullptr;
    TNumberEdit* nedLipidio = nullptr;
    TNumberEdit* nedCarbo = nullptr;
    TNumberEdit* nedAlcool = nullptr;

    // --- Data.
    TClientDataSet* cdsCalc = nullptr;
    TDataSource* dtsCalc = nullptr;
    TADOIBQuery* qryParaDieto = nullptr;
    TADOIBQuery* qryGrupo = nullptr;
    TDataSource* dtsGrupo = nullptr;
    TADOIBQuery* qryNutriente = nullptr;
    TDataSource* dtsNutriente = nullptr;

    // The nutrient list sent to the server: "_001_014_", or what the pick list answered.
    QString NutrientList() const { return m_nutrientes; }

    // --- Handlers.
    void FormCreate() override;
    void FormActivate() override;
    void medCdGrupoChange();
    void medCdGrupoExit();
    void btpGrupoBeforePesq();
    void btpGrupoAfterPesq();
    void rbtTNutriClick();
    void btnNutrienteClick();
    void dbgNutrienteEnter();
    void sbtConfirmaClick() override;

    // Checks the group code (padded to its width) and shows its name; abandons on an unknown
    // code with the focus on the code.
    void Vd_Grupo();
    // Asks the server for the totals of the current inpatient and shows them.
    void Calcular();

private:
    void buildChoice();
    void buildTotals();
    void buildQueries();
    void buildMessages();
    void connectHandlers();
    // Sets qryNutriente's parameters from the group code and opens it.
    void openNutrientes();
    // Shows the server's energy values: the VCT and each share of it.
    void showEnergy(double protein, double carbohydrate, double lipid, double alcohol);
    void zeroEnergy();

    FocusOrder* m_focus = nullptr;
    QString m_nutrientes;
};

// The window while it is shown.
extern TfrmCalcNutriDieta* frmCalcNutriDieta;

// Creates a new window and shows it modally.
void CriaCalcNutriDieta();

} // namespace dieta::Cli_zfa13060
