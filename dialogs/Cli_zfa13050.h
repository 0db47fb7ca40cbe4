#pragma once
// Cli_zfa13050: the add/duplicate diet dialog TfrmAcresDupDieta. For the one inpatient marked
// on the main screen it adds, on the screen's day, a given number of further records of a
// standard diet, each with the diet's menu, in one call (SetDupDieta) whose answer replaces
// the screen's list. The menu is neither shown nor edited here.

#include "framework/tfrmrotigeral.h"

class QFrame;
class QLabel;
class QLineEdit;

namespace dieta {
class FocusOrder;
class TADOIBQuery;
class TBtnPesquisa;
class TDataSource;
class TMaskEdit;
class TNumberEdit;
class TRadioGroup;
namespace contracts {
class ContAlimentar;
}
} // namespace dieta

namespace dieta::Cli_zfa13050 {

class TfrmAcresDupDieta : public TfrmRotiGeral {
    Q_OBJECT
public:
    explicit TfrmAcresDupDieta(QWidget* parent = nullptr);
    ~TfrmAcresDupDieta() override;

    QFrame* Panel1 = nullptr;
    QLabel* lblServico = nullptr;
    TMaskEdit* medCdServico = nullptr;
    TBtnPesquisa* btnPesqServico = nullptr;
    QLineEdit* edtNmServico = nullptr;
    QLabel* Label2 = nullptr;
    TMaskEdit* medDieta = nullptr;
    TBtnPesquisa* btpDieta = nullptr;
    QLineEdit* edtNmDieta = nullptr;
    QLabel* Label1 = nullptr;
    TNumberEdit* nedQuant = nullptr;
    TRadioGroup* rgpPaciente = nullptr;

    TADOIBQuery* qryServico = nullptr;
    TADOIBQuery* qryDietaPad = nullptr;
    TDataSource* dtsServico = nullptr;
    TDataSource* dtsDieta = nullptr;

    // Validates the diet code (an empty one is an error when `required`) and names it.
    void Vd_Dieta(bool required);
    void vd_Servico();

    void FormActivate() override;
    void sbtConfirmaClick() override;
    void medCdServicoChange();
    void medCdServicoExit();
    void btnPesqServicoBeforePesq();
    void btnPesqServicoAfterPesq();
    void medDietaChange();
    void medDietaExit();
    void btpDietaBeforePesq();
    void btpDietaAfterPesq();

private:
    void buildPanel();
    void connectHandlers();
    contracts::ContAlimentar& screen() const;
    // IDFORMDIET of the diet the query holds; empty when it holds none.
    QString dietKind() const;
    // Patient or companion: only a patient for a formula diet.
    void applyPatientRule();
    void duplicate();

    bool boServGrupo = false;
    QString stTipoServ;
    bool m_activated = false;
    FocusOrder* m_focus = nullptr;
};

// The dialog while it is shown.
extern TfrmAcresDupDieta* frmAcresDupDieta;

} // namespace dieta::Cli_zfa13050
