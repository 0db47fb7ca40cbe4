#!/usr/bin/env bash
# Starts (or stops) a throwaway PostgreSQL cluster on 127.0.0.1 for the test suites.
#   tools/pg-test-cluster.sh start [DIR] [PORT]   prints the connection string for DIETA_TEST_PG
#   tools/pg-test-cluster.sh stop  [DIR]
# PostgreSQL refuses to run as root, so the cluster belongs to the postgres user.
set -euo pipefail
action=${1:-start}
dir=${2:-/tmp/dieta-pg}
port=${3:-55432}
bindir=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -1)
[ -n "$bindir" ] || { echo "PostgreSQL is not installed" >&2; exit 1; }

as_pg() {
    if [ "$(id -u)" = 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}

case "$action" in
start)
    if [ ! -f "$dir/PG_VERSION" ]; then
        mkdir -p "$dir"
        [ "$(id -u)" = 0 ] && chown postgres:postgres "$dir"
        as_pg "$bindir/initdb" -D "$dir" -U postgres -A trust --no-sync >/dev/null
    fi
    if ! as_pg "$bindir/pg_ctl" -D "$dir" status >/dev/null 2>&1; then
        as_pg "$bindir/pg_ctl" -D "$dir" -w -l "$dir/server.log" \
            -o "-c listen_addresses=127.0.0.1 -p $port -k $dir -c fsync=off -c max_connections=200" start >/dev/null
    fi
    echo "host=127.0.0.1 port=$port user=postgres dbname=postgres"
    ;;
stop)
    as_pg "$bindir/pg_ctl" -D "$dir" -m fast stop >/dev/null 2>&1 || true
    ;;
*)
    echo "usage: $0 start|stop [DIR] [PORT]" >&2
    exit 2
    ;;
esac
