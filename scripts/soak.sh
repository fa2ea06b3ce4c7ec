#!/usr/bin/env bash
# Runs the whole native suite several times in a row, so that a test that fails one run in a few
# cannot land unseen.
#   scripts/soak.sh [runs] [build folder]     (default: 10 runs of build/)
# Each run's log goes to <build folder>/soak/run-<n>.log. The soak stops at the first failed run and
# exits 1; with KEEP_GOING=1 it runs them all and counts the failed ones.
set -euo pipefail
cd "$(dirname "$0")/.."

runs=${1:-10}
dir=${2:-build}
mkdir -p "$dir/soak"
failed=0
for ((run = 1; run <= runs; run++)); do
  log="$dir/soak/run-$run.log"
  start=$SECONDS
  if ctest --test-dir "$dir" --output-on-failure -j2 >"$log" 2>&1; then
    echo "soak: run $run of $runs passed ($((SECONDS - start)) s)"
    continue
  fi
  failed=$((failed + 1))
  echo "soak: run $run of $runs FAILED ($((SECONDS - start)) s); what failed, from $log:"
  grep -v -E '^ *Start +[0-9]+:|Test +#[0-9]+: .* Passed ' "$log" || true
  if [ "${KEEP_GOING:-0}" != 1 ]; then
    exit 1
  fi
done
echo "soak: $failed of $runs runs failed"
[ "$failed" -eq 0 ]
