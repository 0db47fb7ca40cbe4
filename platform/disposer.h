#pragma once
// Frees what a thread is done with on a thread of its own, so that the caller does not wait
// for it: a list of a thousand records took milliseconds to free, in the middle of loading the
// list that replaced it. Only for plain data (values whose sharing counts are atomic, as Qt's
// are), never for QObjects.

#include "platform/platform_export.h"

#include <memory>
#include <utility>

namespace dieta {

// Takes `thing` and frees it soon on the disposer's thread.
PLATFORM_EXPORT void disposeOf(std::shared_ptr<void> thing);

template <class T> void disposeLater(T&& thing) {
    disposeOf(std::make_shared<std::decay_t<T>>(std::forward<T>(thing)));
}

// Waits until everything handed over so far is freed (for tests and measurements).
PLATFORM_EXPORT void waitUntilDisposed();

} // namespace dieta
