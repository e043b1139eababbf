#!/usr/bin/env bash
# Runs the whole-program tests of one build (asan unless told) N times in a row while a busy
# loop per core keeps every core loaded, as a CI machine under load would; stops at the
# first failing run and keeps each run's log in build/<preset>/e2e-under-load/.
#   ./scripts/e2e-under-load.sh [runs=10] [preset=asan]
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-10}
preset=${2:-asan}
logs=build/$preset/e2e-under-load
mkdir -p "$logs"
busy=()
for _ in $(seq "$(nproc)"); do
  yes >/dev/null &
  busy+=($!)
done
trap 'kill "${busy[@]}" 2>/dev/null || true' EXIT
for run in $(seq "$runs"); do
  start=$(date +%s)
  if ctest --preset "$preset" -L e2e -j "$(nproc)" >"$logs/run$run.log" 2>&1; then
    echo "run $run: passed in $(($(date +%s) - start)) s"
  else
    echo "run $run: FAILED in $(($(date +%s) - start)) s; see $logs/run$run.log"
    grep -E "Failure|\*\*\*Failed|Expected|actual|at [0-9]" "$logs/run$run.log" | head -20
    exit 1
  fi
done
