#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, ASan + UBSan) and runs each for a
# bounded time, starting from the seed corpus checked in under
# fuzz/corpus/<target>/. New inputs go to build/fuzz/corpus/<target>/; a crash
# leaves its input in build/fuzz/findings/ and fails the script.
#
#   bash scripts/fuzz.sh            # 60 s per target
#   FUZZ_SECONDS=600 bash scripts/fuzz.sh analyse_fuzz
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-60}

cmake --preset fuzz >/dev/null
# Only the fuzz targets: the shared library and the C example do not link
# against clang's sanitizer runtimes, and they are not fuzzed here.
all_targets=()
for source in fuzz/*_fuzz.cpp; do
  all_targets+=("$(basename "$source" .cpp)")
done
cmake --build --preset fuzz -j"$(nproc 2>/dev/null || echo 2)" --target "${all_targets[@]}" >/dev/null

# Every target of fuzz/ unless some are named (an older build may hold
# executables of targets since removed).
targets=("$@")
if ((${#targets[@]} == 0)); then
  targets=("${all_targets[@]}")
fi

mkdir -p build/fuzz/findings
for target in "${targets[@]}"; do
  seeds=fuzz/corpus/$target
  work=build/fuzz/corpus/$target
  mkdir -p "$seeds" "$work"
  echo "== $target: ${seconds}s"
  build/fuzz/fuzz/"$target" "$work" "$seeds" \
    -max_total_time="$seconds" -timeout=20 -rss_limit_mb=4096 -max_len=8192 \
    -artifact_prefix=build/fuzz/findings/"$target"- -print_final_stats=1 2>&1 |
    grep -E "^(#[0-9]+ *DONE|stat::number_of_executed_units|stat::peak_rss_mb|==[0-9]+==ERROR|SUMMARY|artifact_prefix|Test unit written)" || true
  if ls build/fuzz/findings/"$target"-* >/dev/null 2>&1; then
    echo "$target: finding(s) in build/fuzz/findings/" >&2
    exit 1
  fi
done
echo "fuzzing: no findings"
