# The program started on a prepared VLM.INI and closed as a user closes a window writes the
# same file back, byte for byte; a setting changed through the panel reaches the file.
set -euo pipefail
source "$E2E_LIB"

write_ini() {
  local out=$1 zoom=$2
  : >"$out"
  for i in $(seq 1 100); do
    case $i in
      10) v=$zoom ;;
      11) v='"点線"' ;;
      12) v=3 ;;
      13) v=255 ;;
      14) v='"IPAGothic"' ;;
      15) v=10.5 ;;
      16) v='#TRUE#' ;;
      17) v='#FALSE#' ;;
      18) v=65280 ;;
      20) v='"1.4"' ;;
      21) v='"横線"' ;;
      22) v=1 ;;
      23) v='"-12.5"' ;;
      24) v=2 ;;
      34) v=90 ;;
      77) v='"kept as it was"' ;;
      *) v='' ;;
    esac
    printf '%s\r\n' "$v" | iconv -f UTF-8 -t CP932 >>"$out"
  done
}

start_velmor_with() {
  mkdir -p "$E2E_WORK/app"
  cp "$1" "$E2E_WORK/app/VLM.INI"
  start_velmor
}

write_ini "$E2E_WORK/prepared.ini" 25
start_velmor_with "$E2E_WORK/prepared.ini"
win=$(wait_window '^Velmor') || fail "main window did not appear"
sleep 1
xdotool windowactivate --sync "$win" key --clearmodifiers alt+F4
wait_exit "$VELMOR_PID"
ended_cleanly
cmp "$E2E_WORK/prepared.ini" "$VELMOR_DIR/VLM.INI" || fail "VLM.INI changed on a plain start and close"

# Typing a zoom step of 40 into its box is saved at exit.
start_velmor
win=$(wait_window '^Velmor') || fail "main window did not appear the second time"
sleep 1
# Text1 sits right of the label 拡大率 in the attribute strip below the toolbar.
xdotool windowactivate --sync "$win"
xdotool mousemove --window "$win" 70 62 click --repeat 3 1 key ctrl+a type 40
sleep 0.3
xdotool key --clearmodifiers alt+F4
wait_exit "$VELMOR_PID"
ended_cleanly
write_ini "$E2E_WORK/expected.ini" 40
cmp "$E2E_WORK/expected.ini" "$VELMOR_DIR/VLM.INI" || {
  iconv -f CP932 -t UTF-8 "$VELMOR_DIR/VLM.INI" | head -n 12 >&2
  fail "the typed zoom step was not saved"
}
echo "settings round trip: ok"
