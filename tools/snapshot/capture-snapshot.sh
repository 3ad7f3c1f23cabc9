#!/bin/sh
# Captures a machine snapshot of the Solaris host it runs on into a directory that hxtrack can
# inventory with TARVOSKSYSROOT=<directory> (docs/machine-snapshots.md).
#
#   capture-snapshot.sh <directory>
#
# Run it as root in the zone to be captured. The formats that Solaris tools print as they are
# (kstat -p, pooladm, poolbind -q) come from those tools; the others from snapshot-helper.c,
# built here with the system's C compiler. An interface the machine does not offer leaves its
# file out, which is what hxtrack expects of it. The files and programs hxtrack reads at fixed
# paths (/etc/zones/index, /proc/0, isainfo, ps, eeprom, dmidecode, ifconfig, netstat) are not
# copied: replace each program by a script that prints what it printed here.
set -u
out=${1:?usage: capture-snapshot.sh <directory>}
here=$(cd "$(dirname "$0")" && pwd)
umask 022
mkdir -p "$out/.snapshot" || exit 1
snap="$out/.snapshot"

. "$here/snapshot-uname.sh"
write_uname "$snap/uname"

kstat -p > "$snap/kstat" 2>/dev/null || rm -f "$snap/kstat"

if command -v zonename >/dev/null 2>&1; then
  echo "zonename=$(zonename)" > "$snap/zone"
fi

# pooladm fails when the pools facility is not enabled: then there is no pool library to ask.
if pooladm > "$snap/pooladm" 2>/dev/null; then
  poolbind -q $$ > "$snap/poolbind" 2>/dev/null || rm -f "$snap/poolbind"
else
  rm -f "$snap/pooladm"
fi

helper="$out/.snapshot-helper.$$"
if cc -o "$helper" "$here/snapshot-helper.c" -ldevinfo 2>/dev/null ||
   gcc -o "$helper" "$here/snapshot-helper.c" -ldevinfo 2>/dev/null; then
  for part in devinfo sysinfo sysconf openprom; do
    "$helper" "$part" > "$snap/$part" 2>/dev/null || rm -f "$snap/$part"
  done
  rm -f "$helper"
else
  echo "capture-snapshot: no C compiler; devinfo, sysinfo, sysconf and openprom are not captured" >&2
fi
echo "snapshot of $(uname -n) in $out"
