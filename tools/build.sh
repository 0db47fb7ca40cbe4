#!/usr/bin/env bash
# One configure and one build of everything (module, host, server, tests, benchmarks) in build/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${DIETA_BUILD_DIR:-$root/build}
export CCACHE_BASEDIR=$root
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$build" -j"$(nproc)"
