#!/bin/sh
# In a fresh Debian root (scripts/fresh-machine.sh run): the package
# installed with dpkg as a user would, its files where it says, its system
# user made; then purged, leaving the root as it was. The shadow tools'
# backups (/etc/passwd- and the like) are theirs, not the package's.
#
#   sh linux_package_root.sh PACKAGE.deb
set -u
deb=$1 failed=0
fail() { echo "FAILED: $*"; failed=1; }
state() { # the files outside dpkg's own records and logs, and the accounts
  find / -xdev \( -path /proc -o -path /sys -o -path /dev -o -path /run -o -path /tmp -o -path /var/lib/dpkg \
    -o -path /var/log -o -path /var/cache -o -path /root \) -prune -o ! -name '*-' -print | sort
  cat /etc/passwd /etc/group /etc/shadow /etc/gshadow
}

state >before
dpkg -i "$deb" || fail "dpkg -i $deb"
for file in $(dpkg-deb --contents "$deb" | awk '$6 !~ /\/$/ { print substr($6, 2) }'); do
  [ -f "$file" ] || fail "$file is not installed"
done
user=$(getent passwd torvex-ffd) || fail "no user torvex-ffd"
case "$user" in
  torvex-ffd:x:*:*:*:/nonexistent:/usr/sbin/nologin) ;;
  *) fail "the user torvex-ffd is not a system user without a home and login: $user" ;;
esac
[ "$(id -gn torvex-ffd)" = torvex-ffd ] || fail "the user's group is not torvex-ffd"
[ "$(id -u torvex-ffd)" -lt 1000 ] || fail "torvex-ffd has a user's id, not a system id"
dpkg --purge zk5120-wheel || fail "dpkg --purge"
state >after
diff before after || fail "the purged package left the differences above"
[ "$failed" -eq 0 ] && echo "installed and purged: nothing left"
exit "$failed"
