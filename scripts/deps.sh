#!/usr/bin/env bash
# Installs what the build and the tests need, from Debian's packages only.
# Quick when everything is present: it asks apt only for what is missing.
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  libgtest-dev libgmock-dev   # unit tests
  libbenchmark-dev            # bench/
  libgmp-dev                  # exact rational reference in the predicate tests
  clang libclang-rt-14-dev    # libFuzzer targets
  valgrind
  nlohmann-json3-dev          # cli/: settings files and JSON reports
)

missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}" >/dev/null
fi
