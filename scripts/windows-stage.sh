#!/usr/bin/env bash
# CI, Windows stage: the i686 KeyholmPlugin.dll built and checked statically, then the x86_64 build of
# the same sources and its tests under wine64. The i686 build's tests run in scripts/i686-stage.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
start=$(date +%s)

# The artefact: PE32 for i386, exactly one export, system DLLs only, a version resource.
scripts/mingw-configure build-win32 mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release
cmake --build build-win32 --target KeyholmPlugin
dll=build-win32/bin/KeyholmPlugin.dll
headers=$(i686-w64-mingw32-objdump -p "$dll")
fail() { echo "KeyholmPlugin.dll (i686): $*" >&2; exit 1; }
grep -q 'file format pei-i386' <<<"$headers" || fail "not a PE file for i386"
grep -qE '^Magic[[:space:]]+010b[[:space:]]+\(PE32\)' <<<"$headers" || fail "not PE32"
exports=$(awk '/Ordinal\/Name Pointer/ {on=1; next} on && /^[ \t]*\[/ {print $NF; next} {on=0}' <<<"$headers")
[ "$exports" = "GetPluginModule" ] || fail "exports are '$exports', not GetPluginModule alone"
system_dlls='^(kernel32|user32|gdi32|msimg32|ole32|oleaut32|comctl32|advapi32|msvcrt|shell32|shlwapi)\.dll$'
imports=$(sed -n 's/^\s*DLL Name: //p' <<<"$headers")
while read -r name; do
  grep -qiE "$system_dlls" <<<"$name" || fail "imports $name, which is not a system DLL"
done <<<"$imports"
# A top-level entry of the resource directory for type 16, RT_VERSION.
grep -qE '^[0-9a-f]+   Entry: ID: 0x000010,' <<<"$headers" || fail "no version resource"
echo "KeyholmPlugin.dll (i686): $(stat -c %s "$dll") bytes, PE32 i386, export GetPluginModule, imports" $imports

# What runs here: the x86_64 build and its tests, under wine64 with a virtual display.
scripts/mingw-configure build-win64 mingw-x86_64.cmake
cmake --build build-win64
# One Wine server for the whole run, on a virtual display (scripts/wine-ctest).
scripts/wine-ctest build-win64

echo "Windows stage: $(( $(date +%s) - start )) s"
