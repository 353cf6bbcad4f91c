#!/usr/bin/env bash
# Mutation check: puts each fault of tests/mutations.txt into the product
# code, one at a time, builds the host preset, runs the host tests, and puts
# the original back. A fault the tests do not notice is a survivor: either a
# test is missing, or the fault changes nothing observable (the list then
# says why, in the fault's "note").
#
#   scripts/mutate.sh [--list FILE] [--check] [NUMBER...]
#
# NUMBER picks faults by their place in the list (1 is the first); without
# any, every fault runs. --check only checks the list. Exits 0 when every
# survivor is explained, 1 when one is not (or the tests fail without any
# fault), 2 when the list is wrong. Takes minutes: each fault is a build
# and a run of the whole host suite.
set -uo pipefail
shopt -u patsub_replacement 2>/dev/null || true
export LC_ALL=C

cd "$(dirname "${BASH_SOURCE[0]}")/.."
root=$(pwd)
list=tests/mutations.txt
picked=()
check_only=0
while [ $# -gt 0 ]; do
  case "$1" in
    --list) list=$2; shift 2 ;;
    --check) check_only=1; shift ;;
    -h|--help) sed -n '2,14p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *[!0-9]*|'') echo "mutate.sh: not a fault number: $1" >&2; exit 2 ;;
    *) picked+=("$1"); shift ;;
  esac
done
[ -f "$list" ] || { echo "mutate.sh: no list $list" >&2; exit 2; }

build_dir=build/host
log_dir=$build_dir/mutation
export CCACHE_BASEDIR=$root CCACHE_NOHASHDIR=1

# ------------------------------------------------------------------ the list

files=() finds=() intos=() whats=() notes=() lines=()
bad_list() {
  echo "mutate.sh: $list:$1: $2" >&2
  exit 2
}

block_line=0 cur_file= cur_find= cur_into= cur_what= cur_note= has_find=0 has_into=0
end_block() {
  [ "$block_line" -eq 0 ] && return
  [ -n "$cur_file" ] || bad_list "$block_line" "the fault names no file"
  [ "$has_find" -eq 1 ] && [ -n "$cur_find" ] || bad_list "$block_line" "the fault has no text to find"
  [ "$has_into" -eq 1 ] || bad_list "$block_line" "the fault has no replacement (into:)"
  [ -n "$cur_what" ] || bad_list "$block_line" "the fault does not say what it breaks (what:)"
  [ "$cur_find" != "$cur_into" ] || bad_list "$block_line" "the replacement is the original text"
  files+=("$cur_file") finds+=("$cur_find") intos+=("$cur_into") whats+=("$cur_what")
  notes+=("$cur_note") lines+=("$block_line")
  block_line=0 cur_file= cur_find= cur_into= cur_what= cur_note= has_find=0 has_into=0
}
# Appends a line to a text that may span lines.
joined() {
  if [ "$2" -eq 1 ]; then printf '%s\n%s' "$1" "$3"; else printf '%s' "$3"; fi
}

lineno=0
while IFS= read -r line || [ -n "$line" ]; do
  lineno=$((lineno + 1))
  case "$line" in
    '#'*) continue ;;
    '') end_block; continue ;;
  esac
  [ "$block_line" -eq 0 ] && block_line=$lineno
  case "$line" in
    'file: '*) cur_file=${line#file: } ;;
    'find:'|'find: '*) text=${line#find:}; text=${text# }
                       cur_find=$(joined "$cur_find" "$has_find" "$text"; printf x); cur_find=${cur_find%x}
                       has_find=1 ;;
    'into:'|'into: '*) text=${line#into:}; text=${text# }
                       cur_into=$(joined "$cur_into" "$has_into" "$text"; printf x); cur_into=${cur_into%x}
                       has_into=1 ;;
    'what: '*) cur_what=${line#what: } ;;
    'note: '*) cur_note=${cur_note:+$cur_note }${line#note: } ;;
    *) bad_list "$lineno" "not a field of a fault: $line" ;;
  esac
