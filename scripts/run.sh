#!/usr/bin/env bash
# Builds the library and the meshaudit command (nothing else), then checks
# the bundled sample with the default profile (or runs `check` with the
# arguments given).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake --preset command >/dev/null
cmake --build --preset command -j"$(nproc 2>/dev/null || echo 2)"
if [ $# -eq 0 ]; then
  set -- cli/samples/sample.ply
fi
exec build/command/cli/meshaudit check "$@"
