#pragma once
// ToolbarTwin: a menu item (or any follower) whose Enabled state always follows a toolbar
// button's. Handlers set only the button (sbtCopConf->setEnabled(true)) and the twin follows,
// whatever code path changed it; the twin's trigger clicks the button, so both run the one
// handler and a disabled button cannot be reached through its menu item.
//
// The button's own flag counts (setEnabled), not the effective state inherited from a
// disabled parent: a button on a hidden or disabled toolbar keeps its own state, which the
// handlers read back.

#include "framework/framework_export.h"

#include <QObject>
#include <functional>

class QAbstractButton;
class QAction;
class QWidget;

namespace dieta {

class FRAMEWORK_EXPORT ToolbarTwin : public QObject {
    Q_OBJECT
public:
    using Follower = std::function<void(bool enabled)>;

    // The action follows the button and its trigger clicks the button. Owned by the button.
    static ToolbarTwin* bind(QAbstractButton* button, QAction* action);
    // Any widget's own Enabled flag followed by a function (a page and its tab, ...).
    static ToolbarTwin* follow(QWidget* source, Follower follower);

    // The widget's own Enabled flag (not the one inherited from its parent).
    static bool ownEnabled(const QWidget* widget);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    ToolbarTwin(QWidget* source, Follower follower);
    void sync();

    QWidget* m_source;
    Follower m_follower;
};

} // namespace dieta
