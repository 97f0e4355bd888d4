#!/usr/bin/env bash
# Installs what the build needs, from Debian's packages only. Quick when
# everything is present: it asks apt only for what is missing.
#
#   bash scripts/deps.sh          # the library and the command
#   bash scripts/deps.sh test     # also everything the tests need
#   bash scripts/deps.sh python   # also the Python package's build
#   bash scripts/deps.sh viewer   # Node.js, npm and Chromium for `meshaudit report`'s page
#                                 # and the checker page, and Emscripten for the latter
#   bash scripts/deps.sh wasm     # Emscripten for the checker page's WebAssembly module
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  nlohmann-json3-dev          # cli/: settings files and JSON reports
  zlib1g-dev libpugixml-dev   # cli/: 3MF packages and their XML
)
if [ "${1:-}" = test ]; then
  packages+=(
    libgtest-dev libgmock-dev   # unit tests
    libgmp-dev                  # exact rational reference in the predicate tests
    clang libclang-rt-14-dev    # libFuzzer targets
    valgrind
    pybind11-dev python3-dev python3-numpy        # the Python package (python/)
    python3-pytest python3-open3d python3-meshio  # its tests
    python3-distributed                           # meshaudit.batch on a Dask cluster
  )
elif [ "${1:-}" = python ]; then
  packages+=(pybind11-dev python3-dev python3-numpy)
elif [ "${1:-}" = bench ]; then
  packages+=(libgtest-dev libgmock-dev libbenchmark-dev python3-numpy
             python3-distributed)   # bench/batch_scaling.py
fi

# The report page is built with Node.js and npm and tested in Chromium. Node
# may come from elsewhere than Debian (with its own npm): only what is
# missing as a command is installed.
if [ "${1:-}" = test ] || [ "${1:-}" = viewer ]; then
  command -v node >/dev/null || packages+=(nodejs)
  command -v npm >/dev/null || packages+=(npm)
  packages+=(chromium)
fi

# The checker page's WebAssembly module: Debian's Emscripten, whose system
# libraries come built, so that nothing is fetched.
if [ "${1:-}" = test ] || [ "${1:-}" = viewer ] || [ "${1:-}" = wasm ]; then
  packages+=(emscripten)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
