#!/usr/bin/env bash
# One user sends a 200 MB file to another through the real windows: the member list's
# "ファイル送信", the file dialog, "送信" in the send window, "受信" in the receive
# window. The received file must be the same bytes. Screenshots go to ARTIFACTS.
# The receiving host's settings folder is one copied from Windows: drive-letter receive
# and log folders, Windows fonts and an extended-key hot key. Its files go to the
# documents folder and the settings folder's log, and confirming the options unchanged
# writes the same options.xml.
# usage: lab_transfer.sh VOSTRELLE ARTIFACTS
set -u
LAB_PROGRAM=$1
. "$(dirname "$0")/lab.sh"
lab_init 62 "$2"
command -v sha256sum >/dev/null || lab_skip "sha256sum is not installed"

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
