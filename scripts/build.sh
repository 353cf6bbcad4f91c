#!/usr/bin/env bash
# Sets up the machine and builds every preset: the Linux builds (plain and
# with sanitizers), the DLLs for both Windows targets and the Windows test
# programs of both (which test the DLLs, so those come first). Presets may be
# named to build only those.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

scripts/setup.sh

# Compiler cache: a fresh clone in another folder reuses what an earlier
# build of the same sources compiled.
export CCACHE_BASEDIR="$(pwd)" CCACHE_NOHASHDIR=1

presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(host host-asan win32 win64 win64-tests win32-tests)
for preset in "${presets[@]}"; do
  echo "== build $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done
