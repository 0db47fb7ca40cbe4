#pragma once
// TfrmPadrao: the framework's standard MDI form. Brings the shared parts (padraobase.h) with
// two pages, the list page tshFolhaDados (the grid dbgPadrao) and the detail page
// tshFormulario, and their menu items mnuFolhaDados and mnuFormulario. A page's Enabled flag
// is followed by its tab and its menu item; choosing the menu item shows the page.
//
// The host places the form in a QMdiSubWindow. Closing (sbtFechar, Close(), the frame's close
// box) runs FormCloseQuery and FormClose; the base FormClose answers caFree, which releases
// the form with its frame. Create forms with CreateForm<T>() so that FormCreate runs once the
// derived constructor has built its components; a failure there propagates to the caller.

#include "framework/framework_export.h"
#include "framework/padraobase.h"

#include <QPointer>
#include <QWidget>
#include <memory>

class QMdiSubWindow;

namespace dieta {

class FRAMEWORK_EXPORT TfrmPadrao : public QWidget, public TPadraoBase {
    Q_OBJECT
public:
    explicit TfrmPadrao(QWidget* parent = nullptr);
    ~TfrmPadrao() override;

    QWidget* tshFolhaDados = nullptr;
    QWidget* tshFormulario = nullptr;
    QAction* mnuFolhaDados = nullptr;
    QAction* mnuFormulario = nullptr;

    // Closes the MDI frame when there is one (releasing both), else the form.
    void Close() override;
    // The MDI frame holding the form, or nullptr.
    QMdiSubWindow* subWindow() const;

protected:
    // The page items of the "Exibir" menu (disabled with their page). By default each shows
    // its page; a form that must run its page-change handler in its own way overrides them.
    virtual void mnuFolhaDadosClick();
    virtual void mnuFormularioClick();

    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void followPage(QWidget* page, QAction* item);
    void showPageIfEnabled(QWidget* page);
    void watchFrame();

    QPointer<QWidget> m_frame; // the QMdiSubWindow; no downcast while it is destroyed
    bool m_frameClosing = false;
    bool m_closed = false;
};

// Builds a form and runs its FormCreate. When FormCreate fails the form is destroyed and the
// failure propagates.
template <typename Form, typename... Args> Form* CreateForm(Args&&... args) {
    auto form = std::make_unique<Form>(std::forward<Args>(args)...);
    form->FormCreate();
    return form.release();
}

} // namespace dieta
