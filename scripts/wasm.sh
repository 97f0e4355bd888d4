#!/usr/bin/env bash
# Builds the checker page's WebAssembly module (cli/web) with Debian's
# Emscripten into build/wasm (or $MESHAUDIT_WASM_DIR): meshaudit_web.js and
# meshaudit_web.wasm, which viewer/build.mjs embeds in meshaudit.html.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh wasm
out=${MESHAUDIT_WASM_DIR:-build/wasm}
# Debian's emcc runs under Debian's Node.js modules (acorn and the like).
export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}
if [ ! -f "$out/CMakeCache.txt" ]; then
  emcmake cmake -S cli/web -B "$out" -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$out" -j"$(nproc 2>/dev/null || echo 2)"
