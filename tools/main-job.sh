#!/usr/bin/env bash
# The main job: build, create the demo database, start dieta-server on loopback and open
# dieta-host with the Dieta Oral screen on the demo branch.
#   tools/main-job.sh [--screenshot FILE] [--demo SIZE]
# Without a display it says how to run under Xvfb; --screenshot runs under Xvfb by itself and
# saves a picture of the loaded screen.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${DIETA_BUILD_DIR:-$root/build}
screenshot=""
demo=300
while [ $# -gt 0 ]; do
    case "$1" in
    --screenshot) screenshot=$(realpath -m "$2"); shift 2 ;;
    --demo) demo=$2; shift 2 ;;
    *) echo "usage: $0 [--screenshot FILE] [--demo SIZE]" >&2; exit 2 ;;
    esac
done

bash "$root/tools/install-deps.sh"
"$root/tools/build.sh"

datadir=$root/data
mkdir -p "$datadir"
db=$datadir/dieta.db
log=$datadir/server.log

# The server's standard output comes through a pipe, never a file: on a new demo database it
# names the demo operators' random passwords, which are printed here once and kept nowhere.
exec {server_out}< <(exec "$build/server/dieta-server" --db "$db" --host 127.0.0.1 --port 0 \
    --demo "$demo" 2>"$log")
server_pid=$!
trap 'kill $server_pid 2>/dev/null || true; wait $server_pid 2>/dev/null || true' EXIT
port=""
declare -A passwords=()
while IFS= read -r -t 120 line <&"$server_out"; do
    case "$line" in
    "demo operator "*) set -- $line; passwords[$3]=$5 ;;
    "listening on 127.0.0.1:"*) port=${line##*:}; break ;;
    esac
done
[ -n "$port" ] || { cat "$log" >&2; echo "dieta-server did not start" >&2; exit 1; }
if [ ${#passwords[@]} -eq 0 ]; then
    # The demo database is from an earlier run: its operators get new random passwords.
    for op in $("$build/server/dieta-operators" --db "$db" list); do
        set -- $("$build/server/dieta-operators" --db "$db" set-password "$op" --random)
        passwords[$2]=$4
    done
fi
echo "demo operators and their passwords (shown once, stored nowhere):"
for op in $(printf '%s\n' "${!passwords[@]}" | sort); do
    echo "  $op  ${passwords[$op]}"
done
echo "dieta-server: 127.0.0.1:$port, database $db"

host=$build/host/dieta-host
if [ ! -x "$host" ]; then
    echo "dieta-host is not built yet; the server answers:"
    curl -s "http://127.0.0.1:$port/health"; echo
    exit 0
fi
host_args=(--server 127.0.0.1 --port "$port" --db "$db" --operator NUTRI01 --branch 0001 --open-module)

# The host takes the password from its environment instead of asking for it, and removes it.
password=${passwords[NUTRI01]:-}
if [ -n "$screenshot" ]; then
    DIETA_SENHA=$password xvfb-run -a -s "-screen 0 1280x800x24" "$host" "${host_args[@]}" \
        --screenshot "$screenshot"
    echo "screenshot saved to $screenshot"
elif [ -z "${DISPLAY:-}" ]; then
    echo "No display. Run it under Xvfb:  xvfb-run -a bash tools/main-job.sh --screenshot shot.png"
    echo "or with a display:              DISPLAY=:0 bash tools/main-job.sh"
else
    DIETA_SENHA=$password "$host" "${host_args[@]}"
fi
