#!/usr/bin/env bash
# What a screen reader hears: the real program on a lab host with a session bus and
# the AT-SPI accessibility bus, its tree read with pyatspi as Orca reads it. The panes,
# lists, input box, message views and the status bar's panes carry Japanese names and
# descriptions.
# usage: lab_a11y.sh VOSTRELLE ARTIFACTS
set -u
LAB_PROGRAM=$1
. "$(dirname "$0")/lab.sh"
PY=/usr/bin/python3
$PY -c 'import pyatspi' 2>/dev/null || lab_skip "python3-pyatspi is not installed"
command -v dbus-daemon >/dev/null || lab_skip "dbus-daemon is not installed"
[ -x /usr/libexec/at-spi-bus-launcher ] || lab_skip "at-spi2-core is not installed"
lab_init 68 "$2"
lab_host 1 "太郎" "雑談"
ns="${LAB_PREFIX}1"
dir="$LAB_ROOT/h1"

lab_xvfb 1
d=$(lab_display 1)
lab_session_bus 1 || exit 1
bus=$LAB_BUS
run() {
  ip netns exec "$ns" env HOME="$dir/home" XDG_CONFIG_HOME="$dir/config" XDG_RUNTIME_DIR="$dir" \
    DISPLAY=:$d LANG=C.UTF-8 DBUS_SESSION_BUS_ADDRESS="$bus" QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 "$@"
}
run "$LAB_PROGRAM" >"$dir/program.log" 2>&1 &
LAB_PIDS+=($!)
lab_window 1 ' - Vostrelle' 10 >/dev/null || { lab_fail "no main window"; exit 1; }

run $PY "$(dirname "$0")/a11y_tree.py" 20 \
  "メンバー一覧=メンバーの名前" \
  "部屋一覧=参加中の部屋" \
  "入力欄=発言を送ります" \
  "雑談 のメッセージ=部屋「雑談」の発言" \
  "全部屋のメッセージ=選択していない部屋" \
  "システムメッセージ=お知らせ" \
  "上段=チャットとメンバー一覧" \
  "メッセージ=メニュー項目の説明" \
  "Caps Lock=オフ" || lab_fail "names missing from the accessibility tree"
# A lit indicator says so: the description follows the key's light.
DISPLAY=:$d xdotool key Caps_Lock
run $PY "$(dirname "$0")/a11y_tree.py" 10 "Caps Lock=オンです" "Num Lock=オフ" ||
  lab_fail "the Caps Lock indicator does not tell its state"
DISPLAY=:$d xdotool key Caps_Lock
lab_shot 1 a11y-main-window

# A message box of the program speaks Qt's Japanese: its standard Cancel button is
# "キャンセル" whatever the locale (LANG is C.UTF-8 here). The settings-folder command
# takes the proposed folder, then asks whether to copy the settings there.
w=$(lab_window 1 ' - Vostrelle')
lab_keys 1 "$w" alt+s f
if dlg=$(lab_window 1 '設定保存フォルダの指定' 10); then lab_keys 1 "$dlg" Return; fi
if box=$(lab_window 1 '設定保存フォルダの変更' 10); then
  run $PY "$(dirname "$0")/a11y_tree.py" 10 "キャンセル=" || lab_fail "the message box's buttons are not Japanese"
  lab_shot 1 a11y-message-box
  lab_keys 1 "$box" Escape
else
  lab_fail "no message box for the settings-folder command"
fi
exit $LAB_FAILED
