"""What the campaigns share: the server process (start, kill -9, memory and descriptors),
per-method statistics, and the demo hospital's calls, built from what the server answers."""

import datetime
import os
import re
import signal
import subprocess
import sys
import threading
import time

from dieta_wire import Wire, date, packet, packet_rows

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
TODAY = datetime.date(2026, 12, 7)  # the demo data is laid around this day
BRANCH, SERVICE, OPERATOR = "0001", "00010", "NUTRI01"


# The demo operators' passwords as the server printed them, and their sessions.
PASSWORDS = {}
TOKENS = {}

def server_binary():
    build = os.environ.get("DIETA_BUILD_DIR", os.path.join(ROOT, "build"))
    return os.path.join(build, "server", "dieta-server")


def load_average():
    with open("/proc/loadavg") as f:
        return " ".join(f.read().split()[:3])


class Server:
    """One dieta-server process on 127.0.0.1, port chosen by the system."""

    def __init__(self, db, log_path, demo=None, file_limit=None):
        self.db, self.log_path, self.demo = db, log_path, demo
        self.file_limit = file_limit  # bytes: no file of the server may grow past it
        self.proc, self.port = None, None

    def _limits(self):
        # A full disk without root: writes past RLIMIT_FSIZE fail with EFBIG, as on a full
        # device, once SIGXFSZ (which would kill the process instead) is ignored.
        if self.file_limit:
            import resource
            signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
            resource.setrlimit(resource.RLIMIT_FSIZE, (self.file_limit, self.file_limit))

    def start(self, timeout=300):
        args = [server_binary(), "--db", self.db, "--host", "127.0.0.1", "--port", "0"]
        if self.demo:
            args += ["--demo", str(self.demo), "--today", TODAY.isoformat()]
        log = open(self.log_path, "ab")
        self.proc = subprocess.Popen(args, stdout=subprocess.PIPE, stderr=log,
                                     preexec_fn=self._limits if self.file_limit else None)
        deadline = time.monotonic() + timeout
        # A fresh demo prints its operators' passwords once, before the address.
        line = self.proc.stdout.readline().decode()
        while line.startswith("demo operator "):
            _, _, code, _, password = line.split()
            PASSWORDS[code] = password
            TOKENS.pop(code, None)  # a new demo: the old sessions are gone
            line = self.proc.stdout.readline().decode()
        match = re.search(r"listening on 127\.0\.0\.1:(\d+)", line)
        if not match:
            self.proc.wait(max(1, deadline - time.monotonic()))
            raise RuntimeError("dieta-server did not start; see " + self.log_path)
        self.port = int(match.group(1))
        wire = self.wire()
        while time.monotonic() < deadline:
            if wire.health().status == 200:
                return self
            time.sleep(0.05)
        raise RuntimeError("dieta-server does not answer /health")

    def wire(self, operator=OPERATOR):
        # Sessions live in the database: a token outlives a restart of the server.
        if operator not in TOKENS and operator in PASSWORDS:
            TOKENS[operator] = Wire("127.0.0.1", self.port, operator).login(PASSWORDS[operator])
        return Wire("127.0.0.1", self.port, operator, token=TOKENS.get(operator))

    def resources(self):
        """Resident memory (kB), open descriptors and threads of the server."""
        pid = self.proc.pid
        rss = threads = 0
        with open("/proc/%d/status" % pid) as f:
            for line in f:
                if line.startswith("VmRSS:"):
                    rss = int(line.split()[1])
                elif line.startswith("Threads:"):
                    threads = int(line.split()[1])
        fds = sockets = 0
        for fd in os.listdir("/proc/%d/fd" % pid):
            fds += 1
            try:
                sockets += os.readlink("/proc/%d/fd/%s" % (pid, fd)).startswith("socket:")
            except OSError:
                pass
        return {"rss_kb": rss, "fds": fds, "sockets": sockets, "threads": threads}

    def kill9(self):
        self.proc.send_signal(signal.SIGKILL)
        self.proc.wait()

    def stop(self):
        if self.proc and self.proc.poll() is None:
            self.proc.send_signal(signal.SIGTERM)
            try:
                self.proc.wait(30)
            except subprocess.TimeoutExpired:
                self.kill9()


