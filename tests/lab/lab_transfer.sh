#!/usr/bin/env bash
# One user sends a 200 MB file to another through the real windows: the member list's
# "ファイル送信", the file dialog, "送信" in the send window, "受信" in the receive
# window. The received file must be the same bytes. Screenshots go to ARTIFACTS.
# The receiving host's settings folder is one copied from Windows: drive-letter receive
# and log folders, Windows fonts and an extended-key hot key. Its files go to the
# documents folder and the settings folder's log, and confirming the options unchanged
# writes the same options.xml.
# Before that, two smaller files go the other new ways: a PNG picture put in the
# clipboard with xclip and pasted into the input line (the chooser and the picture's
# question answered), and a file dragged by a GTK program onto 佐藤's row through the X
# server's own drag-and-drop, the pointer moved by xdotool. Both arrive byte for byte.
# usage: lab_transfer.sh VOSTRELLE ARTIFACTS
set -u
LAB_PROGRAM=$1
. "$(dirname "$0")/lab.sh"
lab_init 62 "$2"
command -v sha256sum >/dev/null || lab_skip "sha256sum is not installed"
command -v xclip >/dev/null || lab_skip "xclip is not installed"
/usr/bin/python3 -c 'import gi; gi.require_version("Gtk", "3.0")' 2>/dev/null ||
  lab_skip "python3-gi or gir1.2-gtk-3.0 is not installed"

lab_host 1 "山田" "転送"
lab_host 2 "佐藤" "転送"
# The documents folder: HOME, as there is no user-dirs.dirs.
inbox="$LAB_ROOT/h2/home"
windows_options() {
  printf '<?xml version="1.0" encoding="Shift_JIS"?>\r\n<Options><System><ConfirmExit>0</ConfirmExit><MinimumStart>0</MinimumStart><MinimumTray>1</MinimumTray></System><Event><TrayAnime>1</TrayAnime><RestoreSize>0</RestoreSize></Event><Hotkey><UseHotkey>1</UseHotkey><KeyCode>36</KeyCode><Modifiers>14</Modifiers></Hotkey><OnePoint><Number>%s</Number></OnePoint><FileTrans><ReceiveFolder>C:\\Documents and Settings\\taro\\デスクトップ</ReceiveFolder></FileTrans><Font><Message>%s</Message><MemberView>%s</MemberView><RoomView>%s</RoomView></Font><Log><Save>1</Save><SaveFolder>D:\\チャットログ</SaveFolder></Log></Options>' \
    "$1" \
    F0FFFFFF000000000000000000000000900100000000008000000000826C827220826F835383568362834E0000000000000000000000000000000000 \
    F2FFFFFF000000000000000000000000900100000000008000000000826C827220835383568362834E00000000000000000000000000000000000000 \
    F2FFFFFF00000000000000000000000090010000000000800000000083818343838A8349000000000000000000000000000000000000000000000000 |
    iconv -f UTF-8 -t CP932
}
windows_options 3 >"$LAB_ROOT/h2/settings/options.xml"
# Started from a folder of its own: nothing may appear there.
cd "$LAB_ROOT/h2" || exit 1
source_file="$LAB_ROOT/h1/home/big.bin"
head -c $((200 * 1024 * 1024)) /dev/urandom >"$source_file"
want=$(sha256sum "$source_file" | cut -d' ' -f1)

for k in 1 2; do lab_start $k || exit 1; done
lab_wait_log 1 "転送" "佐藤が参加しました。" 15 || exit 1
# The Windows log folder: the log goes to the settings folder's log folder instead.
lab_wait_log 2 "転送" "山田が参加しました。" 15 || exit 1
lab_shot 2 "windows-settings-start"
# The room list's "System" row shows the system view with the notice.
main2=$(lab_window 2 ' - Vostrelle')
eval "$(DISPLAY=:$(lab_display 2) xdotool getwindowgeometry --shell "$main2")"
DISPLAY=:$(lab_display 2) xdotool mousemove $((X + WIDTH - 140)) $((Y + HEIGHT - 122)) click 1

# The options confirmed unchanged give back the Windows values byte for byte (the tip
# shown at start counted 3 up to 4).
lab_shot 2 "windows-settings-system"
lab_keys 2 "$main2" alt+s o
sheet=$(lab_window 2 'オプション設定' 10) || { lab_fail "host 2: no options sheet"; exit 1; }
lab_shot_window 2 "$sheet" "windows-settings-options"
before=$(stat -c %.9Y "$LAB_ROOT/h2/settings/options.xml")
lab_keys 2 "$sheet" Return
# Confirming saves the file: wait for that write.
for _ in $(seq 100); do
  [ "$(stat -c %.9Y "$LAB_ROOT/h2/settings/options.xml")" != "$before" ] && break
  sleep 0.1
