# The settings dialog's 中心位置取得: after the message, both windows get out of the way, the
# pointer position is read some seconds later into CX/CY, and OK stores it in slots 51 and 52.
set -euo pipefail
source "$E2E_LIB"

start_velmor
win=$(wait_window '^Velmor') || fail "main window did not appear"
sleep 1

# 設定 is the last button of Toolbar1 (pixels of the main window's client area).
xdotool mousemove --window "$win" 332 32 click 1
dialog=$(wait_window '^設定$') || fail "the settings dialog did not appear"
sleep 0.5
# 中心位置取得 sits at the bottom left of the dialog, OK at its top right.
xdotool mousemove --window "$dialog" 62 287 click 1

message=""
for _ in $(seq 50); do
  message=$(xdotool search --onlyvisible --name '^Velmor$' 2>/dev/null | grep -vx "$win" | head -n 1 || true)
  [ -n "$message" ] && break
  sleep 0.1
done
[ -n "$message" ] || fail "the message to move the mouse did not appear"
xdotool windowactivate --sync "$message" key --clearmodifiers Return

for _ in $(seq 50); do
  xdotool search --onlyvisible --name '^設定$' >/dev/null 2>&1 || break
  sleep 0.1
done
xdotool search --onlyvisible --name '^(設定|Velmor)$' >/dev/null 2>&1 &&
  fail "the windows stayed on the screen during the pick"
xdotool mousemove 640 512
sleep 4
dialog=$(wait_window '^設定$') || fail "the settings dialog did not come back"
xdotool search --onlyvisible --name '^Velmor' >/dev/null 2>&1 ||
  fail "the main window did not come back"
sleep 0.3
xdotool mousemove --window "$dialog" 312 20 click 1
for _ in $(seq 50); do
  xdotool search --onlyvisible --name '^設定$' >/dev/null 2>&1 || break
  sleep 0.1
done

xdotool windowactivate --sync "$win" key --clearmodifiers alt+F4
wait_exit "$VELMOR_PID"
slot() { iconv -f CP932 -t UTF-8 "$VELMOR_DIR/VLM.INI" | sed -n "${1}p" | tr -d '\r'; }
[ "$(slot 51)" = 640 ] && [ "$(slot 52)" = 512 ] ||
  fail "the centre position was not stored: CX=$(slot 51) CY=$(slot 52)"
echo "centre position: ok"
