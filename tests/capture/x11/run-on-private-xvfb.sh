#!/usr/bin/env bash
# Runs one test binary on a private Xvfb display managed by openbox, then ends both.
# openbox: an active window and window frames need a window manager, and openbox neither
# maximises nor rearranges the windows the tests place.
set -u
binary=$1
work=$(mktemp -d)
xvfb_pid=""
wm_pid=""
finish() {
  [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap finish EXIT

Xvfb -displayfd 3 -screen 0 1024x768x24 -noreset -nolisten tcp 3>"$work/display" \
  >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
  [ -s "$work/display" ] && break
  sleep 0.05
done
[ -s "$work/display" ] || { echo "Xvfb did not start"; cat "$work/xvfb.log"; exit 1; }
export DISPLAY=":$(head -n1 "$work/display")"

HOME="$work" openbox --sm-disable >"$work/openbox.log" 2>&1 &
wm_pid=$!
for _ in $(seq 100); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
  sleep 0.05
done

QT_QPA_PLATFORM=xcb LANG=C.UTF-8 QT_LOGGING_RULES='qt.qpa.*=false' \
  timeout --kill-after=5 50 "$binary" "${@:2}"
