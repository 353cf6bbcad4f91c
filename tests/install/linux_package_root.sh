#!/bin/sh
# In a fresh Debian root (scripts/fresh-machine.sh run): the package
# installed with dpkg as a user would, its system user made; then purged,
# leaving the files and accounts as they were (the shadow tools' backups,
# /etc/passwd- and the like, are theirs).
#
#   sh linux_package_root.sh PACKAGE.deb
failed=0
fail() { echo "FAILED: $*"; failed=1; }
state() {
  find / -xdev \( -path /proc -o -path /sys -o -path /dev -o -path /run -o -path /tmp -o -path /root \
    -o -path /var/lib/dpkg -o -path /var/log -o -path /var/cache \) -prune -o ! -name '*-' -print | sort
  cat /etc/passwd /etc/group /etc/shadow /etc/gshadow
}

state >before
dpkg -i "$1" || fail "dpkg -i $1"
getent passwd torvex-ffd | grep -q '^torvex-ffd:x:[1-9][0-9][0-9]:[0-9]*:[^:]*:/nonexistent:/usr/sbin/nologin$' &&
  [ "$(id -gn torvex-ffd)" = torvex-ffd ] || fail "no system user torvex-ffd, group torvex-ffd, without home or login"
dpkg --purge zk5120-wheel || fail "dpkg --purge"
state >after
diff before after || fail "the purged package left the differences above"
[ "$failed" -eq 0 ] && echo "installed and purged: nothing left"
exit "$failed"
