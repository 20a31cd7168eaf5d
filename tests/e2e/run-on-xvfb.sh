#!/usr/bin/env bash
# Runs one end-to-end scenario against the real program on its own Xvfb display with openbox.
# Usage: run-on-xvfb.sh SCENARIO.sh VELMOR_BINARY
# E2E_SCREEN sets another screen than 1280x1024x24 (a scenario may split it into monitors).
set -euo pipefail
scenario=$1
export VELMOR_BIN=$2
export E2E_LIB="$(dirname "$0")/lib.sh"
work=$(mktemp -d /tmp/velmor-e2e.XXXXXX)
export E2E_WORK=$work
# A free display number: the lock file of a running server marks a taken one.
for n in $(seq 120 220); do
  [ -e "/tmp/.X$n-lock" ] || { display=":$n"; break; }
done
Xvfb "$display" -screen 0 "${E2E_SCREEN:-1280x1024x24}" -noreset -nolisten tcp \
  >"$work/xvfb.log" 2>&1 &
xvfb=$!
cleanup() {
  pkill -P $$ 2>/dev/null || true
  kill "$xvfb" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
export DISPLAY=$display
for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
openbox >"$work/openbox.log" 2>&1 &
# Alt+F4 and activation need the window manager: wait until it has taken the screen.
for _ in $(seq 100); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
  sleep 0.1
done
sleep 0.2
bash "$scenario"
