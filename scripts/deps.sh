#!/usr/bin/env bash
# Installs what the build needs, from Debian's packages only. Quick when
# everything is present: it asks apt only for what is missing.
#
#   bash scripts/deps.sh          # the library and the command
#   bash scripts/deps.sh test     # also everything the tests need
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  nlohmann-json3-dev          # cli/: settings files and JSON reports
  libzip-dev libpugixml-dev   # cli/: 3MF packages and their XML
)
if [ "${1:-}" = test ]; then
  packages+=(
    libgtest-dev libgmock-dev   # unit tests
    libgmp-dev                  # exact rational reference in the predicate tests
    clang libclang-rt-14-dev    # libFuzzer targets
    valgrind
    python3-pytest python3-distributed   # python/tests: meshaudit.batch on a Dask cluster
  )
elif [ "${1:-}" = bench ]; then
  packages+=(libgtest-dev libgmock-dev libbenchmark-dev python3-numpy
             python3-distributed)   # bench/batch_scaling.py
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
