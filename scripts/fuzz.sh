#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for the given number of seconds
# (default 5). Any crash, leak or sanitizer finding fails the script.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-5}
scripts/setup.sh
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DHX_FUZZ=ON -DHX_TESTS=OFF \
  -DHX_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build-fuzz --target hx_fuzz_all
for target in build-fuzz/fuzz/fuzz_*; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  corpus="build-fuzz/fuzz-corpus/$name"
  mkdir -p "$corpus"
  seeds="tests/fuzz/seeds/${name#fuzz_}"
  echo "fuzz: $name (${seconds}s)"
  if [ -d "$seeds" ]; then
    "$target" -max_total_time="$seconds" -print_final_stats=0 "$corpus" "$seeds" 2>&1 | tail -n 2
  else
    "$target" -max_total_time="$seconds" -print_final_stats=0 "$corpus" 2>&1 | tail -n 2
  fi
done
