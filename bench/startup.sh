#!/usr/bin/env bash
# Start-up of the real program to its first shown window, and its resident memory
# then, on a private namespaced host under Xvfb (never on this machine's networks).
# usage: bench/startup.sh BUILD_DIR [RUNS] [LOG_FOLDER]
# With LOG_FOLDER (for example the log search benchmark's corpus, kept by running it with
# VOSTRELLE_KEEP_CORPUS=DIR), the host's log folder starts as a copy of it.
set -u
LAB_PROGRAM=$(realpath "$1")/src/app/vostrelle
RUNS=${2:-5}
[ -x "$LAB_PROGRAM" ] || { echo "no program at $LAB_PROGRAM: build it first"; exit 2; }
. "$(dirname "$0")/../tests/lab/lab.sh"
lab_init 62 /tmp/vostrelle-startup
lab_host 1 "山田" "雑談"
if [ -n "${3:-}" ]; then
  cp -r "$3" "$LAB_ROOT/h1/settings/log"
  echo "log folder: $(find "$LAB_ROOT/h1/settings/log" -type f | wc -l) files"
fi
d=$(lab_free_display)
Xvfb :$d -screen 0 1024x700x24 -nolisten tcp -noreset >/dev/null 2>&1 &
LAB_PIDS+=($!)
sleep 0.5
dir="$LAB_ROOT/h1"
for run in $(seq "$RUNS"); do
  start=$(date +%s.%N)
  ip netns exec "${LAB_PREFIX}1" env HOME="$dir/home" XDG_CONFIG_HOME="$dir/config" \
    XDG_RUNTIME_DIR="$dir" DISPLAY=:$d "$LAB_PROGRAM" >/dev/null 2>&1 &
  pid=$!
  for _ in $(seq 2000); do
    DISPLAY=:$d xdotool search --onlyvisible --name ' - Vostrelle' >/dev/null 2>&1 && break
    sleep 0.01
  done
  end=$(date +%s.%N)
  sleep 1
  rss=$(awk '/VmRSS/ {print $2}' /proc/$pid/status)
  printf 'run %d: window after %.0f ms, resident %d KiB after start\n' "$run" \
    "$(awk -v a="$start" -v b="$end" 'BEGIN {print (b - a) * 1000}')" "$rss"
  kill $pid
  wait $pid 2>/dev/null
done
