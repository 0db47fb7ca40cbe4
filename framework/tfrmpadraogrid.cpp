#include "framework/tfrmpadraogrid.h"

#include <QTabBar>
#include <QTabWidget>

namespace dieta {

TfrmPadraoGrid::TfrmPadraoGrid(QWidget* parent) : QDialog(parent) {
    tshPadrao = new QWidget;
    tshPadrao->setObjectName(QStringLiteral("tshPadrao"));
    buildPadrao(this, tshPadrao, QStringLiteral("Folha de Dados"));
    // One page: the tab adds nothing.
    pgcPadrao->tabBar()->hide();
}

TfrmPadraoGrid::~TfrmPadraoGrid() = default;

void TfrmPadraoGrid::Close() {
    reject();
}

void TfrmPadraoGrid::done(int result) {
    if (m_closing)
        return;
    TCloseAction action = TCloseAction::caHide;
    if (!runCloseHandlers(action))
        return;
    m_closing = true;
    QDialog::done(result);
    m_closing = false;
}

} // namespace dieta
