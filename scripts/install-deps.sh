#!/usr/bin/env bash
# Installs every Debian package the build, the tests, the benchmarks and the demo need.
# Non-interactive and idempotent: packages already present are left as they are.
set -euo pipefail

packages=(
  build-essential cmake pkg-config ninja-build
  libxml2-dev libpng-dev zlib1g-dev libgif-dev libcurl4-openssl-dev libcpp-httplib-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  libfreetype-dev fonts-dejavu-core fonts-wqy-microhei
  llvm binutils-mingw-w64-i686
  clang libclang-rt-14-dev
  python3
  # the Windows build, its static libraries made from Debian's sources, and its tests under wine64
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 libz-mingw-w64-dev dpkg-dev
  wine64 xvfb xauth locales
  # the i686 build's tests under 32-bit Wine; where the kernel runs no 32-bit code, in a QEMU guest
  wine32:i386 qemu-system-x86 initramfs-tools busybox
)

# 32-bit Wine comes from the i386 architecture.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo dpkg --add-architecture i386
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The language cases run the plug-in under these locales.
locales=(en_US.UTF-8 zh_CN.UTF-8 zh_TW.UTF-8)
absent=()
for l in "${locales[@]}"; do
  locale -a 2>/dev/null | grep -qix "${l%.UTF-8}.utf8" || absent+=("$l")
done
if [ ${#absent[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  for l in "${absent[@]}"; do
    grep -qx "$l UTF-8" /etc/locale.gen ||
      $sudo sed -i "s/^# *$l UTF-8\$/$l UTF-8/" /etc/locale.gen
    grep -qx "$l UTF-8" /etc/locale.gen || echo "$l UTF-8" | $sudo tee -a /etc/locale.gen >/dev/null
  done
  $sudo locale-gen >/dev/null
fi

"$(dirname "$0")/build-mingw-deps.sh"
