#!/usr/bin/env bash
# The main job: builds what a user of the wheel gets and shows it. The DLLs
# for both Windows targets (release builds), the package for Windows 98 to
# XP and the Debian package for Linux in build/dist/, the Linux modules and
# the lab; then it lists them with the names they export, and the Debian
# package's files, and plays the lab's demonstration. The test
# programs, the sanitizer build and the fuzzers are the test command's.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

scripts/setup.sh deliverables
scripts/build.sh win32 win64 host:TorvexFF,TorvexPS,torvex-lab linux-package:package

for preset in win32 win64; do
  for dll in build/$preset/driver/*.dll build/$preset/sheet/*.dll; do
    echo "== $dll"
    x86_64-w64-mingw32-objdump -p "$dll" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p'
  done
done
for so in build/host/driver/TorvexFF.so build/host/sheet/TorvexPS.so; do
  echo "== $so"
  nm -D --defined-only "$so" | awk '$2 == "T" { print "\t" $3 }'
done
echo "== the package for Windows 98, Me, 2000 and XP (32-bit)"
ls -l build/dist/*.zip
echo "== the Debian package for Linux (sudo apt install ./build/dist/<file>.deb)"
for deb in build/dist/*.deb; do
  ls -l "$deb"
  dpkg-deb --contents "$deb" | awk '$6 !~ /\/$/ { print "\t" $6 }'
done

# The lab plays its demonstration on the simulated wheel: the timeline on
# standard output, what it plays on standard error, the picture in build/.
echo "== torvex-lab: the demonstration"
build/host/tools/torvex-lab --plot build/lab-demo.svg
echo "== picture of both force channels: build/lab-demo.svg"
