#!/usr/bin/env bash
# Builds every libFuzzer target (clang, with AddressSanitizer and UndefinedBehavior-
# Sanitizer) and runs each for a short time on a copy of its seed corpus.
# usage: scripts/fuzz-smoke.sh [SECONDS_EACH]   (default 10; use 600 for a real run)
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
seconds=${1:-10}
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DVOSTRELLE_FUZZ=ON -DVOSTRELLE_GUI=OFF \
  -DVOSTRELLE_TESTS=OFF -DVOSTRELLE_BENCH=OFF >/dev/null
cmake --build build-fuzz
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for fuzzer in build-fuzz/tests/fuzz/fuzz_*; do
  name=$(basename "$fuzzer")
  mkdir -p "$work/$name"
  cp -r "tests/fuzz/corpus/$name/." "$work/$name/" 2>/dev/null || true
  echo "== $name: ${seconds} s"
  # Sessions answer on loopback addresses only; nothing here reaches a network.
  "$fuzzer" -max_total_time="$seconds" -print_final_stats=1 "$work/$name" 2>&1 |
    grep -E 'stat::number_of_executed_units|ERROR|SUMMARY' || true
  [ "${PIPESTATUS[0]}" = 0 ] || { echo "$name found a fault"; exit 1; }
done
