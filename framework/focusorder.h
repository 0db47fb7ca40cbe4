#pragma once
// Enter and exit handlers of controls and panels, in the order validations need: every exit
// of what is left before any enter of what is reached.
//
// Qt moves the focus first and tells afterwards (focusChanged); this component turns each
// move inside one window into: exit handlers from the control outwards (the control, then the
// panels it leaves), then enter handlers from the outside in (the panels entered, then the
// control). When an exit handler moves the focus itself (MensErro with a control) or aborts,
// the rest of the move is cancelled: the focus stays where the handler put it, or goes back
// to the control that was left, and no enter handler of the target runs. The same holds for
// an enter handler (the remaining enter handlers are skipped).
//
// Only moves inside the window count: a message box, lookup or dialog opening and closing
// runs no handler, because the window's own focusWidget() stays on its control meanwhile.
// Handlers run through the abort guard. Moves made while handlers run run no handlers.
//
//   auto* focus = new FocusOrder(this);          // once per form, owned by it
//   focus->onExit(medCdFilial, [this] { medCdFilialExit(); });
//   focus->onExit(panPrin, [this] { panPrinExit(); });

#include "framework/framework_export.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <functional>

class QWidget;

namespace dieta {

class FRAMEWORK_EXPORT FocusOrder : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<void()>;

    // Watches the focus inside `window` (a form: MDI child or dialog); owned by it.
    explicit FocusOrder(QWidget* window);
    ~FocusOrder() override;

    // The FocusOrder of a window, or nullptr.
    static FocusOrder* of(const QWidget* window);

    // One handler of each kind per widget (a new one replaces the old); widgets are controls
    // or panels inside the window.
    void onEnter(QWidget* widget, Handler handler);
    void onExit(QWidget* widget, Handler handler);

    // The control the window's focus was last accepted on (nullptr before the first).
    QWidget* current() const { return m_current; }
    // The control the running move left (nullptr before the first move): enter handlers
    // tell from it where the focus came from.
    QWidget* previous() const { return m_previous; }
    // True while enter or exit handlers run.
    bool moving() const { return m_moving; }

    // Forgets the current control without running its exit handlers (for a window whose
    // controls are rebuilt, or before the focus is set again at activation).
    void reset();

private:
    void focusChanged(QWidget* old, QWidget* now);
    void moveTo(QWidget* target);
    bool runChain(const QList<QWidget*>& chain, bool exiting, QWidget* expected);
    QList<QWidget*> chainUpTo(QWidget* from, QWidget* stop) const;
    QWidget* commonAncestor(QWidget* a, QWidget* b) const;
    bool inWindow(const QWidget* widget) const;
    void forget(QObject* widget);

    QWidget* m_window;
    QPointer<QWidget> m_current;
    QPointer<QWidget> m_previous;
    QHash<const QObject*, Handler> m_enter;
    QHash<const QObject*, Handler> m_exit;
    bool m_moving = false;
};

} // namespace dieta
