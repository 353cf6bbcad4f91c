#!/usr/bin/env bash
# The emulated machine's host side, without booting it: which Debian archive
# the machine is built from (the one this machine's apt uses), and how one
# program's stored run becomes a CTest result.
#
#   emulated_scripts_test.sh REPOSITORY CMAKE
set -u
repo=$1 cmake=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0 passes=0

check() { # name expected actual
  if [ "$2" = "$3" ]; then
    passes=$((passes + 1))
  else
    failures=$((failures + 1))
    printf 'FAILED %s\n  expected: %s\n  actual:   %s\n' "$1" "$2" "$3"
  fi
}

mirror_of() { # an apt folder
  TORVEX_APT_DIR=$1 "$repo/scripts/emulated-machine.sh" mirror
}

apt_dir() { # a fresh apt folder
  local dir=$work/apt-$1
  mkdir -p "$dir/sources.list.d"
  echo "$dir"
}

# deb822: the security and updates suites and a source-only entry come first
# and are passed over; comments and Signed-By lines are ignored.
a=$(apt_dir deb822)
cat >"$a/sources.list.d/debian.sources" <<'SRC'
# the local mirror
Types: deb
URIs: http://security.example.test/security
Suites: bookworm-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: http://sources.example.test/archive
Suites: bookworm
Components: main

Types: deb
URIs: http://archive.example.test/archive http://second.example.test/archive
Suites: bookworm bookworm-updates
Components: main contrib
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
check "deb822 archive" "http://archive.example.test/archive" "$(mirror_of "$a")"

# deb822: a disabled entry and one without main do not count.
a=$(apt_dir deb822-disabled)
cat >"$a/sources.list.d/a.sources" <<'SRC'
Types: deb
URIs: http://disabled.example.test/archive
Suites: bookworm
Components: main
Enabled: no

Types: deb
URIs: http://nonfree.example.test/archive
Suites: bookworm
Components: non-free
SRC
cat >"$a/sources.list.d/b.sources" <<'SRC'
Types: deb
URIs: http://enabled.example.test/archive
Suites: bookworm
Components: main
Enabled: yes
SRC
check "deb822 disabled and non-main entries" "http://enabled.example.test/archive" "$(mirror_of "$a")"

# One-line form with options in brackets, after a security line and a
# commented-out one.
a=$(apt_dir one-line)
cat >"$a/sources.list" <<'SRC'
# deb http://commented.example.test/archive bookworm main
deb http://security.example.test/security bookworm-security main
deb [arch=amd64 signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://oneline.example.test/archive bookworm main contrib
deb http://later.example.test/archive bookworm main
SRC
check "one-line archive with options" "http://oneline.example.test/archive" "$(mirror_of "$a")"

# sources.list.d/*.list counts like sources.list.
a=$(apt_dir list-file)
echo "deb http://listfile.example.test/archive bookworm main" >"$a/sources.list.d/debian.list"
check "*.list file" "http://listfile.example.test/archive" "$(mirror_of "$a")"

# No Debian archive at all: nothing, so that the build stops with a message.
a=$(apt_dir none)
echo "deb https://vendor.example.test/apt stable-updates main" >"$a/sources.list"
check "no usable archive" "" "$(mirror_of "$a")"

# One program's stored run as a CTest result.
result() { # name rc-or-"none" output -> "exit code|output"
  local base=$work/results/$1
  mkdir -p "$work/results"
  [ "$2" = none ] || echo "$2" >"$base.rc"
  printf '%s' "$3" >"$base.out"
  local out code
  out=$("$cmake" -DRESULT="$base" -P "$repo/tests/emulated_result.cmake" 2>&1)
  code=$?
  echo "$code|$out"
}
r=$(result passed 0 "[  PASSED  ] 3 tests.")
check "a passing program passes" "0" "${r%%|*}"
case "$r" in *"[  PASSED  ] 3 tests."*) check "its output is shown" yes yes ;; *) check "its output is shown" "$r" "" ;; esac
r=$(result failed 1 "[  FAILED  ] Some.Test")
check "a failing program fails" "1" "${r%%|*}"
case "$r" in *"Some.Test"*"exited with code '1'"*) check "its output and code are shown" yes yes ;; *) check "its output and code are shown" "$r" "" ;; esac
r=$(result crashed 3221225477 "")
check "a crashed program fails" "1" "${r%%|*}"
r=$(result hung 124 "[ RUN      ] Slow.Test")
check "a stopped program fails" "1" "${r%%|*}"
case "$r" in *"within 5 minutes"*) check "it says it was stopped" yes yes ;; *) check "it says it was stopped" "$r" "" ;; esac
r=$(result missing none "")
check "a program without a result fails" "1" "${r%%|*}"
case "$r" in *"No result"*) check "it says there is no result" yes yes ;; *) check "it says there is no result" "$r" "" ;; esac

echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ]
