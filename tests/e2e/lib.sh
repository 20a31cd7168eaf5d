# Helpers for end-to-end scenarios: start the program from its own folder, find its windows,
# drive it with xdotool, and fail with a message.
fail() {
  echo "FAIL: $*" >&2
  # What the program printed and which windows were up, for a failure seen only in CI.
  if [ -s "${E2E_WORK:-}/velmor.log" ]; then
    echo "--- the program's output:" >&2
    tail -n 20 "$E2E_WORK/velmor.log" >&2
  fi
  if [ -n "${DISPLAY:-}" ] && command -v xdotool >/dev/null; then
    echo "--- visible windows:" >&2
    for w in $(xdotool search --onlyvisible --name '.' 2>/dev/null); do
      echo "$w $(xdotool getwindowname "$w" 2>/dev/null)" >&2
    done
  fi
  exit 1
}

# Copies the program into a folder of its own (it keeps VLM.INI beside itself) and starts it
# with the given arguments. Sets VELMOR_DIR and VELMOR_PID.
start_velmor() {
  VELMOR_DIR="$E2E_WORK/app"
  mkdir -p "$VELMOR_DIR"
  cp "$VELMOR_BIN" "$VELMOR_DIR/velmor"
  # The scenarios start from empty settings unless they bring their own, not first-start ones.
  [ -e "$VELMOR_DIR/VLM.INI" ] || : >"$VELMOR_DIR/VLM.INI"
  mkdir -p "$E2E_WORK/tmp"
  (cd "$VELMOR_DIR" && TMPDIR="$E2E_WORK/tmp" exec ./velmor "$@" >"$E2E_WORK/velmor.log" 2>&1) &
  VELMOR_PID=$!
}

# Fails when the program ended without its own teardown (which hands the clipboard to the
# desktop and lets go of the single-instance lock).
ended_cleanly() {
  ! compgen -G "$E2E_WORK/tmp/velmor-*.lock" >/dev/null ||
    fail "the program ended without its teardown (its lock file is left)"
}

# control_place NAME: "x y", the centre of the main window's control of that objectName in the
# window's own pixels (menu bar included), as the window lays it out.
control_place() {
  [ -n "${CONTROL_PLACE:-}" ] || fail "CONTROL_PLACE is not set"
  "$CONTROL_PLACE" "$1" || fail "no control $1 on the main window"
}

# Prints the id of the first visible window whose title matches, waiting up to 10 s.
wait_window() {
  local pattern=$1 id=""
  for _ in $(seq 100); do
    id=$(xdotool search --onlyvisible --name "$pattern" 2>/dev/null | head -n 1 || true)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}

# Waits up to 10 s for a process to end; fails when it does not.
wait_exit() {
  local pid=$1
  for _ in $(seq 100); do
    kill -0 "$pid" 2>/dev/null || return 0
    sleep 0.1
  done
  fail "process $pid did not end"
}

# Waits up to 10 s until no visible window's title matches.
wait_gone() {
  for _ in $(seq 100); do
    xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 || return 0
    sleep 0.1
  done
  return 1
}

# same_pixels A B: the two pictures are pixel for pixel the same.
same_pixels() {
  local diff
  diff=$(compare -metric AE "$1" "$2" null: 2>&1) || true
  [ "$diff" = "0" ]
}

# unique_pixels_picture W H OUT: a picture in which every pixel differs from every other:
# red = x mod 256, green = y mod 256, blue tells the 256-pixel blocks apart.
unique_pixels_picture() {
  local w=$1 h=$2 out=$3
  local bx=$(((w + 255) / 256)) by=$(((h + 255) / 256))
  local step=$((240 / (bx * by)))
  convert \( -size 1x256 gradient:black-white -rotate -90 -write mpr:h +delete \
             -size "${w}x${h}" tile:mpr:h \) \
          \( -size 1x256 gradient:black-white -write mpr:v +delete -size "${w}x${h}" tile:mpr:v \) \
          \( -size "${bx}x${by}" xc: -fx "(i+${bx}*j)*${step}/255+7/255" -sample "${w}x${h}!" \) \
          -colorspace gray -set colorspace sRGB -combine -depth 8 "$out"
}

# other_window_picture OUT: what another program's window shows in the capture scenarios.
other_window_picture() {
  convert -size 160x120 gradient:yellow-purple +antialias -fill navy -draw "circle 80,60 80,20" \
    -depth 8 "$1"
}

# show_other_window X Y PNG: another program's window at (X, Y) showing PNG (titled "other");
# it is closed when the scenario ends.
show_other_window() {
  display -geometry "+$1+$2" -title other "$3" &
  other_pid=$!
  trap 'kill "$other_pid" 2>/dev/null || true' EXIT
  wait_window '^other$' >/dev/null || fail "the other program's window did not appear"
}

# away_and_back WHAT: the main window hides for a capture and comes back (sets win).
away_and_back() {
  wait_gone '^Velmor' || fail "the main window did not hide for $1"
  win=$(wait_window '^Velmor') || fail "the main window did not come back after $1"
  sleep 0.5
}

# canvas_picture PNG: the canvas's picture through コピー (toolbar button 12 of window $win; the
# controls are ui_scale times their size when the desktop is scaled).
canvas_picture() {
  printf 'not a picture' | xclip -selection clipboard
  sleep 0.2
  xdotool mousemove --window "$win" $((219 * ${ui_scale:-1})) $((32 * ${ui_scale:-1})) click 1
  sleep 0.5
  xclip -selection clipboard -t image/png -o >"$1" 2>/dev/null || fail "コピー put no picture"
}

# Where a picture with a #3080c0 background shows on the screen: "x y width height".
canvas_origin() {
  import -window root "$E2E_WORK/screen.png"
  convert "$E2E_WORK/screen.png" -fill black +opaque '#3080c0' -trim -format '%X %Y %w %h\n' info: |
    tr -d '+'
}

# drag_on_canvas X1 Y1 X2 Y2: a left drag in canvas pixels (canvas_x, canvas_y from
# canvas_origin), through a point off the straight line so the rubber band moves.
drag_on_canvas() {
  local x1=$((canvas_x + $1)) y1=$((canvas_y + $2)) x2=$((canvas_x + $3)) y2=$((canvas_y + $4))
  xdotool mousemove "$x1" "$y1"
  sleep 0.2
  xdotool mousedown 1
  sleep 0.2
  xdotool mousemove $(((x1 + x2) / 2)) $(((y1 + y2) / 2 + 15))
  sleep 0.2
  xdotool mousemove "$x2" "$y2"
  sleep 0.3
  xdotool mouseup 1
  sleep 0.5
}

read_clipboard() {
  xclip -selection clipboard -t image/png -o >"$1" || fail "no picture on the clipboard"
}
