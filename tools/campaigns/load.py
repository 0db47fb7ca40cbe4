#!/usr/bin/env python3
"""Campaign: CLIENTS clients of mixed reads and writes for SECONDS against one dieta-server,
with contention on shared rows (every client saves the same few patients' day records and the
same record's menu choices). Reports calls, errors and p50/p99 per method, refusals the
operator would see (a row changed meanwhile), what was lost (acknowledged writes without
their audit row or their record: must be nothing), and the server's memory and descriptors
at start and end.

  load.py [--short] [--seconds S] [--clients N] [--pg CONNSTRING] [--work DIR]
"""

import argparse
import os
import random
import sys
import tempfile
import threading
import time

from campaign import (Database, Hospital, Server, Stats, load_average, postgres_database,
                      report, TODAY, BRANCH)
from dieta_wire import date

# Answers the operator is meant to see under contention, not faults.
REFUSALS = ("alterado", "alterou", "outro usuário", "outro operador", "número máximo")


# A write the server committed although its answer could not be completed (the database
# failed right after), and one whose commit it could not confirm either way.
WRITE_DONE = "A gravação foi concluída, mas"
WRITE_IN_DOUBT = "Não foi possível confirmar se a gravação foi concluída"


def is_refusal(answer):
    return answer.status == 200 and answer.error is not None and any(
        word in answer.error for word in REFUSALS)


