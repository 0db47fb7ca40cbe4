#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, address and undefined sanitizers) in build-fuzz and runs
# each for SECONDS (default 60), starting from its seed corpus in fuzz/corpus/<target>.
#   tools/fuzz.sh [SECONDS] [TARGET ...]      e.g. tools/fuzz.sh 30 fuzz_packet
# Inputs that break a target are kept in build-fuzz/findings/<target>/; rerun one with
#   build-fuzz/fuzz/<target> FILE
# The corpus each run grows stays in build-fuzz/corpus/<target> for the next run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${DIETA_FUZZ_BUILD_DIR:-$root/build-fuzz}
seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(fuzz_request fuzz_methods fuzz_packet fuzz_filter)
cxx=${DIETA_FUZZ_CXX:-$(command -v clang++-14 || command -v clang++)}
[ -n "$cxx" ] || { echo "fuzz.sh: clang++ is not installed (tools/install-deps.sh)" >&2; exit 1; }

export CCACHE_BASEDIR=$root
# Debug info names the build folder; without this a second clone of the tree misses the cache.
export CCACHE_NOHASHDIR=1
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER="$cxx" -DDIETA_FUZZ=ON -DDIETA_SANITIZE=address,undefined \
    -DDIETA_BUILD_TESTS=OFF -DDIETA_BUILD_BENCH=OFF >/dev/null
built=$SECONDS
cmake --build "$build" -j"$(nproc)" --target "${targets[@]}"
echo "== build: $((SECONDS - built)) s"

dict_of() {
    case "$1" in
    fuzz_filter) echo "$root/fuzz/filter.dict" ;;
    *) echo "$root/fuzz/wire.dict" ;;
    esac
}

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export LC_ALL=C.UTF-8
failed=0
for t in "${targets[@]}"; do
    corpus=$build/corpus/$t
    findings=$build/findings/$t
    mkdir -p "$corpus" "$findings"
    log=$build/findings/$t.log
    echo "== $t: ${seconds}s"
    if "$build/fuzz/$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -max_len=8192 -dict="$(dict_of "$t")" -artifact_prefix="$findings/" -print_final_stats=1 \
        "$corpus" "$root/fuzz/corpus/$t" >"$log" 2>&1; then
        grep -E "^stat::number_of_executed_units|^stat::new_units_added|^#[0-9]+.*DONE" "$log" || true
    else
        failed=1
        echo "$t FAILED; input kept in $findings/" >&2
        grep -E "ERROR|property violated|runtime error|SUMMARY|Test unit written" "$log" | head -20 >&2
    fi
done
exit $failed
