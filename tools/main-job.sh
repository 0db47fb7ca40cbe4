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

"$build/server/dieta-server" --db "$db" --host 127.0.0.1 --port 0 --demo "$demo" >"$log" 2>&1 &
server_pid=$!
trap 'kill $server_pid 2>/dev/null || true; wait $server_pid 2>/dev/null || true' EXIT
port=""
for _ in $(seq 1 300); do
    port=$(sed -n 's/.*listening on 127\.0\.0\.1:\([0-9]*\).*/\1/p' "$log" | head -1)
    [ -n "$port" ] && break
    kill -0 $server_pid 2>/dev/null || { cat "$log" >&2; exit 1; }
    sleep 0.1
done
[ -n "$port" ] || { echo "dieta-server did not start" >&2; exit 1; }
echo "dieta-server: 127.0.0.1:$port, database $db"

host=$build/host/dieta-host
if [ ! -x "$host" ]; then
    echo "dieta-host is not built yet; the server answers:"
    curl -s "http://127.0.0.1:$port/health"; echo
    exit 0
fi
host_args=(--server 127.0.0.1 --port "$port" --db "$db" --operator NUTRI01 --branch 0001 --open-module)

if [ -n "$screenshot" ]; then
    xvfb-run -a -s "-screen 0 1280x800x24" "$host" "${host_args[@]}" --screenshot "$screenshot"
    echo "screenshot saved to $screenshot"
elif [ -z "${DISPLAY:-}" ]; then
    echo "No display. Run it under Xvfb:  xvfb-run -a bash tools/main-job.sh --screenshot shot.png"
    echo "or with a display:              DISPLAY=:0 bash tools/main-job.sh"
else
    "$host" "${host_args[@]}"
fi
