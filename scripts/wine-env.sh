# Sourced by the Wine scripts: where the project's prefix lives and how Wine
# is made quiet. Works from any folder.
repo_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX="${TORVEX_WINEPREFIX:-$repo_root/build/wineprefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
export WINEARCH=win64
wine64_loader=$(command -v wine64 2>/dev/null || true)
[ -n "$wine64_loader" ] || wine64_loader=/usr/lib/wine/wine64
wineserver_bin=$(command -v wineserver 2>/dev/null || true)
[ -n "$wineserver_bin" ] || wineserver_bin=/usr/lib/wine/wineserver64
[ -x "$wineserver_bin" ] || wineserver_bin=/usr/lib/wine/wineserver
