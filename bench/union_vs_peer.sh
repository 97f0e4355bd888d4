#!/usr/bin/env bash
# The union of a file's overlapping closed shells: `meshaudit repair
# --resolve-intersections` against CGAL's corefinement union of the same
# shells one after the other (bench/peers/cgal_union.cpp), alternately in one
# run; CPU seconds (user and system) of each, their ratio, and the volumes.
#
#   bench/union_vs_peer.sh [--reps N] COMMAND FILE...
# Builds the peer into /tmp/meshaudit-peer when it is missing (Debian's
# libcgal-dev; the peers of /work/shared/bench install it).
set -euo pipefail
reps=1
if [ "${1:-}" = "--reps" ]; then reps="$2"; shift 2; fi
command="$1"; shift
here=$(cd "$(dirname "$0")" && pwd)
peer=/tmp/meshaudit-peer/cgal_union
if [ ! -x "$peer" ]; then
  mkdir -p /tmp/meshaudit-peer
  g++ -std=c++17 -O2 -DNDEBUG -DCGAL_NDEBUG "$here/peers/cgal_union.cpp" -o "$peer" -lmpfr -lgmp
fi
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
cpu() { /usr/bin/time -f "%U %S" "$@" 2>&1 >/dev/null | tail -1 | awk '{print $1 + $2}'; }
for file in "$@"; do
  ours=(); theirs=()
  for _ in $(seq "$reps"); do
    ours+=("$(cpu "$command" repair "$file" -o "$out/united.ply" --resolve-intersections)")
    theirs+=("$(cpu "$peer" "$file")")
  done
  volume=$("$command" check --json -p closed "$out/united.ply" | /usr/bin/python3 -c \
    'import json,sys; d=json.load(sys.stdin); print(repr(d["mesh"]["Volume"]["value"]))' || true)
  peerline=$("$peer" "$file" || true)
  /usr/bin/python3 - "$file" "${ours[*]}" "${theirs[*]}" "$volume" "$peerline" <<'PY'
import json, statistics, sys
file, a, b, volume, peer = sys.argv[1:6]
a = [float(x) for x in a.split()]; b = [float(x) for x in b.split()]
ma, mb = statistics.median(a), statistics.median(b)
p = json.loads(peer) if peer.strip() else {}
print(f"{file}: meshaudit {ma:.2f} s, CGAL {mb:.2f} s CPU, CGAL / meshaudit {mb / ma:.1f}; "
      f"volume meshaudit {volume.split()[0] if volume else '?'}, CGAL {p.get('volume', '?')} ({p.get('error') or 'ok'})")
PY
done
