#!/usr/bin/env bash
# Installs what is needed, builds Whistlestop and starts it on the bundled diesel demo set.
# Extra arguments replace the demo folder (a sound asset folder or a .wav file).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/build.sh default
if [ $# -eq 0 ]; then
  set -- "$PWD/build/default/demo/Diesel"
fi
exec ./build/default/whistlestop "$@"
