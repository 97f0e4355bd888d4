#!/usr/bin/env bash
# What the solid and quality quantities add to a check: `meshaudit check -q`
# of each file with the closed profile as it is, and with those quantities
# turned off, alternately in one run; the medians of N runs each and their
# ratio. Wall time on a shared machine: read the ratio, not the seconds.
#
#   bench/solids_overhead.sh [--reps N] COMMAND FILE...
set -euo pipefail
reps=5
if [ "${1:-}" = "--reps" ]; then reps="$2"; shift 2; fi
command="$1"; shift
off=$(mktemp --suffix=.json)
trap 'rm -f "$off"' EXIT
# Every quantity of the two categories off, from the command's own listing.
"$command" defaults -p closed | /usr/bin/python3 -c '
import json, sys
d = json.load(sys.stdin)
print(json.dumps({c: {q: {"enable": False} for q, v in d[c].items() if isinstance(v, dict) and "enable" in v}
                  for c in ("solid", "quality")}))' > "$off"
# CPU seconds (user and system, the workers included): steadier than the
# wall clock on a machine that others share.
seconds() { /usr/bin/time -f "%U %S" "$@" 2>&1 >/dev/null | tail -1 | awk "{print \$1 + \$2}"; }
for file in "$@"; do
  with=(); without=()
  for _ in $(seq "$reps"); do
    with+=("$(seconds "$command" check -q "$file" || true)")
    without+=("$(seconds "$command" check -q -s "$off" "$file" || true)")
  done
  /usr/bin/python3 - "$file" "${with[*]}" "${without[*]}" <<'PY'
import statistics, sys
file, a, b = sys.argv[1], [float(x) for x in sys.argv[2].split()], [float(x) for x in sys.argv[3].split()]
ma, mb = statistics.median(a), statistics.median(b)
print(f"{file}: with {ma:.3f} s, without {mb:.3f} s, ratio {ma / mb:.3f}  (runs {a} / {b})")
PY
done
