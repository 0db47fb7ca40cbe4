#pragma once
// FormActivate for a form: at its first showing, when it becomes the active MDI child again,
// and whenever a modal box or dialog opened over it closes. Delivered queued, so the handler
// runs after the box's exec() has returned, and coalesced: several triggers before delivery
// give one call. Handlers run through the abort guard.
//
// MDI child: QMdiSubWindow::aboutToActivate plus QEvent::WindowUnblocked on the subwindow
// while it is the active child. Top-level form (dialog): its first Show plus WindowUnblocked.
// The subwindow may be given after construction: the hook follows the form's parent.

#include "framework/framework_export.h"

#include <QObject>
#include <QPointer>
#include <functional>

class QMdiSubWindow;
class QWidget;

namespace dieta {

class FRAMEWORK_EXPORT ActivationHook : public QObject {
    Q_OBJECT
public:
    ActivationHook(QWidget* form, std::function<void()> onActivate);

    int deliveries() const { return m_deliveries; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void attachSubWindow();
    void request();
    void deliver();
    bool isActiveChild() const;

    QWidget* m_form;
    QPointer<QMdiSubWindow> m_subWindow;
    std::function<void()> m_onActivate;
    bool m_pending = false;
    bool m_shownOnce = false;
    int m_deliveries = 0;
};

} // namespace dieta
