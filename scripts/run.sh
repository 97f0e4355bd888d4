#!/usr/bin/env bash
# Builds the library and the meshaudit command (nothing else), says where
# the checker page is, then checks the bundled sample with the default
# profile (or runs `check` with the arguments given).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake --preset command >/dev/null
cmake --build --preset command -j"$(nproc 2>/dev/null || echo 2)"
# The checker page, which checks files in a browser with nothing installed,
# sits beside the command once scripts/viewer.sh has built it.
page=build/command/share/meshaudit/meshaudit.html
if [ -f "$page" ]; then
  echo "checker page: file://$PWD/$page (open it in a browser and drop mesh files on it)" >&2
else
  echo "checker page: not built; 'bash scripts/viewer.sh' builds it (viewer/dist/meshaudit.html), then run this again" >&2
fi
if [ $# -eq 0 ]; then
  set -- cli/samples/sample.ply
fi
exec build/command/cli/meshaudit check "$@"
