#!/usr/bin/env bash
# Runs one end-to-end scenario against the real program as a native Wayland client, in a
# headless sway session of its own: its own session bus, PipeWire and the desktop portal with
# the wlroots backend. sway refuses to run as root, so as root the session runs as the ordinary
# user velmor-e2e (made when missing).
# Usage: run-on-sway.sh SCENARIO.sh VELMOR_BINARY
# E2E_SWAY_SCALE: the output's scale (1 unless set; the layout stays 1280 x 800). E2E_PORTAL=0: a session without a portal.
# PICTURE_WINDOW, FAKE_PORTAL, CONTROL_PLACE: the helper programs the scenarios use. E2E_KEEP: see cleanup.
set -euo pipefail
scenario=$(realpath "$1")
binary=$(realpath "$2")
self=$(realpath "$0")

if [ "$(id -u)" -eq 0 ]; then
  user=velmor-e2e
  id -u "$user" >/dev/null 2>&1 || useradd --create-home --shell /bin/bash "$user"
  # The checkout may lie where that user cannot read (root's home): the scripts and programs
  # go to a folder of their own.
  stage=$(mktemp -d /tmp/velmor-sway-stage.XXXXXX)
  cp -r "$(dirname "$self")" "$stage/e2e"
  cp "$binary" "$stage/velmor"
  helpers=()
  for var in PICTURE_WINDOW FAKE_PORTAL CONTROL_PLACE; do
    if [ -n "${!var:-}" ]; then
      cp "${!var}" "$stage/$(basename "${!var}")"
      helpers+=("$var=$stage/$(basename "${!var}")")
    fi
  done
  chmod -R a+rX "$stage"
  rc=0
  runuser -u "$user" -- env -i PATH="$PATH" HOME="$(getent passwd "$user" | cut -d: -f6)" \
    LANG=C.UTF-8 E2E_SWAY_SCALE="${E2E_SWAY_SCALE:-1}" E2E_PORTAL="${E2E_PORTAL:-1}" \
    E2E_KEEP="${E2E_KEEP:-}" "${helpers[@]}" \
    bash "$stage/e2e/run-on-sway.sh" "$stage/e2e/$(basename "$scenario")" "$stage/velmor" || rc=$?
  rm -rf "$stage"
  exit "$rc"
fi

export VELMOR_BIN=$binary
export E2E_LIB="$(dirname "$self")/lib.sh"
export E2E_SWAY_LIB="$(dirname "$self")/sway-lib.sh"
work=$(mktemp -d /tmp/velmor-sway.XXXXXX)
export E2E_WORK=$work
export XDG_RUNTIME_DIR=$work/run
mkdir -m 700 "$XDG_RUNTIME_DIR"
unset DISPLAY WAYLAND_DISPLAY SWAYSOCK DBUS_SESSION_BUS_ADDRESS

pids=()
dbus_pid=""
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  [ -n "$dbus_pid" ] && kill "$dbus_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  # E2E_KEEP=DIR keeps the session's logs and pictures for a look afterwards.
  [ -n "${E2E_KEEP:-}" ] && cp -r "$work/." "$E2E_KEEP/" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

if [ "${E2E_PORTAL:-1}" = 1 ]; then
  dbus_pid=$(dbus-daemon --session --address="unix:path=$XDG_RUNTIME_DIR/bus" --fork --print-pid)
else
  # The standard session bus without its service folders: it starts nothing on demand, so no
  # portal comes up behind the scenario's back.
  sed -e '/<standard_session_servicedirs/d' -e '/<servicedir>/d' \
    -e "s|<listen>.*</listen>|<listen>unix:path=$XDG_RUNTIME_DIR/bus</listen>|" \
    /usr/share/dbus-1/session.conf >"$work/bus.conf"
  dbus_pid=$(dbus-daemon --config-file="$work/bus.conf" --fork --print-pid)
fi
export DBUS_SESSION_BUS_ADDRESS="unix:path=$XDG_RUNTIME_DIR/bus"

# The layout is 1280 x 800 at every scale, as a laptop's panel of twice the pixels is.
scale=${E2E_SWAY_SCALE:-1}
# Other programs' windows float where the scenario expects them: the pattern without a frame,
# the other window with sway's title bar and border.
cat >"$work/sway.conf" <<EOF
output HEADLESS-1 resolution $((1280 * scale))x$((800 * scale)) scale $scale
focus_follows_mouse no
for_window [title="^pattern$"] floating enable, border none, move position 60 120
for_window [title="^other$"] floating enable, move position 640 300
EOF
WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
  sway -c "$work/sway.conf" >"$work/sway.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do
  [ -S "$XDG_RUNTIME_DIR/wayland-1" ] && compgen -G "$XDG_RUNTIME_DIR/sway-ipc.*.sock" >/dev/null &&
    break
  sleep 0.1
done
[ -S "$XDG_RUNTIME_DIR/wayland-1" ] || { cat "$work/sway.log"; echo "FAIL: sway did not start"; exit 1; }
export WAYLAND_DISPLAY=wayland-1
SWAYSOCK=$(compgen -G "$XDG_RUNTIME_DIR/sway-ipc.*.sock" | head -n 1)
export SWAYSOCK
export XDG_CURRENT_DESKTOP=sway:gnome XDG_SESSION_TYPE=wayland

# The portal needs PipeWire to start, and the GTK backend (Access, used for "gnome") to offer
# its Screenshot interface at all.
if [ "${E2E_PORTAL:-1}" = 1 ]; then
  pipewire >"$work/pipewire.log" 2>&1 &
  pids+=($!)
  sleep 0.3
  /usr/libexec/xdg-desktop-portal-wlr >"$work/xdpw.log" 2>&1 &
  pids+=($!)
  /usr/libexec/xdg-desktop-portal -r >"$work/xdp.log" 2>&1 &
  pids+=($!)
  ready=0
  for _ in $(seq 100); do
    gdbus introspect --session --dest org.freedesktop.portal.Desktop \
      --object-path /org/freedesktop/portal/desktop 2>/dev/null |
      grep -q org.freedesktop.portal.Screenshot && { ready=1; break; }
    sleep 0.1
  done
  [ "$ready" = 1 ] || {
    cat "$work/xdp.log" "$work/xdpw.log" >&2
    echo "FAIL: the portal offers no Screenshot interface" >&2
    exit 1
  }
fi

bash "$scenario"
