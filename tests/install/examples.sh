#!/usr/bin/env bash
# Follows the README's installation word for word in a clean clone of the sources, then runs
# the marked examples of the README and of hxtrack's manual page as they are printed, and
# checks what each says it does. Everything runs in a mount namespace of its own: /opt holds
# files made here, /var/tmp is empty, and the single-instance lock is the test's own.
#   examples.sh SOURCE_DIR SCRATCH_PARENT   (SCRATCH_PARENT on a disk file system, as a scan
#                                            walks no memory file system)
set -euo pipefail
[ "$(id -u)" = 0 ] || { echo "skipped: needs root for a mount namespace"; exit 77; }
[ -n "${HX_EXAMPLES_NS:-}" ] || exec env HX_EXAMPLES_NS=1 unshare --mount --ipc "$0" "$@"
mount --make-rprivate /
unset TARVOSKINI TARVOSKCONFIGINI TARVOSKINSTALLDIR TARVOSKDATADIR TARVOSKSYSROOT
scratch=$(mktemp -d "$2/examples.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# The clone's build reuses compiled objects from earlier runs of this test.
# -Werror is left out of the hash: an object compiled clean serves builds with and without it.
export CCACHE_DIR=${CCACHE_DIR:-$HOME/.cache/ccache} CCACHE_BASEDIR=$scratch CCACHE_NOHASHDIR=1 CCACHE_IGNOREOPTIONS=-Werror
export CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache CMAKE_BUILD_PARALLEL_LEVEL=2
export HOME=$scratch/home
mkdir -m 700 "$HOME"
git clone -q "$1" "$scratch/src"
cd "$scratch/src"
readme() { awk -v m="<!-- example: $1 -->" '$0 == m { f = 1; next } f && /^```/ { if (n++) exit; next } f' README.md; }
manpage() { awk -v m=".\\\\\" example: $1" 'f { sub(/^\.B /, ""); gsub(/\\-/, "-"); gsub(/\\\(aq/, "'\''"); print; exit }
  $0 == m { f = 1 }' docs/hxtrack.1; }
run() { echo "+ $1"; bash -ec "$1" </dev/null >"$scratch/out" 2>&1 || { cat "$scratch/out"; fail "$1"; }; }
delivered() { find "$HOME/inventories/Inventories" -name "*$1*.hxi.gz" | grep -c .; }

run "$(readme install)"
data=$HOME/hxtrack/var/lib/hxtrack
inventory=$data/tracker/inventories/$(hostname).hxi
cmp <(gzip -dc "$HOME"/inventories/Inventories/*) "$inventory" || fail "delivered copy differs"
for class in ComputerSystem OperatingSystem Processor PhysicalMemory UserAccount Group Process; do
  grep -q "<Hardware Class=\"TVK_$class\"" "$inventory" || fail "no TVK_$class"
done

export PATH=$HOME/hxtrack/bin:$PATH TARVOSKINI=$HOME/hxtrack/etc/tarvosk.ini
run "$(manpage full)"
[ "$(delivered '(Full)')" = 2 ] || fail "the quiet run delivered no full inventory"
run "$(manpage delta)"
[ "$(delivered '(1)')" = 1 ] || fail "no delta delivered"

# The viewer's manual page examples, on files of the names they use, with the installed data
# directory bound where the package puts it.
mkdir "$scratch/view" && cp "$inventory" "$scratch/view/inventory.hxi" && cp "$inventory" "$scratch/view/previous.hxi"
cp "$(find "$HOME/inventories/Inventories" -name '*(1)*.hxi.gz')" "$scratch/view/delta.hxi.gz"
examples=$(awk '/^\.SH EXAMPLES/ { f = 1; next } f && /^\.fi/ { exit } f && !/^\.nf/ { gsub(/\\-/, "-"); print }' docs/hxview.1)
printf '%s\n' "$examples" >"$scratch/view/man-examples"
run "unshare --mount bash -ec 'mount --bind $HOME/hxtrack/var/lib /var/lib; cd $scratch/view; bash -e man-examples'"
grep -q '^Added: ' "$scratch/out" && grep -q 'libssl' "$scratch/out" && [ -s "$scratch/view/inventory.html" ] ||
  fail "hxview manual page examples: $(head -c 400 "$scratch/out")"

# Every regular file below /opt, with its digest, whatever its name or mode; links are no files.
mkdir -p "$scratch/opt/app/lib" && mount --bind "$scratch/opt" /opt
printf 'a' >/opt/README && printf 'bb' >/opt/app/lib/libw.so.1 && printf '' >/opt/app/notes.txt
printf 'x' >/opt/app/run && chmod 755 /opt/app/run && ln -s README /opt/link
expected=$(cd /opt && find "$PWD" -type f -exec md5sum {} + | awk '{ print $1, $2 }' | sort)
found() { awk -F'"' '/<Content / { md5 = $2 } /<Instance / { print md5, $2 }' "$1" | sort; }
run "$(readme scan)"
[ "$(found build/run-data/tracker/inventories/*.hxi)" = "$expected" ] || fail "README scan: $(found build/run-data/tracker/inventories/*.hxi)"
run "$(readme view)"
grep -q '^Added: [0-9]*, Removed: [1-9][0-9]*, Updated: [0-9]*' "$scratch/out" || fail "README view: no delta summary"
grep -q '<script' inventory.html && grep -q 'libc' "$scratch/out" || fail "README view: no page or no packages"
run "$(manpage scan)"
[ "$(found "$inventory")" = "$expected" ] || fail "manual page scan: $(found "$inventory")"

# With no configuration anywhere the run stays in its data directory and keeps what it staged.
[ ! -e /etc/tarvosk.ini ] || mount --bind /dev/null /etc/tarvosk.ini
mount -t tmpfs tmpfs /var/tmp && mkdir -m 700 "$scratch/empty" && cd "$scratch/empty"
unset TARVOSKINI
rc=0 && "$scratch/src/build/bin/hxtrack" -o UserInteractionLevel=Quiet </dev/null >/dev/null || rc=$?
[ $rc = 7 ] || fail "exit status $rc with no server"
grep -q "No server is configured (ServerLocation)" /var/tmp/tarvosk/log/tracker.log || fail "no line on the missing server"
ls /var/tmp/tarvosk/uploads/pending/*.hxi.gz >/dev/null || fail "staged file not kept"
[ "$(ls -A /var/tmp)" = tarvosk ] && [ -z "$(ls -A .)" ] && [ ! -e /Inventories ] || fail "wrote outside its data directory"
echo "all examples ran as documented"
