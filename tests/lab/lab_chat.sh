#!/usr/bin/env bash
# Three users on a private LAN: they find each other by broadcast, chat in Japanese,
# and every host's log shows the same conversation. Screenshots go to ARTIFACTS.
# usage: lab_chat.sh VOSTRELLE ARTIFACTS
set -u
LAB_PROGRAM=$1
. "$(dirname "$0")/lab.sh"
lab_init 61 "$2"

lab_host 1 "山田" "雑談"
lab_host 2 "佐藤" "雑談"
lab_host 3 "鈴木" "雑談"
for k in 1 2 3; do lab_start $k || exit 1; done

# Everyone hears of everyone else.
lab_wait_log 1 "雑談" "佐藤が参加しました。"
lab_wait_log 1 "雑談" "鈴木が参加しました。"
lab_wait_log 3 "雑談" "山田が参加しました。"

lab_type 1 "こんにちは、皆さん"
lab_type 2 "佐藤です。よろしく"
for k in 1 2 3; do
  lab_wait_log $k "雑談" "こんにちは、皆さん"
  lab_wait_log $k "雑談" "佐藤です。よろしく"
done
# The sender's own line and the others' lines have their own forms.
lab_wait_log 1 "雑談" "(山田) こんにちは、皆さん"
lab_wait_log 3 "雑談" "[山田] こんにちは、皆さん"

for k in 1 2 3; do lab_shot $k "chat-host$k"; done
[ "$LAB_FAILED" = 0 ] && echo "PASS" || exit 1
