#!/usr/bin/env bash
# Installs the build under a fresh prefix and uses it as a user would: the
# README's host compiled with the commands the README gives (pkg-config),
# then the installed command run after the whole prefix has been moved, so
# that it can only find its library relative to itself.
#   install_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1
source=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

cmake --install "$build" --prefix "$tmp/first" >/dev/null
for f in bin/meshaudit include/meshaudit.h include/meshaudit.hpp; do
  [ -e "$tmp/first/$f" ] || { echo "not installed: $f" >&2; exit 1; }
done
pc=$(find "$tmp/first" -name meshaudit.pc)
config=$(find "$tmp/first" -name meshauditConfig.cmake)
[ -n "$pc" ] && [ -n "$config" ] || { echo "no pkg-config file or CMake package" >&2; exit 1; }

sed -n '/^```c$/,/^```$/p' "$source/README.md" | sed '1d;$d' > "$tmp/host.c"
libdir=$(PKG_CONFIG_PATH=$(dirname "$pc") pkg-config --variable=libdir meshaudit)
# shellcheck disable=SC2046
cc -std=c99 "$tmp/host.c" $(PKG_CONFIG_PATH=$(dirname "$pc") pkg-config --cflags --libs meshaudit) \
  -Wl,-rpath,"$libdir" -o "$tmp/host"
"$tmp/host" 2>/dev/null | grep -q "^closed 1 (verdict 1), volume 0.166667$"

mv "$tmp/first" "$tmp/moved"
"$tmp/moved/bin/meshaudit" check -q "$source/cli/samples/sample.ply" >/dev/null

# Neither the built nor the installed command takes a library from the
# directory it is run in: there, a libm that is not one would stop it.
mkdir "$tmp/cwd" && printf 'not a library' > "$tmp/cwd/libm.so.6"
for command in "$build/cli/meshaudit" "$tmp/moved/bin/meshaudit"; do
  (cd "$tmp/cwd" && "$command" check -q "$source/cli/samples/sample.ply" >/dev/null) ||
    { echo "$command loads libraries from the current directory" >&2; exit 1; }
done
echo "1 passed, 0 failed"
