# A picture pasted from another program's clipboard, a segment dragged over it with the segment
# tool, then 切り取り and コピー read back by another program: the clipboard gets the picture,
# never the figures, while the screen shows the segment without any trace of the rubber band.
# The last picture put on the clipboard outlives the program, kept by the desktop's clipboard
# manager.
set -euo pipefail
source "$E2E_LIB"

work=$E2E_WORK
"$CLIPBOARD_KEEPER" 120 >"$work/keeper.log" 2>&1 &
for _ in $(seq 50); do grep -q ready "$work/keeper.log" && break; sleep 0.1; done
grep -q ready "$work/keeper.log" || fail "the clipboard manager did not start"
# Window coordinates of the controls (the client area starts below the title bar; the toolbar's
# 16-pixel icons sit in one row; the tools, two a row on the left, are found by their names).
toolbar_y=33
cut_x=193
copy_x=219
paste_x=244
place=$(control_place Opb_1)
read -r -a segment_tool <<<"$place"

convert -size 200x150 xc:'#3080c0' +antialias \
  -fill '#e0e020' -draw 'rectangle 20,20 80,60' \
  -fill '#c02020' -draw 'rectangle 120,90 170,140' "$work/picture.png"

start_velmor
win=$(wait_window '^Velmor') || fail "main window did not appear"
sleep 1
xdotool windowactivate --sync "$win" >/dev/null 2>&1 || true

click_at() {
  xdotool mousemove --window "$win" "$1" "$2"
  sleep 0.2
  xdotool click 1
  sleep 0.5
}



# Paste.
xclip -selection clipboard -t image/png -i "$work/picture.png" -quiet >/dev/null 2>&1 &
xclip_pid=$!
sleep 0.5
click_at "$paste_x" "$toolbar_y"
read -r canvas_x canvas_y canvas_w canvas_h < <(canvas_origin)
[ "$canvas_w" = 200 ] && [ "$canvas_h" = 150 ] ||
  fail "the pasted picture is not shown whole at 100 percent (${canvas_w}x${canvas_h})"

# A segment across the picture, dragged through a detour so that the rubber band moves.
click_at "${segment_tool[@]}"
drag_on_canvas 20 100 180 100
import -window root -crop "200x150+${canvas_x}+${canvas_y}" +repage "$work/shown.png"
convert "$work/picture.png" +antialias -fill black -draw 'rectangle 20,100 180,100' \
  "$work/expected_shown.png"
shown_diff=$(compare -metric AE "$work/shown.png" "$work/expected_shown.png" null: 2>&1 || true)
[ "$shown_diff" = 0 ] || fail "the canvas does not show the picture with the segment alone ($shown_diff pixels differ)"

# Copy: the picture as pasted, without the segment.
click_at "$copy_x" "$toolbar_y"
kill "$xclip_pid" 2>/dev/null || true
wait "$xclip_pid" 2>/dev/null || true
read_clipboard "$work/copied.png"
copy_diff=$(compare -metric AE "$work/picture.png" "$work/copied.png" null: 2>&1 || true)
[ "$copy_diff" = 0 ] || fail "the copy is not the pasted picture ($copy_diff pixels differ)"

# Cut a frame dragged from bottom-right to top-left across the segment.
click_at "$cut_x" "$toolbar_y"
drag_on_canvas 90 110 30 30
read_clipboard "$work/cut.png"
convert "$work/picture.png" -crop 60x80+30+30 +repage "$work/expected_cut.png"
cut_diff=$(compare -metric AE "$work/expected_cut.png" "$work/cut.png" null: 2>&1 || true)
[ "$cut_diff" = 0 ] || fail "the cut is not the framed part of the picture ($cut_diff pixels differ)"
import -window root -crop "200x150+${canvas_x}+${canvas_y}" +repage "$work/after_cut.png"
after_diff=$(compare -metric AE "$work/after_cut.png" "$work/expected_shown.png" null: 2>&1 || true)
[ "$after_diff" = 0 ] || fail "the cut changed the canvas ($after_diff pixels differ)"

xdotool windowactivate --sync "$win" key --clearmodifiers alt+F4
wait_exit "$VELMOR_PID"
read_clipboard "$work/kept.png"
kept_diff=$(compare -metric AE "$work/expected_cut.png" "$work/kept.png" null: 2>&1 || true)
[ "$kept_diff" = 0 ] || fail "the cut picture did not outlive the program ($kept_diff pixels differ)"
echo "draw and clipboard: ok"
