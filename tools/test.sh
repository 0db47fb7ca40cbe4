#!/usr/bin/env bash
# Builds and runs every test suite. PostgreSQL suites run when DIETA_TEST_PG is set
# (.ci/run starts a throwaway cluster for them).
#   tools/test.sh              build/ as tools/build.sh makes it
#   tools/test.sh --sanitize   everything built with address and undefined sanitizers in
#                              build-asan/ (benchmarks left out), and its whole ctest
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
if [ "${1:-}" = --sanitize ]; then
    export DIETA_BUILD_DIR=${DIETA_ASAN_BUILD_DIR:-$root/build-asan}
    "$root/tools/build.sh" -DDIETA_SANITIZE=address,undefined -DDIETA_BUILD_BENCH=OFF
    # Leaks inside Qt's and the system's own libraries are theirs, not ours.
    export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$root/tools/lsan.supp:print_suppressions=0}
    export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1:detect_stack_use_after_return=0}
    export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
else
    "$root/tools/build.sh"
fi
build=${DIETA_BUILD_DIR:-$root/build}
ctest --test-dir "$build" --output-on-failure --no-tests=error -j"$(nproc)" --timeout 900
