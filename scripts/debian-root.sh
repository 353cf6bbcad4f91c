# Sourced by the scripts that make a Debian root of their own with
# debootstrap (the emulated machine, the fresh machine): the archive this
# machine's apt uses, and mounts that never outlive the script.
debian_suite=bookworm

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# The Debian archive this machine's apt takes `debian_suite` from: the first
# enabled "deb" source in /etc/apt/sources.list, sources.list.d/*.list
# (one-line form) or sources.list.d/*.sources (deb822 form) with the
# component main and a plain suite (not -updates or -security).
# TORVEX_APT_DIR stands for /etc/apt in the tests.
debian_mirror() {
  local f apt=${TORVEX_APT_DIR:-/etc/apt}
  {
    for f in "$apt/sources.list" "$apt"/sources.list.d/*.list; do
      [ -f "$f" ] || continue
      awk '
        $1 == "deb" {
          i = 2
          if ($i ~ /^\[/) { while ($i !~ /\]$/) i++; i++ }
          uri = $i; suite = $(i + 1); main = 0
          for (j = i + 2; j <= NF; j++) if ($j == "main") main = 1
          if (main && suite !~ /-/) print uri
        }' "$f"
    done
    for f in "$apt"/sources.list.d/*.sources; do
      [ -f "$f" ] || continue
      awk '
        function flush() {
          if (types ~ /(^| )deb( |$)/ && comps ~ /(^| )main( |$)/ && enabled != "no") {
            n = split(suites, s, " ")
            for (k = 1; k <= n; k++) if (s[k] !~ /-/) { split(uris, u, " "); print u[1]; break }
          }
          types = uris = suites = comps = enabled = ""
        }
        /^[ \t]*#/ { next }
        /^[ \t]*$/ { flush(); next }
        {
          key = tolower($1); sub(/:$/, "", key); $1 = ""; sub(/^ +/, "")
          if (key == "types") types = $0; else if (key == "uris") uris = $0
          else if (key == "suites") suites = $0; else if (key == "components") comps = $0
          else if (key == "enabled") enabled = tolower($0)
        }
        END { flush() }' "$f"
    done
  } | head -n1
}

# A minimal Debian (`debootstrap --variant=minbase`) in the folder ROOT,
# from the archive this machine's apt uses; its log goes to LOG.
debootstrap_root() {
  local root=$1 log=$2 mirror
  "$here/scripts/install-packages.sh" debootstrap debian-archive-keyring
  mirror=$(debian_mirror)
  if [ -z "$mirror" ]; then
    echo "no Debian archive with component main in this machine's apt sources" >&2
    exit 1
  fi
  echo "making a minimal Debian $debian_suite in $root from $mirror"
  as_root debootstrap --variant=minbase --arch=amd64 "$debian_suite" "$root" "$mirror" >"$log" 2>&1 || {
    tail -n 20 "$log" >&2
    exit 1
  }
}

# Unmounts everything mounted at or below the folder ROOT, the deepest
# first, so that removing the tree never reaches into what was mounted.
unmount_tree() {
  local root m
  root=$(realpath -m "$1")
  awk -v root="$root/" 'index($5 "/", root) == 1 { print $5 }' /proc/self/mountinfo | sort -r |
    while read -r m; do
      as_root umount "$m" 2>/dev/null || as_root umount -l "$m" || true
    done
}
