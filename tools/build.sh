#!/usr/bin/env bash
# One configure and one build of everything (module, host, server, tests, benchmarks) in build/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${DIETA_BUILD_DIR:-$root/build}
export CCACHE_BASEDIR=$root
# Debug info names the build folder; without this a second clone of the tree misses the cache.
export CCACHE_NOHASHDIR=1
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$build" -j"$(nproc)"
