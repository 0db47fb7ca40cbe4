#pragma once
// Freezes the painting of a widget (a form, never the top-level window, which would blank the
// whole host) for a scope, and repaints it once at the end, also when the scope is left by an
// exception. Nested freezes of one widget keep it frozen until the outermost ends.

#include "framework/framework_export.h"

#include <QPointer>
#include <QWidget>

namespace dieta {

class FRAMEWORK_EXPORT PaintFreeze {
public:
    explicit PaintFreeze(QWidget* widget) : m_widget(widget) {
        if (m_widget) {
            m_wasEnabled = m_widget->updatesEnabled();
            m_widget->setUpdatesEnabled(false);
        }
    }
    ~PaintFreeze() {
        if (m_widget && m_wasEnabled) {
            m_widget->setUpdatesEnabled(true);
            m_widget->update();
        }
    }
    PaintFreeze(const PaintFreeze&) = delete;
    PaintFreeze& operator=(const PaintFreeze&) = delete;

private:
    QPointer<QWidget> m_widget;
    bool m_wasEnabled = false;
};

} // namespace dieta
