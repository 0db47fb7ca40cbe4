#pragma once
// What the fuzz targets share: a Qt application object made once (some Qt classes want one),
// and a property check that stops the run with its reason, so the fuzzer keeps the input.

#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>

namespace dieta::fuzz {

inline void ensureApplication() {
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app =
        QCoreApplication::instance() ? nullptr : new QCoreApplication(argc, argv);
    (void)app;
}

[[noreturn]] inline void violated(const char* what) {
    std::fprintf(stderr, "fuzz property violated: %s\n", what);
    std::abort();
}

inline void require(bool holds, const char* what) {
    if (!holds)
        violated(what);
}

} // namespace dieta::fuzz
