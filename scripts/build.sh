#!/usr/bin/env bash
# Configures and builds into build/ (Release with debug information).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
if [ ! -f build/build.ninja ]; then
  cmake -S . -B build -G Ninja "$@"
fi
cmake --build build
