#!/usr/bin/env python3
"""Reads the JSON of the benchmark programs of one run and writes each path beside its floor
(measured in the same run), their ratio and the goal, between the table markers of
docs/performance.md."""
import argparse
import datetime
import json
import os
import re
import sys

BEGIN = "<!-- benchmark table: begin -->"
END = "<!-- benchmark table: end -->"
ENGINES = ("sqlite", "postgresql")


def median_of(runs):
    """One result from the repetitions of a benchmark: the median of each figure, so that a
    repetition slowed by a neighbour on the host does not make the table."""
    merged = dict(runs[0])
    for key, value in runs[0].items():
        if isinstance(value, (int, float)) and not isinstance(value, bool):
            values = sorted(r[key] for r in runs if isinstance(r.get(key), (int, float)))
            merged[key] = values[len(values) // 2] if len(values) % 2 else \
                (values[len(values) // 2 - 1] + values[len(values) // 2]) / 2
    merged["repetitions"] = len(runs)
    return merged


def load_results(paths):
    runs, loads = {}, {}
    for path in paths:
        with open(path) as f:
            data = json.load(f)
        program = os.path.basename(path).removesuffix(".json")
        loads[program] = data.get("context", {}).get("load_avg", [])
        for b in data.get("benchmarks", []):
            if b.get("error_occurred") or b.get("run_type") == "aggregate":
                continue
            name = b["name"].split("/min_time")[0].split("/iterations")[0]
            name = re.sub(r"/(real_time|threads:\d+|repeats:\d+)", "", name)
            runs.setdefault(name, []).append(b)
    return {name: median_of(r) for name, r in runs.items()}, loads


def millis(b, counter=None):
    if counter:
        return b.get(counter)
    value, unit = b["real_time"], b.get("time_unit", "ns")
    return value * {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[unit]


# (what, path benchmark, floor benchmark, counter or None for the mean time, goal, larger is
# better). A goal is a ratio to the floor, None (no regression), "info" (no goal), or
# ("<", limit) for a figure that must stay under a limit of its own.
def rows(results):
    for e in ENGINES:
        for beds in (300, 1000, 5000):
            yield (f"GetInternacao, {beds} beds, {e} (p50 ms)", f"GetInternacao/{e}/{beds}",
                   f"GetInternacao_floor/{e}/{beds}", "p50_ms", 2.0, False)
    for e in ENGINES:
        yield (f"GetInternacao, 1,000 beds, first list after a change, {e} (p50 ms)",
               f"GetInternacao_afterChange/{e}/1000", f"GetInternacao_floor/{e}/1000", "p50_ms",
               "info", False)
    for e in ENGINES:
        yield (f"GetDiagInter, branch of 1,000 beds, {e} (p50 ms)", f"GetDiagInter/{e}/1000",
               f"GetDiagInter_floor/{e}/1000", "p50_ms", 2.0, False)
    for e in ENGINES:
        yield (f"GetDiagInter, first answer after a change, {e} (p50 ms)",
               f"GetDiagInter_afterChange/{e}/1000", f"GetDiagInter_floor/{e}/1000", "p50_ms",
               "info", False)
    for e in ENGINES:
        yield (f"SetConfDieta, 50 patients x 20 dishes, {e} (ms)", f"SetConfDieta_50patients/{e}",
               f"SetConfDieta_50patients_floor/{e}", None, 3.0, False)
    for e in ENGINES:
        yield (f"GetCopiarDieta, copy only, {e} (ms)", f"GetCopiarDieta_copyOnly/{e}",
               f"RawInsertSelect/{e}", None, None, False)
    for e in ENGINES:
        yield (f"GetConfCard, 4 clients, {e} (requests/s)", f"GetConfCard_rps/{e}",
               f"GetConfCard_rps_floor/{e}", "rps", 0.5, True)
        yield (f"Bare server answering on its I/O thread, {e} (requests/s; floor: with workers)",
               f"GetConfCard_rps_floor_inline/{e}", f"GetConfCard_rps_floor/{e}", "rps", "info",
               True)
    yield ("Packet load, 1,000 rows: the client's road, result read in place + dataset (ms)",
           "BM_ClientAnswerLoad", "BM_RawJsonParse", None, None, False)
    yield ("Packet load, 1,000 rows: the general road, whole answer parsed + dataset (ms)",
           "BM_AnswerDecodeAndSetData", "BM_RawJsonParse", None, "info", False)
    painted = results.get("ClickToPaint", {}).get("rows")
    rows_text = f"{painted:,.0f} rows" if painted else "the 1,000-stay service"
    yield (f"Click-to-paint, {rows_text} (p50 ms)", "ClickToPaint", "ClickToPaint_floor",
           "p50_ms", 1.5, False)
    yield (f"Click-to-paint, {rows_text} (p95 ms)", "ClickToPaint", "ClickToPaint_floor",
           "p95_ms", 1.5, False)
    yield ("Click-to-paint, p95 (ms)", "ClickToPaint", None, "p95_ms", ("<", 30.0), False)
    yield ("Mark all / unmark all, 1,000 records (ms a click)", "BM_MarkAllThenUnmarkAll", None,
           "click_ms", ("<", 50.0), False)


def fmt(x):
    if x is None:
        return "—"
    return f"{x:,.0f}" if x >= 100 else f"{x:.2f}" if x < 10 else f"{x:.1f}"


def judge(value, ratio, goal, larger):
    """The goal's text and whether it is met ("" when there is nothing to meet)."""
    if goal is None:
        return "no regression", ""
    if goal == "info":
        return "—", ""
    if isinstance(goal, tuple):
        limit = goal[1]
        return f"< {fmt(limit)} ms", "yes" if value < limit else "no"
    if larger:
        return f">= {goal}x", "yes" if ratio and ratio >= goal else "no"
    return f"<= {goal}x", "yes" if ratio and ratio <= goal else "no"


def table(results):
    lines = ["| Path | Figure | Floor | Ratio | Goal | Met | CPU ms, path / floor |",
             "|---|---:|---:|---:|---:|:-:|---:|"]
    for what, path, floor, counter, goal, larger in rows(results):
        p = results.get(path)
        if p is None:
            continue
        value = millis(p, counter)
        if value is None:
            continue
        f = results.get(floor) if floor else None
        base = millis(f, counter) if f else None
        ratio = value / base if base else None
        goal_text, met = judge(value, ratio, goal, larger)
        ratio_text = f"{ratio:.2f}x" if ratio else "—"
        cpu = p.get("cpu_ms")
        cpu_text = "—" if cpu is None else fmt(cpu) + (f" / {fmt(f['cpu_ms'])}" if f and "cpu_ms" in f else "")
        lines.append(f"| {what} | {fmt(value)} | {fmt(base)} | {ratio_text} | {goal_text} | {met} | {cpu_text} |")
    return lines


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--doc", required=True)
    parser.add_argument("--label", default="")
    parser.add_argument("json", nargs="+")
    args = parser.parse_args()
    results, loads = load_results(args.json)
    stamp = datetime.datetime.now(datetime.timezone.utc).strftime("%Y-%m-%d %H:%M UTC")
    load_text = "; ".join(f"{p} {' '.join(f'{x:.2f}' for x in l)}" for p, l in sorted(loads.items()))
    block = [BEGIN, "", f"Run {stamp}{' — ' + args.label if args.label else ''}. Load average "
             f"(1, 5, 15 min) as each program started: {load_text}.", ""] + table(results) + ["", END]
    print("\n".join(block))
    text = open(args.doc).read() if os.path.exists(args.doc) else f"# Performance\n\n{BEGIN}\n{END}\n"
    if BEGIN not in text:
        text += f"\n{BEGIN}\n{END}\n"
    head, rest = text.split(BEGIN, 1)
    tail = rest.split(END, 1)[1]
    with open(args.doc, "w") as f:
        f.write(head + "\n".join(block) + tail)


if __name__ == "__main__":
    sys.exit(main())
