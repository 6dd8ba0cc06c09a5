#!/usr/bin/env bash
# One user sends a 200 MB file to another through the real windows: the member list's
# "ファイル送信", the file dialog, "送信" in the send window, "受信" in the receive
# window. The received file must be the same bytes. Screenshots go to ARTIFACTS.
# usage: lab_transfer.sh VOSTRELLE ARTIFACTS
set -u
LAB_PROGRAM=$1
. "$(dirname "$0")/lab.sh"
lab_init 62 "$2"
command -v sha256sum >/dev/null || lab_skip "sha256sum is not installed"

lab_host 1 "山田" "転送"
lab_host 2 "佐藤" "転送"
inbox="$LAB_ROOT/h2/inbox"
mkdir -p "$inbox"
printf '<?xml version="1.0" encoding="Shift_JIS"?>\r\n<Options><FileTrans><ReceiveFolder>%s</ReceiveFolder></FileTrans></Options>' \
  "$inbox" >"$LAB_ROOT/h2/settings/options.xml"
source_file="$LAB_ROOT/h1/home/big.bin"
head -c $((200 * 1024 * 1024)) /dev/urandom >"$source_file"
want=$(sha256sum "$source_file" | cut -d' ' -f1)

for k in 1 2; do lab_start $k || exit 1; done
lab_wait_log 1 "転送" "佐藤が参加しました。" 15 || exit 1
lab_wait_log 2 "転送" "山田が参加しました。" 15 || exit 1

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
[ "$LAB_FAILED" = 0 ] && echo "PASS" || exit 1
