# Real keys on the main window: a picture pasted with Ctrl+V, three segments dragged over it,
# Ctrl+Z twice and Ctrl+Y / Ctrl+Shift+Z back, read from the screen each time; Ctrl+C and
# Ctrl+Shift+C read back by another program (the bare picture, then the picture with its
# figures); Ctrl+S into a ".png" name gives a PNG of exactly the canvas.
set -euo pipefail
source "$E2E_LIB"

work=$E2E_WORK
place=$(control_place Opb_1)
read -r -a segment_tool <<<"$place"

convert -size 200x150 xc:'#3080c0' +antialias \
  -fill '#e0e020' -draw 'rectangle 20,20 80,60' \
  -fill '#c02020' -draw 'rectangle 120,90 170,140' -depth 8 "$work/picture.png"

start_velmor
win=$(wait_window '^Velmor') || fail "main window did not appear"
sleep 1
xdotool windowactivate --sync "$win" >/dev/null 2>&1 || true
# Without a window manager's focus rules the keys go where the pointer is.
xdotool mousemove --window "$win" 400 300
sleep 0.3

keys() {
  xdotool key --clearmodifiers "$@"
  sleep 0.6
}


# expected N OUT: the picture with the first N of the three segments over it.
expected() {
  local n=$1 out=$2 i=0 draw=()
  for y in 100 110 120; do
    [ "$i" -lt "$n" ] || break
    draw+=(-draw "rectangle 20,$y 180,$y")
    i=$((i + 1))
  done
  convert "$work/picture.png" +antialias -fill black "${draw[@]}" -depth 8 "$out"
}

shows() {
  expected "$1" "$work/expected$1.png"
  import -window root -crop "200x150+${canvas_x}+${canvas_y}" +repage "$work/shown.png"
  same_pixels "$work/shown.png" "$work/expected$1.png" ||
    fail "$2: the canvas does not show the picture with $1 segments"
}


# Paste with Ctrl+V.
xclip -selection clipboard -t image/png -i "$work/picture.png" -quiet >/dev/null 2>&1 &
xclip_pid=$!
sleep 0.5
keys ctrl+v
kill "$xclip_pid" 2>/dev/null || true
wait "$xclip_pid" 2>/dev/null || true
read -r canvas_x canvas_y canvas_w canvas_h < <(canvas_origin)
[ "$canvas_w" = 200 ] && [ "$canvas_h" = 150 ] || fail "Ctrl+V did not paste the picture (${canvas_w}x${canvas_h})"

xdotool mousemove --window "$win" "${segment_tool[@]}" click 1
sleep 0.5
for y in 100 110 120; do drag_on_canvas 20 "$y" 180 "$y"; done
shows 3 "after drawing"
# The pointer rests on the canvas while the keys go in.
xdotool mousemove "$((canvas_x + 100))" "$((canvas_y + 40))"
keys ctrl+z
shows 2 "after one Ctrl+Z"
keys ctrl+z
shows 1 "after two Ctrl+Z"
keys ctrl+y
shows 2 "after Ctrl+Y"
keys ctrl+shift+z
shows 3 "after Ctrl+Shift+Z"

keys ctrl+c
read_clipboard "$work/copied.png"
same_pixels "$work/copied.png" "$work/picture.png" || fail "Ctrl+C did not copy the bare picture"
keys ctrl+shift+c
read_clipboard "$work/marked.png"
same_pixels "$work/marked.png" "$work/expected3.png" ||
  fail "Ctrl+Shift+C did not copy the picture with its segments"

# Ctrl+S: the file dialog takes the name typed into it.
keys ctrl+s
dialog=$(wait_window '画像ﾌｧｲﾙを保存') || fail "Ctrl+S showed no save dialog"
xdotool windowactivate --sync "$dialog" >/dev/null 2>&1 || true
sleep 0.5
xdotool type --delay 40 "$work/out.png"
sleep 0.3
keys Return
wait_gone '画像ﾌｧｲﾙを保存' || fail "the save dialog stayed open"
for _ in $(seq 30); do [ -s "$work/out.png" ] && break; sleep 0.1; done
[ "$(identify -format '%m' "$work/out.png")" = PNG ] || fail "out.png is not a PNG"
same_pixels "$work/out.png" "$work/expected3.png" || fail "out.png is not the canvas"

xdotool windowactivate --sync "$win" key --clearmodifiers alt+F4
wait_exit "$VELMOR_PID"
echo "keys, undo and saves: ok"
