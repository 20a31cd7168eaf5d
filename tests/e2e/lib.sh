# Helpers for end-to-end scenarios: start the program from its own folder, find its windows,
# drive it with xdotool, and fail with a message.
fail() { echo "FAIL: $*" >&2; exit 1; }

# Copies the program into a folder of its own (it keeps VLM.INI beside itself) and starts it.
# Sets VELMOR_DIR and VELMOR_PID.
start_velmor() {
  VELMOR_DIR="$E2E_WORK/app"
  mkdir -p "$VELMOR_DIR"
  cp "$VELMOR_BIN" "$VELMOR_DIR/velmor"
  # The scenarios start from empty settings unless they bring their own, not first-start ones.
  [ -e "$VELMOR_DIR/VLM.INI" ] || : >"$VELMOR_DIR/VLM.INI"
  mkdir -p "$E2E_WORK/tmp"
  (cd "$VELMOR_DIR" && TMPDIR="$E2E_WORK/tmp" exec ./velmor >"$E2E_WORK/velmor.log" 2>&1) &
  VELMOR_PID=$!
}

# Fails when the program ended without its own teardown (which hands the clipboard to the
# desktop and lets go of the single-instance lock).
ended_cleanly() {
  ! compgen -G "$E2E_WORK/tmp/velmor-*.lock" >/dev/null ||
    fail "the program ended without its teardown (its lock file is left)"
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
