#!/usr/bin/env bash
# Runs one Windows program of the win64 build under the project's Wine
# prefix; CTest uses it as the cross-compiling emulator. The program's
# output goes through a file, because Wine's helper processes must never
# inherit the caller's pipe (CTest would wait for them).
set -u
. "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
"$(dirname "${BASH_SOURCE[0]}")/wine-prefix.sh" || exit 1
out=$(mktemp)
"$wine64_loader" "$@" </dev/null >"$out" 2>&1
rc=$?
cat "$out"
rm -f "$out"
exit $rc
