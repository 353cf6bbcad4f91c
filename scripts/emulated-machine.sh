#!/usr/bin/env bash
# The emulated x86_64 machine that runs the i686 Windows test programs under
# 32-bit Wine: this machine's kernel runs no 32-bit programs, so they run in
# a whole emulated PC (QEMU, software emulation) booting Debian.
#
#   scripts/emulated-machine.sh            build the machine once per machine
#                                          (a second run finds it and does nothing)
#   scripts/emulated-machine.sh mirror     print the Debian archive it would use
#   scripts/emulated-machine.sh boot JOB CONSOLE [snapshot]
#                                          boot it, run the shell script JOB
#                                          inside, power off; the guest's console
#                                          goes to the file CONSOLE
#
# The machine lives in build/emulated/ (TORVEX_EMULATED_DIR): the kernel and
# initramfs, and guest.img, an ext4 image of a minimal Debian bookworm with
# Wine (32-bit), Xvfb and a ready 32-bit Wine prefix in /root/wineprefix.
# Every package comes from the Debian archive this machine's apt already uses.
#
# Inside, the repository is shared (9p) at the same absolute path as here,
# so the test programs find their DLLs and fixtures at the paths they were
# built with, and what they write lands here. JOB must lie in the repository.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
dir=${TORVEX_EMULATED_DIR:-$here/build/emulated}

. "$here/scripts/debian-root.sh"

# PID 1 of the guest: mounts what Wine needs, mounts the shared repository,
# runs the job named on the kernel command line and powers the machine off.
write_guest_init() {
  cat >"$1" <<'INIT'
#!/bin/sh
export PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin HOME=/root
mountpoint -q /proc || mount -t proc proc /proc
mountpoint -q /sys || mount -t sysfs sys /sys
mountpoint -q /dev || mount -t devtmpfs dev /dev
mkdir -p /dev/pts /dev/shm
mountpoint -q /dev/pts || mount -t devpts devpts /dev/pts
mount -t tmpfs shm /dev/shm
mount -t tmpfs tmp /tmp
share= job= options=
for arg in $(cat /proc/cmdline); do
  case "$arg" in
    torvex.share=*) share=${arg#torvex.share=} ;;
    torvex.share_options=*) options=${arg#torvex.share_options=} ;;
    torvex.run=*) job=${arg#torvex.run=} ;;
  esac
done
modprobe 9pnet_virtio && modprobe 9p
mkdir -p "$share"
if mount -t 9p -o "trans=virtio,version=9p2000.L,$options" torvex "$share"; then
  echo "guest: running $job"
  /bin/sh "$job"
  echo "guest: job ended with $?"
else
  echo "guest: cannot mount the shared repository at $share"
fi
sync
umount "$share" 2>/dev/null
echo o >/proc/sysrq-trigger
sleep 60
INIT
  chmod 755 "$1"
}

