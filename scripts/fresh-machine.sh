#!/usr/bin/env bash
# A new user's machine: the README's first command, run where nothing was
# installed before, so that a package missing from the set-up scripts shows
# here and not on somebody's fresh Debian.
#
#   scripts/fresh-machine.sh          make the pristine root once per machine
#                                     (a second run finds it and does nothing)
#   scripts/fresh-machine.sh check    in an untouched copy of it, from a fresh
#                                     clone of the committed tree: the main job
#                                     (scripts/run.sh), which must leave the
#                                     Windows package in build/dist/; then the
#                                     whole set-up (scripts/setup.sh) and a
#                                     configure of every preset
#   scripts/fresh-machine.sh run SCRIPT FILE...
#                                     in an untouched copy of it, SCRIPT run
#                                     by sh as root in /root with the FILEs
#                                     beside it and their names as arguments:
#                                     a Debian package installed as on a
#                                     user's machine, say
#
# The pristine root is a minimal Debian bookworm (debootstrap minbase) in
# build/fresh/pristine (TORVEX_FRESH_DIR for build/fresh), from the archive
# this machine's apt uses. Downloaded packages are kept in build/fresh/debs,
# outside the root: that saves downloading them again, never installing
# them. The check's output goes to build/fresh/check.log; when it fails, the
# end of that log is printed.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
. "$here/scripts/debian-root.sh"
dir=${TORVEX_FRESH_DIR:-$here/build/fresh}
pristine=$dir/pristine
copy=$dir/copy
debs=$dir/debs
log=$dir/check.log
# Where the clone lies inside the root, as a user's would.
clone=/root/zk5120-wheel

make_pristine() {
  [ -f "$dir/ready" ] && [ "$(cat "$dir/ready")" = "$recipe" ] && return 0
  local start=$SECONDS
  mkdir -p "$dir"
  unmount_tree "$pristine"
  as_root rm -rf --one-file-system "$pristine" "$dir/ready"
  debootstrap_root "$pristine" "$dir/debootstrap.log"
  echo "$recipe" >"$dir/ready"
  echo "fresh-machine: pristine root made in $((SECONDS - start)) s"
}

# Ends every process that still runs inside the copy (a Wine server, say),
# so that its mounts can go.
end_processes_inside() {
  local p target
  target=$(realpath -m "$copy")
  for p in /proc/[0-9]*; do
    [ "$(readlink "$p/root" 2>/dev/null)" = "$target" ] && as_root kill -9 "${p#/proc/}" 2>/dev/null || true
  done
}

clean_up() {
  end_processes_inside
  unmount_tree "$copy"
}

# Runs a command line as root inside the copy, from the clone, with the
# environment a login would give and nothing of this machine's.
inside() {
  as_root timeout "${TORVEX_FRESH_TIMEOUT:-1800}" chroot "$copy" /usr/bin/env -i \
    HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 TERM=dumb \
    /bin/bash -c "cd $clone && $1"
}

# Every configure preset of the clone's CMakePresets.json.
presets_inside() {
  inside "cmake --list-presets=configure" | sed -n 's/^ *"\([^"]*\)".*/\1/p'
}

step() { # what, command line inside
  local start=$SECONDS code=0
  echo "== fresh-machine: $1" >>"$log"
  inside "$2" >>"$log" 2>&1 || code=$?
  echo "fresh-machine: $1: exit $code after $((SECONDS - start)) s" | tee -a "$log"
  return "$code"
}

fail() {
  echo "fresh-machine: FAILED: $1; the log's end (whole log: $log):"
  tail -n 80 "$log"
  exit 1
}

# A new copy of the pristine root, ended and removed again when the script
# exits.
new_copy() {
  make_pristine
  trap clean_up EXIT
  trap 'exit 1' INT TERM
  clean_up
  as_root rm -rf --one-file-system "$copy"
  as_root cp -a "$pristine" "$copy"

  # What any Debian machine brings that a root made by debootstrap lacks:
  # the kernel's file systems, a name server, and no services started by
  # the packages installed.
  mkdir -p "$debs"
  # The packages this machine already downloaded seed the cache (hard links,
  # where they share a file system); apt checks each against its own lists.
  cp -l -n /var/cache/apt/archives/*.deb "$debs/" 2>/dev/null || true
  as_root mount -t proc proc "$copy/proc"
  as_root mount -t sysfs sys "$copy/sys"
  as_root mount --bind /dev "$copy/dev"
  as_root mount --bind /dev/pts "$copy/dev/pts"
  as_root mount -t tmpfs shm "$copy/dev/shm"
  as_root mount --bind "$debs" "$copy/var/cache/apt/archives"
  as_root cp /etc/resolv.conf "$copy/etc/resolv.conf"
  printf '#!/bin/sh\nexit 101\n' | as_root tee "$copy/usr/sbin/policy-rc.d" >/dev/null
  as_root chmod 755 "$copy/usr/sbin/policy-rc.d"
}

check() {
  local start=$SECONDS
  new_copy
  git clone --quiet --no-hardlinks "$here" "$copy$clone"
  echo "fresh-machine: a copy of the pristine root with a fresh clone of $(git -C "$here" rev-parse --short HEAD) in $clone" | tee "$log"

  step "the main job, scripts/run.sh" "scripts/run.sh" || fail "the main job"
  ls "$copy$clone"/build/dist/*.zip >/dev/null 2>&1 || fail "the main job left no package in build/dist/"
  ls "$copy$clone"/build/dist/*.deb >/dev/null 2>&1 || fail "the main job left no Debian package in build/dist/"
  step "the whole set-up, scripts/setup.sh" "scripts/setup.sh" || fail "the whole set-up"
  local preset presets
  presets=$(presets_inside)
  [ -n "$presets" ] || fail "no configure preset found"
  for preset in $presets; do
    step "configure preset $preset" "cmake --preset $preset >/dev/null" || fail "configuring preset $preset"
  done
  echo "fresh-machine: passed in $((SECONDS - start)) s"
  clean_up
  as_root rm -rf --one-file-system "$copy"
}

run_script() { # script, file...
  local script=$1 file names=() clone=/root code=0
  shift
  for file in "$script" "$@"; do
    [ -f "$file" ] || { echo "fresh-machine: $file does not exist" >&2; exit 2; }
  done
  new_copy
  as_root cp "$script" "$@" "$copy/root/"
  for file in "$@"; do names+=("$(basename "$file")"); done
  inside "sh $(basename "$script") ${names[*]}" || code=$?
  clean_up
  as_root rm -rf --one-file-system "$copy"
  return "$code"
}

# The root is made anew when the way it is made changes.
recipe=$({ echo "$debian_suite"; declare -f make_pristine debootstrap_root; } | sha256sum | cut -c1-16)

case "${1:-}" in
  "") make_pristine ;;
  check) check ;;
  run)
    [ $# -ge 2 ] || { echo "usage: $0 run SCRIPT FILE..." >&2; exit 2; }
    shift
    # A copy of its own: a check may run beside it.
    copy=$dir/run.$$
    run_script "$@"
    ;;
  *)
    echo "usage: $0 [check | run SCRIPT FILE...]" >&2
    exit 2
    ;;
esac
