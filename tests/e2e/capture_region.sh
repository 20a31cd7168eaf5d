# The toolbar's capture on a screen with a known picture: the screen shows frozen, another
# program's window included; a drag selects exactly the dragged pixels, which reach the canvas
# without a trace of the rubber band; a drag up and to the left leaves the canvas as it was; with
# ｱｸﾃｨﾌﾞ画面 pressed the capture brings the other program's window, frame and all; 矩形 brings
# the screen area of the settings' centre and size.
set -euo pipefail
source "$E2E_LIB"

pictures="$E2E_WORK/pictures"
mkdir -p "$pictures"

unique_pixels_picture 1280 1024 "$pictures/screen.png"
display -window root "$pictures/screen.png" || true
other_window_picture "$pictures/other.png"
show_other_window 700 500 "$pictures/other.png"

# The fixed rectangle: centre (400, 300), 200 x 100.
mkdir -p "$E2E_WORK/app"
for i in $(seq 1 100); do
  case $i in 51) v=400 ;; 52) v=300 ;; 53) v=200 ;; 54) v=100 ;; *) v='' ;; esac
  printf '%s\r\n' "$v"
done >"$E2E_WORK/app/VLM.INI"

start_velmor
win=$(wait_window '^Velmor') || fail "main window did not appear"
sleep 1

# Toolbar1's buttons, in pixels of the main window's client area (menu bar at the top).
toolbar_y=32
declare -A toolbar_x=([12]=219 [15]=275 [16]=300)
click_toolbar() {
  xdotool mousemove --window "$win" "${toolbar_x[$1]}" "$toolbar_y" click 1
}

capture_and_drag() {  # capture_and_drag X1 Y1 X2 Y2 FROZEN_PNG
  click_toolbar 15
  wait_window '^Form2$' >/dev/null || fail "the selection window did not appear"
  wait_gone '^Velmor' || fail "the main window did not get out of the way"
  sleep 0.5
  import -window root "$5"
  xdotool mousemove "$1" "$2" mousedown 1 mousemove $((($1 + $3) / 2)) $((($2 + $4) / 2)) \
    sleep 0.2 mousemove "$3" "$4" sleep 0.2 mouseup 1
  wait_gone '^Form2$' || fail "the selection window stayed"
  win=$(wait_window '^Velmor') || fail "the main window did not come back"
  sleep 0.5
}

capture_and_drag 600 560 800 660 "$pictures/frozen.png"
# The frozen screen is the screen: the known picture where nothing covers it, the other window's
# picture where it is, and nothing of Velmor.
convert "$pictures/frozen.png" -crop 600x700+0+300 +repage "$pictures/frozen-part.png"
convert "$pictures/screen.png" -crop 600x700+0+300 +repage "$pictures/screen-part.png"
same_pixels "$pictures/frozen-part.png" "$pictures/screen-part.png" ||
  fail "the frozen screen is not the screen"
eval "$(xwininfo -name other | awk -F: '/Absolute upper-left X/ {print "ox=" $2+0}
                                        /Absolute upper-left Y/ {print "oy=" $2+0}')"
convert "$pictures/frozen.png" -crop "160x120+$ox+$oy" +repage "$pictures/frozen-other.png"
same_pixels "$pictures/frozen-other.png" "$pictures/other.png" ||
  fail "the other program's window is not on the frozen screen"

convert "$pictures/frozen.png" -crop 200x100+600+560 +repage "$pictures/expected.png"
xclip -selection clipboard -t image/png -o >"$pictures/clipboard.png" ||
  fail "the selection left no picture on the clipboard"
same_pixels "$pictures/clipboard.png" "$pictures/expected.png" ||
  fail "the clipboard does not hold the dragged region"
canvas_picture "$pictures/canvas.png"
[ "$(identify -format %wx%h "$pictures/canvas.png")" = 200x100 ] ||
  fail "the canvas is $(identify -format %wx%h "$pictures/canvas.png"), not 200x100"
same_pixels "$pictures/canvas.png" "$pictures/expected.png" ||
  fail "the canvas does not hold exactly the dragged region"
# On the screen, the canvas shows the region at its natural size (the band left no trace).
import -window root "$pictures/shown.png"
convert "$pictures/shown.png" -crop 260x200+40+60 +repage "$pictures/shown-part.png"
found=$(compare -metric AE -subimage-search "$pictures/shown-part.png" "$pictures/expected.png" \
  null: 2>&1 | awk '{print $1}') || true
