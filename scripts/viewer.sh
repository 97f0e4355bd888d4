#!/usr/bin/env bash
# Builds the page template of `meshaudit report` (viewer/dist/report.html)
# and the checker page (viewer/dist/meshaudit.html): installs the pinned npm
# packages (three.js, esbuild, playwright-core) from viewer/package-lock.json,
# builds the checker's WebAssembly module (scripts/wasm.sh) and bundles the
# pages. A CMake build made after this (or configured again) installs both
# beside the command.
set -euo pipefail
cd "$(dirname "$0")/../viewer"
bash ../scripts/deps.sh viewer
# npm ci starts from the lock file alone; skipped when node_modules was
# installed from this very lock.
if ! cmp -s package-lock.json node_modules/.meshaudit-lock 2>/dev/null; then
  npm ci --no-audit --no-fund
  cp package-lock.json node_modules/.meshaudit-lock
fi
bash ../scripts/wasm.sh
node build.mjs
