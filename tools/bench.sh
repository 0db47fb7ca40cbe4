#!/usr/bin/env bash
# The performance table: builds the benchmarks (optimised build), runs each path beside its
# floor in one run, prints the table and writes it into docs/performance.md.
# PostgreSQL rows run when DIETA_TEST_PG is set. Extra arguments go to every program
# (e.g. --benchmark_filter=sqlite). BENCH_PROGRAMS="bench_confdieta bench_packet" runs only those.
# Each benchmark runs BENCH_REPETITIONS times (3) and the table takes the median of each figure.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${DIETA_BUILD_DIR:-$root/build}
programs=(bench_getinternacao bench_confdieta bench_copiardieta bench_smallcall bench_packet
          bench_clicktopaint bench_markall)
if [[ -n ${BENCH_PROGRAMS:-} ]]; then
    read -r -a programs <<<"$BENCH_PROGRAMS"
fi
cmake --build "$build" -j2 --target "${programs[@]}" bareserver
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
for program in "${programs[@]}"; do
    echo "== $program (load $(cut -d' ' -f1-3 /proc/loadavg))" >&2
    QT_QPA_PLATFORM=offscreen "$build/bench/$program" --benchmark_out="$out/$program.json" \
        --benchmark_out_format=json --benchmark_repetitions="${BENCH_REPETITIONS:-3}" "$@" >&2
done
python3 "$root/bench/perftable.py" --doc "$root/docs/performance.md" \
    --label "${BENCH_LABEL:-}" "$out"/*.json
