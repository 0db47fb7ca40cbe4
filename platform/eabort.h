#pragma once
// The silent abort: abandons the running operation without a message. Every Qt entry point
// swallows it (framework/abortguard.h). Not derived from std::exception on purpose, so that a
// handler that reports std::exception never shows an abort as an error.
// Datasets let it through from their Before events after cancelling the operation, so the
// dataset is left as it was.

#include "platform/platform_export.h"

namespace dieta {

struct PLATFORM_EXPORT EAbort {};

} // namespace dieta
