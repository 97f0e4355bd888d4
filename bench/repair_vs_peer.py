#!/usr/bin/python3
"""`meshaudit repair` against CGAL's repair pipeline (cgal_repair), on the same files, in one run.

    repair_vs_peer.py CORPUS [--meshaudit CMD] [--peer CGAL_REPAIR] [--work DIR] [--json OUT.jsonl]
                      [--include-crossing] [--from-json OUT.jsonl]

CORPUS is a folder written by bench/corpus/make_damaged.py (its manifest.json says each file's
damage). For each file the two repairs run one after the other, which goes first alternating from
file to file, so that both see the same machine; each is timed as a whole process (read, repair,
write OFF). Then, untimed, the input and both outputs are judged by `meshaudit check -p closed`
(exit 0: printable). It prints, for each tool: the share of files that come out printable (files
whose damage makes shells cross or touch are left out and listed, since CGAL's pipeline resolves no
intersection; with --include-crossing they count too, as `meshaudit repair` now resolves them by
default), the files made worse (the input passed, or failed fewer checks, and the output fails more),
the total wall-clock and CPU time and their ratios; then the printable share by damage group. Build the peer with
/work/shared/bench/build-peer.sh (into /tmp/meshaudit-peer by default). --from-json reports again on
the lines an earlier run wrote with --json, running nothing.
"""
import argparse
import json
import os
import resource
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def cpu_of_children():
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    return usage.ru_utime + usage.ru_stime


def run(cmd, timeout):
    """(wall seconds, CPU seconds, exit code, standard error) of one process. The CPU time (user and
    system) is the steadier figure on a shared machine, where a process waits for a core."""
    start, cpu = time.perf_counter(), cpu_of_children()
    try:
        done = subprocess.run(cmd, capture_output=True, text=True, timeout=timeout)
        code, err = done.returncode, done.stderr
    except subprocess.TimeoutExpired:
        code, err = -1, "timed out"
    return time.perf_counter() - start, cpu_of_children() - cpu, code, err


def judge(meshaudit, path):
    """(passes, failing check count) of `check -p closed` on path; a missing file fails everything."""
    if not os.path.exists(path):
        return False, 99
    done = subprocess.run([meshaudit, "check", "-p", "closed", "--json", "-q", path], capture_output=True, text=True)
    failing = 0
    for line in done.stdout.splitlines():
        doc = json.loads(line)
        for value in doc.values():
            if isinstance(value, dict):
                failing += sum(1 for q in value.values() if isinstance(q, dict) and q.get("verdict") == "fail")
    if done.returncode not in (0, 1):
        return False, 99
    return done.returncode == 0, failing


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("corpus")
    parser.add_argument("--meshaudit", default=os.path.join(ROOT, "build/release/cli/meshaudit"))
    parser.add_argument("--peer", default="/tmp/meshaudit-peer/cgal_repair")
    parser.add_argument("--work", default="/tmp/meshaudit-repair-vs-peer")
    parser.add_argument("--json", help="write one JSON line per file here")
    parser.add_argument("--timeout", type=float, default=600)
    parser.add_argument("--include-crossing", action="store_true",
                        help="count files with crossing or touching shells in the printable share")
    parser.add_argument("--from-json", help="report on the lines of an earlier --json run, running nothing")
    args = parser.parse_args()
    if args.from_json:
        with open(args.from_json) as f:
            report([json.loads(line) for line in f], ["meshaudit", "cgal"], args.include_crossing)
        return 0
    with open(os.path.join(args.corpus, "manifest.json")) as f:
        files = json.load(f)["files"]
    tools = {
        "meshaudit": lambda i, o: [args.meshaudit, "repair", i, "-o", o, "--force"],
        "cgal": lambda i, o: [args.peer, i, o],
    }
    for tool in tools:
        os.makedirs(os.path.join(args.work, tool), exist_ok=True)
    rows = []
    for k, entry in enumerate(files):
        src = os.path.join(args.corpus, entry["file"])
        stem = os.path.splitext(entry["file"])[0]
        row = dict(entry, results={})
        order = list(tools) if k % 2 == 0 else list(tools)[::-1]
        for tool in order:
            out = os.path.join(args.work, tool, stem + ".off")
            if os.path.exists(out):
                os.remove(out)
            seconds, cpu, code, err = run(tools[tool](src, out), args.timeout)
            row["results"][tool] = {"seconds": seconds, "cpu": cpu, "code": code, "out": out,
                                    "error": err.strip()[-300:] if code != 0 else ""}
        row["in_pass"], row["in_failing"] = judge(args.meshaudit, src)
        for tool, result in row["results"].items():
            result["pass"], result["failing"] = judge(args.meshaudit, result["out"])
            result["worse"] = not result["pass"] and (row["in_pass"] or result["failing"] > row["in_failing"])
        rows.append(row)
        print(f"{entry['file']:32s} in {'pass' if row['in_pass'] else 'fail'}  " + "  ".join(
            f"{t} {'pass' if r['pass'] else 'FAIL'}{' WORSE' if r['worse'] else ''} {r['seconds']:.3f}s"
            for t, r in row["results"].items()), flush=True)
    if args.json:
        with open(args.json, "w") as f:
            f.writelines(json.dumps(r) + "\n" for r in rows)
    report(rows, list(tools), args.include_crossing)


