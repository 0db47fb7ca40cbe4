#!/usr/bin/env bash
# Builds and runs every test suite. PostgreSQL suites run when DIETA_TEST_PG is set
# (.ci/run starts a throwaway cluster for them).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${DIETA_BUILD_DIR:-$root/build}
"$root/tools/build.sh"
ctest --test-dir "$build" --output-on-failure --no-tests=error -j"$(nproc)" --timeout 600