done
[ "$(stat -c %.9Y "$LAB_ROOT/h2/settings/options.xml")" != "$before" ] ||
  lab_fail "host 2: options not saved on confirming"
cmp -s <(windows_options 4) "$LAB_ROOT/h2/settings/options.xml" ||
  lab_fail "options.xml changed: $(iconv -f CP932 -t UTF-8 "$LAB_ROOT/h2/settings/options.xml")"

# The member list: the first row below the own one is 佐藤. Its menu wants the mouse.
d1=$(lab_display 1)
main1=$(lab_window 1 ' - Vostrelle')
eval "$(DISPLAY=:$d1 xdotool getwindowgeometry --shell "$main1")"
lab_shot 1 "transfer-host1-start"
# Waits until host K's window named TITLE is gone (closed or hidden).
lab_window_gone() {
  local k=$1 title=$2 d
  d=$(lab_display $k)
  for _ in $(seq 100); do
    DISPLAY=:$d xdotool search --onlyvisible --name "$title" >/dev/null 2>&1 || return 0
    sleep 0.1
  done
  return 1
}
# Closes host K's transfer window TITLE (all rows done: no question) and waits for it.
close_transfer_window() {
  local k=$1 title=$2 w
  w=$(lab_window $k "$title" 1) || return 0
  lab_keys $k "$w" Escape
  lab_window_gone $k "$title" || lab_fail "host $k: $title did not close"
}
# Accepts the offer now in host 1's send window and host 2's receive window, waits for
# NAME to arrive whole and compares it with SOURCE. The receive window must have been
# closed before the offer, so that its showing says the offer is in.
pass_file() {
  local source=$1 name=$2 what=$3 send receive
  send=$(lab_window 1 'ファイル送信' 10) || { lab_fail "$what: no send window"; lab_shot 1 "$what-fail"; return 1; }
  lab_keys 1 "$send" Tab space
  receive=$(lab_window 2 'ファイル受信' 10) || { lab_fail "$what: no receive window"; lab_shot 2 "$what-fail"; return 1; }
  lab_keys 2 "$receive" Tab space
  for _ in $(seq 100); do
    [ -e "$inbox/$name" ] && break
    sleep 0.1
  done
  lab_wait_closed 2 "$inbox/$name" 10
  cmp -s "$source" "$inbox/$name" || lab_fail "$what: $name differs from what was sent"
  lab_shot_window 2 "$receive" "$what-received"
  close_transfer_window 1 'ファイル送信'
  close_transfer_window 2 'ファイル受信'
}

# A picture in host 1's clipboard, pasted into the input line: no member is selected, so
# the chooser comes first (佐藤, the only one, is chosen), then the picture's question.
picture="$LAB_ROOT/h1/home/picture.png"
convert -size 160x90 gradient:orange-navy "$picture"
ip netns exec "${LAB_PREFIX}1" env DISPLAY=:$d1 xclip -selection clipboard -t image/png -i "$picture"
for _ in $(seq 100); do
  DISPLAY=:$d1 xclip -o -selection clipboard -t TARGETS 2>/dev/null | grep -qx image/png && break
  sleep 0.1
done
DISPLAY=:$d1 xdotool windowfocus --sync "$main1" key ctrl+v
chooser=$(lab_window 1 '送信先の選択' 10) || { lab_fail "paste: no chooser"; lab_shot 1 "paste-fail"; }
lab_shot_window 1 "$chooser" "paste-chooser"
lab_keys 1 "$chooser" Return
question=$(lab_window 1 '画像の送信' 10) || { lab_fail "paste: no question"; lab_shot 1 "paste-fail"; }
lab_shot_window 1 "$question" "paste-question"
lab_keys 1 "$question" Return
kept=$(ls "$LAB_ROOT/h1/settings/pasted" 2>/dev/null)
case "$kept" in
  image-[0-9]*-[0-9]*.png) pass_file "$picture" "$kept" paste ;;
  *) lab_fail "paste: kept as '$kept'" ;;
esac

