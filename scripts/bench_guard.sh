#!/usr/bin/env bash
# Performance guard, run by hand (not part of the tests): benchmarks a full
# analysis of the two 1M-triangle meshes, warm and in fresh processes, and
# the command's whole check of each, and fails when a time figure is more
# than 20 % slower than the committed baseline bench/baseline.jsonl, once the
# baseline is scaled by how the machine itself has changed: the bench times a
# fixed workload that does not use the library (the machine reference) in the
# same run, and a host that runs it 30 % slower than on the baseline's day is
# expected to run the analyses about 30 % slower too.
#
#   scripts/bench_guard.sh [--reps N] [--update]
#
# --update rewrites the baseline with the figures just measured. Medians of N
# runs (default 5). The machine should be otherwise idle: other builds skew
# the figures, so rerun before trusting a failure.
set -euo pipefail
cd "$(dirname "$0")/.."

reps=5
update=0
while [ $# -gt 0 ]; do
  case "$1" in
    --reps) reps="$2"; shift 2 ;;
    --update) update=1; shift ;;
    -h|--help) sed -n '2,15p' "$0"; exit 0 ;;
    *) echo "unknown option: $1" >&2; exit 2 ;;
  esac
done

meshes=${MESHAUDIT_BENCH_MESHES:-/tmp/meshaudit-bench-meshes}
if [ ! -f "$meshes/bunny_sub2.ply" ] || [ ! -f "$meshes/spheres_1m.ply" ]; then
  echo "bench guard: no bunny_sub2.ply and spheres_1m.ply in $meshes" >&2
  echo "(generate the benchmark meshes there, or name their folder in MESHAUDIT_BENCH_MESHES;" >&2
  echo " see bench/README.md)" >&2
  exit 2
fi

build=build/bench
bash scripts/deps.sh bench
cmake --preset bench >/dev/null
cmake --build "$build" -j2 --target meshaudit_bench meshaudit_cli >/dev/null

out=$(mktemp /tmp/meshaudit-bench-guard.XXXXXX.jsonl)
trap 'rm -f "$out"' EXIT
"$build/bench/meshaudit_bench" --reps "$reps" --reference --fresh \
  --command "$build/cli/meshaudit" --json "$out" \
  "$meshes/bunny_sub2.ply" "$meshes/spheres_1m.ply"

if [ "$update" = 1 ]; then
  cp "$out" bench/baseline.jsonl
  echo "baseline updated: bench/baseline.jsonl"
  exit 0
fi

# Time figures are every metric except the peer's, the memory, the scaling
# exponent and the machine reference; files are matched by name, not by
# directory.
/usr/bin/python3 - "$out" bench/baseline.jsonl <<'PY'
import json, os, sys

MACHINE = ("machine", "reference")

def load(path):
    figures = {}
    with open(path) as f:
        for line in f:
            line = line.strip()
            if not line:
                continue
            r = json.loads(line)
            metric = r["metric"]
            if metric.startswith("peer.") or "bytes" in metric or metric == "scaling_exponent":
                continue
            figures[(os.path.basename(r["subject"]), metric)] = float(r["value"])
    return figures

now, base = load(sys.argv[1]), load(sys.argv[2])
machine = 1.0
if MACHINE in now and MACHINE in base and base[MACHINE] > 0:
    machine = now[MACHINE] / base[MACHINE]
    print("machine reference: baseline %.3f s, now %.3f s: the baseline is scaled by %.2f"
          % (base[MACHINE], now[MACHINE], machine))
else:
    print("machine reference: not in the baseline, figures compared as they are")
worse = []
for key in sorted(base):
    if key == MACHINE:
        continue
    if key not in now:
        print("missing figure: %s %s" % key)
        worse.append(key)
        continue
    b, n = base[key] * machine, now[key]
    ratio = n / b if b > 0 else 1.0
    flag = "REGRESSED" if b >= 0.005 and n > 1.2 * b else ""
    print("%-16s %-28s expected %8.3f s  now %8.3f s  x%.2f %s" % (key[0], key[1], b, n, ratio, flag))
    if flag:
        worse.append(key)
unwatched = sorted(key for key in now if key not in base)
for key in unwatched:
    print("%-16s %-28s now %8.3f s  (not in the baseline: watched after --update)" % (key[0], key[1], now[key]))
if worse:
    print("bench guard: %d figure(s) more than 20 %% slower than the %sbaseline"
          % (len(worse), "scaled " if machine != 1.0 else ""))
    sys.exit(1)
print("bench guard: no time figure regressed by more than 20 %")
PY
