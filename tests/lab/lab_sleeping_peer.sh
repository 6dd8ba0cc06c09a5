#!/usr/bin/env bash
# A peer that knows nothing of our care for sleep sleeps with its link down for longer
# than the drop time, then wakes. We dropped it; it still lists us and, on its fourth
# tick, polls us. We answer with a "Join" to it alone, and the two list each other
# again with nobody typing first. Both ticks are shortened to one second.
# usage: lab_sleeping_peer.sh VOSTRELLE STRICT_PEER ARTIFACTS
set -u
LAB_PROGRAM=$1
PEER=$2
. "$(dirname "$0")/lab.sh"
lab_init 67 "$3"
ms() { date +%s%3N; }
ns2="${LAB_PREFIX}2"
out="$LAB_ROOT/peer.out"
# Waits for TEXT in the peer's output.
wait_peer() {
  for _ in $(seq 200); do
    grep -qF -- "$1" "$out" && return 0
    sleep 0.05
  done
  lab_fail "the peer never printed '$1'"
  sed 's/^/    /' "$out"
  return 1
}

lab_host 1 "山田" "雑談"
lab_host 2 "鈴木" "雑談"
lab_start 1 VOSTRELLE_TEST_TICK_MS=1000 || exit 1
ip netns exec "$ns2" "$PEER" 10.77.67.255 "雑談" "鈴木" 1000 "おはよう" >"$out" 2>&1 &
LAB_PIDS+=($!)
peer=$!
lab_wait_log 1 "雑談" "鈴木が参加しました。" || exit 1
wait_peer "added 山田" || exit 1

# Asleep with the link down: we drop it after six ticks; it hears nothing of that.
kill -STOP $peer
ip -n "$ns2" link set eth0 down
lab_wait_log 1 "雑談" "鈴木が落ちました。" 15 || exit 1
ip -n "$ns2" link set eth0 up
lab_link_up "$ns2" eth0 || exit 1
woke=$(ms)
kill -CONT $peer
for _ in $(seq 300); do
  [ "$(lab_log 1 "雑談" | grep -cF "鈴木が参加しました。")" -ge 2 ] && break
  sleep 0.05
done
[ "$(lab_log 1 "雑談" | grep -cF "鈴木が参加しました。")" -ge 2 ] ||
  { lab_fail "the woken peer was never listed again"; lab_log 1 "雑談" | sed 's/^/    /'; exit 1; }
echo "a strict peer's sleep: listed again $(($(ms) - woke)) ms after it woke"

# Lines go both ways, and the peer keeps us.
kill -USR1 $peer
lab_wait_log 1 "雑談" "[鈴木] おはよう" || exit 1
lab_type 1 "おかえり"
wait_peer "message 山田 おかえり" || exit 1
grep -q "removed 山田 1" "$out" && lab_fail "the peer dropped us"
lab_shot 1 "sleeping-peer-host1"
[ "$LAB_FAILED" = 0 ] && echo "PASS" || exit 1
