# Helpers for the scenarios on headless sway (beside lib.sh): find windows in sway's layout
# tree, drive the pointer through sway's seat, read the screen with grim. Coordinates are
# sway's layout units (device pixels divided by the output's scale).

# sway_window TITLE_REGEX: "x y w h" of the window's content (without title bar and border),
# empty when no window's title matches.
sway_window() {
  swaymsg -t get_tree | python3 -c '
import json, re, sys
pattern = re.compile(sys.argv[1])
def walk(node):
    if node.get("pid") and pattern.search(node.get("name") or ""):
        r, w = node["rect"], node["window_rect"]
        print(r["x"] + w["x"], r["y"] + w["y"], w["width"], w["height"])
        sys.exit(0)
    for child in node.get("nodes", []) + node.get("floating_nodes", []):
        walk(child)
walk(json.load(sys.stdin))' "$1"
}

# sway_frame TITLE_REGEX: "x y w h" of the window with its title bar and border.
sway_frame() {
  swaymsg -t get_tree | python3 -c '
import json, re, sys
pattern = re.compile(sys.argv[1])
def walk(node):
    if node.get("pid") and pattern.search(node.get("name") or ""):
        r = node["rect"]
        print(r["x"], r["y"], r["width"], r["height"])
        sys.exit(0)
    for child in node.get("nodes", []) + node.get("floating_nodes", []):
        walk(child)
walk(json.load(sys.stdin))' "$1"
}

# wait_sway_window TITLE_REGEX: prints its content rectangle, waiting up to 10 s.
wait_sway_window() {
  local r=""
  for _ in $(seq 100); do
    r=$(sway_window "$1")
    [ -n "$r" ] && { echo "$r"; return 0; }
    sleep 0.1
  done
  return 1
}

# wait_sway_gone TITLE_REGEX: waits up to 10 s until no window's title matches.
wait_sway_gone() {
  for _ in $(seq 100); do
    [ -z "$(sway_window "$1")" ] && return 0
    sleep 0.1
  done
  return 1
}

# The session has no input devices: a virtual pointer stands in for the mouse.
start_pointer() {
  local size
  size=$(swaymsg -t get_tree | python3 -c '
import json, sys
r = json.load(sys.stdin)["rect"]
print(r["width"], r["height"])')
  pointer_fifo="$E2E_WORK/pointer"
  mkfifo "$pointer_fifo"
  # shellcheck disable=SC2086
  python3 "$(dirname "$E2E_SWAY_LIB")/virtual_pointer.py" "$pointer_fifo" $size \
    >"$E2E_WORK/pointer.log" 2>&1 &
  picture_pids+=($!)
  for _ in $(seq 50); do grep -qs ready "$E2E_WORK/pointer.log" && return 0; sleep 0.1; done
  cat "$E2E_WORK/pointer.log" >&2
  fail "the virtual pointer did not start"
}
pointer_to() { echo "move $1 $2" >"$pointer_fifo"; }
pointer_press() { echo down >"$pointer_fifo"; }
pointer_release() { echo up >"$pointer_fifo"; }

# click_at X Y: a left click at a point of the layout.
click_at() {
  pointer_to "$1" "$2"
  sleep 0.2
  pointer_press
  sleep 0.1
  pointer_release
  sleep 0.3
}

# drag X1 Y1 X2 Y2: the left button held from one point of the layout to another.
drag() {
  pointer_to "$1" "$2"
  sleep 0.2
  pointer_press
  sleep 0.2
  pointer_to $((($1 + $3) / 2)) $((($2 + $4) / 2))
  sleep 0.2
  pointer_to "$3" "$4"
  sleep 0.2
  pointer_release
}

# Starts the other program's window showing PNG under TITLE; it ends with the scenario.
show_picture_window() {
  "$PICTURE_WINDOW" "$1" "$2" >"$E2E_WORK/picture-$2.log" 2>&1 &
  picture_pids+=($!)
  wait_sway_window "^$2\$" >/dev/null || fail "the window $2 did not appear"
}
picture_pids=()
trap 'for p in "${picture_pids[@]}"; do kill "$p" 2>/dev/null || true; done' EXIT
start_pointer

# The main window's controls, in its client area (as on X11: menu bar, then the toolbar).
velmor_click() {  # velmor_click X Y
  local x y w h
  read -r x y w h <<<"$(sway_window '^Velmor')"
  [ -n "$x" ] || fail "the main window is not there"
  click_at $((x + $1)) $((y + $2))
}

# velmor_canvas PNG: the canvas's picture through コピー, read with wl-paste.
velmor_canvas() {
  printf 'not a picture' | wl-copy
  sleep 0.3
  velmor_click 219 32
  sleep 0.5
  wl-paste --type image/png >"$1" 2>/dev/null || fail "コピー put no picture"
}
