#!/bin/sh
# Runs inside the emulated machine (see emulated-run.sh): the Windows test
# programs under 32-bit Wine, with the Windows version set to each of
# VERSIONS in turn.
#
#   emulated-guest.sh RESULTS WORKDIR VERSIONS PROGRAM...
results=$1 workdir=$2 versions=$3
shift 3

# A program that crashes ends at once with its exception code, rather than
# waiting for the debugger Wine would start.
export WINEARCH=win32 WINEPREFIX=/root/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"

now() { cut -d' ' -f1 /proc/uptime; }
took() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.1f", b - a }'; }

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
    name=$(basename "$program" .exe)
    echo "guest: $version $name"
    start=$(now)
    # The longest program takes under a minute here; one that hangs is
    # stopped after 5 minutes (exit code 124) so that the others still run.
    (cd "$workdir" && timeout 300 wine "$program" </dev/null >"$results/$version/$name.out" 2>&1)
    echo $? >"$results/$version/$name.rc"
    echo "$version $name $(took "$start") s, exit code $(cat "$results/$version/$name.rc")" >>"$results/times"
  done
  echo "$version: all programs in $(took "$version_start") s" >>"$results/times"
done
wineserver -k </dev/null >/dev/null 2>&1
touch "$results/finished"
