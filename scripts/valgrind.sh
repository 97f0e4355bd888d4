#!/usr/bin/env bash
# Runs the C host and the meshaudit command on the sample and the real meshes
# under valgrind's memcheck (workers included); fails on any error or leak.
# Too slow for every test run: run it by hand or before a release, naming
# further mesh files as arguments:  scripts/valgrind.sh MESH...
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset release >/dev/null
cmake --build --preset release -j"$(nproc 2>/dev/null || echo 2)" --target host_test meshaudit_cli >/dev/null
vg=(valgrind --quiet --error-exitcode=99 --leak-check=full --errors-for-leak-kinds=definite,indirect
    --trace-children=yes)
meshes=(cli/samples/sample.ply "$@")

"${vg[@]}" build/release/tests/host_test build/release/libmeshaudit.so
status=0
for m in "${meshes[@]}"; do
  echo "== $m"
  set +e
  "${vg[@]}" build/release/cli/meshaudit check --json -j 1 "$m" >/dev/null
  rc=$?
  set -e
  # 0 and 1 are verdicts; 2 a load error; 99 a memcheck error.
  if [ "$rc" -ge 2 ]; then echo "memcheck or load failure on $m (exit $rc)"; status=1; fi
done
tmp=$(mktemp -d)
"${vg[@]}" build/release/cli/meshaudit repair cli/samples/sample.ply -o "$tmp/out.ply" --merge 1e-9 --drop-invalid >/dev/null
rm -rf "$tmp"
[ "$status" -eq 0 ] && echo "valgrind: clean"
exit "$status"
