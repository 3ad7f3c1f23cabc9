#!/bin/bash
# Captures the Linux host it runs on as a machine tree that hxtrack can inventory with
# TARVOSKSYSROOT=<directory> (docs/machine-snapshots.md, "Capturing a Linux machine").
#
#   capture-linux.sh <directory>
#
# Run it as root (an ordinary user's capture lacks what only root may read: the firmware
# tables, serial numbers, other users' executables). It copies the files below /proc, /sys
# and /etc that the Linux providers read, sysfs links kept as links (with the directories
# they lead to copied at their own place, so that they resolve inside the tree), and writes
# .snapshot/uname, .snapshot/ifaddrs (the kernel's address list) and .snapshot/statvfs (the
# size of every mounted file system), which a copied tree cannot hold.
#
# Nothing that carries secrets is copied: no process's command line or environment, no
# shadow file, no private keys; of a process only its stat, status, comm and executable link.
# Every read is bounded in time and size: a sysfs attribute that blocks or a file system that
# does not answer costs a few seconds, not the capture.
set -u
umask 022
out=${1:?usage: capture-linux.sh <directory>}
mkdir -p "$out/.snapshot" || exit 1
out=$(cd "$out" && pwd)
readonly c_Timeout=10  # seconds for the copies of one directory, or one statvfs

# Copies files and links to the same paths below the capture, all of one directory in one go
# (a capture makes thousands of copies): a link is copied as a link (never followed), a
# regular file as it reads; a copy that blocks is ended after a few seconds.
copy_into() {
  local dir=$1
  shift
  [ $# -gt 0 ] || return 0
  mkdir -p "$out$dir"
  timeout "$c_Timeout" cp -P --no-preserve=all -t "$out$dir" -- "$@" 2>/dev/null
  return 0
}

take() {
  [ -L "$1" ] || [ -f "$1" ] && copy_into "$(dirname "$1")" "$1"
  return 0
}

# The attributes of one directory: its readable files and its links, not its subdirectories.
# Attributes that act when read or hold no text are left out.
take_attributes() {
  local dir=$1 entry name
  local -a files=()
  for entry in "$dir"/* "$dir"/.[!.]*; do
    name=${entry##*/}
    case $name in
      '*' | '.[!.]*' | rom | remove | rescan | reset | new_id | remove_id | bind | unbind | resource[0-9]* | \
        cmdline | environ | *shadow*) continue ;;
    esac
    if [ -L "$entry" ] || { [ -f "$entry" ] && [ -r "$entry" ]; }; then files+=("$entry"); fi
  done
  copy_into "$dir" "${files[@]}"
}

# A sysfs object reached through a link (/sys/block/sda, .../device): the link itself, and the
# directory it leads to with its attributes, copied at the directory's own path.
take_node() {
  local link=$1 real sub
  shift
  [ -e "$link" ] || return 0
  take "$link"
  real=$(readlink -f "$link") || return 0
  case $real in /sys/*) ;; *) return 0 ;; esac
  mkdir -p "$out$real"
  take_attributes "$real"
  for sub in "$@"; do
    [ -d "$real/$sub" ] && [ ! -L "$real/$sub" ] && take_attributes "$real/$sub"
  done
}

# Every directory on the way from a sysfs device up to its bus root, with its attributes: the
# PCI device of a disk or a network card, the controller of a drive.
take_parents() {
  local real
  real=$(readlink -f "$1") || return 0
  while case $real in /sys/devices/*/*) true ;; *) false ;; esac; do
    real=${real%/*}
    take_attributes "$real"
  done
}

# ---- /proc ----
copy_into /proc /proc/cpuinfo /proc/meminfo /proc/stat /proc/version /proc/swaps /proc/uptime \
  /proc/loadavg /proc/partitions
copy_into /proc/net /proc/net/route /proc/net/ipv6_route /proc/net/if_inet6 /proc/net/dev
for d in /proc/net/vlan /proc/net/bonding; do [ -d "$d" ] && take_attributes "$d"; done
# The capture's own view of the mounts (/proc/self is a link to the reading process).
mkdir -p "$out/proc/self"
for f in mountinfo mounts cgroup; do cat "/proc/self/$f" >"$out/proc/self/$f" 2>/dev/null; done
take_attributes /proc/sys/kernel
# What tells a hypervisor or a container from the inside.
for d in /proc/xen /proc/vz /proc/device-tree/hypervisor; do [ -d "$d" ] && take_attributes "$d"; done
# The processes: who runs what, never with what arguments or environment.
for p in /proc/[0-9]*; do
  copy_into "$p" "$p/stat" "$p/status" "$p/comm" "$p/exe" "$p/cgroup"
done

# ---- /sys ----
cpu=/sys/devices/system/cpu
for f in online present possible offline kernel_max; do take "$cpu/$f"; done
for c in "$cpu"/cpu[0-9]*; do
  take "$c/online"
  take_attributes "$c/topology"
  [ -d "$c/cpufreq" ] && take_attributes "$(readlink -f "$c/cpufreq")" && take "$c/cpufreq"
done
for b in /sys/block/*; do
  take_node "$b" queue
  take_node "$b/device"
  take_parents "$b/device"
done
for n in /sys/class/net/*; do
  take_node "$n" bonding
  [ -e "$n/device" ] && take_node "$n/device" && take_parents "$n/device"
done
for d in /sys/bus/pci/devices/*; do take_node "$d"; done
for d in /sys/class/drm/*; do take_node "$d"; done
[ -d /sys/class/dmi/id ] && take_node /sys/class/dmi/id
take /sys/firmware/dmi/tables/DMI
take /sys/firmware/dmi/tables/smbios_entry_point
[ -d /sys/hypervisor ] && take_attributes /sys/hypervisor && take_attributes /sys/hypervisor/properties

# ---- /etc and what the system says of itself ----
for f in /etc/os-release /usr/lib/os-release /etc/passwd /etc/group /etc/shells /etc/resolv.conf \
  /run/systemd/resolve/resolv.conf /etc/timezone /etc/localtime /etc/hostname /.dockerenv \
  /run/.containerenv /run/systemd/container; do
  take "$f"
done
# os-release and resolv.conf are often links: their targets belong to the machine too.
for f in /etc/os-release /etc/resolv.conf; do
  [ -L "$f" ] && t=$(readlink -f "$f") && case $t in /etc/* | /usr/* | /run/*) take "$t" ;; esac
done

# ---- the snapshot files ----
snap="$out/.snapshot"
. "$(dirname "$0")/snapshot-uname.sh"
write_uname "$snap/uname"
# The kernel's address list: <interface> inet|inet6 <address>/<prefix>, in the kernel's order.
if command -v ip >/dev/null 2>&1; then
  timeout "$c_Timeout" ip -o addr show | awk '$3 == "inet" || $3 == "inet6" { print $2, $3, $4 }' >"$snap/ifaddrs"
else
  echo "capture-linux: no ip; .snapshot/ifaddrs is not written" >&2
fi
# Per mount point of the mount table (written as there, blanks as \040): the fundamental block
# size, the blocks, the free blocks and the blocks available to ordinary users.
: >"$snap/statvfs"
while read -r _ _ _ _ point _; do
  path=$(printf '%b' "${point//\\/\\0}")
  sizes=$(timeout "$c_Timeout" stat -f -c '%S %b %f %a' -- "$path" 2>/dev/null) || continue
  echo "$point $sizes" >>"$snap/statvfs"
done <"$out/proc/self/mountinfo"

echo "capture of $(uname -n) in $out"
