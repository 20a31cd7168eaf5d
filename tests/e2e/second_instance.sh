# A second copy of the program only shows the "二重起動" message and ends when it is closed;
# it opens no main window and leaves the running copy and VLM.INI alone.
set -euo pipefail
source "$E2E_LIB"

mkdir -p "$E2E_WORK/app"
: >"$E2E_WORK/prepared.ini"
for i in $(seq 1 100); do
  case $i in
    10) v=25 ;;
    15) v=10.5 ;;
    51) v=400 ;;
    77) v='"２つ目は触らない"' ;;
    *) v='' ;;
  esac
  printf '%s\r\n' "$v" | iconv -f UTF-8 -t CP932 >>"$E2E_WORK/prepared.ini"
done
cp "$E2E_WORK/prepared.ini" "$E2E_WORK/app/VLM.INI"

start_velmor
first_pid=$VELMOR_PID
first=$(wait_window '^Velmor') || fail "main window did not appear"
sleep 1

(cd "$VELMOR_DIR" && TMPDIR="$E2E_WORK/tmp" exec ./velmor >"$E2E_WORK/second.log" 2>&1) &
second_pid=$!
box=$(wait_window '^二重起動$') || fail "the second copy did not show the 二重起動 message"
sleep 0.5
count=$(xdotool search --onlyvisible --name '^Velmor' | wc -l)
[ "$count" = 1 ] || fail "the second copy opened a window of its own ($count Velmor windows)"
kill -0 "$second_pid" 2>/dev/null || fail "the second copy did not wait for the message"

xdotool windowactivate --sync "$box" key --clearmodifiers Return
wait_exit "$second_pid"
kill -0 "$first_pid" 2>/dev/null || fail "the running copy ended"
cmp "$E2E_WORK/prepared.ini" "$VELMOR_DIR/VLM.INI" || fail "the second copy touched VLM.INI"
[ "$(xdotool search --onlyvisible --name '^Velmor' | head -n 1)" = "$first" ] ||
  fail "the running copy's window went away"

# The running copy still works and writes its settings when closed.
xdotool windowactivate --sync "$first" key --clearmodifiers alt+F4
wait_exit "$first_pid"
ended_cleanly
slot() { iconv -f CP932 -t UTF-8 "$VELMOR_DIR/VLM.INI" | sed -n "${1}p" | tr -d '\r'; }
[ "$(slot 51)" = 400 ] && [ "$(slot 77)" = '"２つ目は触らない"' ] ||
  fail "the running copy lost settings at its close"
echo "second instance: ok"