done <"$list"
end_block
total_listed=${#files[@]}
[ "$total_listed" -gt 0 ] || { echo "mutate.sh: $list lists no fault" >&2; exit 2; }

# The whole of file $1 into the variable named $2, trailing line breaks
# included.
read_file() {
  local text
  text=$(cat "$1"; printf x)
  printf -v "$2" '%s' "${text%x}"
}
occurrences() { # text, pattern
  local rest=${1//"$2"/}
  echo $(((${#1} - ${#rest}) / ${#2}))
}

# Every fault is checked before anything is touched: its text must stand
# exactly once in its file, so that it is put in where it was meant.
for i in "${!files[@]}"; do
  f=${files[$i]}
  [ -f "$f" ] || bad_list "${lines[$i]}" "no such file: $f"
  read_file "$f" content
  n=$(occurrences "$content" "${finds[$i]}")
  [ "$n" -eq 1 ] || bad_list "${lines[$i]}" "the text to find stands $n times in $f, not once:
${finds[$i]}"
done

if [ "$check_only" -eq 1 ]; then
  echo "$list: $total_listed faults, each text found once in its file."
  exit 0
fi

chosen=()
if [ ${#picked[@]} -eq 0 ]; then
  chosen=("${!files[@]}")
else
  for n in "${picked[@]}"; do
    [ "$n" -ge 1 ] && [ "$n" -le "$total_listed" ] || { echo "mutate.sh: no fault $n (1 to $total_listed)" >&2; exit 2; }
    chosen+=($((n - 1)))
  done
fi

# ------------------------------------------------------------- put back always

backup=$(mktemp)
mutated=
restore() {
  if [ -n "$mutated" ]; then
    # A fresh time stamp, so that the next build compiles the original again.
    cp "$backup" "$mutated" && touch "$mutated"
    mutated=
  fi
}
interrupted() {
  restore
  echo >&2
  echo "mutate.sh: interrupted; the sources are as they were (the next build compiles them again)" >&2
  exit 130
}
trap 'restore; rm -f "$backup"' EXIT
trap interrupted INT TERM HUP

# -------------------------------------------------------------------- the run

build() { cmake --build --preset host >>"$1" 2>&1; }
run_tests() {
  ctest --test-dir "$build_dir" -j"$(nproc)" --stop-on-failure --timeout 120 >>"$1" 2>&1
}
first_failure() {
  grep -m1 -E 'Test +#[0-9]+: .*(\*\*\*|\(Failed|\(Timeout|\(SEGFAULT|\(Subprocess)' "$1" |
    sed -E 's/.*Test +#[0-9]+: ([^ ]+).*/\1/'
}
seconds() { date +%s; }
duration() { printf '%d min %02d s' $(($1 / 60)) $(($1 % 60)); }

started=$(seconds)
if [ ! -f "$build_dir/CMakeCache.txt" ]; then
  echo "Configuring the host preset..."
  cmake --preset host >/dev/null || { echo "mutate.sh: the host preset does not configure" >&2; exit 1; }
fi
mkdir -p "$log_dir"
echo "Building and testing without any fault..."
: >"$log_dir/original.log"
if ! build "$log_dir/original.log" || ! run_tests "$log_dir/original.log"; then
  echo "mutate.sh: the host build or tests fail without any fault (see $log_dir/original.log)" >&2
  exit 1
fi

caught=0 uncompiled=0 survived=0 unexplained=0
survivors=()
width=${#total_listed}
for i in "${chosen[@]}"; do
  n=$((i + 1))
  f=${files[$i]}
  log=$log_dir/fault-$n.log
  : >"$log"
  fault_started=$(seconds)

  cp "$f" "$backup"
  mutated=$f
  read_file "$f" content
  printf '%s' "${content/"${finds[$i]}"/"${intos[$i]}"}" >"$f"

  if ! build "$log"; then
    outcome="no build"
    uncompiled=$((uncompiled + 1))
    caught=$((caught + 1))
    by="(does not compile)"
  elif run_tests "$log"; then
    outcome="SURVIVED"
    survived=$((survived + 1))
    by=
    if [ -n "${notes[$i]}" ]; then
      survivors+=("#$n $f: ${whats[$i]}"$'\n'"      explained: ${notes[$i]}")
    else
      unexplained=$((unexplained + 1))
      survivors+=("#$n $f: ${whats[$i]}"$'\n'"      NOT EXPLAINED (log: $log)")
    fi
  else
    outcome="caught"
    caught=$((caught + 1))
    by="by $(first_failure "$log")"
  fi
  restore
  printf '[%*d/%d] %-8s %s: %s %s (%d s)\n' "$width" "$n" "$total_listed" "$outcome" "$f" "${whats[$i]}" \
    "$by" $(($(seconds) - fault_started))
done

echo "Building the sources as they are again..."
build "$log_dir/original.log" || echo "mutate.sh: the final build failed (see $log_dir/original.log)" >&2

total=${#chosen[@]}
elapsed=$(($(seconds) - started))
echo
faults=faults
[ "$total" -eq 1 ] && faults=fault
echo "Mutation check of $total $faults: $caught caught ($((caught * 100 / total)) %), of which $uncompiled" \
  "did not compile; $survived survived ($unexplained not explained). $(duration "$elapsed")."
if [ ${#survivors[@]} -gt 0 ]; then
  echo "Survivors:"
  for s in "${survivors[@]}"; do
    echo "  $s"
  done
fi
[ "$unexplained" -eq 0 ]
