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
# 設定 → 設定保存フォルダの変更 to a new folder: the settings are copied there (the
# question's default), the program ends, and the next start uses the new folder with
# every room kept, asking nothing. The old folder stays as it was.
old=$(dirname "$connects")
moved="$dir/home/moved"
main=$(lab_window 1 ' - Vostrelle')
lab_keys 1 "$main" alt+s f
w=$(lab_window 1 '設定保存フォルダの指定') || { lab_fail "no folder dialog for the change"; exit 1; }
DISPLAY=:$d xdotool windowfocus --sync "$w" key ctrl+a type --delay 10 "$moved"
DISPLAY=:$d xdotool key Return
w=$(lab_window 1 '設定保存フォルダの変更') || { lab_fail "no copy question"; lab_shot 1 first-start-fail; exit 1; }
lab_shot 1 first-start-4-copy
lab_keys 1 "$w" Return
pid=${LAB_PIDS[-1]}
for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$pid" 2>/dev/null && lab_fail "the program did not end after the folder change"
cmp -s "$old/connects.xml" "$moved/connects.xml" || lab_fail "connects.xml was not copied"
cmp -s "$old/options.xml" "$moved/options.xml" || lab_fail "options.xml was not copied"
grep -q "^Setting=$moved\$" "$dir/config/Pendrake/Vostrelle.conf" || lab_fail "the new folder is not stored"
ip netns exec "${LAB_PREFIX}1" env HOME="$dir/home" XDG_CONFIG_HOME="$dir/config" \
  XDG_RUNTIME_DIR="$dir" DISPLAY=:$d LANG=C.UTF-8 "$LAB_PROGRAM" >>"$dir/program.log" 2>&1 &
LAB_PIDS+=($!)
lab_window 1 ' - Vostrelle' >/dev/null || lab_fail "no main window after the restart"
for title in '設定保存フォルダの指定' '接続設定'; do
  DISPLAY=:$d xdotool search --onlyvisible --name "$title" >/dev/null 2>&1 &&
    lab_fail "the restart asked again: $title"
done
for _ in $(seq 100); do
  [ "$(lab_log 2 "(Default)" | grep -c '太郎が参加しました。')" -ge 2 ] && break
  sleep 0.1
done
[ "$(lab_log 2 "(Default)" | grep -c '太郎が参加しました。')" -ge 2 ] ||
  lab_fail "the restart did not join the room again"
[ -d "$old" ] && [ -f "$old/connects.xml" ] || lab_fail "the old folder lost its files"
lab_shot 1 first-start-5-restarted
[ "$LAB_FAILED" = 0 ] && echo "PASS" || exit 1
