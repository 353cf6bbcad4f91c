#!/usr/bin/env bash
# Installs the Debian packages named on the command line that are not
# installed yet, with apt-get (as root, or through sudo). Quick when all are
# there.
set -euo pipefail

missing=()
for p in "$@"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -gt 0 ] || exit 0

echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
sudo_cmd=""
[ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
# Another install may be under way (the test command makes two Debian roots
# at once): wait for it rather than fail.
lock=(-o DPkg::Lock::Timeout=600)
$sudo_cmd apt-get "${lock[@]}" update -qq
$sudo_cmd apt-get "${lock[@]}" install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
