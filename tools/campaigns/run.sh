#!/usr/bin/env bash
# Runs every reliability campaign against build/server/dieta-server (build it first).
#   tools/campaigns/run.sh [--short]          --short: the CI's few minutes
# PostgreSQL campaigns use a cluster of their own on port 55440 (pg_restart.py) and, for the
# mixed load, DIETA_TEST_PG when set (a database dieta_load is created in it).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
mode=()
[ "${1:-}" = --short ] && mode=(--short)
work=$(mktemp -d /tmp/dieta-campaigns.XXXXXX)
chmod 755 "$work"
trap 'rm -rf "$work"' EXIT
failed=0
run() {
    local name=$1
    shift
    echo "-- $name $*"
    python3 "$here/$name" "${mode[@]}" --work "$work/${name%.py}$#" "$@" || failed=1
}
run kill9.py
run full_disk.py
run load.py
if [ -n "${DIETA_TEST_PG:-}" ]; then
    run kill9.py --pg "$DIETA_TEST_PG"
    run load.py --pg "$DIETA_TEST_PG"
fi
if ls -d /usr/lib/postgresql/*/bin >/dev/null 2>&1; then
    run pg_restart.py
fi
exit $failed
