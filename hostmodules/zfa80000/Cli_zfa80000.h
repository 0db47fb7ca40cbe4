#pragma once
// Cli_zfa80000: the diet-prescription calculation of a branch for a day. The server proposes a
// prescription for every inpatient without one (the diet of the day before, else the standard
// diet of a diagnosis of the stay); the operator unticks what he does not want and "Gravar"
// writes the ticked proposals as the day's prescriptions. Closing writes nothing.

#include "framework/tfrmpadraogrid.h"

#include <QDate>
#include <QImage>

class QLabel;
class QPainter;
class QPushButton;
class QRect;

namespace dieta {
class TClientDataSet;
class TField;
class TNetConnection;
struct TColumn;
struct TGridDrawState;
} // namespace dieta

namespace dieta::Cli_zfa80000 {

class TfrmCalcPresDieta : public TfrmPadraoGrid {
    Q_OBJECT
public:
    TfrmCalcPresDieta(const QString& filial, const QString& nomeFilial, QDate dia,
                      QWidget* parent = nullptr);
    ~TfrmCalcPresDieta() override;

    TClientDataSet* cdsProposta = nullptr;
    TNetConnection* netDietaOral = nullptr;
    QLabel* lblFilial = nullptr;
    QLabel* lblDia = nullptr;
    QLabel* lblTotal = nullptr;
    QPushButton* btnGravar = nullptr;
    QPushButton* btnCancelar = nullptr;
    QImage imgCheck;
    QImage imgUnCheck;

    QDate Dia() const { return m_dia; }
    // The prescriptions the last "Gravar" wrote (0 before it).
    int Gravadas() const { return m_gravadas; }

    // --- Handlers; the base grid window's handler runs first, FormClose's last.
    void FormCreate() override;
    void FormActivate() override;
    void FormClose(TCloseAction& action) override;
    void dtsPadraoStateChange() override;
    void dbgPadraoDrawColumnCell(QPainter& painter, const QRect& rect, int columnIndex,
                                 TColumn& column, TField* field, TGridDrawState state);
    void dbgPadraoTitleClick(TColumn& column);
    void dbgPadraoDblClick();
    void dbgPadraoKeyDown(int& key, Qt::KeyboardModifiers modifiers) override;
    void sbtConfirmarClick() override;

private:
    void buildCatalogue();
    void buildHeader();
    void buildDataSet();
    void buildGrid();
    void buildButtons();
    void buildToolbarState();
    void carregaPropostas();
    void ajustaColunas();
    bool operadorNutricionista();
    void gravaPropostas();
    int marcadas() const;
    void marcaTodas(bool marca);
    void mostraTotal();

    QString m_filial;
    QDate m_dia;
    bool m_primeiraVez = true;
    bool m_podeGravar = false;
    int m_gravadas = 0;
};

// Runs the window modally for the branch (code, name) on the host's day.
void CriaCalcPresDieta(const QString& filial, const QString& nomeFilial);

} // namespace dieta::Cli_zfa80000