class Client(threading.Thread):
    def __init__(self, number, wire, h, stop, stats):
        super().__init__(daemon=True)
        self.number, self.wire, self.h, self.stop, self.stats = number, wire, h, stop, stats
        self.rng = random.Random(number)
        self.acked = {}
        self.in_doubt = {}    # method -> writes answered "could not confirm"
        self.refused = 0
        self.refusal_texts = set()
        self.dup_patients = h.patients[12 + number % 8:13 + number % 8]

    def call(self, method, args):
        answer = self.wire.call(method, args)
        if is_refusal(answer):
            self.refused += 1
            self.refusal_texts.add(answer.error[:100])
            answer.body = {"result": None}  # answered as meant: not a fault, not a write
            self.stats.add(method, answer)
            return answer
        self.stats.add(method, answer)
        error = answer.error or ""
        if answer.ok or (answer.status == 200 and error.startswith(WRITE_DONE)):
            self.acked[method] = self.acked.get(method, 0) + 1
        elif answer.status == 200 and error.startswith(WRITE_IN_DOUBT):
            self.in_doubt[method] = self.in_doubt.get(method, 0) + 1
        return answer

    def write(self):
        h, r = self.h, self.rng.random()
        shared = h.patients[self.rng.randrange(4)]  # four records every client saves
        if r < 0.45:
            self.call(*h.save_record(shared, h.diets[self.rng.randrange(2)],
                                     "c%d" % self.number))
        elif r < 0.75:
            self.choices(shared)
        elif r < 0.9:
            self.call(*h.set_diet([shared, h.patients[4 + self.rng.randrange(4)]],
                                  h.diets[self.rng.randrange(2)]))
        else:
            day = TODAY.fromordinal(TODAY.toordinal() + 1 + self.number % 3)
            self.call(*h.duplicate(self.dup_patients[0], h.diets[0], 1, day))

    def choices(self, patient):
        listed = self.call("GetConfesco", [BRANCH, patient, date(TODAY), "01"])
        if not listed.ok or not isinstance(listed.result, dict):
            return
        p = listed.result["packet"]
        q = [f["name"].upper() for f in p["fields"]].index("QTPRATCONF")
        changes = []
        for row in p["rows"][:3]:
            new = list(row)
            new[q] = (row[q] or 0) + 1
            changes.append({"status": "modified", "row": new, "original": row})
        if changes:
            self.call("SetUpdConfesco", [{"packet": {"fields": p["fields"], "changes": changes}}])

    def run(self):
        while not self.stop.is_set():
            if self.rng.random() < 0.5:
                self.write()
            else:
                method, args = self.rng.choice(
                    self.h.reads(self.h.patients[self.rng.randrange(12)]))
                self.call(method, args)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--short", action="store_true", help="30 s (CI)")
    parser.add_argument("--seconds", type=int, default=None)
    parser.add_argument("--clients", type=int, default=32)
    parser.add_argument("--pg", help="PostgreSQL connection string of a cluster to use")
    parser.add_argument("--work", default=None)
    options = parser.parse_args()
    seconds = options.seconds or (30 if options.short else 600)
    work = options.work or tempfile.mkdtemp(prefix="dieta-load-")
    os.makedirs(work, exist_ok=True)
    target = (postgres_database(options.pg, "dieta_load") if options.pg
              else os.path.join(work, "load.db"))
    db = Database(target)
    server = Server(target, os.path.join(work, "server.log"), demo=300).start()
    h = Hospital(server.wire())
    audits_before = db.audits()
    records_before = db.count("SELECT COUNT(*) FROM SERVINTE")
    start = server.resources()
    stop, stats = threading.Event(), Stats()
    clients = [Client(n, server.wire(), h, stop, stats) for n in range(options.clients)]
    began = time.monotonic()
    for c in clients:
        c.start()
    middle = None
    while time.monotonic() - began < seconds:
        time.sleep(min(5, seconds))
        if middle is None and time.monotonic() - began >= seconds / 2:
            middle = (server.resources(), load_average())
    stop.set()
    for c in clients:
        c.join(120)
    elapsed = time.monotonic() - began
    busy = server.resources()
    # With every client gone and the keep-alive over, what the server still holds is a leak.
    for c in clients:
        c.wire.close()
    time.sleep(3)
    end = server.resources()
    server.stop()

    lost = []
    audits = db.audits()
    acked = {}
    for c in clients:
        for method, n in c.acked.items():
            acked[method] = acked.get(method, 0) + n
    for method in ("SetUpdServinte", "SetUpdConfesco", "SetConfDieta", "SetDupDieta"):
        recorded = audits.get(method, 0) - audits_before.get(method, 0)
        if recorded != acked.get(method, 0):
            lost.append("%s: %d acknowledged, %d audited" % (method, acked.get(method, 0),
                                                            recorded))
    added = db.count("SELECT COUNT(*) FROM SERVINTE") - records_before
    dup_audits = audits.get("SetDupDieta", 0) - audits_before.get("SetDupDieta", 0)
    created = added - dup_audits
    if created < 0:
        lost.append("day records: %d added, %d duplicates acknowledged" % (added, dup_audits))
    for name, value in db.invariants().items():
        if value:
            lost.append("%s: %d" % (name, value))
    integrity = db.integrity()
    if integrity != "ok":
        lost.append("integrity_check: " + integrity)
    calls, errors = stats.total()
    refused = sum(c.refused for c in clients)
    report("%d clients, mixed reads and writes, %s" % (
        options.clients, "PostgreSQL" if options.pg else "SQLite"), [
        "%.0f s, load average at the middle %s, at the end %s" % (
            elapsed, middle[1] if middle else "-", load_average()),
        "calls: %d (%.0f/s), error answers: %d, not answered or not HTTP 200: %d, refusals"
        " shown to the operator (row changed meanwhile, record limit): %d" % (
            calls, calls / elapsed, errors, stats.unanswered, refused),
        stats.table(),
        "refusal texts: %s" % sorted(set().union(*(c.refusal_texts for c in clients))),
        "server at start %s, middle %s, last call %s, idle after %s" % (
            start, middle[0] if middle else "-", busy, end),
        "lost: %s" % ("nothing" if not lost else "; ".join(lost)),
    ])
    # Error answers ("Tente novamente") are reported, not failed on: under contention a
    # write may lose a lock wait and say so. Lost data and unanswered calls fail.
    return 0 if not lost and stats.unanswered == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
