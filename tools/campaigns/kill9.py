#!/usr/bin/env python3
"""Campaign: kill -9 of dieta-server in the middle of each kind of write, again and again,
then the database is checked: the engine's integrity check, no acknowledged write lost (its
audit row is there), no call half applied (records without their menu, choices without their
record, per-kind counts), and the server starts again on it.

  kill9.py [--short] [--repeats N] [--pg CONNSTRING] [--work DIR]
"""

import argparse
import datetime
import os
import random
import sys
import tempfile
import threading
import time

from campaign import (Database, Hospital, Server, Stats, load_average, postgres_database,
                      report, TODAY, BRANCH)
from dieta_wire import date, packet_rows


class Writer(threading.Thread):
    """Sends one kind of write in a loop until the server stops answering."""

    def __init__(self, wire, calls):
        super().__init__(daemon=True)
        self.wire, self.calls = wire, calls
        self.stats = Stats()
        self.acked = {}       # method -> calls answered with success
        self.in_flight = None  # the method whose answer never came
        self.last_ok = {}     # method -> args of the last success

    def run(self):
        n = 0
        while True:
            # A round is a generator of calls that is sent each call's answer.
            round_ = self.calls(n)
            answer = None
            try:
                while True:
                    method, args = round_.send(answer)
                    self.in_flight = method
                    answer = self.wire.call(method, args)
                    if answer.status == 0:
                        return
                    self.in_flight = None
                    self.stats.add(method, answer)
                    if answer.ok:
                        self.acked[method] = self.acked.get(method, 0) + 1
                        self.last_ok[method] = args
            except StopIteration:
                pass
            n += 1


WRITES = {"SetUpdServinte", "SetDupDieta", "DelServ", "SetConfDieta", "GetCopiarDieta",
          "SetConfirmaPrescricao", "SetUpdConfesco"}


