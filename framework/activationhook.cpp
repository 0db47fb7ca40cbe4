#include "framework/activationhook.h"

#include "framework/abortguard.h"

#include <QEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QWidget>

namespace dieta {

ActivationHook::ActivationHook(QWidget* form, std::function<void()> onActivate)
    : QObject(form), m_form(form), m_onActivate(std::move(onActivate)) {
    form->installEventFilter(this);
    attachSubWindow();
}

void ActivationHook::attachSubWindow() {
    auto* sub = qobject_cast<QMdiSubWindow*>(m_form->parentWidget());
    if (sub == m_subWindow)
        return;
    if (m_subWindow) {
        m_subWindow->removeEventFilter(this);
        disconnect(m_subWindow, nullptr, this, nullptr);
    }
    m_subWindow = sub;
    if (!sub)
        return;
    sub->installEventFilter(this);
    connect(sub, &QMdiSubWindow::aboutToActivate, this, [this] { request(); });
}

bool ActivationHook::isActiveChild() const {
    if (!m_subWindow)
        return false;
    QMdiArea* area = m_subWindow->mdiArea();
    return area && area->activeSubWindow() == m_subWindow;
}

bool ActivationHook::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_form) {
        switch (event->type()) {
        case QEvent::ParentChange:
            attachSubWindow();
            break;
        case QEvent::Show:
            // A top-level form activates at its first showing; an MDI child by aboutToActivate.
            attachSubWindow();
            if (!m_subWindow && m_form->isWindow() && !m_shownOnce) {
                m_shownOnce = true;
                request();
            }
            break;
        case QEvent::WindowUnblocked:
            if (!m_subWindow && m_form->isWindow() && m_form->isVisible())
                request();
            break;
        default:
            break;
        }
    } else if (event->type() == QEvent::WindowUnblocked && watched == m_subWindow) {
        // The type is tested first: while the sub-window is being destroyed it still sends
        // events here, and reading the QPointer then casts a half-destroyed object.
        if (isActiveChild())
            request();
    }
    return false;
}

void ActivationHook::request() {
    if (m_pending)
        return;
    m_pending = true;
    QMetaObject::invokeMethod(this, &ActivationHook::deliver, Qt::QueuedConnection);
}

void ActivationHook::deliver() {
    m_pending = false;
    if (!m_form->isVisible())
        return;
    ++m_deliveries;
    runGuarded(m_onActivate);
}

} // namespace dieta
