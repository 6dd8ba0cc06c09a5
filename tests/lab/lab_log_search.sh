#!/usr/bin/env bash
# The log search through the real window: Ctrl+F, a word typed, Enter. It finds the
# line a peer sent today and a line of an older day that another program wrote (CP932,
# CR LF) into the log folder of another room; the hits are read in the accessibility
# tree, as a screen reader hears them; a double click opens the older day's log.
# Screenshots go to ARTIFACTS.
# usage: lab_log_search.sh VOSTRELLE ARTIFACTS
set -u
LAB_PROGRAM=$1
. "$(dirname "$0")/lab.sh"
PY=/usr/bin/python3
$PY -c 'import pyatspi' 2>/dev/null || lab_skip "python3-pyatspi is not installed"
command -v dbus-daemon >/dev/null || lab_skip "dbus-daemon is not installed"
[ -x /usr/libexec/at-spi-bus-launcher ] || lab_skip "at-spi2-core is not installed"
lab_init 69 "$2"
lab_host 1 "山田" "雑談"
lab_host 2 "佐藤" "雑談"
logs="$LAB_ROOT/h1/settings/log"
mkdir -p "$logs/企画"
printf '09:58 [鈴木] おはようございます\r\n10:15 [鈴木] 去年の合言葉はもみじ\r\n10:16 (山田) 了解\r\n' |
  iconv -f UTF-8 -t CP932 >"$logs/企画/20190402.txt"

lab_xvfb 1
d=$(lab_display 1)
lab_session_bus 1 || exit 1
lab_start 1 DBUS_SESSION_BUS_ADDRESS="$LAB_BUS" QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 || exit 1
lab_start 2 || exit 1
lab_wait_log 1 "雑談" "佐藤が参加しました。" 15 || exit 1
lab_type 2 "今日の合言葉はさくら"
lab_wait_log 1 "雑談" "[佐藤] 今日の合言葉はさくら" || exit 1

main1=$(lab_window 1 ' - Vostrelle')
lab_keys 1 "$main1" ctrl+f
search=$(lab_window 1 '^ログ検索$' 10) || { lab_fail "no search window"; lab_shot 1 "search-fail"; exit 1; }
# The words field has the focus.
lab_bind_keys $d "合言葉"
DISPLAY=:$d xdotool windowfocus --sync "$search" type --delay 30 "合言葉"
DISPLAY=:$d xdotool key Return
ip netns exec "${LAB_PREFIX}1" env DISPLAY=:$d DBUS_SESSION_BUS_ADDRESS="$LAB_BUS" \
  $PY "$(dirname "$0")/a11y_tree.py" 20 \
  "2 件見つかりました*=" \
  "[佐藤] 今日の合言葉はさくら=" \
  "$(date +%Y/%m/%d)=" \
  "[鈴木] 去年の合言葉はもみじ=" \
  "2019/04/02=" \
  "企画=" || lab_fail "the hits are not in the search window"
lab_shot_window 1 "$search" "log-search"

# A double click on the older hit (the second row) opens that day's log of its room.
eval "$(DISPLAY=:$d xdotool getwindowgeometry --shell "$search")"
DISPLAY=:$d xdotool mousemove $((X + 300)) $((Y + 135)) click --repeat 2 --delay 80 1
ip netns exec "${LAB_PREFIX}1" env DISPLAY=:$d DBUS_SESSION_BUS_ADDRESS="$LAB_BUS" \
  $PY "$(dirname "$0")/a11y_tree.py" 20 "企画 の 2019/04/02 のログ=" ||
  lab_fail "the older day's log did not open"
lab_shot_window 1 "$search" "log-search-day"
[ "$LAB_FAILED" = 0 ] && echo "PASS" || exit 1
