#pragma once
// TfrmPadraoGrid: the framework's grid window, a modal dialog with the standard parts
// (padraobase.h): toolbar and menu twins, the page tshPadrao with the list grid dbgPadrao on
// dtsPadrao, the navigator panel, the catalogues and the navigation popup. Its caller shows
// it modally and owns it. Closing (sbtFechar, Esc, the close box) runs FormCloseQuery and
// FormClose; an abort or a refusal keeps it open.

#include "framework/framework_export.h"
#include "framework/padraobase.h"

#include <QDialog>

namespace dieta {

class FRAMEWORK_EXPORT TfrmPadraoGrid : public QDialog, public TPadraoBase {
    Q_OBJECT
public:
    explicit TfrmPadraoGrid(QWidget* parent = nullptr);
    ~TfrmPadraoGrid() override;

    QWidget* tshPadrao = nullptr;

    void Close() override;
    void done(int result) override;

private:
    bool m_closing = false;
};

} // namespace dieta
