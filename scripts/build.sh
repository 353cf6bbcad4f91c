#!/usr/bin/env bash
# Builds presets, each whole or only some of its targets:
#
#   scripts/build.sh host win64                 two whole presets
#   scripts/build.sh host:TorvexFF,torvex-lab   two targets of the host preset
#
# With no argument: every preset the test command builds (the Linux builds,
# the DLLs for both Windows targets, then the Windows test programs of both,
# which test those DLLs, and the Debian package). Run scripts/setup.sh first
# on a new machine.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

# Compiler cache: a fresh clone in another folder reuses what an earlier
# build of the same sources compiled.
export CCACHE_BASEDIR="$(pwd)" CCACHE_NOHASHDIR=1

wanted=("$@")
[ ${#wanted[@]} -gt 0 ] || wanted=(host host-asan win32 win64 win64-tests win32-tests linux-package:package)
for build in "${wanted[@]}"; do
  preset=${build%%:*}
  targets=()
  [ "$build" = "$preset" ] || IFS=, read -r -a targets <<<"${build#*:}"
  echo "== build $build"
  cmake --preset "$preset" >/dev/null
  if [ ${#targets[@]} -gt 0 ]; then
    cmake --build --preset "$preset" --target "${targets[@]}"
  else
    cmake --build --preset "$preset"
  fi
done
