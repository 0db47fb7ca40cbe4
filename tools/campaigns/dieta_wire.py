"""The campaigns' client of dieta-server: calls go only through the wire protocol
(POST /<object>/<method>, {"args": [...]}) and every header of a call comes from
Wire.headers(), the one place to add a session token or change the operator."""

import http.client
import json
import os
import socket
import time

SERVER_OBJECT = "Zfa13000.rdmDietaOral"


def date(day):
    return {"date": day.isoformat()}


def packet(fields, rows):
    """fields: [(name, type, size)], rows: [[...]] in field order."""
    decl = []
    for name, kind, size in fields:
        field = {"name": name, "type": kind}
        if size:
            field["size"] = size
        decl.append(field)
    return {"packet": {"fields": decl, "rows": rows}}


def packet_rows(value):
    """The rows of a packet answer as dicts by field name; [] for anything else."""
    if not isinstance(value, dict) or "packet" not in value:
        return []
    p = value["packet"]
    names = [f["name"].upper() for f in p["fields"]]
    return [dict(zip(names, row)) for row in p.get("rows") or []]


class Answer:
    def __init__(self, status, body, seconds, fault=None):
        self.status = status      # HTTP status; 0 when the server did not answer
        self.body = body          # the decoded JSON answer, or None
        self.seconds = seconds
        self.fault = fault        # transport fault text (no answer)

    @property
    def ok(self):
        return self.status == 200 and isinstance(self.body, dict) and "error" not in self.body

    @property
    def result(self):
        return self.body.get("result") if isinstance(self.body, dict) else None

    @property
    def error(self):
        if self.fault:
            return self.fault
        if isinstance(self.body, dict) and "error" in self.body:
            return "%d: %s" % (self.status, self.body["error"])
        return None if self.ok else "HTTP %d" % self.status


class Wire:
    # The server keeps an idle connection 2 s; like the real client, reuse one only when it
    # was idle under 1 s, so that a write is never sent into a connection being closed.
    IDLE_REUSE = 1.0

    def __init__(self, host, port, operator="NUTRI01", token=None, timeout=60):
        self.host, self.port, self.operator = host, port, operator
        self.token = token if token is not None else os.environ.get("DIETA_TOKEN")
        self.timeout = timeout
        self._conn = None
        self._last = 0.0

    def headers(self):
        headers = {"Content-Type": "application/json", "X-Operador": self.operator}
        if self.token:
            headers["Authorization"] = "Bearer " + self.token
        return headers

    def close(self):
        if self._conn:
            self._conn.close()
            self._conn = None

    def _connection(self):
        if self._conn and time.monotonic() - self._last > self.IDLE_REUSE:
            self.close()
        if not self._conn:
            self._conn = http.client.HTTPConnection(self.host, self.port, timeout=self.timeout)
        return self._conn

    def request(self, verb, path, body=None):
        start = time.monotonic()
        try:
            conn = self._connection()
            conn.request(verb, path, body=body, headers=self.headers())
            response = conn.getresponse()
            raw = response.read()
            self._last = time.monotonic()
            if response.getheader("Connection", "").lower() == "close":
                self.close()
            try:
                decoded = json.loads(raw) if raw else None
            except ValueError:
                decoded = None
            return Answer(response.status, decoded, time.monotonic() - start)
        except (OSError, http.client.HTTPException, socket.timeout) as e:
            self.close()
            return Answer(0, None, time.monotonic() - start, "%s: %s" % (type(e).__name__, e))

    def call(self, method, args):
        body = json.dumps({"args": args}).encode()
        return self.request("POST", "/%s/%s" % (SERVER_OBJECT, method), body)

    def login(self, password):
        """POST /login; the session's token, or None when refused."""
        body = json.dumps({"operator": self.operator, "password": password}).encode()
        answer = self.request("POST", "/login", body)
        if answer.status != 200 or not isinstance(answer.body, dict):
            return None
        return answer.body.get("token")

    def health(self):
        return self.request("GET", "/health")
