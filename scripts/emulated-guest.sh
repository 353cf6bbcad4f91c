#!/bin/sh
# Runs inside the emulated machine (see emulated-run.sh): the Windows test
# programs under 32-bit Wine, with the Windows version set to each of
# VERSIONS in turn; or, with VERSIONS "linux", Linux programs natively
# against the machine's kernel, each argument NAME=COMMAND.
#
#   emulated-guest.sh RESULTS WORKDIR VERSIONS PROGRAM...
results=$1 workdir=$2 versions=$3
shift 3
here=$(cd "$(dirname "$0")/.." && pwd)

# A program that crashes ends at once with its exception code, rather than
# waiting for the debugger Wine would start.
export WINEARCH=win32 WINEPREFIX=/root/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"

now() { cut -d' ' -f1 /proc/uptime; }
took() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.1f", b - a }'; }

# One run: its output and exit code kept under RESULTS/GROUP/NAME. The
# longest program takes under a minute here; one that hangs is stopped
# after 5 minutes (exit code 124) so that the others still run.
run() {
  group=$1 name=$2
  shift 2
  echo "guest: $group $name"
  start=$(now)
  (cd "$workdir" && timeout 300 "$@" </dev/null >"$results/$group/$name.out" 2>&1)
  echo $? >"$results/$group/$name.rc"
  echo "$group $name $(took "$start") s, exit code $(cat "$results/$group/$name.rc")" >>"$results/times"
}

if [ "$versions" = linux ]; then
  # The wheels are made with uhid and bound by hid-generic, which udev
  # would load, and the force-feedback bridge offers its joystick through
  # uinput, to games through evdev; the wheel's udev rule is installed as the
  # README says.
  modprobe uhid && modprobe hid-generic && modprobe uinput && modprobe evdev
  cp "$here/install/70-zk5120-wheel.rules" /etc/udev/rules.d/
  mkdir -p "$results/linux"
  for part in "$@"; do
    # No file-name expansion: the commands hold test filters such as Kernel/*.
    run linux "${part%%=*}" sh -fc "${part#*=}"
  done
  touch "$results/finished"
  exit 0
fi

# Windows are made on a virtual display.
Xvfb :99 -screen 0 1024x768x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
for _ in $(seq 100); do
  [ -e /tmp/.X11-unix/X99 ] && break
  sleep 0.1
done
export DISPLAY=:99

# A persistent Wine server, its helpers started once; Wine's helpers never
# get a pipe as their standard handles.
start=$(now)
wineserver -p </dev/null >/dev/null 2>&1
wine wineboot </dev/null >/dev/null 2>&1
echo "wine started in $(took "$start") s" >>"$results/times"

for version in $(echo "$versions" | tr ',' ' '); do
  mkdir -p "$results/$version"
  wine reg add 'HKCU\Software\Wine' /v Version /d "$version" /f </dev/null >/dev/null 2>&1
  version_start=$(now)
  for program in "$@"; do
    run "$version" "$(basename "$program" .exe)" wine "$program"
  done
  echo "$version: all programs in $(took "$version_start") s" >>"$results/times"
done
wineserver -k </dev/null >/dev/null 2>&1
touch "$results/finished"
