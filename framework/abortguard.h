#pragma once
// The one guard around every Qt entry point (slot, event filter, event override, timer):
// runs the handler, swallows the silent abort, and shows any other exception as an error
// through the dialog service. No exception crosses Qt's event loop.
//
//   connectGuarded(edit, &QLineEdit::textChanged, this, [this] { medCdFilialChange(); });
//   bool MyForm::eventFilter(QObject* o, QEvent* e) {
//       return guardedFilter([&] { return myFilter(o, e); });
//   }

#include "framework/framework_export.h"
#include "platform/eabort.h"

#include <QObject>
#include <QPointer>
#include <functional>
#include <utility>

class QEvent;

namespace dieta {

// Abandons the running operation silently.
[[noreturn]] FRAMEWORK_EXPORT void Abort();

enum class GuardOutcome { Completed, Aborted, Failed };

// Runs the handler; an EAbort ends it quietly, any other exception is shown as an error.
FRAMEWORK_EXPORT GuardOutcome runGuarded(const std::function<void()>& handler);

// Shows the exception in flight as an error (call inside a catch block; prefer runGuarded,
// which shows it after the catch, outside the exception's lifetime). Never throws.
FRAMEWORK_EXPORT void reportCurrentException();

// For event filters and overrides that answer "handled": the handler's answer, or
// `onFailure` when it aborted or failed.
template <typename F> bool guardedFilter(F&& filter, bool onFailure = false) {
    bool result = onFailure;
    runGuarded([&] { result = filter(); });
    return result;
}

// Connects a signal to a handler through the guard. The handler takes all of the signal's
// arguments or none.
template <typename Sender, typename Signal, typename Handler>
QMetaObject::Connection connectGuarded(const Sender* sender, Signal signal, const QObject* context,
                                       Handler handler,
                                       Qt::ConnectionType type = Qt::AutoConnection) {
    return QObject::connect(
        sender, signal, context,
        [handler = std::move(handler)](auto&&... args) mutable {
            runGuarded([&] {
                if constexpr (std::is_invocable_v<Handler&, decltype(args)...>)
                    handler(std::forward<decltype(args)>(args)...);
                else
                    handler();
            });
        },
        type);
}

// An event filter whose filter function runs through the guard (false on abort/failure).
class FRAMEWORK_EXPORT GuardedEventFilter : public QObject {
public:
    using Filter = std::function<bool(QObject* watched, QEvent* event)>;
    GuardedEventFilter(QObject* watched, Filter filter);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Filter m_filter;
};

// Installs a guarded filter on `watched` (owned by it).
FRAMEWORK_EXPORT GuardedEventFilter* installGuardedFilter(QObject* watched,
                                                          GuardedEventFilter::Filter filter);

} // namespace dieta