[ "$found" = "0" ] || fail "the window does not show the region (best match: $found pixels differ)"

# A drag up and to the left brings the main window back with the canvas as it was.
capture_and_drag 900 700 650 580 "$pictures/frozen2.png"
canvas_picture "$pictures/canvas2.png"
same_pixels "$pictures/canvas2.png" "$pictures/expected.png" ||
  fail "a drag up and to the left changed the canvas"

# Active window: the window that is active once Velmor is minimised is the other program's.
click_toolbar 16
sleep 0.3
click_toolbar 15
away_and_back "the active-window capture"
canvas_picture "$pictures/active.png"
size=$(identify -format '%w %h' "$pictures/active.png")
read -r aw ah <<<"$size"
[ "$aw" -gt 160 ] && [ "$ah" -gt 120 ] && [ "$aw" -lt 200 ] && [ "$ah" -lt 180 ] ||
  fail "the active-window capture is $aw x $ah, not the other window with its frame"
found=$(compare -metric AE -subimage-search "$pictures/active.png" "$pictures/other.png" \
  null: 2>&1 | awk '{print $1}') || true
[ "$found" = "0" ] || fail "the active-window capture does not show the other window"

# 矩形 at the bottom of the tool strip: the screen area from (300, 250) to (500, 350).
place=$(control_place Command5)
read -r rect_x rect_y <<<"$place"
xdotool mousemove --window "$win" "$rect_x" "$rect_y" click 1
away_and_back 矩形
canvas_picture "$pictures/rectangle.png"
convert "$pictures/screen.png" -crop 200x100+300+250 +repage "$pictures/rectangle-expected.png"
same_pixels "$pictures/rectangle.png" "$pictures/rectangle-expected.png" ||
  fail "矩形 did not bring the screen area (300, 250) to (500, 350)"

xdotool windowactivate --sync "$win" key --clearmodifiers alt+F4
wait_exit "$VELMOR_PID"

# A desktop scaled by two: the controls are twice their size (each click lands at twice the
# point), while pictures keep the screen's pixels: the frozen screen holds every one of them, a
# drag selects exactly the pixels under it, and 矩形 brings the same screen area.
ui_scale=2
QT_SCALE_FACTOR=2 QT_ENABLE_HIGHDPI_SCALING=1 start_velmor
win=$(wait_window '^Velmor') || fail "main window did not appear on the scaled desktop"
sleep 1
xdotool mousemove --window "$win" $((rect_x * 2)) $((rect_y * 2)) click 1
away_and_back "矩形 on the scaled desktop"
canvas_picture "$pictures/rectangle-scaled.png"
same_pixels "$pictures/rectangle-scaled.png" "$pictures/rectangle-expected.png" ||
  fail "矩形 on a scaled desktop did not bring the screen area (300, 250) to (500, 350)"

xdotool mousemove --window "$win" $((275 * 2)) $((32 * 2)) click 1
wait_window '^Form2$' >/dev/null || fail "the selection window did not appear on the scaled desktop"
wait_gone '^Velmor' || fail "the main window did not get out of the way on the scaled desktop"
sleep 0.5
import -window root "$pictures/frozen-scaled.png"
convert "$pictures/frozen-scaled.png" -crop 600x700+0+300 +repage "$pictures/frozen-scaled-part.png"
same_pixels "$pictures/frozen-scaled-part.png" "$pictures/screen-part.png" ||
  fail "the frozen screen on a scaled desktop does not hold every screen pixel"
# Odd screen pixels fall between the scaled units: the drag must still select exactly them.
xdotool mousemove 301 251 mousedown 1 mousemove 400 300 sleep 0.2 mousemove 504 328 sleep 0.2 \
  mouseup 1
wait_gone '^Form2$' || fail "the selection window stayed on the scaled desktop"
win=$(wait_window '^Velmor') || fail "the main window did not come back on the scaled desktop"
sleep 0.5
canvas_picture "$pictures/dragged-scaled.png"
convert "$pictures/screen.png" -crop 203x77+301+251 +repage "$pictures/dragged-scaled-expected.png"
same_pixels "$pictures/dragged-scaled.png" "$pictures/dragged-scaled-expected.png" ||
  fail "a drag on the scaled desktop did not select exactly the pixels under it ($(identify -format %wx%h "$pictures/dragged-scaled.png"))"
xdotool windowactivate --sync "$win" key --clearmodifiers alt+F4
wait_exit "$VELMOR_PID"
echo "capture region: ok"
