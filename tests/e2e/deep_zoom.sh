# A 3840 x 2160 picture pasted and zoomed with Ctrl++ to 800 percent, a canvas of 30720 x 17280
# pixels: the screen shows the picture's corner enlarged eight times, and after the wheel has
# scrolled to the bottom, its bottom-left corner.
set -euo pipefail
source "$E2E_LIB"

work=$E2E_WORK
convert -size 3840x2160 xc:'#3080c0' +antialias \
  -fill '#e0e020' -draw 'rectangle 20,20 80,60' -fill '#c02020' -draw 'rectangle 30,70 130,90' \
  -fill '#20c020' -draw 'rectangle 10,2100 70,2150' -fill white -draw 'rectangle 90,2120 95,2159' \
  -depth 8 "$work/picture.png"

start_velmor
win=$(wait_window '^Velmor') || fail "main window did not appear"
sleep 1
xdotool windowactivate --sync "$win" >/dev/null 2>&1 || true
xclip -selection clipboard -t image/png -i "$work/picture.png" -quiet >/dev/null 2>&1 &
xclip_pid=$!
sleep 0.5
xdotool mousemove --window "$win" 400 300
xdotool key --clearmodifiers ctrl+v
sleep 1.5
kill "$xclip_pid" 2>/dev/null || true
wait "$xclip_pid" 2>/dev/null || true
# At 100 percent the picture fills the viewport, whose place this gives.
read -r view_x view_y view_w view_h < <(canvas_origin)
[ "$view_w" -gt 200 ] && [ "$view_h" -gt 200 ] || fail "the picture was not pasted (${view_w}x${view_h})"

# A zoom step of 100 typed into Text1, then seven steps.
xdotool mousemove --window "$win" 70 62 click --repeat 3 1 key ctrl+a type 100
sleep 0.3
xdotool mousemove "$((view_x + view_w / 2))" "$((view_y + view_h / 2))"
for _ in 1 2 3 4 5 6 7; do
  xdotool key --clearmodifiers ctrl+plus
  sleep 0.4
done
sleep 0.5

# shows X Y WHAT: the viewport shows the picture enlarged eight times from canvas pixel (X, Y).
shows() {
  local x=$1 y=$2
  local sx=$((x / 8)) sy=$((y / 8))
  local sw=$(((view_w + 7) / 8 + 1)) sh=$(((view_h + 7) / 8 + 1))
  convert "$work/picture.png" -crop "${sw}x${sh}+${sx}+${sy}" +repage -scale 800% \
    -crop "${view_w}x${view_h}+$((x - sx * 8))+$((y - sy * 8))" +repage "$work/expected.png"
  import -window root -crop "${view_w}x${view_h}+${view_x}+${view_y}" +repage "$work/shown.png"
  same_pixels "$work/shown.png" "$work/expected.png" || fail "at 800 percent: $3"
}
shows 0 0 "the viewport does not show the picture's top-left corner enlarged"

# The wheel down far enough to reach the bottom.
xdotool click --repeat 300 --delay 5 5
sleep 1
shows 0 $((17280 - view_h)) "the viewport does not show the bottom-left corner after scrolling"

xdotool key --clearmodifiers alt+F4
wait_exit "$VELMOR_PID"
ended_cleanly
echo "deep zoom: ok"
