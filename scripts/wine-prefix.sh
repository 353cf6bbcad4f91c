#!/usr/bin/env bash
# Creates the project's own 64-bit Wine prefix once: no install dialogs, no
# debug noise, and windows closing without the 2 s stall that Wine has when
# no window manager runs (Xvfb).
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"

stamp="$WINEPREFIX/.torvex-ready"
[ -f "$stamp" ] && exit 0

echo "setup: creating the Wine prefix $WINEPREFIX (once, about 15 s)"
mkdir -p "$WINEPREFIX"
# Wine's helper processes must never inherit a pipe as stdio.
"$wine64_loader" wineboot -i </dev/null >/dev/null 2>&1 || true
"$wine64_loader" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f \
  </dev/null >/dev/null 2>&1
"$wineserver_bin" -w </dev/null >/dev/null 2>&1 || true
touch "$stamp"
