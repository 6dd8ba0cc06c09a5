#!/usr/bin/env bash
# Installs the Debian packages that building, testing and running Vostrelle need.
# Safe to run again: it asks apt only for what is missing, and updates the package
# lists at most once per run.
set -euo pipefail

PACKAGES=(
  # build
  cmake ninja-build g++ pkg-config
  # libraries
  qt6-base-dev qt6-qpa-plugins qt6-wayland libxcb1-dev libxkbcommon-dev libgl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  # running: a Japanese font, Qt's own texts in Japanese
  fonts-ipafont-gothic fonts-ipafont-mincho qt6-translations-l10n
  # tests: virtual display, input, namespaces, screenshots, fuzzing
  xvfb xauth xdotool x11-utils x11-xserver-utils iproute2 imagemagick trayer procps
  # tests: a private session bus with a StatusNotifier host of our own
  dbus-daemon python3-gi
  # tests: a drag source of another toolkit (GTK 3) for the drop on the member list
  gir1.2-gtk-3.0
  # tests: a real notification server
  dunst
  # tests: a real Wayland compositor (headless sway) with its keyboard, pointer, screen
  # capture and notification server; the desktop portal for the global hot key
  sway wtype grim wayvnc wl-clipboard mako-notifier xdg-desktop-portal
  # tests: a JIS keyboard layout for the hot key
  x11-xkb-utils
  # tests: a real input method (ibus with mozc) and reading the clipboard
  ibus ibus-mozc xclip
  clang libclang-rt-14-dev
  # tests: the desktop entry and the AppStream metadata; the accessibility tree
  appstream desktop-file-utils dbus-daemon python3-pyatspi
  # tests: the firewall profiles, read by the firewalls' own tools (never started)
  ufw firewalld
  # tests: counting datagrams inside a lab host's namespace
  iptables
  # benchmarks: ripgrep, what the log search is measured against
  ripgrep
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=
if [ "$(id -u)" != 0 ]; then
  SUDO=sudo
fi
echo "setup: installing ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
# ufw and firewalld are here only for their tools: no firewall may start on this
# machine or a CI runner because of them. policy-rc.d answering 101 tells invoke-rc.d
# to start nothing while packages install; one that is there already is left alone,
# one made here is removed afterwards. ufw stays disabled (its own default) and
# firewalld is never started.
POLICY=/usr/sbin/policy-rc.d
if [ ! -e "$POLICY" ]; then
  printf '#!/bin/sh\nexit 101\n' | $SUDO tee "$POLICY" >/dev/null
  $SUDO chmod 755 "$POLICY"
  trap '$SUDO rm -f "$POLICY"' EXIT
fi
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
# The package enables its unit: a systemd running here would start firewalld at the
# next boot. Only a firewalld installed just now is disabled; one the owner had already
# stays as it was.
if [[ " ${missing[*]} " == *" firewalld "* ]] && command -v systemctl >/dev/null &&
   [ -d /run/systemd/system ]; then
  $SUDO systemctl disable --now firewalld >/dev/null 2>&1 || true
fi
