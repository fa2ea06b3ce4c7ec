#!/usr/bin/env bash
# Runs the tests of the i686 build in BUILD (default build-win32) in a QEMU guest, for kernels that
# run no 32-bit code: Debian's linux-image-amd64 under TCG, booted with an initramfs made from
# scripts/guest/initramfs, over the machine's root filesystem shared read-only by 9p;
# scripts/guest/init runs scripts/wine-ctest there and reports its exit code on the serial console.
# The kernel package is unpacked into a cache folder; the machine's /boot and /lib/modules stay as
# they are (mkinitramfs sees the unpacked kernel through overlays in a mount namespace of its own).
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build-win32}")
cache="${XDG_CACHE_HOME:-$HOME/.cache}/keyholm-guest"
mkdir -p "$cache/state"   # what the guest keeps between runs: its Wine prefix

package=$(apt-cache depends linux-image-amd64 | sed -n 's/^ *Depends: \(linux-image-[0-9].*\)$/\1/p' | head -n1)
version=${package#linux-image-}
kernel="$cache/$version"
if [ ! -e "$kernel/lib/modules/$version/modules.dep" ]; then
  rm -rf "$kernel" "$cache"/*.deb
  (cd "$cache" && apt-get download "$package")
  dpkg-deb -x "$cache/${package}"_*.deb "$kernel"
  rm -f "$cache"/*.deb
  depmod -b "$kernel" "$version"
fi
initrd="$kernel/initrd.img"
config=scripts/guest/initramfs
if [ ! -e "$initrd" ] || [ -n "$(find "$config" -newer "$initrd" -print -quit)" ]; then
  unshare -m --propagation private sh -euc '
    mount -t overlay overlay -o "lowerdir=$1/lib:/usr/lib" /usr/lib
    mount -t overlay overlay -o "lowerdir=$1/boot:/boot" /boot
    mkinitramfs -d "$2" -o "$3.new" "$4"' sh "$kernel" "$PWD/$config" "$initrd" "$version"
  mv "$initrd.new" "$initrd"
fi

# The guest prints its console here; its last word is the tests' exit code. A deadline bounds it all.
# No SMAP: QEMU's TCG (7.2) reads the stack of a 32-bit program's IRET as the kernel, which SMAP
# forbids, and Wine's 32-bit system-call return then oopses in the guest.
log=$(mktemp)
trap 'rm -f "$log"' EXIT
timeout --kill-after=10 "${KEYHOLM_GUEST_TIMEOUT:-2700}" \
  qemu-system-x86_64 -machine q35 -accel tcg,thread=multi -cpu max,-smap -smp "$(nproc)" -m 4G \
    -display none -monitor none -serial stdio -no-reboot \
    -kernel "$kernel/boot/vmlinuz-$version" -initrd "$initrd" \
    -append "console=ttyS0 quiet panic=-1 boot=9p init=$PWD/scripts/guest/init -- $build" \
    -virtfs local,path=/,mount_tag=root,security_model=none,readonly=on,multidevs=remap \
    -virtfs local,path="$cache/state",mount_tag=state,security_model=none \
    </dev/null | tee "$log" || true
rc=$(sed -n 's/^keyholm-guest: exit \([0-9]*\).*/\1/p' "$log" | tail -n1)
[ -n "$rc" ] || { echo "i686 guest: no result (the guest failed or ran out of time)" >&2; exit 1; }
exit "$rc"
