# Captures on a desktop of two monitors: 矩形 brings exactly the desktop pixels of the settings'
# rectangle on either monitor, cut at the desktop's edge and black where it falls on no monitor;
# ｱｸﾃｨﾌﾞ画面 brings another program's window from the monitor that is not at (0, 0).
# Needs a 2560 x 1024 screen (E2E_SCREEN).
set -euo pipefail
source "$E2E_LIB"

# A left monitor of 1280 x 1024 and the primary one of 1280 x 768 to its right: the primary
# monitor is not at (0, 0), and the strip below it lies on neither.
output=$(xrandr | awk '/ connected/ {print $1; exit}')
xrandr --setmonitor left 1280/338x1024/271+0+0 none >/dev/null 2>&1
xrandr --setmonitor right 1280/338x768/203+1280+0 "$output" >/dev/null 2>&1
xrandr --output "$output" --primary
[ "$(xrandr --listmonitors | head -n 1)" = "Monitors: 2" ] || fail "the desktop has not two monitors"

pictures="$E2E_WORK/pictures"
mkdir -p "$pictures"
unique_pixels_picture 2560 1024 "$pictures/desktop.png"
display -window root "$pictures/desktop.png" || true

other_window_picture "$pictures/other.png"
show_other_window 1700 450 "$pictures/other.png"
eval "$(xwininfo -name other | awk -F: '/Absolute upper-left X/ {print "ox=" $2+0}')"
[ "$ox" -ge 1280 ] || fail "the other program's window is not on the right monitor (x = $ox)"

open_velmor() {  # open_velmor CX CY DX DY: starts the program with this fixed rectangle
  mkdir -p "$E2E_WORK/app"
  for i in $(seq 1 100); do
    case $i in 51) v=$1 ;; 52) v=$2 ;; 53) v=$3 ;; 54) v=$4 ;; *) v='' ;; esac
    printf '%s\r\n' "$v"
  done >"$E2E_WORK/app/VLM.INI"
  start_velmor
  win=$(wait_window '^Velmor') || fail "main window did not appear"
  sleep 1
}

close_velmor() {
  xdotool windowactivate --sync "$win" key --clearmodifiers alt+F4
  wait_exit "$VELMOR_PID"
}

rectangle() {  # rectangle CX CY DX DY PNG: 矩形 at the bottom of the tool strip, then the canvas
  open_velmor "$1" "$2" "$3" "$4"
  place=$(control_place Command5)
  read -r rect_x rect_y <<<"$place"
  xdotool mousemove --window "$win" "$rect_x" "$rect_y" click 1
  away_and_back 矩形
  canvas_picture "$5"
  close_velmor
}

# On the left monitor, which is not the primary one: (300, 250) to (500, 350).
rectangle 400 300 200 100 "$pictures/left.png"
convert "$pictures/desktop.png" -crop 200x100+300+250 +repage "$pictures/left-expected.png"
same_pixels "$pictures/left.png" "$pictures/left-expected.png" ||
  fail "矩形 on the left monitor did not bring the desktop area (300, 250) to (500, 350)"

# Over the right edge of the primary monitor: (2400, 250) to (2600, 350) at its full size, black
# from the desktop's edge (x 2560) on.
rectangle 2500 300 200 100 "$pictures/right.png"
convert "$pictures/desktop.png" -crop 160x100+2400+250 +repage -background black \
  -extent 200x100 "$pictures/right-expected.png"
same_pixels "$pictures/right.png" "$pictures/right-expected.png" ||
  fail "矩形 over the right edge did not bring (2400, 250) to (2600, 350), black past the edge"

# Across both monitors and the strip below the primary one: (1180, 710) to (1380, 810), black
# from (1280, 768) on.
rectangle 1280 760 200 100 "$pictures/across.png"
convert "$pictures/desktop.png" -crop 200x100+1180+710 +repage -fill black \
  -draw "rectangle 100,58 199,99" "$pictures/across-expected.png"
same_pixels "$pictures/across.png" "$pictures/across-expected.png" ||
  fail "矩形 across the monitors did not bring the desktop area with the strip off them black"

# Active window: once Velmor is minimised the other program's window is active.
open_velmor 400 300 200 100
xdotool mousemove --window "$win" 300 32 click 1
sleep 0.3
xdotool mousemove --window "$win" 275 32 click 1
away_and_back "the active-window capture"
canvas_picture "$pictures/active.png"
read -r aw ah <<<"$(identify -format '%w %h' "$pictures/active.png")"
[ "$aw" -gt 160 ] && [ "$ah" -gt 120 ] && [ "$aw" -lt 200 ] && [ "$ah" -lt 180 ] ||
  fail "the active-window capture is $aw x $ah, not the other window with its frame"
found=$(compare -metric AE -subimage-search "$pictures/active.png" "$pictures/other.png" \
  null: 2>&1 | awk '{print $1}') || true
[ "$found" = "0" ] || fail "the active-window capture does not show the other window"
close_velmor
echo "multi monitor: ok"