class Stats:
    """Calls, errors and latencies per method; thread-safe."""

    def __init__(self):
        self.lock = threading.Lock()
        self.times, self.errors, self.samples = {}, {}, {}
        self.unanswered = 0  # no answer, or no HTTP 200: a protocol fault or a dead server

    def add(self, method, answer):
        with self.lock:
            # A 503 with its error text is an answer: the database was away for the session
            # check, and the operator is told to try again.
            told = answer.status == 503 and isinstance(answer.body, dict) and "error" in answer.body
            if answer.status != 200 and not told:
                self.unanswered += 1
            self.times.setdefault(method, []).append(answer.seconds)
            if not answer.ok:
                self.errors[method] = self.errors.get(method, 0) + 1
                self.samples.setdefault(method, answer.error)

    def total(self):
        return sum(len(t) for t in self.times.values()), sum(self.errors.values())

    def table(self):
        lines = ["%-22s %8s %7s %9s %9s" % ("method", "calls", "errors", "p50 ms", "p99 ms")]
        for method in sorted(self.times):
            t = sorted(self.times[method])
            p50 = t[len(t) // 2] * 1000
            p99 = t[min(len(t) - 1, int(len(t) * 0.99))] * 1000
            lines.append("%-22s %8d %7d %9.1f %9.1f" % (method, len(t), self.errors.get(method, 0),
                                                       p50, p99))
        for method, sample in sorted(self.samples.items()):
            lines.append("  first error of %s: %s" % (method, sample[:160]))
        return "\n".join(lines)


# The demo hospital's calls ------------------------------------------------------------------

LIST_FIELDS = [("CDSERPADDIE", "string", 4000), ("CDALA", "string", 4000),
               ("CDANDAR", "string", 4000), ("CDDIAGNOST", "string", 4000),
               ("IDTIPOPACI", "string", 5), ("DTSERVINTE", "date", 0),
               ("CDSERVFILI", "string", 5), ("CDFILIAL", "string", 4)]
MARK_FIELDS = [("CDPACIENTE", "string", 12), ("STPACIACOM", "string", 1),
               ("NRSEQUSERV", "string", 2), ("DTSERVINTE", "datetime", 0),
               ("CDFILIAL", "string", 4), ("IDCHECK", "string", 1)]
MENU_FIELDS = [("IDESCOCONF", "string", 1), ("CDTIPOPRAT", "string", 2), ("CDPRATO", "string", 10),
               ("CDFILAUXPRAT", "string", 4), ("DSOBSCONF", "string", 250),
               ("IDOPCAOCONF", "string", 1), ("QTPRATCONF", "float", 0)]
MISSING_CARD = "Não existe cardápio para a dieta"


def list_params(day, service=SERVICE):
    return packet(LIST_FIELDS, [["T", "T", "T", "T", "T", day.isoformat(), service, BRANCH]])


def marked(rows, day):
    """rows: [(patient, status, sequence)]"""
    return packet(MARK_FIELDS, [[p, s, q or None, day.isoformat() + "T00:00:00", BRANCH, "S"]
                                for p, s, q in rows])


class Hospital:
    """What the demo hospital holds, learnt through the wire: the inpatients of the service and
    the diets that have a menu card on the day."""

    def __init__(self, wire, day=TODAY):
        self.day = day
        listing = wire.call("GetInternacao", [list_params(day)])
        if not listing.ok:
            raise RuntimeError("GetInternacao: %s" % listing.error)
        rows = packet_rows(listing.result)
        self.patients = sorted({r["CDPACIENTE"] for r in rows if r.get("STPACIACOM") == "0"})
        self.diets, self.menus = [], {}
        for n in range(1, 20):
            diet = "%04d" % n
            card = wire.call("GetCompCard", [BRANCH, SERVICE, diet, date(day), "A"])
            dishes = packet_rows(card.result) if card.ok else []
            if dishes:
                self.diets.append(diet)
                self.menus[diet] = packet(MENU_FIELDS, [
                    ["S", d["CDTIPOPRAT"], d["CDPRATO"], d["CDFILAUXPRAT"], None,
                     d.get("IDOPCCNFMES") or "N", 1] for d in dishes])
        if len(self.patients) < 8 or len(self.diets) < 2:
            raise RuntimeError("the demo hospital is too small: %d patients, %d diets"
                               % (len(self.patients), len(self.diets)))

    # Each returns (method, args) of one call.
    def save_record(self, patient, diet, remark, day=None):
        return "SetUpdServinte", [BRANCH, patient, date(day or self.day), "", SERVICE, diet,
                                  OPERATOR, True, remark, ""]

    def duplicate(self, patient, diet, quantity, day=None):
        day = day or self.day
        return "SetDupDieta", [BRANCH, SERVICE, date(day), diet, MISSING_CARD, "0", OPERATOR,
                               quantity, marked([(patient, "0", "")], day), list_params(day), "A"]

    def set_diet(self, patients, diet, day=None):
        day = day or self.day
        return "SetConfDieta", [BRANCH, SERVICE, date(day),
                                marked([(p, "0", "") for p in patients], day), self.menus[diet],
                                diet, "0", OPERATOR, "N", list_params(day)]

    def delete(self, records, day=None):
        day = day or self.day
        return "DelServ", [BRANCH, marked(records, day)]

    def copy(self, origin, destination, overwrite=True):
        return "GetCopiarDieta", [BRANCH, "T", "_%s_" % SERVICE, date(origin), "T", "T", "T", True,
                                  overwrite, date(destination), OPERATOR, list_params(origin), ""]

    def list_prescriptions(self, day=None):
        """The day's prescriptions, all marked."""
        return "GetPrescricao", [BRANCH, "S", list_params(day or self.day)]

    def confirm_prescriptions(self, listed, day=None):
        """Confirms the prescriptions of the answer `listed` to list_prescriptions."""
        return "SetConfirmaPrescricao", [BRANCH, SERVICE, "A", date(day or self.day), OPERATOR,
                                         listed.result, MISSING_CARD]

    def reads(self, patient, day=None):
        day = day or self.day
        return [("GetInternacao", [list_params(day)]),
                ("GetConfesco", [BRANCH, patient, date(day), "01"]),
                ("GetDiagInter", [BRANCH]),
                ("GetCalcNutriente", [BRANCH, patient, SERVICE, date(day), "T", "T"]),
                ("GetCompCard", [BRANCH, SERVICE, self.diets[0], date(day), "A"])]


def report(title, lines):
    print("== " + title)
    for line in lines:
        print(line)
    sys.stdout.flush()


class Database:
    """Read-only checks on the server's database, from outside the server: a SQLite file or a
    PostgreSQL connection string (through psql)."""

    def __init__(self, target):
        self.target = target
        self.postgres = "host=" in target or "dbname=" in target

    def query(self, sql):
        if self.postgres:
            out = subprocess.run(["psql", self.target, "-X", "-A", "-t", "-F", "\t", "-c", sql],
                                 check=True, capture_output=True, text=True).stdout
            return [line.split("\t") for line in out.splitlines() if line]
        import sqlite3
        conn = sqlite3.connect("file:%s?mode=ro" % self.target, uri=True, timeout=30)
        try:
            return [[("" if v is None else str(v)) for v in row] for row in conn.execute(sql)]
        finally:
            conn.close()

    def scalar(self, sql):
        rows = self.query(sql)
        return rows[0][0] if rows else None

    def count(self, sql):
        return int(self.scalar(sql) or 0)

    def integrity(self):
        if self.postgres:
            return "ok"  # the engine's own crash recovery; the campaign checks the data
        return ";".join(r[0] for r in self.query("PRAGMA integrity_check"))

    def audits(self):
        return {m: int(n) for m, n in
                self.query("SELECT NMMETODO, COUNT(*) FROM AUDIT GROUP BY NMMETODO")}

    def invariants(self):
        """Counts that a half-applied call would raise: menu choices without their day
        record, and day records of a diet with a card on that day but without any choice."""
        orphans = self.count(
            "SELECT COUNT(*) FROM CONFESCO c WHERE NOT EXISTS (SELECT 1 FROM SERVINTE s"
            " WHERE s.CDFILIAL = c.CDFILIAL AND s.CDPACIENTE = c.CDPACIENTE"
            " AND s.DTSERVINTE = c.DTSERVINTE AND s.NRSEQUSERV = c.NRSEQUSERV)")
        menuless = self.count(
            "SELECT COUNT(*) FROM SERVINTE s WHERE EXISTS (SELECT 1 FROM COMPCARD k"
            " WHERE k.CDFILIAL = s.CDFILIAL AND k.CDSERVFILI = s.CDSERVFILI"
            " AND k.CDDIETCARD = s.CDDIETPAD AND k.DTCOMPCARD = s.DTSERVINTE)"
            " AND NOT EXISTS (SELECT 1 FROM CONFESCO c WHERE c.CDFILIAL = s.CDFILIAL"
            " AND c.CDPACIENTE = s.CDPACIENTE AND c.DTSERVINTE = s.DTSERVINTE"
            " AND c.NRSEQUSERV = s.NRSEQUSERV)")
        return {"orphan choices": orphans, "records without their menu": menuless}


def postgres_database(base, name):
    """A fresh database `name` in the cluster of connection string `base`."""
    subprocess.run(["psql", base, "-X", "-q", "-c", "DROP DATABASE IF EXISTS %s" % name],
                   check=True, capture_output=True)
    subprocess.run(["psql", base, "-X", "-q", "-c", "CREATE DATABASE %s" % name], check=True,
                   capture_output=True)
    return re.sub(r"dbname=\S+", "dbname=" + name, base)
