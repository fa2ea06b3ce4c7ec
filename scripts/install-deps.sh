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
)

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
