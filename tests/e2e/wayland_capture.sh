# The captures as a native Wayland client on sway, through the desktop portal, at the output's
# scale (E2E_SWAY_SCALE): the toolbar's capture shows the screen frozen (another program's
# pattern pixel for pixel, every device pixel of it) and a drag selects exactly the device
# pixels under it; ｱｸﾃｨﾌﾞ画面 brings the window sway has the focus on, title bar and border
# included; 矩形 brings the settings' rectangle in device pixels; 貼付け and コピー exchange
# pictures with wl-clipboard; 中心位置取得 says that Wayland keeps the pointer to itself.
set -euo pipefail
source "$E2E_LIB"
source "$E2E_SWAY_LIB"

s=${E2E_SWAY_SCALE:-1}
pictures="$E2E_WORK/pictures"
mkdir -p "$pictures"

# The pattern: 400 x 300 device pixels, every one different, at (60, 120) of the layout.
unique_pixels_picture 400 300 "$pictures/pattern.png"
show_picture_window "$pictures/pattern.png" pattern
px=$((60 * s)) py=$((120 * s))
other_window_picture "$pictures/other.png"
show_picture_window "$pictures/other.png" other

# The fixed rectangle: 200 x 100 device pixels from (100, 50) of the pattern.
mkdir -p "$E2E_WORK/app"
for i in $(seq 1 100); do
  case $i in 51) v=$((px + 200)) ;; 52) v=$((py + 100)) ;; 53) v=200 ;; 54) v=100 ;; *) v='' ;; esac
  printf '%s\r\n' "$v"
done >"$E2E_WORK/app/VLM.INI"

start_velmor
wait_sway_window '^Velmor' >/dev/null || fail "the main window did not appear"
sleep 1
[ "$(swaymsg -t get_tree | grep -c '"app_id": "org.velmor.Velmor"')" -ge 1 ] ||
  fail "the program is not a native Wayland client"

back_again() {  # back_again WHAT: the main window comes back after a capture
  wait_sway_window '^Velmor' >/dev/null || fail "the main window did not come back after $1"
  sleep 0.5
}

# --- the whole screen, frozen, and a drag on it ---
velmor_click 275 32
wait_sway_window '^Form2$' >/dev/null || fail "the selection window did not appear"
[ -z "$(sway_window '^Velmor')" ] || fail "the main window did not get out of the way"
sleep 0.7
grim "$pictures/frozen.png"
[ "$(identify -format %wx%h "$pictures/frozen.png")" = "$((1280 * s))x$((800 * s))" ] ||
  fail "the screen is not $((1280 * s)) x $((800 * s)) device pixels"
convert "$pictures/frozen.png" -crop "400x300+$px+$py" +repage "$pictures/frozen-pattern.png"
same_pixels "$pictures/frozen-pattern.png" "$pictures/pattern.png" ||
  fail "the frozen screen does not show the other program's pattern pixel for pixel"

# From device pixel (40, 30) of the pattern, 200 x 100 device pixels.
x1=$((60 + 40 / s)) y1=$((120 + 30 / s))
drag "$x1" "$y1" $((x1 + 200 / s)) $((y1 + 100 / s))
wait_sway_gone '^Form2$' || fail "the selection window stayed"
back_again "the selection"
convert "$pictures/pattern.png" -crop 200x100+40+30 +repage "$pictures/dragged.png"
velmor_canvas "$pictures/canvas.png"
[ "$(identify -format %wx%h "$pictures/canvas.png")" = 200x100 ] ||
  fail "the canvas is $(identify -format %wx%h "$pictures/canvas.png"), not 200x100"
same_pixels "$pictures/canvas.png" "$pictures/dragged.png" ||
  fail "the canvas does not hold exactly the device pixels under the drag"
# The canvas at 100 percent shows one picture pixel per device pixel.
swaymsg -q '[title="^pattern$"] move scratchpad'
sleep 0.3
read -r vx vy _ _ <<<"$(sway_window '^Velmor')"
grim -g "$((vx + 40)),$((vy + 60)) $((260 / s))x$((200 / s))" "$pictures/shown.png"
found=$(compare -metric AE -subimage-search "$pictures/shown.png" "$pictures/dragged.png" \
  null: 2>&1 | awk '{print $1}') || true
[ "$found" = "0" ] || fail "the canvas does not show the picture 1:1 ($found pixels differ)"
swaymsg -q '[title="^pattern$"] scratchpad show, move position 60 120'
sleep 0.3

# --- the active window: the one sway gives the focus to once the main window is gone ---
swaymsg -q '[title="^other$"] focus'
sleep 0.3
velmor_click 300 32
sleep 0.3
velmor_click 275 32
sleep 1.5
back_again "the active-window capture"
velmor_canvas "$pictures/active.png"
read -r fx fy fw fh <<<"$(sway_frame '^other$')"
[ "$(identify -format %wx%h "$pictures/active.png")" = "$((fw * s))x$((fh * s))" ] ||
  fail "the active window is $(identify -format %wx%h "$pictures/active.png"), not its frame"
found=$(compare -metric AE -subimage-search "$pictures/active.png" "$pictures/other.png" \
  null: 2>&1 | awk '{print $1}') || true
[ "$found" = "0" ] || fail "the active-window capture does not show the other window"
velmor_click 300 32

# --- 矩形: the settings' rectangle, device pixels of the portal's picture ---
velmor_click $(control_place Command5)
sleep 1.5
back_again 矩形
velmor_canvas "$pictures/rectangle.png"
convert "$pictures/pattern.png" -crop 200x100+100+50 +repage "$pictures/rectangle-expected.png"
same_pixels "$pictures/rectangle.png" "$pictures/rectangle-expected.png" ||
  fail "矩形 did not bring the rectangle of the settings"

# --- the clipboard, in and out through wl-clipboard ---
convert -size 120x80 xc:'#3080c0' -fill '#e0e020' -draw 'rectangle 10,10 50,40' \
  -depth 8 "$pictures/pasted.png"
wl-copy --type image/png <"$pictures/pasted.png"
sleep 0.3
velmor_click 244 32
sleep 0.5
velmor_canvas "$pictures/pasted-back.png"
same_pixels "$pictures/pasted-back.png" "$pictures/pasted.png" ||
  fail "the picture did not go through the clipboard in and out"

# --- 中心位置取得: a message at once, the dialog stays ---
velmor_click 332 32
wait_sway_window '^設定$' >/dev/null || fail "the settings dialog did not appear"
sleep 0.5
read -r dx dy dw dh <<<"$(sway_window '^設定$')"
click_at $((dx + 62)) $((dy + 287))
message=""
for _ in $(seq 30); do
  message=$(swaymsg -t get_tree | grep -c '"name": "Velmor"' || true)
  [ "$message" -ge 2 ] && break
  sleep 0.1
done
[ "$message" -ge 2 ] || fail "no message about the pointer"
[ -n "$(sway_window '^設定$')" ] || fail "the dialog went away although no point can be read"
swaymsg -q '[title="^Velmor$" floating] kill' || true
sleep 0.3
swaymsg -q '[title="^設定$"] kill'
sleep 0.3

swaymsg -q '[app_id="org.velmor.Velmor"] kill'
wait_exit "$VELMOR_PID"
echo "wayland capture (scale $s): ok"
