#!/usr/bin/env bash
# Configures and builds one preset (default, asan or tsan) after installing what is needed.
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-default}
./scripts/install-deps.sh
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j "$(nproc)"
