#pragma once
// TfrmRotiGeral: the framework's base dialog for routines. A toolbar panMenu with the confirm
// button sbtConfirma, the help button sbtAjuda and the close button sbtFecha (flat, never
// taking the focus), the screen code label lblCodTela, the client area panClient where the
// derived dialog builds its controls, and the message catalogues. Shown modally by its
// caller, which owns it.
//
// Keys: the window sees them first (FormKeyDown, before the control that has the focus): Enter in
// an edit, combo box or check box moves to the next control; Esc closes (cancel); F1 asks for help
// by context. Closing (sbtFecha, Esc, the close box, accept or reject from code) runs
// FormCloseQuery and FormClose; an abort or a refusal keeps the dialog open.

#include "framework/framework_export.h"
#include "framework/padraobase.h"
#include "framework/tmessages.h"

#include <QDialog>

class QFrame;
class QLabel;
class QToolButton;

namespace dieta {

class ActivationHook;

class FRAMEWORK_EXPORT TfrmRotiGeral : public QDialog {
    Q_OBJECT
public:
    explicit TfrmRotiGeral(QWidget* parent = nullptr);
    ~TfrmRotiGeral() override;

    QFrame* panMenu = nullptr;
    QToolButton* sbtConfirma = nullptr;
    QToolButton* sbtAjuda = nullptr;
    QToolButton* sbtFecha = nullptr;
    QLabel* lblCodTela = nullptr;
    QWidget* panClient = nullptr;
    TMessages* msgPadrao = nullptr;
    const TMessages* msgMensagensPadroes = nullptr;

    QString HelpFile = QStringLiteral("zfahelp.hlp");
    int HelpContext = 0;

    // Handlers; a derived handler runs the base one first (FormClose last).
    virtual void FormCreate();
    virtual void FormActivate();
    virtual void FormCloseQuery(bool& canClose);
    virtual void FormClose(TCloseAction& action);
    virtual void FormKeyDown(int& key, Qt::KeyboardModifiers modifiers);
    virtual void sbtConfirmaClick();
    virtual void sbtAjudaClick();
    virtual void sbtFechaClick();

    // Closes the window; a modal dialog ends cancelled.
    void Close();
    void done(int result) override;

    // A speed button added to the toolbar after sbtConfirma.
    QToolButton* AddToolButton(const QString& name, const QString& hint);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool previewKey(QKeyEvent* event);

    ActivationHook* m_activation = nullptr;
    class QHBoxLayout* m_toolbarLayout = nullptr;
    bool m_closing = false;
};

// Enter moves on from these controls (not from grids, lists or multi-line texts).
FRAMEWORK_EXPORT bool enterMovesFocus(const QWidget* focus);

} // namespace dieta
