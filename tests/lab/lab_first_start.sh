#!/usr/bin/env bash
# A first start on a fresh HOME: the settings folder is accepted, the first connection
# is typed into the connection dialog, the room is joined, and a second host sees the
# new member. Nothing is edited by hand. Host 1 also has a virtual machines' bridge that
# the system lists before its LAN card: the LAN, which carries the default route, is
# proposed. usage: lab_first_start.sh VOSTRELLE ARTIFACTS
set -u
LAB_PROGRAM=$1
. "$(dirname "$0")/lab.sh"
lab_init 63 "$2"
lab_host 1 "x" "x"
lab_host 2 "佐藤" ""
# A bridge with no ports, as libvirt makes one; a new device in the namespace gets a
# lower index than the moved LAN link, so the interface list names it first.
ip -n "${LAB_PREFIX}1" link add virbr0 type bridge
ip -n "${LAB_PREFIX}1" addr add 192.168.122.1/24 brd 192.168.122.255 dev virbr0
ip -n "${LAB_PREFIX}1" link set virbr0 up
ip -n "${LAB_PREFIX}1" route add default dev eth0
# Host 1 has nothing: no record of a settings folder, no settings.
rm -rf "$LAB_ROOT/h1/config/Pendrake" "$LAB_ROOT/h1/settings"
lab_start 2 || exit 1

dir="$LAB_ROOT/h1"
d=$(lab_free_display)
echo $d >"$dir/display"
Xvfb :$d -screen 0 1024x700x24 -nolisten tcp -noreset >"$dir/xvfb.log" 2>&1 &
LAB_PIDS+=($!)
# The socket file appears before the server listens: ask the server itself.
for _ in $(seq 100); do DISPLAY=:$d xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
ip netns exec "${LAB_PREFIX}1" env HOME="$dir/home" XDG_CONFIG_HOME="$dir/config" \
  XDG_RUNTIME_DIR="$dir" DISPLAY=:$d LANG=C.UTF-8 "$LAB_PROGRAM" >"$dir/program.log" 2>&1 &
LAB_PIDS+=($!)

w=$(lab_window 1 '設定保存フォルダの指定') || { lab_fail "no settings-folder dialog"; exit 1; }
lab_shot 1 first-start-1-folder
lab_keys 1 "$w" Return
w=$(lab_window 1 '接続設定') || { lab_fail "no connection dialog"; lab_shot 1 first-start-fail; exit 1; }
lab_bind_keys $d "太郎山田"
DISPLAY=:$d xdotool windowfocus --sync "$w" type --delay 30 "太郎"
DISPLAY=:$d xdotool key Tab Tab
DISPLAY=:$d xdotool type --delay 30 "山田太郎"
lab_shot 1 first-start-2-connect
DISPLAY=:$d xdotool key Return
lab_window 1 ' - Vostrelle' >/dev/null || lab_fail "no main window"
lab_wait_log 2 "(Default)" "太郎が参加しました。" 10
lab_shot 1 first-start-3-joined
# The settings folder proposed under the documents folder now holds the connection.
connects=$(find "$dir/home" -name connects.xml | head -1)
[ -n "$connects" ] || lab_fail "no connects.xml under the home folder"
iconv -f CP932 -t UTF-8 "$connects" | grep -q "<Name>太郎</Name>" || lab_fail "connects.xml lacks the name"
iconv -f CP932 -t UTF-8 "$connects" | grep -q "<AutoConnect>1</AutoConnect>" || lab_fail "not AutoConnect"
grep -q "<ConnectTo>10.77.63.255</ConnectTo>" "$connects" || lab_fail "not the LAN's address"
[ "$LAB_FAILED" = 0 ] && echo "PASS" || exit 1