# A file dragged by a GTK program from the same display onto 佐藤's row: the drag goes
# through the X server's own protocol. Each step waits for the source to report it.
dragged="$LAB_ROOT/h1/home/dragged.bin"
head -c $((3 * 1024 * 1024 + 17)) /dev/urandom >"$dragged"
mkfifo "$LAB_ROOT/drag.out"
ip netns exec "${LAB_PREFIX}1" env DISPLAY=:$d1 GDK_BACKEND=x11 NO_AT_BRIDGE=1 \
  /usr/bin/python3 "$(dirname "$0")/drag_source.py" "$dragged" 100 600 >"$LAB_ROOT/drag.out" 2>"$LAB_ROOT/drag.err" &
LAB_PIDS+=($!)
exec 7<"$LAB_ROOT/drag.out"
# Reads the source's reports until WORD (10 s at most).
drag_wait() {
  local line
  while read -r -t 10 line <&7; do
    echo "$line" >>"$LAB_ROOT/drag.log"
    case "$line" in "$1"*) return 0 ;; esac
  done
  lab_fail "drag: the source did not report '$1' ($(cat "$LAB_ROOT/drag.err"))"
  return 1
}
row_x=$((X + WIDTH - 170))
row_y=$((Y + 58))
if drag_wait ready; then
  DISPLAY=:$d1 xdotool mousemove 180 640 mousedown 1 mousemove 190 640 mousemove 220 620
  # Around the window and into the member list from its right: the messages take files
  # too, and a source still waiting for their answer would drop there.
  drag_wait begin &&
    DISPLAY=:$d1 xdotool mousemove $((X + WIDTH + 60)) 640 mousemove $((X + WIDTH + 60)) $row_y \
      mousemove $row_x $row_y mousemove $((row_x + 4)) $row_y
  drag_wait action && lab_shot 1 "drag-over-row"
  DISPLAY=:$d1 xdotool mouseup 1
  drag_wait data && drag_wait end && pass_file "$dragged" dragged.bin drag
fi
exec 7<&-

# The member list is the top right pane; its second row, under the header, is 佐藤.
lab_context_menu 1 $((X + WIDTH - 170)) $((Y + 58)) || exit 1
lab_shot 1 "transfer-host1-menu"
DISPLAY=:$d1 xdotool key --delay 150 Down Down Return
open=$(lab_window 1 '^開く$' 10) || { lab_fail "host 1: no file dialog"; lab_shot 1 "transfer-fail"; exit 1; }
DISPLAY=:$d1 xdotool windowfocus --sync "$open"
DISPLAY=:$d1 xdotool type --delay 10 "$source_file"
DISPLAY=:$d1 xdotool key Return

send=$(lab_window 1 'ファイル送信' 10) || { lab_fail "host 1: no send window"; lab_shot 1 "transfer-fail"; exit 1; }
lab_shot_window 1 "$send" "transfer-send-waiting"
# The list has the focus and the new row is selected: Tab to "送信", press it.
lab_keys 1 "$send" Tab space

receive=$(lab_window 2 'ファイル受信' 10) || { lab_fail "host 2: no receive window"; lab_shot 2 "transfer-fail"; exit 1; }
lab_shot_window 2 "$receive" "transfer-receive-offered"
lab_keys 2 "$receive" Tab space

target="$inbox/big.bin"
shot_taken=0
for _ in $(seq 600); do
  size=$(stat -c %s "$target" 2>/dev/null || echo 0)
  # Until the last byte is in, the file grows under its part name.
  part=$(stat -c %s "$target.part" 2>/dev/null || echo 0)
  if [ "$shot_taken" = 0 ] && [ "$part" -gt $((40 * 1024 * 1024)) ]; then
    lab_shot_window 1 "$send" "transfer-send-running"
    lab_shot_window 2 "$receive" "transfer-receive-running"
    shot_taken=1
  fi
  [ "$size" = $((200 * 1024 * 1024)) ] && break
  sleep 0.1
done
# The file is whole once the receiving worker has closed it.
lab_wait_closed 2 "$target" 30
got=$(sha256sum "$target" 2>/dev/null | cut -d' ' -f1)
lab_shot_window 1 "$send" "transfer-send-done"
lab_shot_window 2 "$receive" "transfer-receive-done"
lab_shot 1 "transfer-host1"
lab_shot 2 "transfer-host2"
[ "$got" = "$want" ] || lab_fail "received file differs: $got, want $want"
[ -e "$target.part" ] && lab_fail "the part file is still there after the transfer"
leftover=$(ls -A "$LAB_ROOT/h2" | grep -v -x -e home -e config -e settings -e display -e pid -e xvfb.log -e program.log)
[ -z "$leftover" ] || lab_fail "made in the working folder: $leftover"
[ "$LAB_FAILED" = 0 ] && echo "PASS" || exit 1
