#include "framework/focusorder.h"

#include "framework/abortguard.h"

#include <QApplication>
#include <QWidget>

namespace dieta {

namespace {

const char* const focusOrderProperty = "dieta_focusOrder";

// Sets the moving flag for a scope and restores it, also when a handler throws past us or
// destroys the window (and this component with it).
class MovingScope {
public:
    MovingScope(FocusOrder* order, bool& flag) : m_order(order), m_flag(flag), m_previous(flag) {
        m_flag = true;
    }
    ~MovingScope() {
        if (m_order)
            m_flag = m_previous;
    }
    MovingScope(const MovingScope&) = delete;
    MovingScope& operator=(const MovingScope&) = delete;

private:
    QPointer<FocusOrder> m_order;
    bool& m_flag;
    bool m_previous;
};

} // namespace

FocusOrder::FocusOrder(QWidget* window) : QObject(window), m_window(window) {
    window->setProperty(focusOrderProperty, QVariant::fromValue(static_cast<QObject*>(this)));
    connect(qApp, &QApplication::focusChanged, this,
            [this](QWidget* old, QWidget* now) { focusChanged(old, now); });
}

FocusOrder::~FocusOrder() = default;

FocusOrder* FocusOrder::of(const QWidget* window) {
    if (!window)
        return nullptr;
    return qobject_cast<FocusOrder*>(window->property(focusOrderProperty).value<QObject*>());
}

void FocusOrder::onEnter(QWidget* widget, Handler handler) {
    if (!m_enter.contains(widget) && !m_exit.contains(widget))
        connect(widget, &QObject::destroyed, this, [this](QObject* o) { forget(o); });
    m_enter.insert(widget, std::move(handler));
}

void FocusOrder::onExit(QWidget* widget, Handler handler) {
    if (!m_enter.contains(widget) && !m_exit.contains(widget))
        connect(widget, &QObject::destroyed, this, [this](QObject* o) { forget(o); });
    m_exit.insert(widget, std::move(handler));
}

void FocusOrder::forget(QObject* widget) {
    m_enter.remove(widget);
    m_exit.remove(widget);
}

void FocusOrder::reset() {
    m_current = nullptr;
}

bool FocusOrder::inWindow(const QWidget* widget) const {
    return widget && (widget == m_window || m_window->isAncestorOf(widget));
}

void FocusOrder::focusChanged(QWidget*, QWidget* now) {
    // Moves made by handlers (and the boxes they open) are theirs: the move being processed
    // settles them when the handler returns.
    if (m_moving || !inWindow(now))
        return;
    // A box or another window closing gives the focus back to the control the window kept:
    // no move at all.
    if (now == m_current)
        return;
    moveTo(now);
}

QWidget* FocusOrder::commonAncestor(QWidget* a, QWidget* b) const {
    for (QWidget* w = a; w; w = w->parentWidget()) {
        if (w == m_window || w == b || w->isAncestorOf(b))
            return w;
    }
    return m_window;
}

// The widget and its ancestors below `stop`, innermost first.
QList<QWidget*> FocusOrder::chainUpTo(QWidget* from, QWidget* stop) const {
    QList<QWidget*> chain;
    for (QWidget* w = from; w && w != stop && w != m_window; w = w->parentWidget())
        chain << w;
    return chain;
}

// Runs the handlers of a chain; false when one aborted, failed or moved the focus away from
// `expected` (what the window's focus should be while the move goes on).
bool FocusOrder::runChain(const QList<QWidget*>& chain, bool exiting, QWidget* expected) {
    const auto& handlers = exiting ? m_exit : m_enter;
    for (QWidget* widget : chain) {
        const auto found = handlers.constFind(widget);
        if (found == handlers.constEnd())
            continue;
        const Handler handler = *found; // a handler may replace itself while it runs
        QPointer<FocusOrder> alive = this;
        const GuardOutcome outcome = runGuarded(handler);
        if (!alive)
            return false; // the handler closed the window
        if (outcome != GuardOutcome::Completed)
            return false;
        if (m_window->focusWidget() != expected)
            return false;
    }
    return true;
}

void FocusOrder::moveTo(QWidget* target) {
    QPointer<FocusOrder> alive = this;
    MovingScope scope(this, m_moving);
    QPointer<QWidget> left = m_current;
    QPointer<QWidget> guardedTarget = target;
    QWidget* common = left ? commonAncestor(left, target) : m_window;

    const QList<QWidget*> exits = left ? chainUpTo(left, common) : QList<QWidget*>{};
    const bool exited = runChain(exits, true, target);
    if (!alive)
        return;
    if (!exited) {
        // Cancelled: the focus stays where a handler put it, else goes back to the control.
        QWidget* focus = m_window->focusWidget();
        if (left && (focus == guardedTarget || !focus))
            left->setFocus(Qt::OtherFocusReason);
        m_current = m_window->focusWidget();
        return;
    }
    if (!guardedTarget)
        return;
    m_previous = left;
    m_current = target;
    QList<QWidget*> enters = chainUpTo(target, common);
    std::reverse(enters.begin(), enters.end());
    runChain(enters, false, target);
    if (!alive)
        return;
    // An enter handler that moved the focus leaves it there, with no further handlers.
    m_current = m_window->focusWidget();
}

} // namespace dieta
