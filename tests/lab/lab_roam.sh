#!/usr/bin/env bash
# Two users whose network does not sit still: one starts before its address exists,
# one is stopped with its link down for longer than the drop time, one gets a new
# address. Each time they find each other again by themselves, with nobody typing
# first. The tick is shortened to one second so that a drop takes six, not 180.
# usage: lab_roam.sh VOSTRELLE ARTIFACTS
set -u
LAB_PROGRAM=$1
. "$(dirname "$0")/lab.sh"
lab_init 65 "$2"
TICK=VOSTRELLE_TEST_TICK_MS=1000
ns2="${LAB_PREFIX}2"
ms() { date +%s%3N; }
count_log() { lab_log $1 "$2" | grep -cF -- "$3"; }
# Waits for the COUNT-th occurrence of TEXT in host K's log of ROOM.
wait_count() {
  local k=$1 room=$2 text=$3 count=$4 seconds=${5:-10}
  for _ in $(seq $((seconds * 20))); do
    [ "$(count_log $k "$room" "$text")" -ge "$count" ] && return 0
    sleep 0.05
  done
  lab_fail "host $k: log of $room lacks '$text' x$count"
  lab_log $k "$room" | sed 's/^/    /'
  return 1
}

lab_host 1 "山田" "雑談"
lab_host 2 "佐藤" "雑談"

# 1. The network comes up after the start.
ip -n "$ns2" addr flush dev eth0
lab_start 1 $TICK || exit 1
lab_start 2 $TICK || exit 1
up=$(ms)
ip -n "$ns2" addr add 10.77.65.2/24 brd 10.77.65.255 dev eth0
wait_count 2 "雑談" "雑談(10.77.65.255) に接続。" 1 || exit 1
wait_count 1 "雑談" "佐藤が参加しました。" 1 || exit 1
wait_count 2 "雑談" "山田が参加しました。" 1 || exit 1
echo "network up: joined after $(($(ms) - up)) ms"

# 2. Stopped with the link down for longer than the drop time (six ticks), then back.
pid2=$(cat "$LAB_ROOT/h2/pid")
kill -STOP "$pid2"
ip -n "$ns2" link set eth0 down
wait_count 1 "雑談" "佐藤が落ちました。" 1 15 || exit 1
sleep 3  # well past the drop time on host 2's side too
ip -n "$ns2" link set eth0 up
back=$(ms)
kill -CONT "$pid2"
wait_count 1 "雑談" "佐藤が参加しました。" 2 || exit 1
wait_count 2 "雑談" "しばらく離れていたので、入り直しました。" 1 || exit 1
echo "after a stall with the link down: listed again after $(($(ms) - back)) ms"
lab_type 1 "おかえりなさい"
lab_wait_log 2 "雑談" "[山田] おかえりなさい" || exit 1
lab_type 2 "ただいま"
lab_wait_log 1 "雑談" "[佐藤] ただいま" || exit 1

# 3. A new address: the room says "Join" from it at once.
moved=$(ms)
ip -n "$ns2" addr del 10.77.65.2/24 dev eth0
ip -n "$ns2" addr add 10.77.65.12/24 brd 10.77.65.255 dev eth0
wait_count 2 "雑談" "アドレスが 10.77.65.12 に変わりました。" 1 || exit 1
wait_count 1 "雑談" "佐藤が参加しました。" 3 || exit 1
echo "address change: heard from the new address after $(($(ms) - moved)) ms"
lab_type 1 "新しいアドレスへ"
lab_wait_log 2 "雑談" "[山田] 新しいアドレスへ" || exit 1

for k in 1 2; do lab_shot $k "roam-host$k"; done
[ "$LAB_FAILED" = 0 ] && echo "PASS" || exit 1
