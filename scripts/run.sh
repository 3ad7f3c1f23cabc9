#!/usr/bin/env bash
# Builds hxtrack and runs one inventory run with the shipped configuration.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build -G Ninja -DHX_TESTS=OFF -DHX_BENCH=OFF >/dev/null
cmake --build build --target hxtrack
build/bin/hxtrack "$@"