def kinds(h):
    """Each kind: the calls of one round (n counts rounds) and its own check."""
    days = [TODAY + datetime.timedelta(days=d) for d in range(0, 4)]

    def save(n):
        yield h.save_record(h.patients[0], h.diets[n % 2], "k9-%d" % n)

    def dup(n):
        yield h.duplicate(h.patients[1 + n % 4], h.diets[n % 2], 2, days[(n // 4) % 4])

    def dup_delete(n):
        patient = h.patients[5]
        added = yield h.duplicate(patient, h.diets[0], 1)
        seqs = [r["NRSEQUSERV"] for r in packet_rows(added.result)
                if r.get("CDPACIENTE") == patient and r.get("STPACIACOM") == "0"]
        if seqs:
            yield h.delete([(patient, "0", max(seqs))])

    def set_diet(n):
        yield h.set_diet(h.patients[6:10], h.diets[n % 2])

    def copy(n):
        yield h.copy(TODAY, TODAY + datetime.timedelta(days=1 + n % 3), overwrite=n % 2 == 0)

    def confirm(n):
        listed = yield h.list_prescriptions()
        yield h.confirm_prescriptions(listed)

    def choices(n):
        # Every row of the record gets one more portion: a half-applied change log shows as
        # rows with different quantities.
        listed = yield ("GetConfesco", [BRANCH, h.patients[0], date(TODAY), "01"])
        if not listed.ok:
            return
        p = listed.result["packet"]
        names = [f["name"].upper() for f in p["fields"]]
        q = names.index("QTPRATCONF")
        changes = []
        for row in p["rows"]:
            new = list(row)
            new[q] = (row[q] or 0) + 1
            changes.append({"status": "modified", "row": new, "original": row})
        delta = {"packet": {"fields": p["fields"], "changes": changes}}
        if changes:
            yield ("SetUpdConfesco", [delta])

    return {"SetUpdServinte": save, "SetDupDieta": dup, "DelServ": dup_delete,
            "SetConfDieta": set_diet, "GetCopiarDieta": copy,
            "SetConfirmaPrescricao": confirm, "SetUpdConfesco": choices}


def records(db):
    return db.count("SELECT COUNT(*) FROM SERVINTE")


def check_round(db, kind, writer, before, h):
    """The faults found after one kill, as texts."""
    faults = []
    integrity = db.integrity()
    if integrity != "ok":
        faults.append("integrity_check: " + integrity)
    audits = db.audits()
    for method in (set(writer.acked) | {writer.in_flight}) & WRITES:
        added = audits.get(method, 0) - before["audits"].get(method, 0)
        acked = writer.acked.get(method, 0)
        extra = 1 if writer.in_flight == method else 0
        if added < acked:
            faults.append("%s: %d acknowledged, %d recorded (lost)" % (method, acked, added))
        elif added > acked + extra:
            faults.append("%s: %d acknowledged, %d recorded" % (method, acked, added))
    for name, value in db.invariants().items():
        if value > before["invariants"][name]:
            faults.append("%s: %d, was %d" % (name, value, before["invariants"][name]))
    grown = records(db) - before["records"]
    dups = audits.get("SetDupDieta", 0) - before["audits"].get("SetDupDieta", 0)
    dels = audits.get("DelServ", 0) - before["audits"].get("DelServ", 0)
    if kind == "SetDupDieta" and grown != 2 * dups:
        faults.append("SetDupDieta: %d records added by %d calls of 2" % (grown, dups))
    if kind == "DelServ" and grown != dups - dels:
        faults.append("DelServ: %d records after %d adds and %d deletes" % (grown, dups, dels))
    if kind == "SetUpdServinte" and "SetUpdServinte" in writer.last_ok:
        remark = db.scalar("SELECT DSSERVINTE FROM SERVINTE WHERE CDFILIAL = '%s' AND CDPACIENTE"
                           " = '%s' AND DTSERVINTE = '%s' AND STPACIACOM = '0'"
                           " ORDER BY NRSEQUSERV LIMIT 1" % (BRANCH, h.patients[0], TODAY))
        last = int(writer.last_ok["SetUpdServinte"][8].split("-")[1])
        if remark not in ("k9-%d" % last, "k9-%d" % (last + 1)):
            faults.append("SetUpdServinte: remark %s after k9-%d was acknowledged" % (remark, last))
    if kind == "SetUpdConfesco":
        mixed = db.count("SELECT COUNT(DISTINCT QTPRATCONF) FROM CONFESCO WHERE CDFILIAL = '%s'"
                         " AND CDPACIENTE = '%s' AND DTSERVINTE = '%s' AND NRSEQUSERV = '01'"
                         % (BRANCH, h.patients[0], TODAY))
        if mixed > 1:
            faults.append("SetUpdConfesco: the record's choices have %d quantities" % mixed)
    return faults


def snapshot(db):
    return {"audits": db.audits(), "invariants": db.invariants(), "records": records(db)}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--short", action="store_true", help="3 kills per kind (CI)")
    parser.add_argument("--repeats", type=int, default=None)
    parser.add_argument("--pg", help="PostgreSQL connection string of a cluster to use")
    parser.add_argument("--work", default=None)
    options = parser.parse_args()
    repeats = options.repeats or (3 if options.short else 20)
    work = options.work or tempfile.mkdtemp(prefix="dieta-kill9-")
    os.makedirs(work, exist_ok=True)
    target = (postgres_database(options.pg, "dieta_kill9") if options.pg
              else os.path.join(work, "kill9.db"))
    log = os.path.join(work, "server.log")
    db = Database(target)
    rng = random.Random(16)

    server = Server(target, log, demo=150).start()
    start_resources = server.resources()
    h = Hospital(server.wire())
    server.stop()

    kills, faults, total = 0, [], Stats()
    started = time.monotonic()
    for kind, calls in kinds(h).items():
        for _ in range(repeats):
            before = snapshot(db)
            server = Server(target, log).start()
            writer = Writer(server.wire(), calls)
            writer.start()
            time.sleep(rng.uniform(0.1, 0.8))
            server.kill9()
            writer.join(30)
            kills += 1
            for method, times in writer.stats.times.items():
                total.times.setdefault(method, []).extend(times)
            for method, n in writer.stats.errors.items():
                total.errors[method] = total.errors.get(method, 0) + n
            total.samples.update(writer.stats.samples)
            faults += ["%s: %s" % (kind, f) for f in check_round(db, kind, writer, before, h)]

    server = Server(target, log).start()
    end_health = server.wire().health().status
    end_resources = server.resources()
    server.stop()
    calls, errors = total.total()
    report("kill -9 during writes (%s)" % ("PostgreSQL" if options.pg else "SQLite"), [
        "kills: %d (%d per kind), %.0f s, load average %s" % (
            kills, repeats, time.monotonic() - started, load_average()),
        "calls answered: %d, error answers: %d" % (calls, errors),
        total.table(),
        "server after the campaign: /health %d; at start %s, at end %s" % (
            end_health, start_resources, end_resources),
        "lost or half-applied: %s" % ("nothing" if not faults else "%d faults" % len(faults)),
    ] + faults[:40])
    return 0 if not faults and end_health == 200 else 1


if __name__ == "__main__":
    sys.exit(main())
