#!/usr/bin/env bash
# Japanese through a real input method: ibus with mozc, run as an ordinary user (mozc
# refuses root) with the program on host 1; host 2 is the peer that must hear each
# line exactly once. Composed text goes into the input line, is converted through the
# candidate window, committed by Return and sent by the next Return; the read-only
# message views take nothing, neither typed into nor clicked while composing.
# usage: lab_ime.sh VOSTRELLE ARTIFACTS
set -u
LAB_PROGRAM=$1
. "$(dirname "$0")/lab.sh"
lab_init 73 "$2"
for tool in ibus-daemon xclip setpriv /usr/lib/ibus-mozc/ibus-engine-mozc; do
  command -v $tool >/dev/null || lab_skip "$tool is not installed"
done
USER_ID=$(id -u nobody) || lab_skip "no ordinary user"
# The checkout may lie in a folder the ordinary user cannot enter (a home of mode 0700):
# the user runs a copy inside the lab's own folder, from there.
mkdir -m 755 "$LAB_ROOT/bin"
install -m 755 "$LAB_PROGRAM" "$LAB_ROOT/bin/vostrelle"
LAB_PROGRAM="$LAB_ROOT/bin/vostrelle"
cd "$LAB_ROOT"

lab_host 1 "山田" "雑談"
lab_host 2 "佐藤" "雑談"
H1="$LAB_ROOT/h1"
chmod 711 "$LAB_ROOT"
mkdir -p "$H1/config/mozc"
# Mozc starts in direct input unless told otherwise before the engine starts.
cat >"$H1/config/mozc/ibus_config.textproto" <<'EOF'
engines {
  name : "mozc-jp"
  longname : "Mozc"
  layout : "default"
  layout_variant : ""
  layout_option : ""
  rank : 80
}
active_on_launch: True
EOF
chown -R "$USER_ID:$USER_ID" "$H1"
chmod 700 "$H1"

D1=$(lab_free_display)
echo $D1 >"$H1/display"
Xvfb :$D1 -screen 0 1024x700x24 -nolisten tcp -noreset >"$H1/xvfb.log" 2>&1 &
LAB_PIDS+=($!)
for _ in $(seq 50); do [ -e /tmp/.X11-unix/X$D1 ] && break; sleep 0.1; done

# Runs a command on host 1 as the ordinary user.
as_user() {
  ip netns exec "${LAB_PREFIX}1" setpriv --reuid="$USER_ID" --regid="$USER_ID" --clear-groups \
    env -i PATH=/usr/bin:/bin HOME="$H1/home" XDG_CONFIG_HOME="$H1/config" \
    XDG_RUNTIME_DIR="$H1" DISPLAY=:$D1 LANG=C.UTF-8 NO_AT_BRIDGE=1 QT_IM_MODULE=ibus \
    GTK_IM_MODULE=ibus "$@"
}

as_user ibus-daemon --replace --xim=false --config=disable >"$H1/ibus.log" 2>&1 &
LAB_PIDS+=($!)
for _ in $(seq 100); do
  as_user ibus engine mozc-jp >/dev/null 2>&1 && break
  sleep 0.1
done
[ "$(as_user ibus engine 2>/dev/null)" = mozc-jp ] || { lab_fail "mozc engine not selected"; exit 1; }

as_user "$LAB_PROGRAM" >"$H1/program.log" 2>&1 &
LAB_PIDS+=($!)
lab_start 2 || exit 1
W1=$(lab_window 1 ' - Vostrelle' 10) || { lab_fail "host 1: no window"; exit 1; }
lab_wait_log 1 "雑談" "佐藤が参加しました。" || exit 1
x() { DISPLAY=:$D1 xdotool "$@"; }
x windowmove --sync "$W1" 0 0
# Points inside the panes of the window at (0, 0). The top row takes three quarters of
# what the menu bar (19) and the status bar (22) leave; the input line closes it.
eval "$(x getwindowgeometry --shell "$W1")"
split=$((19 + (HEIGHT - 41) * 3 / 4))
IN="280 $((split - 14))" VIEW="280 200" ALL="280 $((split + 50))"
click() { x mousemove $1 $2 click 1; }

# The whole text of the focused widget, or of the message view at point: selected and
# copied by the program.
view_text() {
  local before
  # xclip serves the marker from the background until the program takes the clipboard.
  echo -n "-" | DISPLAY=:$D1 xclip -selection clipboard -loops 1 >/dev/null 2>&1
  [ $# = 2 ] && click $1 $2
  x key ctrl+a ctrl+c
  for _ in $(seq 50); do
    before=$(DISPLAY=:$D1 xclip -o -selection clipboard 2>/dev/null)
    [ "$before" != "-" ] && { echo "$before"; return 0; }
    sleep 0.1
  done
  echo "(nothing copied)"
}

# Japanese composed and entered into the view at point must leave it as it was.
type_into_view() {
  local name=$1 before after
  shift
  before=$(view_text "$@")
  x type --delay 40 aiueo
  x key space Return
  after=$(view_text "$@")
  [ "$before" = "$after" ] || lab_fail "the $name took input-method text: '${after#"$before"}'"
}

# Waits for host 2 to hear "[山田] TEXT".
heard() { lab_wait_log 2 "雑談" "[山田] $1"; }

# Waits for the caption that tells which view is shown.
caption() {
  for _ in $(seq 50); do
    [ "$(x getwindowname "$W1")" = "$1 - Vostrelle" ] && return 0
    sleep 0.1
  done
  lab_fail "caption is not '$1'"
}

type_into_view "room view" $VIEW
type_into_view "all-message view" $ALL
click $IN
x key ctrl+Down
caption System
type_into_view "system view" $VIEW
click $IN
x key ctrl+Up
caption "雑談(10.77.73.255)"

# Clicking a view while composing in the input line puts nothing into the view. (The
# click may overtake the input method's answers; whatever arrives late is the view's
# to refuse.) Escape then ends what is left of the composition.
before=$(view_text $VIEW)
click $IN
x type --delay 40 kana
after=$(view_text $VIEW)
[ "$before" = "$after" ] || lab_fail "a click while composing put '${after#"$before"}' into the view"
click $IN
x key Escape Escape ctrl+a BackSpace

# Converted through the candidate window; Return commits, the next Return sends.
x type --delay 40 nihongo
x key space space
for _ in $(seq 50); do
  DISPLAY=:$D1 xdotool search --onlyvisible --name mozc_renderer >/dev/null 2>&1 && break
  sleep 0.1
done
lab_shot 1 ime-candidate-window
x key Up Return
lab_shot 1 ime-committed
# Still in the input line: that Return committed and sent nothing.
[ "$(view_text)" = "日本語" ] || lab_fail "the input line does not hold the committed text"
x key Return
heard "日本語"

mine=$(lab_log 1 "雑談" | grep -F "(山田)" | cut -d' ' -f2-)
theirs=$(lab_log 2 "雑談" | grep -F "[山田]" | cut -d' ' -f2-)
[ "$mine" = "$(printf '(山田) 日本語\r')" ] || lab_fail "host 1 logged: $mine"
[ "$theirs" = "$(printf '[山田] 日本語\r')" ] || lab_fail "host 2 heard: $theirs"
lab_shot 1 ime-end
[ "$LAB_FAILED" = 0 ] && echo "PASS" || exit 1
