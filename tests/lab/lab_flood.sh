#!/usr/bin/env bash
# One host floods another with 100,000 "Message" datagrams and as many garbage ones.
# The flooded program must stay usable (a line typed during the flood reaches the
# other side within a second), keep every line it took in its log intact and in
# order, and stay within bounded memory. Prints the receive rate and peak memory.
# usage: lab_flood.sh VOSTRELLE FLOOD_SENDER ARTIFACTS
set -u
LAB_PROGRAM=$1
SENDER=$2
. "$(dirname "$0")/lab.sh"
lab_init 65 "$3"
lab_host 1 "山田" "雑談"
lab_host 2 "flood" "雑談"
lab_start 1 || exit 1
out="$LAB_ROOT/flood.out"
ip netns exec "${LAB_PREFIX}2" "$SENDER" 10.77.65.1 "雑談" flood 100000 1 15 >"$out" 2>&1 &
LAB_PIDS+=($!)
sender=$!
lab_wait_log 1 "雑談" "floodが参加しました。" 10 || exit 1
lab_wait_log 1 "雑談" "[flood] flood " 10 || exit 1
# Typed during the flood; the clock starts at Enter.
d1=$(lab_display 1)
main1=$(lab_window 1 ' - Vostrelle')
lab_bind_keys $d1 "応答確認"
DISPLAY=:$d1 xdotool mousemove 1000 690 windowfocus --sync "$main1" type --delay 30 "応答確認"
typed=$(date +%s%3N)
DISPLAY=:$d1 xdotool key Return
wait $sender
pid=$(cat "$LAB_ROOT/h1/pid")
peak=$(awk '/VmHWM/ {print $2}' /proc/$pid/status)
lab_shot 1 "flood-host1"

got=$(awk '/^received .* 応答確認$/ {print $2; exit}' "$out")
if [ -z "$got" ]; then
  lab_fail "the line typed during the flood never arrived"
elif [ $((got - typed)) -gt 1000 ]; then
  lab_fail "the line typed during the flood took $((got - typed)) ms"
fi
# Every line taken is whole, none twice, in the order sent.
lines=$(lab_log 1 "雑談" | grep -c '\[flood\]')
bad=$(lab_log 1 "雑談" | grep '\[flood\]' | tr -d '\r' | grep -vcE '^[0-9]{2}:[0-9]{2} \[flood\] flood [0-9]{6}$')
unordered=$(lab_log 1 "雑談" | tr -d '\r' | grep -oE 'flood [0-9]{6}$' | awk '{ if ($2 + 0 <= last) n++; last = $2 + 0 } END { print n + 0 }')
[ "$bad" = 0 ] || lab_fail "$bad flood lines in the log are damaged"
[ "$unordered" = 0 ] || lab_fail "$unordered flood lines out of order or repeated"
[ "$lines" -gt 0 ] || lab_fail "no flood line was logged"
ms=$(awk '/^sent/ {print $5}' "$out")
echo "flood: $(awk '/^sent/ {print $2}' "$out") messages and as many garbage datagrams sent in" \
  "$ms ms; $lines messages taken and logged ($((lines * 1000 / (ms > 0 ? ms : 1))) per second" \
  "during the flood); the line typed meanwhile arrived $((got - typed)) ms after Enter;" \
  "peak resident $((peak / 1024)) MiB"
[ "$peak" -lt $((400 * 1024)) ] || lab_fail "peak memory $((peak / 1024)) MiB"
[ "$LAB_FAILED" = 0 ] && echo "PASS" || exit 1