boot() {
  local job=$1 console=$2 snapshot=${3:-}
  job=$(cd "$(dirname "$job")" && pwd)/$(basename "$job")
  case "$job" in
    "$here"/*) ;;
    *) echo "emulated-machine: $job is not inside $here" >&2; return 2 ;;
  esac
  # Wine loads programs and DLLs from the share: through the page cache
  # (without it, 32-bit Wine finds parts of a large program as zeros).
  local share_options=${TORVEX_SHARE_OPTIONS:-msize=262144,cache=loose}
  local drive="file=$dir/guest.img,if=virtio,format=raw"
  [ -z "$snapshot" ] || drive="$drive,snapshot=on"
  # The default CPU model: with -cpu max the guest kernel oopses in every
  # 32-bit Wine process (QEMU 7.2 mishandles a 32-bit iret with SMAP on).
  as_root qemu-system-x86_64 -accel tcg -m 3G -smp 2 \
    -display none -monitor none -serial "file:$console" -no-reboot \
    -kernel "$dir/vmlinuz" -initrd "$dir/initrd.img" -drive "$drive" \
    -virtfs "local,path=$here,mount_tag=torvex,security_model=none,id=torvex" \
    -append "root=/dev/vda rw console=ttyS0 quiet init=/sbin/torvex-init torvex.share=$here torvex.share_options=$share_options torvex.run=$job" \
    </dev/null
}

build() {
  "$here/scripts/install-packages.sh" qemu-system-x86 e2fsprogs

  local start=$SECONDS
  echo "emulated-machine: building the emulated machine in $dir (once, about 10 minutes)"
  local root=$dir/rootfs
  # A build that was stopped may have left the host's /dev mounted in the
  # tree: never remove anything beyond the tree's own file system.
  unmount_tree "$root"
  as_root rm -rf --one-file-system "$root" "$dir/guest.img" "$dir/ready"
  mkdir -p "$dir"
  debootstrap_root "$root" "$dir/debootstrap.log"

  # Packages inside: Wine with its 32-bit half, Xvfb for the tests that make
  # windows, udev, fftest, SDL2 and systemd's tools for the Linux bridge's
  # tests (systemd is not the guest's init), and Debian's kernel with a small
  # initramfs that can mount the root image.
  as_root mount -t proc proc "$root/proc"
  as_root mount --bind /dev "$root/dev"
  as_root mount -t sysfs sys "$root/sys"
  trap "unmount_tree '$root'" EXIT
  trap 'exit 1' INT TERM
  as_root cp /etc/resolv.conf "$root/etc/resolv.conf"
  as_root mkdir -p "$root/etc/initramfs-tools/conf.d"
  printf 'MODULES=list\nCOMPRESS=gzip\n' | as_root tee "$root/etc/initramfs-tools/conf.d/torvex.conf" >/dev/null
  printf '%s\n' virtio_pci virtio_blk ext4 | as_root tee "$root/etc/initramfs-tools/modules" >/dev/null
  printf '#!/bin/sh\nexit 101\n' | as_root tee "$root/usr/sbin/policy-rc.d" >/dev/null
  as_root chmod 755 "$root/usr/sbin/policy-rc.d"
  as_root chroot "$root" dpkg --add-architecture i386
  as_root chroot "$root" env DEBIAN_FRONTEND=noninteractive sh -c \
    'apt-get update -qq && apt-get install -y -qq --no-install-recommends wine wine32:i386 xvfb kmod udev joystick libstdc++6 libsdl2-2.0-0 systemd linux-image-amd64 && apt-get clean' \
    >"$dir/packages.log" 2>&1 || {
    tail -n 20 "$dir/packages.log" >&2
    exit 1
  }
  unmount_tree "$root"
  trap - EXIT INT TERM
  as_root rm -f "$root/etc/resolv.conf" "$root/usr/sbin/policy-rc.d"
  write_guest_init "$dir/torvex-init"
  as_root cp "$dir/torvex-init" "$root/sbin/torvex-init"
  as_root rm -f "$dir/torvex-init"
  as_root sh -c "cp $root/boot/vmlinuz-* '$dir/vmlinuz' && cp $root/boot/initrd.img-* '$dir/initrd.img'"
  as_root rm -rf "$root"/boot/* "$root"/var/lib/apt/lists/* "$root"/usr/share/doc "$root"/usr/share/man

  # The image: the tree and room for the Wine prefix and the tests' files.
  local used_kb
  used_kb=$(as_root du -sk "$root" | cut -f1)
  truncate -s $(((used_kb + 1536 * 1024) * 1024)) "$dir/guest.img"
  as_root mkfs.ext4 -q -F -L torvex -d "$root" "$dir/guest.img"
  as_root rm -rf --one-file-system "$root"
  echo "emulated-machine: image made in $((SECONDS - start)) s; preparing the 32-bit Wine prefix inside"

  # One boot that makes the Wine prefix, kept in the image: each test run
  # then starts from it, on a snapshot that leaves the image as it is.
  local job=$dir/prepare.sh
  cat >"$job" <<'JOB'
export WINEARCH=win32 WINEPREFIX=/root/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine wineboot -i </dev/null >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1
wineserver -w
[ -f /root/wineprefix/system.reg ] && touch /root/wineprefix/.torvex-ready && echo "guest: prefix ready"
JOB
  boot "$job" "$dir/prepare-console.log"
  rm -f "$job"
  if ! grep -q 'guest: prefix ready' "$dir/prepare-console.log"; then
    echo "emulated-machine: the Wine prefix could not be made; see $dir/prepare-console.log" >&2
    exit 1
  fi
  echo "$recipe" >"$dir/ready"
  echo "emulated-machine: ready in $((SECONDS - start)) s"
}

# The image is rebuilt when the way it is made (or the guest's init) changes.
recipe=$({ echo "$debian_suite"; declare -f write_guest_init build debootstrap_root; } | sha256sum | cut -c1-16)

case "${1:-}" in
  boot)
    shift
    boot "$@"
    ;;
  mirror)
    debian_mirror
    ;;
  "")
    if [ -f "$dir/ready" ] && [ "$(cat "$dir/ready")" = "$recipe" ]; then
      exit 0
    fi
    build
    ;;
  *)
    echo "usage: $0 [mirror | boot JOB CONSOLE [snapshot]]" >&2
    exit 2
    ;;
esac
