#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test twice:
# in the normal build and in the AddressSanitizer + UBSan build.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh"
export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)
for variant in normal asan; do
  dir="$top/build-test-$variant"
  opts=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
  # Timings under the sanitizers would mean nothing: that build leaves the
  # benchmarks out.
  [[ $variant == asan ]] && opts=(-DCMAKE_BUILD_TYPE=Debug -DOVRIN_SANITIZE=ON -DOVRIN_BENCHMARKS=OFF)
  cmake -S "$top" -B "$dir" "${opts[@]}" >/dev/null
  cmake --build "$dir" -j"$jobs"
  (cd "$dir" && ctest --output-on-failure -j"$jobs")
done
