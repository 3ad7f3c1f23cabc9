#!/usr/bin/env bash
# Builds hxtrack with its uploader and runs one inventory run with the shipped configuration,
# everything it writes inside the build tree (build/run-data). Extra arguments go to hxtrack
# (for example -o Difference=True).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
# The same configuration as scripts/test.sh, so that both commands share one build tree.
cmake -S . -B build -G Ninja -DHX_WERROR=ON -DHX_TESTS=ON -DHX_BENCH=ON >/dev/null
cmake --build build --target hxtrack uploader hxlinux hxview

root=$(pwd)
data="$root/build/run-data"
# The data directory is the tracker's own: owner-only, like everything the tracker makes.
mkdir -p -m 700 "$data"
# The tracker writes its install and data directories into the configuration file it is given,
# so it gets a copy of the shipped one (fresh each time), never the tracked file itself.
install -m 600 "$root/etc/tarvosk.ini" "$data/tarvosk.ini"
status=0
TARVOSKCONFIGINI="$data/tarvosk.ini" TARVOSKINSTALLDIR="$root/build" TARVOSKDATADIR="$data" \
  build/bin/hxtrack -o UserInteractionLevel=STATUS "$@" || status=$?

newest() { find "$1" -type f -name "$2" -printf '%T@ %p\n' 2>/dev/null | sort -n | tail -n 1 | cut -d' ' -f2-; }
echo
echo "hxtrack exited with status $status"
echo "inventory:     $(newest "$data/tracker/inventories" '*.hxi')"
staged=$(newest "$data/uploads" '*.gz')
echo "staged (.gz):  ${staged:-none left: the uploader delivered and removed it (run with -o Upload=False to keep it)}"
echo "uploaded copy: $(newest "$data/server" '*.gz')"
echo "log:           $data/log/tracker.log"
exit "$status"
