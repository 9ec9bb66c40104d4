#!/usr/bin/env bash
# Builds the library and runs every test: the release build (all SIMD targets), then the same
# tests under AddressSanitizer + UndefinedBehaviorSanitizer. RUX_SKIP_SANITIZERS=1 skips the second.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/deps.sh
jobs=$(nproc)
start=$SECONDS
cmake --preset release > /dev/null
cmake --build --preset release -j "$jobs"
echo "release build: $((SECONDS - start)) s"
ctest --preset release -j "$jobs"
if [ "${RUX_SKIP_SANITIZERS:-0}" != 1 ]; then
  start=$SECONDS
  cmake --preset asan > /dev/null
  cmake --build --preset asan -j "$jobs"
  echo "sanitizer build: $((SECONDS - start)) s"
  ctest --preset asan -j "$jobs"
fi
