#pragma once
// Showavi: the busy animation shown over the host's main window around blocking server calls.
// Every call is synchronous, so the overlay is painted at once before the call (the box alone,
// never the rest of the window) and no event loop runs while it shows: handlers cannot run
// again mid-call. Calls nest; the overlay hides when the last one ends. Prefer the scope guard,
// which hides it also when the call fails:
//
//   ShowAviGuard busy(1);
//   auto result = net->AppServer("GetDiagInter", args);

#include "framework/framework_export.h"

#include <QPointer>
#include <QString>

class QWidget;

namespace dieta {

// Kinds of animation: 0 connecting to the server, 1 processing, 6 loading; any other kind
// shows the general caption.
FRAMEWORK_EXPORT void ActiveShowAvi(int kind);
FRAMEWORK_EXPORT void DeactiveShowAvi();

// The window the animation covers (the host's main window). Without one, the application's
// active window, else its first visible top-level window. nullptr restores the default.
FRAMEWORK_EXPORT void SetShowAviWindow(QWidget* window);

// The caption of a kind.
FRAMEWORK_EXPORT QString ShowAviCaption(int kind);
// The overlay now showing, or nullptr (for tests).
FRAMEWORK_EXPORT QWidget* ShowAviOverlay();

class FRAMEWORK_EXPORT ShowAviGuard {
public:
    explicit ShowAviGuard(int kind) { ActiveShowAvi(kind); }
    ~ShowAviGuard() { DeactiveShowAvi(); }
    ShowAviGuard(const ShowAviGuard&) = delete;
    ShowAviGuard& operator=(const ShowAviGuard&) = delete;
};

} // namespace dieta
