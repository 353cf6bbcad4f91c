#!/usr/bin/env bash
# Sets up, builds, and runs every test: the Linux build, the sanitizer
# build, the x86_64 Windows DLLs and test programs under Wine, the i686
# ones under 32-bit Wine in the emulated machine, with Wine reporting
# Windows 98, 2000 and XP, and the main job on a fresh Debian root. Ends
# with one CTest summary over all of them and fails when any test fails.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
root=$(pwd)

scripts/setup.sh
mkdir -p build
# The emulated machine that runs the i686 tests is made once per machine
# (mostly downloading and unpacking Debian packages), beside the compiling.
scripts/emulated-machine.sh >build/emulated-machine.log 2>&1 &
machine_pid=$!
# So is the pristine Debian root in which the main job runs as on a new
# machine.
scripts/fresh-machine.sh >build/fresh-machine.log 2>&1 &
fresh_pid=$!

# The fuzz preset builds only its fuzz targets (clang, libFuzzer).
scripts/build.sh host host-asan win32 win64 win64-tests win32-tests fuzz:fuzz_targets linux-package:package

# Wine creates windows only on an X display: the window tests get a
# virtual one (on a free display number), started before the Wine server
# so that every Wine process sees it.
xvfb_pid=
if [ -z "${DISPLAY:-}" ] && command -v Xvfb >/dev/null; then
  mkdir -p build
  rm -f build/xvfb.display
  Xvfb -displayfd 9 -screen 0 1024x768x24 -nolisten tcp 9>build/xvfb.display </dev/null >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do
    [ -s build/xvfb.display ] && break
    sleep 0.1
  done
  if [ -s build/xvfb.display ]; then
    export DISPLAY=":$(head -n1 build/xvfb.display)"
  fi
fi

# A persistent Wine server with its helpers already running makes each
# Windows test start in a fraction of a second.
. scripts/wine-env.sh
"$wineserver_bin" -p </dev/null >/dev/null 2>&1 &
"$wine64_loader" wineboot </dev/null >/dev/null 2>&1 || true
trap '"$wineserver_bin" -k </dev/null >/dev/null 2>&1 || true; [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true' EXIT

machine_ok=1
wait "$machine_pid" || machine_ok=0
cat build/emulated-machine.log
[ "$machine_ok" -eq 1 ] || echo "test: the emulated machine could not be made; the i686 tests will fail" >&2
wait "$fresh_pid" || echo "test: the pristine Debian root could not be made; the fresh-machine check will fail" >&2
cat build/fresh-machine.log

mkdir -p build/all
{
  echo "# Every test of the host, host-asan, win64-tests, win32-tests and fuzz builds in one run."
  for preset in host host-asan win64-tests win32-tests fuzz; do
    echo "subdirs(\"$root/build/$preset\")"
  done
  # The README's first command on a new machine: alone, since it compiles
  # on both cores and the Windows tests measure the driver's 25 ms period.
  echo "add_test(fresh_machine.main_job \"$root/scripts/fresh-machine.sh\" check)"
  echo "set_tests_properties(fresh_machine.main_job PROPERTIES TIMEOUT 2400 RUN_SERIAL TRUE)"
} >build/all/CTestTestfile.cmake

# The checks of the built Windows DLLs fail, rather than skip, when one is missing.
export TORVEX_REQUIRE_WINDOWS_BUILDS=1
ctest --test-dir build/all --output-on-failure --timeout 900 -j2
