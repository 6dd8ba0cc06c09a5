# A private LAN of network namespaces with one Vostrelle per host, each on an Xvfb
# display of its own with its own HOME. Sourced by the lab tests; nothing it starts
# can reach the machine's own networks, and everything is removed on exit.
#
#   lab_init NET ARTIFACTS   hosts get 10.77.NET.k/24 on one bridge
#   lab_host K NAME ROOM [NET [ALSO]]
#                            prepares host K: settings folder, connects.xml (CP932);
#                            on network 10.77.NET.0/24 (default the lab's), with ALSO as
#                            the connection's extra destinations
#   lab_router NET...        a router host joining the networks (unicast only)
#   lab_start K              starts Xvfb and vostrelle on host K, waits for the window
#   lab_type K TEXT          types TEXT and Enter into host K's input line
#   lab_log K ROOM           host K's chat log of today for ROOM, as UTF-8
#   lab_shot K NAME          screenshot of host K's display into ARTIFACTS

LAB_SKIP=77
lab_skip() { echo "SKIP: $*"; exit $LAB_SKIP; }
lab_fail() { echo "FAIL: $*"; LAB_FAILED=1; }

lab_init() {
  LAB_NET=$1
  LAB_ART=$2
  LAB_PREFIX="vl$$"
  LAB_ROOT=$(mktemp -d /tmp/vostrelle-lab.XXXXXX)
  LAB_FAILED=0
  LAB_PIDS=()
  [ "$(id -u)" = 0 ] || lab_skip "needs root for network namespaces"
  for tool in ip Xvfb xdotool xmodmap import iconv; do
    command -v $tool >/dev/null || lab_skip "$tool is not installed"
  done
  ip netns add "${LAB_PREFIX}br" 2>/dev/null || lab_skip "cannot create network namespaces"
  ip -n "${LAB_PREFIX}br" link add br0 type bridge
  ip -n "${LAB_PREFIX}br" link set br0 up
  mkdir -p "$LAB_ART"
  trap lab_cleanup EXIT
  trap "exit 1" INT TERM
}

lab_cleanup() {
  local ns
  for pid in "${LAB_PIDS[@]}"; do kill -9 "$pid" 2>/dev/null; done
  # What a host's programs started on their own (a bus's services, an input method)
  # lives in its namespace: it ends there too.
  for ns in $(ip netns list | awk '{print $1}' | grep "^${LAB_PREFIX}"); do
    for pid in $(ip netns pids "$ns" 2>/dev/null); do kill -9 "$pid" 2>/dev/null; done
  done
  wait 2>/dev/null
  for ns in $(ip netns list | awk '{print $1}' | grep "^${LAB_PREFIX}"); do ip netns del "$ns"; done
  rm -rf "$LAB_ROOT"
}

# A display number nobody uses.
lab_free_display() {
  local d=$((200 + RANDOM % 600))
  while [ -e /tmp/.X11-unix/X$d ] || [ -e /tmp/.X$d-lock ]; do d=$((d + 1)); done
  echo $d
}

lab_link_up() {
  local line
  for _ in $(seq 200); do
    line=$(ip -n "$1" -o link show dev "$2" 2>/dev/null)
    case "$line" in *"qdisc noop"*) ;; *"state UP"*) return 0 ;; esac
    sleep 0.05
  done
  echo "lab: link $2 in $1 did not come up" >&2
  return 1
}

# The bridge of network NET: br0 for the lab's own, one made on first use for another.
lab_bridge() {
  local net=$1 br="n$1"
  [ "$net" = "$LAB_NET" ] && { echo br0; return 0; }
  if ! ip -n "${LAB_PREFIX}br" link show "$br" >/dev/null 2>&1; then
    ip -n "${LAB_PREFIX}br" link add "$br" type bridge
    ip -n "${LAB_PREFIX}br" link set "$br" up
  fi
  echo "$br"
}

