# The program as the package installed it, started as a user starts it from the menu: its main
# window comes up; closing it writes the settings into the user's folder, never into /usr/bin.
set -euo pipefail
source "$E2E_LIB"

home="$E2E_WORK/home"
mkdir -p "$home" "$E2E_WORK/tmp"
(cd "$home" && env -u XDG_CONFIG_HOME HOME="$home" TMPDIR="$E2E_WORK/tmp" \
  "$VELMOR_BIN" >"$E2E_WORK/velmor.log" 2>&1) &
VELMOR_PID=$!
win=$(wait_window '^Velmor$') ||
  fail "the installed program showed no main window: $(cat "$E2E_WORK/velmor.log")"
sleep 1
xdotool windowactivate --sync "$win" key --clearmodifiers alt+F4
wait_exit "$VELMOR_PID"
ended_cleanly
[ -s "$home/.config/Velmor/VLM.INI" ] || fail "no settings in ~/.config/Velmor/VLM.INI"
[ ! -e "$(dirname "$VELMOR_BIN")/VLM.INI" ] || fail "the installed program wrote VLM.INI beside itself"
echo "installed program: ok"
