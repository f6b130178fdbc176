# The lab's body, sourced by scripts/lab once it runs inside its own namespaces.
# Helpers that tests call from inside the lab (printer, lan-address) use the same file.

lab_repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
# The LAN's interface and its veth peer; the lab's helpers read them from the environment.
export LAB_LAN_IF=lab0 LAB_LAN_PEER=lab1
LAB_LAN_ADDR=127.1.0.1

lab_log() { echo "lab: $*" >&2; }

# Remembers a process that the lab must stop when it ends.
lab_track() { echo "$1" >>"$PRALO_LAB_DIR/pids"; }

lab_stop_all() {
  local rc=$?
  trap - EXIT INT TERM HUP
  if [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ]; then wineserver -k 2>/dev/null || true; fi
  if [ -f "$PRALO_LAB_DIR/pids" ]; then
    local pid
    while read -r pid; do kill "$pid" 2>/dev/null || true; done <"$PRALO_LAB_DIR/pids"
    sleep 0.2
    while read -r pid; do kill -9 "$pid" 2>/dev/null || true; done <"$PRALO_LAB_DIR/pids"
  fi
  rm -rf "$PRALO_LAB_DIR"
  exit "$rc"
}

# Loopback and the lab LAN, nothing else; IPv6 only on loopback (::1, so that printing to
# an IPv6 address is tried), so no link-local addresses or routes.
lab_network() {
  sysctl -qw net.ipv6.conf.all.disable_ipv6=1 net.ipv6.conf.default.disable_ipv6=1
  ip link set lo up
  sysctl -qw net.ipv6.conf.lo.disable_ipv6=0
  ip link add "$LAB_LAN_IF" type veth peer name "$LAB_LAN_PEER"
  sysctl -qw "net.ipv6.conf.$LAB_LAN_IF.disable_ipv6=1" "net.ipv6.conf.$LAB_LAN_PEER.disable_ipv6=1"
  ip link set "$LAB_LAN_PEER" up
  # ARP stays on, as on every real LAN: a datagram to an address where nothing listens
  # waits for neighbour resolution (about 3 s) and holds its socket's send buffer.
  ip link set "$LAB_LAN_IF" up
  ip addr add "$LAB_LAN_ADDR/24" dev "$LAB_LAN_IF"
  sysctl -qw net.ipv4.conf.all.route_localnet=1 "net.ipv4.conf.$LAB_LAN_IF.route_localnet=1"
  # Names resolve from /etc/hosts; a name that needs DNS asks 127.0.0.1, where nothing
  # answers, instead of the machine's name server (which this namespace cannot reach).
  printf 'nameserver 127.0.0.1\n' >"$PRALO_LAB_DIR/resolv.conf"
  mount --bind "$PRALO_LAB_DIR/resolv.conf" /etc/resolv.conf
  # A printer's name with two addresses, the first of which takes no connection (its
  # listener's queue is full: tests/printing/receivers.sh), as a host with a dead interface.
  { cat /etc/hosts; printf '127.1.0.49 lab-two-addresses\n127.1.0.40 lab-two-addresses\n'; } >"$PRALO_LAB_DIR/hosts"
  mount --bind "$PRALO_LAB_DIR/hosts" /etc/hosts
}

lab_display() {
  local fifo="$PRALO_LAB_DIR/displayfd"
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -nolisten unix 3>"$fifo" >/dev/null 2>&1 &
  lab_track $!
  local number
  read -r -t 30 number <"$fifo" || { lab_log "Xvfb did not start"; return 1; }
  export DISPLAY=":$number"
}

# What the template prefix holds; a template of another version is made anew (5: made
# with Wine's 32-bit support, so that it runs both bitnesses, and Marlett among its
# fonts, so that caption buttons show as glyphs).
LAB_TEMPLATE_VERSION=5

# The template prefix is made once (wineboot --init, inside the lab) and copied per run.
# Its windows are not left to a window manager: the lab's display has none, and Wine
# would wait for one on every window it hides.
lab_wine() {
  local template=${PRALO_WINE_TEMPLATE:-$lab_repo/build/wineprefix}
  export WINEDEBUG=${WINEDEBUG:--all} WINEARCH=win64
  # Labs started side by side make the template one at a time.
  mkdir -p "$(dirname "$template")"
  exec 9>"$template.lock"
  flock 9
  if [ "$(cat "$template/.complete" 2>/dev/null)" != "$LAB_TEMPLATE_VERSION" ]; then
    lab_log "initialising the Wine prefix $template (once)"
    rm -rf "$template"
    WINEPREFIX=$template WINEDLLOVERRIDES="mscoree,mshtml=" wineboot --init >/dev/null 2>&1
    WINEPREFIX=$template wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    WINEPREFIX=$template wineserver -w
    # Wine draws caption buttons with Marlett, which it finds among the prefix's fonts.
    cp /usr/share/wine/fonts/marlett.ttf "$template/drive_c/windows/Fonts/"
    echo "$LAB_TEMPLATE_VERSION" >"$template/.complete"
  fi
  export WINEPREFIX="$PRALO_LAB_DIR/prefix"
  cp -a "$template" "$WINEPREFIX"
  flock -u 9
  exec 9>&-
  wineserver -p
  wine cmd /c exit >/dev/null 2>&1
  # Windows' desktop is always there; Wine's desktop process ends a moment after the last
  # program, and every program started then brings up one of its own and waits on it (a
  # second a test). A program that waits on a pipe that never speaks keeps it, as on
  # Windows, until the lab stops the prefix.
  mkfifo "$PRALO_LAB_DIR/desktop-keeper"
  wine cmd /c "set /p keep=" 0<>"$PRALO_LAB_DIR/desktop-keeper" >/dev/null 2>&1 &
}

lab_main() {
  export PRALO_LAB_DIR
  PRALO_LAB_DIR=$(mktemp -d /tmp/pralo-lab.XXXXXX)
  trap lab_stop_all EXIT
  trap 'exit 130' INT
  trap 'exit 143' TERM HUP
  lab_network
  lab_display
  lab_wine
  export PATH="$lab_repo/tests/lab/bin:$PATH"
  # In the background, so that a signal reaches the traps at once; stdin stays the caller's.
  "$@" <&0 &
  local command=$! rc=0
  wait "$command" || rc=$?
  exit "$rc"
}
