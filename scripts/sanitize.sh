#!/usr/bin/env bash
# Hardening runs. With no argument: the whole suite (core, windows offscreen, the lab
# runs of the real program) built with AddressSanitizer and UndefinedBehaviorSanitizer.
# With "thread": the core suites (transfer workers, document, sessions) built with
# ThreadSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
kind=${1:-address}
if [ "$kind" = thread ]; then
  cmake -S . -B build-tsan -G Ninja -DVOSTRELLE_GUI=OFF -DVOSTRELLE_BENCH=OFF \
    -DVOSTRELLE_SANITIZE=thread
  cmake --build build-tsan
  ctest --test-dir build-tsan --output-on-failure -j "$(nproc)" --timeout 600
else
  cmake -S . -B build-asan -G Ninja -DVOSTRELLE_BENCH=OFF -DVOSTRELLE_SANITIZE='address;undefined'
  cmake --build build-asan
  # Qt and fontconfig keep caches for the life of the process; those are not our leaks.
  export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0"
  ctest --test-dir build-asan --output-on-failure -j "$(nproc)" --timeout 600
fi
