#!/usr/bin/env bash
# Four users on one private LAN: three in one room, one in another room on the same
# network. They chat in Japanese, one renames, one asks another for information, one
# is killed and is announced as dropped after the sixth tick, one leaves. Every
# host's log must hold exactly the lines the room showed.
# usage: lab_suite.sh VOSTRELLE ARTIFACTS
set -u
LAB_PROGRAM=$1
. "$(dirname "$0")/lab.sh"
lab_init 64 "$2"

lab_host 1 "山田" "雑談"
lab_host 2 "佐藤" "雑談"
lab_host 3 "鈴木" "雑談"
lab_host 4 "高橋" "会議"
for k in 1 2 3 4; do lab_start $k || exit 1; done
lab_wait_log 1 "雑談" "鈴木が参加しました。" 15 || exit 1
lab_wait_log 3 "雑談" "佐藤が参加しました。" 15 || exit 1

lab_type 1 "おはようございます"
lab_wait_log 3 "雑談" "[山田] おはようございます" || exit 1

# Killed without a word: the others learn of it only from its silence.
kill -9 "$(cat "$LAB_ROOT/h3/pid")"
killed_at=$(date +%s)

# 佐藤 renames through the name dialog.
d2=$(lab_display 2)
main2=$(lab_window 2 ' - Vostrelle')
lab_keys 2 "$main2" ctrl+n
name=$(lab_window 2 '名前入力') || { lab_fail "host 2: no name dialog"; lab_shot 2 suite-fail; exit 1; }
lab_bind_keys $d2 "佐藤二郎"
DISPLAY=:$d2 xdotool windowfocus --sync "$name" key ctrl+a type --delay 30 "佐藤二郎"
lab_shot_window 2 "$name" "suite-rename"
DISPLAY=:$d2 xdotool key Return
lab_wait_log 1 "雑談" "佐藤が佐藤二郎に変更されました。" || exit 1

# 山田 asks 佐藤二郎 (the row under his own) for information through the member list.
d1=$(lab_display 1)
main1=$(lab_window 1 ' - Vostrelle')
eval "$(DISPLAY=:$d1 xdotool getwindowgeometry --shell "$main1")"
lab_context_menu 1 $((X + WIDTH - 170)) $((Y + 58)) || exit 1
lab_shot 1 "suite-member-menu"
DISPLAY=:$d1 xdotool key --delay 150 Down Return
lab_wait_log 1 "雑談" "バージョン: Vostrelle ver 1.02" || exit 1

# 佐藤二郎 leaves the room.
lab_keys 2 "$main2" ctrl+p
lab_wait_log 1 "雑談" "佐藤二郎が退出しました。" || exit 1

# The drop: polled after four silent ticks, dropped after six (30 s each).
left=$((210 - ($(date +%s) - killed_at)))
lab_wait_log 1 "雑談" "鈴木が落ちました。" $left || exit 1
lab_shot 1 "suite-host1"
lab_shot 4 "suite-host4"

# Exactly these lines, in this order (the time stamps aside).
expect() {
  local k=$1 room=$2
  shift 2
  local got want
  got=$(lab_log $k "$room" | tr -d '\r' | sed 's/^[0-9][0-9]:[0-9][0-9] //')
  want=$(printf '%s\n' "$@")
  if [ "$got" != "$want" ]; then
    lab_fail "host $k: log of $room differs"
    diff <(echo "$want") <(echo "$got") | sed 's/^/    /'
  fi
}
expect 1 "雑談" \
  "雑談(10.77.64.255) に接続。" \
  "佐藤が参加しました。" \
  "鈴木が参加しました。" \
  "(山田) おはようございます" \
  "佐藤が佐藤二郎に変更されました。" \
  "名前: 佐藤二郎" \
  "本名: 佐藤" \
  "バージョン: Vostrelle ver 1.02" \
  "佐藤二郎が退出しました。" \
  "鈴木が落ちました。"
expect 2 "雑談" \
  "雑談(10.77.64.255) に接続。" \
  "山田が参加しました。" \
  "鈴木が参加しました。" \
  "[山田] おはようございます" \
  "佐藤が佐藤二郎に変更されました。"
# The other room on the same network heard nothing of this one.
expect 4 "会議" "会議(10.77.64.255) に接続。"
[ "$LAB_FAILED" = 0 ] && echo "PASS" || exit 1
