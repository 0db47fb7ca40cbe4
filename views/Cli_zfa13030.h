#pragma once
// Cli_zfa13030: the doctors' diet prescriptions of the inpatients the main screen's filter
// selects. The operator marks the prescriptions to take over; on confirmation the server
// copies them into the diet records of the screen's service date, and the screen's inpatient
// list is reloaded when the window closes.

#include "framework/tfrmpadraogrid.h"

#include <QImage>

class QPainter;
class QRect;

namespace dieta {
class TClientDataSet;
class TDBText;
class TField;
struct TColumn;
struct TGridDrawState;
} // namespace dieta

namespace dieta::Cli_zfa13030 {

class TfrmControlePresDiet : public TfrmPadraoGrid {
    Q_OBJECT
public:
    explicit TfrmControlePresDiet(QWidget* parent = nullptr);
    ~TfrmControlePresDiet() override;

    TClientDataSet* cdsPrescricao = nullptr;
    TDBText* dbtNome = nullptr;
    // Marked and unmarked pictures of the mark column (clOlive shows the cell through).
    QImage imgCheck;
    QImage imgUnCheck;

    // A successful confirmation took the prescriptions over (the list is reloaded on close).
    bool Copied() const { return m_copiada; }

    // --- Handlers; FormCreate, dbgPadraoKeyDown and sbtConfirmarClick run the base grid
    // window's handler first, FormClose last.
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
    void buildDataSet();
    void buildGrid();
    void buildToolbarState();
    void buildPictures();
    // GetPrescricao with the mark every listed prescription gets; the list replaces
    // cdsPrescricao.
    void loadPrescricoes(const QString& mark);
    void confirmaPrescricoes();
    // The main screen's list after a copy; a failure is reported and the window closes anyway.
    void reloadMainList();

    bool m_primeiraVez = true;
    bool m_copiada = false;
};

// The window while it is shown.
extern TfrmControlePresDiet* frmControlePresDiet;

} // namespace dieta::Cli_zfa13030
