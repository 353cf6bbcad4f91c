#!/usr/bin/env bash
# Runs Windows test programs of the i686 build in the emulated machine, in
# one boot: under 32-bit Wine, once with each Windows version given, one
# program after the other.
#
#   scripts/emulated-run.sh RESULTS WORKDIR VERSIONS PROGRAM...
#
# VERSIONS is a comma-separated list of Wine's version names (win98,win2k,
# winxp), or "linux": then each PROGRAM is NAME=COMMAND, a Linux command
# run natively as root, its results under RESULTS/linux/NAME. Each program
# starts in WORKDIR; its exit code and output land in
# RESULTS/<version>/<program>.rc and .out, the guest's console in
# RESULTS/console.log and each run's time in RESULTS/times. Exits 0 when the
# machine ran every program (whatever they answered), non-zero when the
# machine could not run them.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

if [ $# -lt 4 ]; then
  echo "usage: $0 RESULTS WORKDIR VERSIONS PROGRAM..." >&2
  exit 2
fi
results=$1 workdir=$2 versions=$3
shift 3

"$here/scripts/emulated-machine.sh"

rm -rf "$results"
mkdir -p "$results"
results=$(cd "$results" && pwd)
job=$results/job.sh
{
  printf 'exec /bin/sh %q %q %q %q' "$here/scripts/emulated-guest.sh" "$results" "$workdir" "$versions"
  printf ' %q' "$@"
  printf '\n'
} >"$job"

start=$SECONDS
timeout "${TORVEX_EMULATED_TIMEOUT:-2300}" "$here/scripts/emulated-machine.sh" boot "$job" "$results/console.log" snapshot ||
  echo "emulated-run: the machine ended with code $?" >&2
echo "emulated-run: the machine ran for $((SECONDS - start)) s"
[ ! -f "$results/times" ] || cat "$results/times"
if [ ! -f "$results/finished" ]; then
  echo "emulated-run: the machine did not finish its runs; its console:" >&2
  tail -n 60 "$results/console.log" >&2 || true
  exit 1
fi
