#!/usr/bin/env bash
# The firewall profiles as the package installs them, read by the firewalls' own tools:
# ufw's "app info" and firewalld's "firewall-offline-cmd --info-service". Neither tool
# may see or change this machine's firewall: each runs in a private mount namespace
# whose /etc/ufw/applications.d or /etc/firewalld is a scratch folder holding only our
# file, and neither starts a firewall. Without root, unshare or the tools, the profile
# is read through the tools' Python modules; with none of them the test skips.
# Usage: check_firewall.sh SOURCE_DIR BUILD_DIR
set -uo pipefail
SRC=$1
BUILD=$2
PY=/usr/bin/python3
SKIP=77
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# 1. The install rules: a package (prefix /usr) puts both files where the tools look.
DESTDIR="$WORK/pkg" cmake -DCMAKE_INSTALL_PREFIX=/usr \
  -P "$BUILD/packaging/cmake_install.cmake" >"$WORK/install.log" 2>&1 ||
  fail "installing the packaging rules: $(cat "$WORK/install.log")"
UFW_FILE="$WORK/pkg/etc/ufw/applications.d/vostrelle"
FWD_FILE="$WORK/pkg/usr/lib/firewalld/services/vostrelle.xml"
[ -f "$UFW_FILE" ] || fail "no ufw profile at /etc/ufw/applications.d/vostrelle"
[ -f "$FWD_FILE" ] || fail "no firewalld service at /usr/lib/firewalld/services/vostrelle.xml"
# Any other prefix keeps /etc out of it.
cmake -DCMAKE_INSTALL_PREFIX="$WORK/local" -P "$BUILD/packaging/cmake_install.cmake" \
  >"$WORK/install.log" 2>&1 || fail "installing into a prefix: $(cat "$WORK/install.log")"
[ -f "$WORK/local/etc/ufw/applications.d/vostrelle" ] || fail "no ufw profile under the prefix"

checked=0
private_ns() { [ "$(id -u)" = 0 ] && unshare -m true 2>/dev/null; }

# 2. ufw: the profile is listed, with both ports.
if command -v ufw >/dev/null && private_ns; then
  mkdir -p "$WORK/ufw" && cp "$UFW_FILE" "$WORK/ufw/"
  out=$(unshare -m sh -c 'mount --make-rprivate / && mount --bind "$1" /etc/ufw/applications.d &&
        ufw app info Vostrelle' sh "$WORK/ufw" 2>&1) || fail "ufw app info: $out"
  printf '%s\n' "$out" | grep -qx '  28888/udp' || fail "ufw lacks 28888/udp: $out"
  printf '%s\n' "$out" | grep -qx '  28889/tcp' || fail "ufw lacks 28889/tcp: $out"
  printf '%s\n' "$out" | grep -q '^Title: Vostrelle' || fail "ufw title: $out"
  checked=$((checked + 1))
elif $PY -c 'import ufw.applications' 2>/dev/null; then
  $PY - "$UFW_FILE" <<'PYEOF' || fail "ufw's reader refuses the profile"
import builtins, configparser, sys
builtins._ = lambda s: s
import ufw.applications as apps
parser = configparser.RawConfigParser()
parser.read(sys.argv[1])
profile = dict(parser.items("Vostrelle"))
apps.verify_profile("Vostrelle", profile)
assert profile["ports"] == "28888/udp|28889/tcp", profile
PYEOF
  checked=$((checked + 1))
fi

# 3. firewalld: the service is valid and opens both ports.
if command -v firewall-offline-cmd >/dev/null && private_ns; then
  mkdir -p "$WORK/firewalld/services" && cp "$FWD_FILE" "$WORK/firewalld/services/"
  out=$(unshare -m sh -c 'mount --make-rprivate / && mount --bind "$1" /etc/firewalld &&
        firewall-offline-cmd --info-service=vostrelle' sh "$WORK/firewalld" 2>/dev/null) ||
    fail "firewall-offline-cmd --info-service: $out"
  printf '%s\n' "$out" | grep -qx '  ports: 28888/udp 28889/tcp' || fail "firewalld ports: $out"
  checked=$((checked + 1))
elif $PY -c 'import firewall.core.io.service' 2>/dev/null; then
  $PY - "$FWD_FILE" <<'PYEOF' || fail "firewalld's reader refuses the service"
import os, sys
from firewall.core.io.service import service_reader
s = service_reader(os.path.basename(sys.argv[1]), os.path.dirname(sys.argv[1]))
assert sorted(s.ports) == [("28888", "udp"), ("28889", "tcp")], s.ports
assert s.short == "Vostrelle", s.short
PYEOF
  checked=$((checked + 1))
fi

if [ "$checked" = 0 ]; then
  echo "SKIP: neither ufw nor firewalld is installed (scripts/setup.sh installs both)"
  exit $SKIP
fi
echo "firewall profiles checked with $checked tool(s)"
