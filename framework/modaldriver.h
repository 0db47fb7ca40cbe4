#pragma once
// Drives REAL modal boxes and dialogs in tests: polls QApplication::activeModalWidget() with
// a timer and, when a new modal widget shows, runs an action on it (press a button by its
// caption, reject it, ...). Real boxes are needed to hold the focus and activation rules,
// which a scripted service cannot show.

#include "framework/framework_export.h"

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <vector>

class QWidget;

namespace dieta {

class FRAMEWORK_EXPORT ModalDriver : public QObject {
public:
    using Action = std::function<void(QWidget& modal)>;

    explicit ModalDriver(QObject* parent = nullptr);

    // Queue an action for the next modal widget that opens (in order, one per modal).
    void then(Action action);
    // Convenience: press the button whose caption (without '&') is the given text.
    void thenPress(const QString& caption);
    // Convenience: close the modal widget as Esc would (reject).
    void thenReject();

    int handled() const { return m_handled; }
    bool idle() const { return m_actions.empty(); }
    // Captions of the modal widgets handled (QMessageBox text, or window title).
    QStringList seenTexts;

    // Clicks the button of a modal widget by caption; false when there is none.
    static bool pressButton(QWidget& modal, const QString& caption);

private:
    void poll();

    QTimer m_timer;
    std::vector<Action> m_actions;
    QPointer<QWidget> m_lastHandled;
    int m_handled = 0;
};

} // namespace dieta
