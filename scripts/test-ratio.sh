#!/usr/bin/env bash
# Prints the size of the test suite against the code: non-blank lines of C++ sources and
# headers under tests/ (fuzz targets and support headers included) against the same outside
# tests/ and bench/. Exits 1 when the ratio is over the limit given (default 0.38).
set -euo pipefail
cd "$(dirname "$0")/.."
limit=${1:-0.38}
count() { find "$@" -type f \( -name '*.cpp' -o -name '*.cc' -o -name '*.h' -o -name '*.hpp' \) -print0 |
  xargs -0 cat | grep -cv '^[[:space:]]*$'; }
tests=$(count tests)
code=$(find . \( -path ./tests -o -path ./bench -o -path './build*' -o -path ./.git \) -prune -o -type f \
  \( -name '*.cpp' -o -name '*.cc' -o -name '*.h' -o -name '*.hpp' \) -print0 | xargs -0 cat | grep -cv '^[[:space:]]*$')
ratio=$(awk -v t="$tests" -v c="$code" 'BEGIN { printf "%.3f", t / c }')
echo "test-to-code ratio: $ratio ($tests test lines, $code code lines; limit $limit)"
awk -v r="$ratio" -v l="$limit" 'BEGIN { exit (r > l) ? 1 : 0 }'
