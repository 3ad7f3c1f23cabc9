#!/usr/bin/env bash
# Lists the functions of ours that no program or module of the build calls: every object is
# compiled with one section per function, each program and module is linked with the linker's
# garbage collection from its real entry points (the program without exporting its symbols,
# the Linux providers linked into it, as they would be loaded), and a function counts as
# unreferenced when some link dropped it and no link kept it. Standard library templates are
# left out.
#   scripts/unreferenced.sh [BUILD_DIR]   (default build-gc; configured and built when needed)
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-build-gc}
cmake -S . -B "$out" -G Ninja -DHX_TESTS=OFF -DHX_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_CXX_FLAGS="-ffunction-sections -O0" >/dev/null
cmake --build "$out" >/dev/null
cd "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
[ -n "${HX_KEEP:-}" ] && trap - EXIT && echo "work: $work" >&2
gc=(-Wl,--gc-sections -Wl,--print-gc-sections)

# The link command ninja would run for TARGET, with the export of every symbol taken out (an
# exported symbol is a root of the collection, which would keep everything).
relink() {
  local target=$1 output=$2; shift 2
  local cmd
  cmd=$(ninja -t commands "$target" | tail -n 1 | sed -e 's/^: && //' -e 's/ && :$//' \
    -e 's/ -Wl,--export-dynamic//g' -e 's/ -rdynamic//g' -e "s| -o [^ ]*| -o $output|")
  eval "$cmd ${gc[*]} $*" 2>"$work/$(basename "$output").gc"
}

relink bin/hxtrack "$work/hxtrack" -Wl,--whole-archive archive/libhx_linux.a -Wl,--no-whole-archive \
  "$(find hardware/linux -name 'LinuxModule.cpp.o')" -Wl,-u,ZORComModuleInitialize -Wl,-u,ZORComModuleFinalize
relink bin/hxview "$work/hxview"
relink bin/hxcatc "$work/hxcatc"
relink lib/libuploader.so "$work/libuploader.so"
relink lib/libhxlsyslog.so "$work/libhxlsyslog.so"
if ninja -t query bin/hxcollect >/dev/null 2>&1; then relink bin/hxcollect "$work/hxcollect"; fi

# Dropped by some link: the section names' symbols.
sed -n "s/.*removing unused section '\.text\.\([^']*\)'.*/\1/p" "$work"/*.gc | c++filt | sed -E 's/^(.*)\[\1\]$/\1/' | sort -u >"$work/dropped"
# Kept by some link: the functions each linked file still defines (a constructor or destructor
# kept in one of its variants counts as kept).
for f in "$work"/hxtrack "$work"/hxview "$work"/hxcatc "$work"/hxcollect "$work"/*.so; do
  if [ -e "$f" ]; then nm --defined-only "$f" | awk '$2 ~ /^[tTwW]$/ { print $3 }'; fi
done | c++filt | sort -u >"$work/kept"
comm -23 "$work/dropped" "$work/kept" | grep -v -E '^([a-z_ ]+ )?(std|__gnu_cxx)::' | grep -v -E '^[^(]*<[^(]*std::' | grep -v -E '^([^(]* )?std::' || true
