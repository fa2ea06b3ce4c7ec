#!/usr/bin/env bash
# CI, i686 stage: the i686 build of everything the Windows build offers (the product, the layer's
# conformance tests, the plug-in's tests) and its tests under 32-bit Wine (scripts/wine-ctest).
# Where the kernel runs no 32-bit code, the same tests run in a QEMU guest (scripts/i686-guest.sh);
# KEYHOLM_I686_GUEST=1 forces that path.
set -euo pipefail
cd "$(dirname "$0")/.."
start=$(date +%s)

# The build the Windows stage checks as the artefact: the tests run against that very DLL.
scripts/mingw-configure build-win32 mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release
cmake --build build-win32

# Whether this kernel runs 32-bit code: a program of two instructions that exits with 42.
runs_i386() {
  local dir rc=0
  dir=$(mktemp -d)
  printf '.globl _start\n_start: movl $1, %%eax\n movl $42, %%ebx\n int $0x80\n' >"$dir/exit.s"
  as --32 -o "$dir/exit.o" "$dir/exit.s" && ld -m elf_i386 -o "$dir/exit" "$dir/exit.o" &&
    { "$dir/exit" 2>/dev/null || rc=$?; }
  rm -rf "$dir"
  [ "$rc" -eq 42 ]
}

rc=0
if [ -z "${KEYHOLM_I686_GUEST:-}" ] && runs_i386; then
  path="direct, this kernel runs 32-bit code"
  scripts/wine-ctest build-win32 || rc=$?
else
  path="QEMU guest, forced by KEYHOLM_I686_GUEST"
  [ -n "${KEYHOLM_I686_GUEST:-}" ] || path="QEMU guest, this kernel runs no 32-bit code"
  scripts/i686-guest.sh build-win32 || rc=$?
fi
echo "i686 stage ($path): $(( $(date +%s) - start )) s"
exit $rc
