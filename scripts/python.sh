#!/usr/bin/env bash
# Builds the Python package (python/) for /usr/bin/python3 and installs it,
# with the library and the `meshaudit` command it runs, under the user's
# prefix (~/.local): the package into the user's site-packages, so that
# `import meshaudit` and `python3 -m meshaudit.batch` work from anywhere,
# without a change to PATH. Nothing is fetched from a Python package index.
#   bash scripts/python.sh           build and install
#   bash scripts/python.sh --build   build only: PYTHONPATH=build/python/python
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh python
# The user's site-packages, relative to the user's prefix.
read -r base site < <(/usr/bin/python3 -c \
  'import os, site; print(site.getuserbase(), os.path.relpath(site.getusersitepackages(), site.getuserbase()))')
cmake -S . -B build/python -DCMAKE_BUILD_TYPE=Release -DMESHAUDIT_PYTHON=ON \
  -DMESHAUDIT_TESTS=OFF -DMESHAUDIT_BENCH=OFF -DPython3_EXECUTABLE=/usr/bin/python3 \
  -DMESHAUDIT_PYTHON_INSTALL_DIR="$site" >/dev/null
cmake --build build/python -j"$(nproc 2>/dev/null || echo 2)"
if [ "${1:-}" != --build ]; then
  cmake --install build/python --prefix "$base" >/dev/null
  echo "installed under $base: the meshaudit package in $base/$site, the command in $base/bin"
fi