lab_host() {
  local k=$1 name=$2 room=$3 net=${4:-$LAB_NET} also=${5:-} dir="$LAB_ROOT/h$1"
  local ns="${LAB_PREFIX}$k" br also_xml=""
  br=$(lab_bridge "$net")
  ip netns add "$ns"
  ip link add "${LAB_PREFIX}h$k" type veth peer name "${LAB_PREFIX}b$k"
  ip link set "${LAB_PREFIX}h$k" netns "$ns"
  ip link set "${LAB_PREFIX}b$k" netns "${LAB_PREFIX}br"
  ip -n "$ns" link set "${LAB_PREFIX}h$k" name eth0
  ip -n "$ns" addr add "10.77.$net.$k/24" brd "10.77.$net.255" dev eth0
  ip -n "$ns" link set eth0 up
  ip -n "$ns" link set lo up
  ip -n "${LAB_PREFIX}br" link set "${LAB_PREFIX}b$k" master "$br" up
  echo "$net" >"$LAB_ROOT/net.$k"
  # A veth end drops what it is given until the kernel has seen its carrier: wait for it
  # on both ends, so the program's first "Join" is not lost.
  lab_link_up "$ns" eth0
  lab_link_up "${LAB_PREFIX}br" "${LAB_PREFIX}b$k"
  mkdir -p "$dir/home" "$dir/config/Pendrake" "$dir/settings"
  printf '[Directory]\nSetting=%s\n' "$dir/settings" >"$dir/config/Pendrake/Vostrelle.conf"
  [ -n "$also" ] && also_xml="<ConnectAlso>$also</ConnectAlso>"
  printf '<?xml version="1.0" encoding="Shift_JIS"?>\r\n<Connects><Connect><Name>%s</Name><RoomName>%s</RoomName><RealName>%s</RealName><ConnectTo>10.77.%s.255</ConnectTo><NetMask>255.255.255.0</NetMask><AutoConnect>1</AutoConnect>%s</Connect></Connects>' \
    "$name" "$room" "$name" "$net" "$also_xml" | iconv -f UTF-8 -t CP932 >"$dir/settings/connects.xml"
}

# A router at 10.77.NET.254 on each network NET given, forwarding unicast between them
# as a small office's router does; a broadcast stays on its own network. Every host made
# so far routes everything off its network through it.
lab_router() {
  local ns="${LAB_PREFIX}rt" net i=0 f
  ip netns add "$ns"
  ip -n "$ns" link set lo up
  ip netns exec "$ns" sysctl -qw net.ipv4.ip_forward=1
  for net in "$@"; do
    ip link add "${LAB_PREFIX}r$i" type veth peer name "${LAB_PREFIX}q$i"
    ip link set "${LAB_PREFIX}r$i" netns "$ns"
    ip link set "${LAB_PREFIX}q$i" netns "${LAB_PREFIX}br"
    ip -n "$ns" link set "${LAB_PREFIX}r$i" name "eth$i"
    ip -n "$ns" addr add "10.77.$net.254/24" brd "10.77.$net.255" dev "eth$i"
    ip -n "$ns" link set "eth$i" up
    ip -n "${LAB_PREFIX}br" link set "${LAB_PREFIX}q$i" master "$(lab_bridge "$net")" up
    lab_link_up "$ns" "eth$i" || return 1
    lab_link_up "${LAB_PREFIX}br" "${LAB_PREFIX}q$i" || return 1
    i=$((i + 1))
  done
  for f in "$LAB_ROOT"/net.*; do
    ip -n "${LAB_PREFIX}${f##*.}" route add default via "10.77.$(cat "$f").254" || return 1
  done
}

lab_display() { cat "$LAB_ROOT/h$1/display"; }

# Host K's display, started once; a restarted program finds it again.
lab_xvfb() {
  local k=$1 dir="$LAB_ROOT/h$1" d
  [ -f "$dir/display" ] && return 0
  d=$(lab_free_display)
  echo $d >"$dir/display"
  Xvfb :$d -screen 0 1024x700x24 -nolisten tcp -noreset >"$dir/xvfb.log" 2>&1 &
  LAB_PIDS+=($!)
  # The socket file appears before the server listens: ask the server itself.
  for _ in $(seq 100); do DISPLAY=:$d xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
}

#   lab_session_bus K [VAR=VALUE...]   starts a session bus inside host K's namespace,
#                       with extra environment for the services it starts; its address
#                       in LAB_BUS, once the bus answers
lab_session_bus() {
  local k=$1 dir="$LAB_ROOT/h$1"
  shift
  LAB_BUS="unix:path=$dir/session-bus"
  ip netns exec "${LAB_PREFIX}$k" env "$@" dbus-daemon --session --nofork --nopidfile \
    --address="$LAB_BUS" >"$dir/dbus.log" 2>&1 &
  LAB_PIDS+=($!)
  for _ in $(seq 100); do
    dbus-send --bus="$LAB_BUS" --print-reply --dest=org.freedesktop.DBus / \
      org.freedesktop.DBus.GetId >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  lab_fail "host $k: no session bus"
  return 1
}

#   lab_start K [VAR=VALUE...]   extra environment for the program
lab_start() {
  local k=$1 dir="$LAB_ROOT/h$1" d
  shift
  lab_xvfb $k
  d=$(lab_display $k)
  # A job started with & has SIGINT ignored; the program is started as a terminal's
  # foreground program would be, which Ctrl+C reaches.
  ip netns exec "${LAB_PREFIX}$k" env --default-signal=INT HOME="$dir/home" \
    XDG_CONFIG_HOME="$dir/config" XDG_RUNTIME_DIR="$dir" DISPLAY=:$d LANG=C.UTF-8 "$@" \
    "$LAB_PROGRAM" >>"$dir/program.log" 2>&1 &
  LAB_PIDS+=($!)
  echo $! >"$dir/pid"
  for _ in $(seq 100); do
    DISPLAY=:$d xdotool search --onlyvisible --name ' - Vostrelle' >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  lab_fail "host $k: no window"
  return 1
}

