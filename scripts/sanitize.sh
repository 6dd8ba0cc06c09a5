#!/usr/bin/env bash
# Builds the core and its tests with AddressSanitizer and UndefinedBehaviorSanitizer
# (or, with "thread" as the first argument, ThreadSanitizer) and runs them.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
kind=${1:-address}
if [ "$kind" = thread ]; then san=thread; dir=build-tsan; else san='address;undefined'; dir=build-asan; fi
cmake -S . -B "$dir" -G Ninja -DVOSTRELLE_GUI=OFF -DVOSTRELLE_BENCH=OFF -DVOSTRELLE_SANITIZE="$san"
cmake --build "$dir"
ctest --test-dir "$dir" --output-on-failure -j "$(nproc)"
