#!/usr/bin/env bash
# The main job: sets up, builds every preset and lists the built
# deliverables with the functions they export.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

scripts/build.sh

found=0
for preset in win32 win64; do
  for dll in build/$preset/driver/*.dll build/$preset/sheet/*.dll; do
    [ -e "$dll" ] || continue
    found=1
    echo "== $dll"
    x86_64-w64-mingw32-objdump -p "$dll" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p'
  done
done
for so in build/host/driver/*.so build/host/sheet/*.so; do
  [ -e "$so" ] || continue
  found=1
  echo "== $so"
  nm -D --defined-only "$so" | awk '$2 == "T" { print "\t" $3 }'
done
[ "$found" -eq 1 ] || { echo "No deliverable was built." >&2; exit 1; }

# The lab plays its demonstration on the simulated wheel: the timeline on
# standard output, what it plays on standard error, the picture in build/.
echo "== torvex-lab: the demonstration"
build/host/tools/torvex-lab --plot build/lab-demo.svg
echo "== picture of both force channels: build/lab-demo.svg"
