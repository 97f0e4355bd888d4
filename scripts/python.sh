#!/usr/bin/env bash
# Builds the Python package (python/) for /usr/bin/python3 and installs it
# into the user's site-packages, so that `import meshaudit` works from
# anywhere. Nothing is fetched from a Python package index.
#   bash scripts/python.sh           build and install
#   bash scripts/python.sh --build   build only: PYTHONPATH=build/python/python
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh python
cmake -S . -B build/python -DCMAKE_BUILD_TYPE=Release -DMESHAUDIT_PYTHON=ON \
  -DMESHAUDIT_TESTS=OFF -DMESHAUDIT_BENCH=OFF -DPython3_EXECUTABLE=/usr/bin/python3 >/dev/null
cmake --build build/python -j"$(nproc 2>/dev/null || echo 2)" --target _meshaudit meshaudit_cli
if [ "${1:-}" != --build ]; then
  cmake --install build/python --component python
fi
