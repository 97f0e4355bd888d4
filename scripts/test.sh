#!/usr/bin/env bash
# Builds and runs every test: once in release, once under AddressSanitizer and
# UndefinedBehaviorSanitizer, then each fuzz target briefly; finally checks
# that the tests stay within a third of the code or so (scripts/lines.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh test
jobs=$(nproc 2>/dev/null || echo 2)

# The report page first, so that the builds below put it beside the command.
bash scripts/viewer.sh

# The real meshes beside the project, when there (CI lays them beside the
# clone), for the tests that compare against their published figures.
if [ -d ../shared/meshes ] && [ -z "${MESHAUDIT_REAL_MESHES:-}" ]; then
  export MESHAUDIT_REAL_MESHES="$PWD/../shared/meshes"
fi

for preset in release sanitize; do
  echo "== $preset =="
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j"$jobs"
  ctest --preset "$preset" -j"$jobs"
done

# `meshaudit report` pages in headless Chromium.
echo "== report page =="
(cd viewer && MESHAUDIT=../build/release/cli/meshaudit node --test tests/)

# Every fuzz target briefly, from its checked-in seed corpus (the long runs
# are scripts/fuzz.sh with a larger FUZZ_SECONDS).
echo "== fuzz (brief) =="
FUZZ_SECONDS=${FUZZ_SECONDS:-5} bash scripts/fuzz.sh

# The Python package, which the release build made beside the command whose
# JSON its reports must equal; among its tests, meshaudit.batch on a real
# Dask cluster (a scheduler and two workers on 127.0.0.1) running that command.
echo "== python =="
MESHAUDIT_COMMAND="$PWD/build/release/cli/meshaudit" PYTHONPATH="$PWD/build/release/python" \
  PYTHONDONTWRITEBYTECODE=1 /usr/bin/python3 -m pytest -q -p no:cacheprovider python/tests

# Test code is held to at most 0.35 times the shipped code: the check fails
# as soon as tests grow faster than the code they test.
echo "== test lines =="
bash scripts/lines.sh --check
