#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer, UndefinedBehaviorSanitizer) in build-fuzz
# and runs each for a bounded time over its seed corpus plus what earlier runs found.
#   scripts/fuzz.sh [seconds per target] [target ...]     (default: 12 seconds, every target)
# Inputs a run finds go to build-fuzz/corpus/<target>; a crashing input to
# build-fuzz/findings/<target>-crash-*, to be replayed with build-fuzz/bin/fuzz_<target> <file>.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-12}
[ $# -gt 0 ] && shift
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for dir in fuzz/corpus/*/; do targets+=("$(basename "$dir")"); done
fi

launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DKEYHOLM_FUZZ=ON "${launcher[@]}" >/dev/null
cmake --build build-fuzz

mkdir -p build-fuzz/findings
failed=()
for target in "${targets[@]}"; do
  mkdir -p "build-fuzz/corpus/$target"
  echo "+ fuzz_$target for ${seconds}s"
  # A run that ends with a finding exits non-zero; the others still run.
  if ! build-fuzz/bin/fuzz_"$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=4096 \
       -print_final_stats=1 -artifact_prefix="build-fuzz/findings/$target-" \
       "build-fuzz/corpus/$target" "fuzz/corpus/$target" 2>"build-fuzz/findings/$target.log"; then
    failed+=("$target")
    tail -n 40 "build-fuzz/findings/$target.log"
  fi
  grep -E '^#[0-9]+[[:space:]]+DONE|stat::number_of_executed_units' "build-fuzz/findings/$target.log" || true
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzzing found faults in: ${failed[*]}" >&2
  exit 1
fi
