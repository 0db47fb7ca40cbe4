#!/usr/bin/env python3
"""Campaign: the disk fills up during writes (SQLite). The server runs with a file size limit
a little above its database's size, so that its writes start failing as on a full device
while clients keep writing. Every failed write must be answered as an error, every
acknowledged one must be there, nothing half written; reads go on; once space is back (the
server started without the limit) writes succeed again.

  full_disk.py [--short] [--headroom KB] [--clients N] [--work DIR]
"""

import argparse
import os
import sys
import tempfile
import threading
import time

from campaign import Database, Hospital, Server, Stats, load_average, report
from load import Client

WRITES = ("SetUpdServinte", "SetUpdConfesco", "SetConfDieta", "SetDupDieta")


def files_size(path):
    return sum(os.path.getsize(path + suffix) for suffix in ("", "-wal", "-shm")
               if os.path.exists(path + suffix))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--short", action="store_true", help="20 s of writing (CI)")
    parser.add_argument("--seconds", type=int, default=None)
    parser.add_argument("--headroom", type=int, default=512, help="KB of room left")
    parser.add_argument("--clients", type=int, default=8)
    parser.add_argument("--work", default=None)
    options = parser.parse_args()
    seconds = options.seconds or (20 if options.short else 120)
    work = options.work or tempfile.mkdtemp(prefix="dieta-fulldisk-")
    os.makedirs(work, exist_ok=True)
    target = os.path.join(work, "full.db")
    log = os.path.join(work, "server.log")
    db = Database(target)

    Server(target, log, demo=150).start().stop()  # filled and checkpointed at a clean stop
    limit = max(os.path.getsize(target), files_size(target)) + options.headroom * 1024
    audits_before = db.audits()
    server = Server(target, log, file_limit=limit).start()
    h = Hospital(server.wire())
    start = server.resources()
    stop, stats = threading.Event(), Stats()
    clients = [Client(n, server.wire(), h, stop, stats) for n in range(options.clients)]
    began = time.monotonic()
    for c in clients:
        c.start()
    time.sleep(seconds)
    stop.set()
    for c in clients:
        c.join(120)
    elapsed = time.monotonic() - began
    reads_when_full = server.wire().call(*h.reads(h.patients[0])[0])
    end = server.resources()
    alive = server.proc.poll() is None
    server.stop()

    problems = []
    audits = db.audits()
    acked = {}
    for c in clients:
        for method, n in c.acked.items():
            acked[method] = acked.get(method, 0) + n
    for method in WRITES:
        recorded = audits.get(method, 0) - audits_before.get(method, 0)
        if recorded != acked.get(method, 0):
            problems.append("%s: %d acknowledged, %d audited" % (method, acked.get(method, 0),
                                                                recorded))
    for name, value in db.invariants().items():
        if value:
            problems.append("%s: %d" % (name, value))
    integrity = db.integrity()
    if integrity != "ok":
        problems.append("integrity_check: " + integrity)
    failed_writes = sum(stats.errors.get(m, 0) for m in WRITES)
    if failed_writes == 0:
        problems.append("the disk never filled: lower --headroom")
    if not alive:
        problems.append("the server died")
    if stats.unanswered:
        problems.append("%d calls not answered with HTTP 200" % stats.unanswered)
    if not reads_when_full.ok:
        problems.append("reads failed on a full disk: %s" % reads_when_full.error)

    server = Server(target, log).start()  # space is back
    after = server.wire().call(*h.save_record(h.patients[0], h.diets[0], "space back"))
    server.stop()
    if not after.ok:
        problems.append("a write after space came back failed: %s" % after.error)
    calls, errors = stats.total()
    report("disk full during writes (SQLite, file size limit %d KB)" % (limit // 1024), [
        "%.0f s, %d clients, load average %s" % (elapsed, options.clients, load_average()),
        "calls: %d, error answers: %d, of them writes: %d" % (calls, errors, failed_writes),
        stats.table(),
        "a read on the full disk: %s; a write after space came back: %s" % (
            "ok" if reads_when_full.ok else reads_when_full.error,
            "ok" if after.ok else after.error),
        "server at start %s, at end %s, alive: %s" % (start, end, alive),
        "lost or half-written: %s" % ("nothing" if not problems else "; ".join(problems)),
    ])
    return 0 if not problems else 1


if __name__ == "__main__":
    sys.exit(main())