lab_type() {
  local k=$1 text=$2 d w
  d=$(lab_display $k)
  w=$(DISPLAY=:$d xdotool search --onlyvisible --name ' - Vostrelle' | head -1)
  # The server hands the program the focus change, any new key mapping and the keys in
  # the order they happened, so nothing here needs to wait for the program.
  DISPLAY=:$d xdotool mousemove 1000 690 windowfocus --sync "$w"
  # xdotool types a character the keyboard lacks by remapping a spare key for a moment,
  # and the program may read the mapping only after it was put back. Characters get
  # keys of their own first, which stay.
  lab_bind_keys $d "$text"
  DISPLAY=:$d xdotool type --delay 30 -- "$text"
  DISPLAY=:$d xdotool key Return
}

# Gives every non-ASCII character of TEXT a key of its own on display D.
lab_bind_keys() {
  local d=$1 text=$2 i ch code map="$LAB_ROOT/keys.$1"
  touch "$map"
  for ((i = 0; i < ${#text}; i++)); do
    ch=${text:i:1}
    code=$(LC_ALL=C.UTF-8 printf '%d' "'$ch")
    [ "$code" -lt 128 ] && continue
    grep -qx "$code" "$map" && continue
    echo "$code" >>"$map"
    local key=$((255 - $(wc -l <"$map")))
    DISPLAY=:$d xmodmap -e "keycode $key = $(printf 'U%04X' "$code")"
  done
  return 0
}

lab_log() {
  local k=$1 room=$2
  cat "$LAB_ROOT/h$k/settings/log/$room/$(date +%Y%m%d).txt" 2>/dev/null | iconv -f CP932 -t UTF-8
}

lab_shot() {
  DISPLAY=:$(lab_display $1) import -window root "$LAB_ART/$2.png"
}

# Waits up to SECONDS for host K's log of ROOM to hold TEXT.
lab_wait_log() {
  local k=$1 room=$2 text=$3 seconds=${4:-10}
  for _ in $(seq $((seconds * 10))); do
    lab_log $k "$room" | grep -qF -- "$text" && return 0
    sleep 0.1
  done
  lab_fail "host $k: log of $room lacks '$text'"
  lab_log $k "$room" | sed 's/^/    /'
  return 1
}

#   lab_window K TITLE [SECONDS]  waits for a visible window of host K named TITLE; its id
#   lab_keys K WINDOW KEYS...     focuses WINDOW on host K's display and presses KEYS
#   lab_shot_window K WINDOW NAME screenshot of one window into ARTIFACTS
lab_window() {
  local k=$1 title=$2 seconds=${3:-10} d w
  d=$(lab_display $k)
  for _ in $(seq $((seconds * 10))); do
    w=$(DISPLAY=:$d xdotool search --onlyvisible --name "$title" 2>/dev/null | head -1)
    [ -n "$w" ] && { echo "$w"; return 0; }
    sleep 0.1
  done
  return 1
}

lab_keys() {
  local k=$1 w=$2 d
  shift 2
  d=$(lab_display $k)
  DISPLAY=:$d xdotool windowfocus --sync "$w" 2>/dev/null
  DISPLAY=:$d xdotool key --delay 150 "$@"
}

# Right-clicks at X Y on host K's display and waits up to 10 s for the context menu: one
# more visible window than before the click.
lab_context_menu() {
  local k=$1 x=$2 y=$3 d before
  d=$(lab_display $k)
  before=$(lab_visible_windows $d)
  DISPLAY=:$d xdotool mousemove "$x" "$y" click 3
  for _ in $(seq 100); do
    [ "$(lab_visible_windows $d)" -gt "$before" ] && return 0
    sleep 0.1
  done
  lab_fail "host $k: no context menu"
  return 1
}

lab_visible_windows() {
  DISPLAY=:$1 xdotool search --onlyvisible --class . 2>/dev/null | wc -l
}

# Waits up to SECONDS until no process of host K's program holds FILE open.
lab_wait_closed() {
  local k=$1 file=$2 seconds=${3:-10} pid
  pid=$(cat "$LAB_ROOT/h$k/pid")
  for _ in $(seq $((seconds * 10))); do
    find /proc/"$pid"/fd -lname "$file" 2>/dev/null | grep -q . || return 0
    sleep 0.1
  done
  lab_fail "host $k: $file still open"
  return 1
}

lab_shot_window() {
  DISPLAY=:$(lab_display $1) import -window "$2" "$LAB_ART/$3.png"
}