def share(rows, tool):
    passed = sum(r["results"][tool]["pass"] for r in rows)
    return f"{passed}/{len(rows)} = {100.0 * passed / max(1, len(rows)):.1f} %"


def report(rows, tools, include_crossing=False):
    crossing = [r for r in rows if r["self_intersecting"] or r.get("self_touching")]
    counted = rows if include_crossing else [r for r in rows if r not in crossing]
    print(f"\n{len(rows)} files; {len(crossing)} with crossing or touching shells "
          f"{'counted in' if include_crossing else 'left out of'} the printable share: " +
          ", ".join(r["file"] for r in crossing))
    total = {t: sum(r["results"][t]["seconds"] for r in rows) for t in tools}
    cpu = {t: sum(r["results"][t]["cpu"] for r in rows) for t in tools}
    for t in tools:
        worse = [r["file"] for r in rows if r["results"][t]["worse"]]
        broken = [r["file"] for r in rows if r["in_pass"] and not r["results"][t]["pass"]]
        print(f"{t:10s} printable {share(counted, t):18s} (all files {share(rows, t)}) made worse {len(worse)} "
              f"(printable made failing {len(broken)})  time {total[t]:.2f} s, CPU {cpu[t]:.2f} s")
        if worse:
            print("           worse: " + ", ".join(worse))
    print(f"time ratio meshaudit / cgal = {total['meshaudit'] / max(total['cgal'], 1e-9):.3f} "
          f"(CPU time {cpu['meshaudit'] / max(cpu['cgal'], 1e-9):.3f})")
    print("\nby damage group (printable; crossing and touching files included here), and the CPU time ratio:")
    groups = sorted({r["group"] for r in rows})
    print(f"{'group':14s} {'files':>5s} " + " ".join(f"{t:>12s}" for t in tools) + "   CPU ratio")
    for g in groups:
        sub = [r for r in rows if r["group"] == g]
        passed = {t: sum(r["results"][t]["pass"] for r in sub) for t in tools}
        ratio = sum(r["results"]["meshaudit"]["cpu"] for r in sub) / max(sum(r["results"]["cgal"]["cpu"] for r in sub),
                                                                         1e-9)
        print(f"{g:14s} {len(sub):5d} " + " ".join(f"{passed[t]:>6d} ({100.0 * passed[t] / len(sub):3.0f}%)"
                                                   for t in tools) + f"   {ratio:.3f}")
    failing = [r for r in counted if not r["results"]["meshaudit"]["pass"]]
    if failing:
        print("\nmeshaudit output failing: " + ", ".join(f"{r['file']} ({'+'.join(r['kinds'])})" for r in failing))


if __name__ == "__main__":
    sys.exit(main())
