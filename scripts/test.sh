#!/usr/bin/env bash
# Installs what is needed, then builds and runs every test twice: a plain build, and a
# build under AddressSanitizer with UBSan; the threaded audio tests also run under
# ThreadSanitizer. Last, the fuzzers (clang, libFuzzer with ASan and UBSan) replay the
# inputs that once found faults and each run for a minute.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
for preset in default asan tsan fuzz; do
  echo "=== $preset: build"
  ./scripts/build.sh "$preset"
  echo "=== $preset: test"
  ctest --preset "$preset" -j "$jobs"
done
