#!/usr/bin/env bash
# Shows whether the suite is stable: builds, then runs the tests N times (default 20),
# every second run with every core kept busy by a spinning process, so that races
# that need a slow or a fast machine both get their chance. Prints each test that
# failed with how often, and exits non-zero if any run failed.
#
#   scripts/rerun.sh [N] [ctest arguments...]     e.g. scripts/rerun.sh 20 -E lab_
set -euo pipefail
cd "$(dirname "$0")/.."

runs=20
if [[ $# -gt 0 && $1 =~ ^[0-9]+$ ]]; then
  runs=$1
  shift
fi
bash scripts/build.sh >/dev/null

hogs=()
stop_load() {
  if [ ${#hogs[@]} -gt 0 ]; then
    kill "${hogs[@]}" 2>/dev/null || true
    wait "${hogs[@]}" 2>/dev/null || true
  fi
  hogs=()
}
trap stop_load EXIT
trap 'exit 130' INT TERM

start_load() {
  for _ in $(seq "$(nproc)"); do
    bash -c 'while :; do :; done' &
    hogs+=($!)
  done
}

declare -A failures=()
failed_runs=0
failed_log=build/Testing/Temporary/LastTestsFailed.log
for run in $(seq "$runs"); do
  load="quiet"
  if ((run % 2 == 0)); then
    load="cores busy"
    start_load
  fi
  rm -f "$failed_log"
  started=$(date +%s)
  if ctest --test-dir build -j "$(nproc)" --timeout 600 "$@" >"build/rerun-$run.log" 2>&1; then
    result="passed"
  else
    result="FAILED"
    failed_runs=$((failed_runs + 1))
    if [ -f "$failed_log" ]; then
      while IFS=: read -r _ name; do
        failures[$name]=$((${failures[$name]:-0} + 1))
      done <"$failed_log"
    else
      name="(ctest failed without a test; see build/rerun-$run.log)"
      failures[$name]=$((${failures[$name]:-0} + 1))
    fi
  fi
  stop_load
  echo "run $run/$runs ($load): $result in $(($(date +%s) - started)) s"
done

echo
if [ "$failed_runs" -eq 0 ]; then
  echo "rerun: $runs of $runs runs passed"
  exit 0
fi
echo "rerun: $failed_runs of $runs runs failed"
for name in "${!failures[@]}"; do
  echo "  $name: failed ${failures[$name]} of $runs"
done
exit 1
