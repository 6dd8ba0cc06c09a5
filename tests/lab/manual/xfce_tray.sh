#!/usr/bin/env bash
# Manual check on a real StatusNotifier host: Xfce's panel with only its status tray
# plugin, on a lab host with a session bus of its own. The program's icon shows in the
# panel; Ctrl+M hides the window, one click on the icon brings it back. Screenshots go
# to ARTIFACTS (xfce-tray-icon, xfce-tray-restored). Needs xfce4-panel (not in setup.sh).
# usage: xfce_tray.sh VOSTRELLE ARTIFACTS
set -u
LAB_PROGRAM=$1
HERE=$(dirname "$0")/..
. "$HERE/lab.sh"
command -v xfce4-panel >/dev/null || lab_skip "xfce4-panel is not installed"
lab_init 69 "$2"
lab_host 1 "alice" "xfce"
ns="${LAB_PREFIX}1"
dir="$LAB_ROOT/h1"

# One panel along the top holding the status tray; xfconfd reads it at its first start.
conf="$dir/config/xfce4/xfconf/xfce-perchannel-xml"
mkdir -p "$conf"
cat >"$conf/xfce4-panel.xml" <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<channel name="xfce4-panel" version="1.0">
  <property name="configver" type="int" value="2"/>
  <property name="panels" type="array">
    <value type="int" value="1"/>
    <property name="panel-1" type="empty">
      <property name="position" type="string" value="p=6;x=0;y=0"/>
      <property name="length" type="uint" value="100"/>
      <property name="position-locked" type="bool" value="true"/>
      <property name="size" type="uint" value="28"/>
      <property name="icon-size" type="uint" value="16"/>
      <property name="plugin-ids" type="array">
        <value type="int" value="1"/>
      </property>
    </property>
  </property>
  <property name="plugins" type="empty">
    <property name="plugin-1" type="string" value="systray"/>
  </property>
</channel>
XML

lab_xvfb 1
d=$(lab_display 1)
# xfconfd, started by the bus, reads the panel's settings from the host's folders.
lab_session_bus 1 HOME="$dir/home" XDG_CONFIG_HOME="$dir/config" XDG_RUNTIME_DIR="$dir" \
  DISPLAY=:$d LANG=C.UTF-8 || exit 1
bus=$LAB_BUS
run() {
  ip netns exec "$ns" env HOME="$dir/home" XDG_CONFIG_HOME="$dir/config" XDG_RUNTIME_DIR="$dir" \
    DISPLAY=:$d LANG=C.UTF-8 DBUS_SESSION_BUS_ADDRESS="$bus" "$@"
}
run xfce4-panel >"$dir/panel.log" 2>&1 &
LAB_PIDS+=($!)
# The status tray owns the StatusNotifier watcher once it is up.
watcher() {
  run gdbus call --session --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
    --method org.freedesktop.DBus.NameHasOwner org.kde.StatusNotifierWatcher 2>/dev/null | grep -q true
}
for _ in $(seq 100); do watcher && break; sleep 0.1; done
watcher || { lab_fail "no StatusNotifier watcher from the panel"; cat "$dir/panel.log"; exit 1; }

lab_start 1 DBUS_SESSION_BUS_ADDRESS="$bus" || exit 1
items() {
  run gdbus call --session --dest org.kde.StatusNotifierWatcher --object-path /StatusNotifierWatcher \
    --method org.freedesktop.DBus.Properties.Get org.kde.StatusNotifierWatcher RegisteredStatusNotifierItems
}
for _ in $(seq 100); do items | grep -q "'" && break; sleep 0.1; done
items | grep -q "'" || lab_fail "the icon never registered as a StatusNotifier item"

# Without a window manager the window covers the panel's left end: hide it first.
shown() { DISPLAY=:$d xdotool search --onlyvisible --name ' - Vostrelle' >/dev/null 2>&1; }
lab_keys 1 "$(lab_window 1 ' - Vostrelle')" ctrl+m
for _ in $(seq 100); do shown || break; sleep 0.1; done
shown && lab_fail "Ctrl+M did not hide the window"
# An XEmbed icon would be a visible window of the program's own; a StatusNotifier item
# is drawn by the panel.
DISPLAY=:$d xdotool search --onlyvisible --class vostrelle >/dev/null && lab_fail "an XEmbed icon as well"
lab_shot 1 xfce-tray-icon
# The tray is the panel's only plugin: its one icon is the square at the left end.
panel=$(DISPLAY=:$d xdotool search --onlyvisible --class xfce4-panel | head -1)
eval "$(DISPLAY=:$d xdotool getwindowgeometry --shell "$panel")"
DISPLAY=:$d xdotool mousemove $((X + HEIGHT / 2)) $((Y + HEIGHT / 2)) click 1
lab_window 1 ' - Vostrelle' 10 >/dev/null || lab_fail "one click on the panel's icon did not restore"
lab_shot 1 xfce-tray-restored
[ "$LAB_FAILED" = 0 ] && echo PASS || exit 1
