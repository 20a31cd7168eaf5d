# The captures on sway when the portal cannot give a picture: none on the bus, the user
# refusing, a file that is not a picture. Each ends with the capture's message and the main
# window back, the canvas keeping the picture it had; the portal's broken file in the temporary
# folder is removed. Then, away from sway, the active window from a portal that takes it
# itself. Run with E2E_PORTAL=0 (a bus without a portal) and FAKE_PORTAL.
set -euo pipefail
source "$E2E_LIB"
source "$E2E_SWAY_LIB"

pictures="$E2E_WORK/pictures"
mkdir -p "$pictures"
mkdir -p "$E2E_WORK/app"
for i in $(seq 1 100); do
  case $i in 51) v=400 ;; 52) v=300 ;; 53) v=200 ;; 54) v=100 ;; *) v='' ;; esac
  printf '%s\r\n' "$v"
done >"$E2E_WORK/app/VLM.INI"

start_velmor
wait_sway_window '^Velmor' >/dev/null || fail "the main window did not appear"
sleep 1

# A picture on the canvas that every failure must leave there.
convert -size 90x60 xc:'#3080c0' -fill '#e0e020' -draw 'rectangle 10,10 40,30' -depth 8 \
  "$pictures/before.png"
wl-copy --type image/png <"$pictures/before.png"
sleep 0.3
velmor_click 244 32
sleep 0.5

# expect_message WHAT: a message box (a second window titled Velmor) with the main window back;
# it is closed, and the canvas still holds the earlier picture.
expect_message() {
  local count=0
  for _ in $(seq 100); do
    count=$(swaymsg -t get_tree | grep -c '"name": "Velmor"' || true)
    [ "$count" -ge 2 ] && break
    sleep 0.1
  done
  [ "$count" -ge 2 ] || fail "no message after $1"
  [ -z "$(sway_window '^Form2$')" ] || fail "the frozen screen was shown after $1"
  swaymsg -q '[title="^Velmor$" floating] kill'
  sleep 0.5
  velmor_canvas "$pictures/after.png"
  same_pixels "$pictures/after.png" "$pictures/before.png" || fail "$1 changed the canvas"
}

velmor_click 275 32
expect_message "a whole-screen capture without a portal"
velmor_click $(control_place Command5)
expect_message "矩形 without a portal"
velmor_click 300 32
sleep 0.3
velmor_click 275 32
expect_message "an active-window capture without a portal"
velmor_click 300 32

"$FAKE_PORTAL" refuse >"$E2E_WORK/fake-portal.log" 2>&1 &
portal_pid=$!
picture_pids+=("$portal_pid")
for _ in $(seq 50); do grep -q ready "$E2E_WORK/fake-portal.log" && break; sleep 0.1; done
velmor_click 275 32
expect_message "a refused capture"
kill "$portal_pid"
wait "$portal_pid" 2>/dev/null || true

broken="$E2E_WORK/tmp-portal/broken.png"
mkdir -p "$(dirname "$broken")"
"$FAKE_PORTAL" broken "$broken" >"$E2E_WORK/fake-portal.log" 2>&1 &
portal_pid=$!
picture_pids+=("$portal_pid")
for _ in $(seq 50); do grep -q ready "$E2E_WORK/fake-portal.log" && break; sleep 0.1; done
velmor_click $(control_place Command5)
expect_message "矩形 with a broken picture"
[ ! -e "$broken" ] || fail "the portal's broken file in the temporary folder was left behind"

kill "$portal_pid"
wait "$portal_pid" 2>/dev/null || true
swaymsg -q '[app_id="org.velmor.Velmor"] kill'
wait_exit "$VELMOR_PID"

# Away from sway, a portal of version 3 that takes the active window itself is asked for it.
other_window_picture "$pictures/window.png"
"$FAKE_PORTAL" window "$pictures/window.png" "$E2E_WORK/tmp-portal/window.png" \
  >"$E2E_WORK/fake-portal.log" 2>&1 &
portal_pid=$!
picture_pids+=("$portal_pid")
for _ in $(seq 50); do grep -q ready "$E2E_WORK/fake-portal.log" && break; sleep 0.1; done
SWAYSOCK='' start_velmor
wait_sway_window '^Velmor' >/dev/null || fail "the main window did not appear again"
sleep 1
velmor_click 300 32
sleep 0.3
velmor_click 275 32
sleep 1.5
wait_sway_window '^Velmor' >/dev/null || fail "the main window did not come back"
sleep 0.5
velmor_canvas "$pictures/window-canvas.png"
same_pixels "$pictures/window-canvas.png" "$pictures/window.png" ||
  fail "the portal's active-window picture did not reach the canvas"
swaymsg -q '[app_id="org.velmor.Velmor"] kill'
wait_exit "$VELMOR_PID"
echo "wayland portal failures: ok"
