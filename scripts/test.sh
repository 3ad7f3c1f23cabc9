#!/usr/bin/env bash
# Builds hxtrack and every test in build/ and runs the whole suite.
# Extra arguments go to ctest (for example -R foundation).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build -G Ninja -DHX_WERROR=ON -DHX_TESTS=ON -DHX_BENCH=ON >/dev/null
cmake --build build
ctest --test-dir build --output-on-failure -j2 "$@"
