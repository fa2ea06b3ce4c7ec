#!/usr/bin/env bash
# Builds libpng and giflib as static mingw-w64 libraries for i686 and x86_64 from Debian's own
# source packages (the newest version the mirror serves), into
#   ${KEYHOLM_MINGW_PREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/keyholm-mingw}/<triple>/{include,lib}
# where cmake/mingw-*.cmake look for them. zlib comes from libz-mingw-w64-dev.
# Non-interactive and idempotent: a stamp per triple records what was built and a rerun finds it
# and does nothing; delete the folder to build again.
set -euo pipefail
shopt -s inherit_errexit

prefix="${KEYHOLM_MINGW_PREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/keyholm-mingw}"
triples=(i686-w64-mingw32 x86_64-w64-mingw32)

todo=()
for t in "${triples[@]}"; do
  [ -s "$prefix/$t/.built" ] || todo+=("$t")
done
[ ${#todo[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

# Fetches and unpacks a source package once, into the cache; prints its directory.
fetch_source() {
  local pkg=$1 dir="$prefix/src/$1"
  if [ ! -f "$dir/.unpacked" ]; then
    local list=/etc/apt/sources.list.d/keyholm-deb-src.sources
    if ! grep -qs debian-security "$list"; then
      $sudo tee "$list" >/dev/null <<'EOF'
# Added by KeyholmPlugin's scripts/build-mingw-deps.sh: the sources of libpng and giflib.
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: http://deb.debian.org/debian-security
Suites: bookworm-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
      $sudo apt-get update -qq >&2
    fi
    rm -rf "$dir"
    mkdir -p "$dir.tmp"
    # Newest first; a mirror may lack the files of one version (a security upload) but hold another.
    local v log="$prefix/src/$pkg.log"
    : > "$log"
    for v in $(apt-cache showsrc "$pkg" | sed -n 's/^Version: //p' | sort -rVu); do
      (cd "$dir.tmp" && apt-get source -qq "$pkg=$v") >>"$log" 2>&1 && break || rm -rf "${dir:?}.tmp"/*
    done
    [ -n "$(ls "$dir.tmp")" ] || { cat "$log" >&2; echo "no source of $pkg could be fetched" >&2; exit 1; }
    local unpacked
    unpacked=$(find "$dir.tmp" -mindepth 1 -maxdepth 1 -type d | head -n1)
    mv "$unpacked" "$dir"
    rm -rf "$dir.tmp"
    touch "$dir/.unpacked"
  fi
  echo "$dir"
}

png_src=$(fetch_source libpng1.6)
gif_src=$(fetch_source giflib)
built="$(dpkg-parsechangelog -l "$png_src/debian/changelog" -S Version 2>/dev/null || head -n1 "$png_src/debian/changelog")"
built="libpng1.6 $built, giflib $(dpkg-parsechangelog -l "$gif_src/debian/changelog" -S Version 2>/dev/null || head -n1 "$gif_src/debian/changelog")"

# Compiles the named C files of a source tree into lib<name>.a for one triple.
build_static() {
  local triple=$1 name=$2 src=$3 out=$4; shift 4
  local objs=() work
  work=$(mktemp -d)
  for f in "$@"; do
    "$triple-gcc" -O2 -DNDEBUG -I"$src" -I"/usr/$triple/include" -c "$src/$f" -o "$work/${f%.c}.o"
    objs+=("$work/${f%.c}.o")
  done
  rm -f "$out/lib/lib$name.a"
  "$triple-ar" rcs "$out/lib/lib$name.a" "${objs[@]}"
  rm -rf "$work"
}

# libpng's configuration for builds without its own configure step.
[ -f "$png_src/pnglibconf.h" ] || cp "$png_src/scripts/pnglibconf.h.prebuilt" "$png_src/pnglibconf.h"
png_files=(png.c pngerror.c pngget.c pngmem.c pngpread.c pngread.c pngrio.c pngrtran.c pngrutil.c
           pngset.c pngtrans.c pngwio.c pngwrite.c pngwtran.c pngwutil.c)
gif_files=(dgif_lib.c egif_lib.c gifalloc.c gif_err.c gif_font.c gif_hash.c openbsd-reallocarray.c)

for t in "${todo[@]}"; do
  out="$prefix/$t"
  rm -rf "$out"
  mkdir -p "$out/include" "$out/lib"
  build_static "$t" png "$png_src" "$out" "${png_files[@]}"
  build_static "$t" gif "$gif_src" "$out" "${gif_files[@]}"
  cp "$png_src/png.h" "$png_src/pngconf.h" "$png_src/pnglibconf.h" "$gif_src/gif_lib.h" "$out/include/"
  echo "$built" > "$out/.built"
  echo "built $built for $t in $out" >&2
done
