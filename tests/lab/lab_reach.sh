#!/usr/bin/env bash
# Two networks joined by a router that forwards no broadcast. 山田 (10.77.66.1) names
# 佐藤's host as an extra destination, 佐藤 (10.77.67.2) names 山田's network by its
# broadcast address: they meet, chat both ways and send a file across the router.
# 鈴木 and 高橋 sit on the same two networks without extra destinations: neither hears
# the other, which a counting rule in each of their namespaces shows, a marker datagram
# sent last proving that anything sent before it would have arrived.
# usage: lab_reach.sh VOSTRELLE ARTIFACTS
set -u
LAB_PROGRAM=$1
. "$(dirname "$0")/lab.sh"
lab_init 66 "$2"
command -v iptables >/dev/null || lab_skip "iptables is not installed"
command -v sha256sum >/dev/null || lab_skip "sha256sum is not installed"
ms() { date +%s%3N; }

lab_host 1 "山田" "雑談" 66 "10.77.67.2"
lab_host 2 "佐藤" "雑談" 67 "10.77.66.255"
lab_host 3 "鈴木" "会議" 66
lab_host 4 "高橋" "会議" 67
lab_router 66 67 || { lab_fail "no router"; exit 1; }
# Chat datagrams reaching hosts 3 and 4 from the other network, counted (nothing is
# dropped); the rules live in the hosts' own namespaces.
ip netns exec "${LAB_PREFIX}3" iptables -A INPUT -p udp --dport 28888 -s 10.77.67.0/24
ip netns exec "${LAB_PREFIX}4" iptables -A INPUT -p udp --dport 28888 -s 10.77.66.0/24
from_other_side() {
  ip netns exec "${LAB_PREFIX}$1" iptables -L INPUT -v -n -x | awk '/dpt:28888/ {print $1}'
}

# With extra destinations. 佐藤 is in first: 山田's "Join" crosses the router to him.
lab_start 2 || exit 1
lab_wait_log 2 "雑談" "雑談(10.77.67.255) に接続。" || exit 1
started=$(ms)
lab_start 1 || exit 1
shown=$(ms)
lab_wait_log 2 "雑談" "山田が参加しました。" 15 || exit 1
lab_wait_log 1 "雑談" "佐藤が参加しました。" 15 || exit 1
echo "across the router: both listed $(($(ms) - started)) ms after 山田's start," \
  "$(($(ms) - shown)) ms after his window showed"
lab_type 1 "ルーターの向こうへ"
lab_wait_log 2 "雑談" "[山田] ルーターの向こうへ" || exit 1
lab_type 2 "届きました"
lab_wait_log 1 "雑談" "[佐藤] 届きました" || exit 1

# Without: 鈴木 and 高橋 start the same way; then each side's marker goes out last.
lab_start 4 || exit 1
lab_start 3 || exit 1
lab_wait_log 3 "会議" "会議(10.77.66.255) に接続。" || exit 1
lab_wait_log 4 "会議" "会議(10.77.67.255) に接続。" || exit 1
ip netns exec "${LAB_PREFIX}3" bash -c 'printf marker >/dev/udp/10.77.67.4/28888'
ip netns exec "${LAB_PREFIX}4" bash -c 'printf marker >/dev/udp/10.77.66.3/28888'
for k in 3 4; do
  for _ in $(seq 100); do
    [ "$(from_other_side $k)" -ge 1 ] && break
    sleep 0.05
  done
  [ "$(from_other_side $k)" = 1 ] ||
    lab_fail "host $k: $(from_other_side $k) datagrams from the other network, want the marker alone"
done
lab_log 3 "会議" | grep -qF "高橋が参加しました。" && lab_fail "host 3 heard of 高橋"
lab_log 4 "会議" | grep -qF "鈴木が参加しました。" && lab_fail "host 4 heard of 鈴木"

# A file from 山田 to 佐藤, through the member list's "ファイル送信".
source_file="$LAB_ROOT/h1/home/across.bin"
head -c $((20 * 1024 * 1024)) /dev/urandom >"$source_file"
want=$(sha256sum "$source_file" | cut -d' ' -f1)
d1=$(lab_display 1)
main1=$(lab_window 1 ' - Vostrelle')
eval "$(DISPLAY=:$d1 xdotool getwindowgeometry --shell "$main1")"
# The member list is the top right pane; its second row, under the header, is 佐藤.
lab_context_menu 1 $((X + WIDTH - 170)) $((Y + 58)) || exit 1
DISPLAY=:$d1 xdotool key --delay 150 Down Down Return
open=$(lab_window 1 '^開く$' 10) || { lab_fail "host 1: no file dialog"; lab_shot 1 "reach-fail"; exit 1; }
DISPLAY=:$d1 xdotool windowfocus --sync "$open"
DISPLAY=:$d1 xdotool type --delay 10 "$source_file"
DISPLAY=:$d1 xdotool key Return
send=$(lab_window 1 'ファイル送信' 10) || { lab_fail "host 1: no send window"; lab_shot 1 "reach-fail"; exit 1; }
lab_keys 1 "$send" Tab space
receive=$(lab_window 2 'ファイル受信' 10) || { lab_fail "host 2: no receive window"; lab_shot 2 "reach-fail"; exit 1; }
sent=$(ms)
lab_keys 2 "$receive" Tab space
target="$LAB_ROOT/h2/home/across.bin"
for _ in $(seq 600); do
  [ "$(stat -c %s "$target" 2>/dev/null || echo 0)" = $((20 * 1024 * 1024)) ] && break
  sleep 0.1
done
lab_wait_closed 2 "$target" 30
echo "file across the router: 20 MB in $(($(ms) - sent)) ms"
got=$(sha256sum "$target" 2>/dev/null | cut -d' ' -f1)
[ "$got" = "$want" ] || lab_fail "received file differs: $got, want $want"

# The network check window: its report, and a trial "Join" to 佐藤's host, which he
# takes as a repeated "Join" (a second join line) and answers.
lab_keys 1 "$main1" alt+c k
check=$(lab_window 1 'ネットワークの確認' 10) || { lab_fail "host 1: no network check window"; exit 1; }
lab_keys 1 "$check" alt+t
DISPLAY=:$d1 xdotool type --delay 20 "10.77.67.2"
DISPLAY=:$d1 xdotool key Return
for _ in $(seq 100); do
  [ "$(lab_log 2 "雑談" | grep -cF "山田が参加しました。")" -ge 2 ] && break
  sleep 0.05
done
[ "$(lab_log 2 "雑談" | grep -cF "山田が参加しました。")" -ge 2 ] || lab_fail "host 2: the trial Join did not arrive"
lab_shot_window 1 "$check" "reach-network-check"
lab_keys 1 "$check" Escape

for k in 1 2 3 4; do lab_shot $k "reach-host$k"; done
[ "$LAB_FAILED" = 0 ] && echo "PASS" || exit 1
