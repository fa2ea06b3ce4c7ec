#!/usr/bin/env bash
# The Windows build's benchmarks under wine64, each beside its floor: load, create-view and start-up
# to the sign-on request. Not part of CI.  windows-bench.sh [REPETITIONS]
# A Release build of its own (build-win64-bench), as the shipped DLL is built; Wine in a prefix of its own
# (~/.cache/keyholm-wine-bench, or $KEYHOLM_WINEPREFIX), one Wine server for the run, on a virtual
# display.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/mingw-configure build-win64-bench mingw-x86_64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build-win64-bench --target windows_bench
export KEYHOLM_WINEPREFIX="${KEYHOLM_WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/keyholm-wine-bench}"
uptime
xvfb-run -a bash -c 'scripts/wine-exec wineserver -k 2>/dev/null || true
  scripts/wine-exec wineboot -i >/dev/null 2>&1 || true
  rc=0; scripts/wine-exec build-win64-bench/bin/windows_bench.exe "$@" || rc=$?
  scripts/wine-exec wineserver -k 2>/dev/null || true
  exit $rc' windows-bench "$@"
