#!/usr/bin/env python3
"""Campaign: PostgreSQL stopped and started under load. Clients keep calling while the cluster
goes down and comes back; the same dieta-server process must answer errors (never hang or
drop the connection) while it is down and answer again, without a restart, once it is back.
Nothing acknowledged may be lost, nothing refused may be recorded.

Uses a cluster of its own (tools/pg-test-cluster.sh, port 55440 by default): never the shared one.
  pg_restart.py [--short] [--cycles N] [--clients N] [--port P] [--work DIR]
"""

import argparse
import os
import subprocess
import sys
import tempfile
import threading
import time

from campaign import (ROOT, Database, Hospital, Server, Stats, load_average, postgres_database,
                      report)
from load import Client

CLUSTER = os.path.join(ROOT, "tools", "pg-test-cluster.sh")


def cluster(action, directory, port, attempts=2):
    """Runs the cluster script; a start that fails (right after a heavy campaign the machine
    may be slow to give the port back) is tried once more, and its own words are shown."""
    for attempt in range(attempts):
        done = subprocess.run(["bash", CLUSTER, action, directory, str(port)],
                              capture_output=True, text=True)
        if done.returncode == 0:
            return done.stdout.strip()
        log = os.path.join(directory, "server.log")
        tail = open(log, errors="replace").read()[-2000:] if os.path.exists(log) else ""
        print(f"cluster {action} failed (attempt {attempt + 1}): {done.stderr.strip()}\n{tail}",
              file=sys.stderr)
        time.sleep(5)
    raise subprocess.CalledProcessError(done.returncode, done.args, done.stdout, done.stderr)


def until_answered(wire, h, limit=120):
    """Seconds until a read and a write both succeed again; None past the limit."""
    began = time.monotonic()
    read_ok = write_ok = False
    while time.monotonic() - began < limit:
        if not read_ok:
            read_ok = wire.call("GetDiagInter", ["0001"]).ok
        if read_ok and not write_ok:
            write_ok = wire.call(*h.save_record(h.patients[30], h.diets[0], "probe")).ok
        if read_ok and write_ok:
            return time.monotonic() - began
        time.sleep(0.1)
    return None


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--short", action="store_true", help="2 stop/start cycles (CI)")
    parser.add_argument("--cycles", type=int, default=None)
    parser.add_argument("--clients", type=int, default=8)
    parser.add_argument("--down", type=float, default=3.0, help="seconds the cluster stays down")
    parser.add_argument("--port", type=int, default=55440)
    parser.add_argument("--work", default=None)
    options = parser.parse_args()
    cycles = options.cycles or (2 if options.short else 6)
    work = options.work or tempfile.mkdtemp(prefix="dieta-pgrestart-")
    os.makedirs(work, exist_ok=True)
    pgdir = os.path.join(work, "cluster")
    os.chmod(work, 0o755)  # the cluster belongs to the postgres user when run as root
    base = cluster("start", pgdir, options.port)
    try:
        return campaign(options, cycles, work, pgdir, base)
    finally:
        cluster("stop", pgdir, options.port)


def campaign(options, cycles, work, pgdir, base):
    target = postgres_database(base, "dieta_pgrestart")
    db = Database(target)
    server = Server(target, os.path.join(work, "server.log"), demo=150).start()
    pid = server.proc.pid
    h = Hospital(server.wire())
    audits_before = db.audits()
    start = server.resources()
    stop, stats = threading.Event(), Stats()
    clients = [Client(n, server.wire(), h, stop, stats) for n in range(options.clients)]
    for c in clients:
        c.start()
    probe = server.wire()
    recoveries, outage_faults, slowest = [], 0, 0.0
    began = time.monotonic()
    for _ in range(cycles):
        time.sleep(5)
        before = stats.total()[1]
        cluster("stop", pgdir, options.port)
        down_at = time.monotonic()
        time.sleep(options.down)
        down_answer = probe.call("GetDiagInter", ["0001"])
        cluster("start", pgdir, options.port)
        recoveries.append(until_answered(probe, h))
        outage_faults += stats.total()[1] - before
        slowest = max(slowest, time.monotonic() - down_at)
        if down_answer.ok or down_answer.status == 0:
            recoveries[-1] = None  # answered from nowhere, or not at all, while down
    time.sleep(5)
    stop.set()
    for c in clients:
        c.join(120)
    elapsed = time.monotonic() - began
    for c in clients:
        c.wire.close()
    probe.close()
    time.sleep(3)
    end = server.resources()
    same_process = server.proc.poll() is None and server.proc.pid == pid
    server.stop()

    problems = []
    audits = db.audits()
    acked, in_doubt = {}, {}
    for c in clients:
        for method, n in c.acked.items():
            acked[method] = acked.get(method, 0) + n
        for method, n in c.in_doubt.items():
            in_doubt[method] = in_doubt.get(method, 0) + n
    probes = audits.get("SetUpdServinte", 0) - audits_before.get("SetUpdServinte", 0)
    for method in ("SetUpdServinte", "SetUpdConfesco", "SetConfDieta", "SetDupDieta"):
        recorded = audits.get(method, 0) - audits_before.get(method, 0)
        expected = acked.get(method, 0)
        if method == "SetUpdServinte":
            expected += cycles  # the probe's one write per cycle
            recorded = probes
        if recorded < expected:
            problems.append("%s: %d acknowledged, %d audited (lost)" % (method, expected,
                                                                       recorded))
        elif recorded > expected + in_doubt.get(method, 0):
            problems.append("%s: %d acknowledged, %d audited (refused but recorded)" % (
                method, expected, recorded))
    for name, value in db.invariants().items():
        if value:
            problems.append("%s: %d" % (name, value))
    if None in recoveries:
        problems.append("the server did not answer again within 120 s (or answered while down)")
    if not same_process:
        problems.append("the server process did not survive")
    if stats.unanswered:
        problems.append("%d calls not answered with HTTP 200" % stats.unanswered)
    calls, faults = stats.total()
    report("PostgreSQL stopped and started under load", [
        "%d cycles, down %.0f s each, %d clients, %.0f s, load average %s" % (
            cycles, options.down, options.clients, elapsed, load_average()),
        "answering again after the cluster started: %s s" % ", ".join(
            "%.1f" % r if r is not None else "never" for r in recoveries),
        "calls: %d, error answers: %d (%d while the cluster was down or starting)" % (
            calls, faults, outage_faults),
        stats.table(),
        "writes answered as not confirmable either way: %d" % sum(in_doubt.values()),
        "server at start %s, idle at end %s, same process: %s" % (start, end, same_process),
        "lost: %s" % ("nothing" if not problems else "; ".join(problems)),
    ])
    return 0 if not problems else 1


if __name__ == "__main__":
    sys.exit(main())
