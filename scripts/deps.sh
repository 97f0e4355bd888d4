#!/bin/sh
# Installs the build dependencies that a fresh Debian machine lacks (the
# compiler, CMake, GoogleTest and Google Benchmark come with the image).
# Run as root; the CI calls it before building.
set -eu

PACKAGES="
nlohmann-json3-dev
"

if [ "$(id -u)" -ne 0 ]; then
    echo "deps.sh: run as root (it calls apt-get install)" >&2
    exit 1
fi

missing=""
for package in $PACKAGES; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $package"
    fi
done
if [ -n "$missing" ]; then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update
    # shellcheck disable=SC2086
    apt-get install -y $missing
fi
