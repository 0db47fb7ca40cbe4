#include "framework/toolbartwin.h"

#include <QAbstractButton>
#include <QAction>
#include <QEvent>
#include <QPointer>

namespace dieta {

ToolbarTwin::ToolbarTwin(QWidget* source, Follower follower)
    : QObject(source), m_source(source), m_follower(std::move(follower)) {
    source->installEventFilter(this);
    sync();
}

ToolbarTwin* ToolbarTwin::bind(QAbstractButton* button, QAction* action) {
    QPointer<QAction> twin = action;
    auto* binding = new ToolbarTwin(button, [twin](bool enabled) {
        if (twin)
            twin->setEnabled(enabled);
    });
    QPointer<QAbstractButton> source = button;
    QObject::connect(action, &QAction::triggered, binding, [source] {
        if (source && source->isEnabled())
            source->click();
    });
    return binding;
}

ToolbarTwin* ToolbarTwin::follow(QWidget* source, Follower follower) {
    return new ToolbarTwin(source, std::move(follower));
}

bool ToolbarTwin::ownEnabled(const QWidget* widget) {
    return !widget->testAttribute(Qt::WA_ForceDisabled);
}

bool ToolbarTwin::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_source && event->type() == QEvent::EnabledChange)
        sync();
    return false;
}

void ToolbarTwin::sync() {
    m_follower(ownEnabled(m_source));
}

} // namespace dieta
