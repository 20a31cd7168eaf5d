# The command line: --help and --version without a display; a mistake ends with code 2; --batch
# stamps a folder without a window, names each file it could not do and ends with code 1 then;
# --capture rect starts straight into the fixed-rectangle capture; a second copy asked to open a
# file or take a capture hands it to the running copy; with the program's folder read-only the settings go to the
# user's configuration folder.
set -euo pipefail
source "$E2E_LIB"

pictures="$E2E_WORK/pictures"
mkdir -p "$pictures" "$E2E_WORK/tmp"

out=$(env -u DISPLAY "$VELMOR_BIN" --version) || fail "--version did not end with 0"
[ "$out" = "Velmor 1.0.3" ] || fail "--version printed '$out'"
env -u DISPLAY "$VELMOR_BIN" --help >"$E2E_WORK/help.txt" || fail "--help did not end with 0"
for word in --capture --delay --batch FILE; do
  grep -q -- "$word" "$E2E_WORK/help.txt" || fail "--help does not tell of $word"
done
rc=0
"$VELMOR_BIN" --capture everything 2>"$E2E_WORK/mistake.txt" || rc=$?
[ "$rc" = 2 ] && [ -s "$E2E_WORK/mistake.txt" ] || fail "a wrong --capture ended with $rc"

# Settings: the fixed rectangle centred on (400, 300), 200 x 100; the stamp's font; quality 90.
mkdir -p "$E2E_WORK/app"
for i in $(seq 1 100); do
  case $i in
    14) v='"IPAGothic"' ;; 15) v=12 ;; 21) v='"べた塗"' ;; 34) v=90 ;;
    51) v=400 ;; 52) v=300 ;; 53) v=200 ;; 54) v=100 ;; *) v='' ;;
  esac
  printf '%s\r\n' "$v" | iconv -f UTF-8 -t CP932
done >"$E2E_WORK/app/VLM.INI"
cp "$E2E_WORK/app/VLM.INI" "$E2E_WORK/prepared.ini"
cp "$VELMOR_BIN" "$E2E_WORK/app/velmor"

# --batch: the naming rules, a file without "-" skipped, files of other kinds left alone.
batch="$E2E_WORK/batch"
mkdir -p "$batch"
convert -size 160x120 xc:skyblue "$batch/ABC-123.jpg"
convert -size 90x60 xc:khaki "$batch/ABC-12-3.JPG"
convert -size 80x80 xc:pink "$batch/x-1.bmp"
convert -size 50x50 xc:gray "$batch/nodash.png"
echo text >"$batch/readme"
run_batch() {  # run_batch ENV... : the batch from the program's folder, code in rc
  rc=0
  (cd "$E2E_WORK/app" && env "$@" TMPDIR="$E2E_WORK/tmp" ./velmor --batch ../batch \
    >"$E2E_WORK/batch.out" 2>"$E2E_WORK/batch.err") || rc=$?
}
run_batch
[ "$rc" = 1 ] || fail "a batch with a skipped file ended with $rc, not 1"
[ "$(identify -format '%m %wx%h' "$batch/ABC/123.jpg")" = "JPEG 160x120" ] ||
  fail "ABC-123.jpg was not written as ABC/123.jpg"
[ "$(identify -format '%m %wx%h' "$batch/ABC/12-3.JPG")" = "JPEG 90x60" ] ||
  fail "ABC-12-3.JPG was not written as ABC/12-3.JPG"
[ "$(identify -format '%m' "$batch/x/1.bmp")" = "JPEG" ] ||
  fail "x-1.bmp was not written through the JPEG writer as x/1.bmp"
grep -q '^nodash.png : ' "$E2E_WORK/batch.out" || fail "the skipped file has no line of its own"
[ "$(grep -c ' : ' "$E2E_WORK/batch.out")" = 1 ] || fail "more than the one file reported skipped"
tail -n 1 "$E2E_WORK/batch.out" | grep -q '^3 個のﾌｧｲﾙを保存しました。1 個' ||
  fail "the summary is '$(tail -n 1 "$E2E_WORK/batch.out")'"
# The stamp is on the copy: its centre is no longer the plain colour.
convert "$batch/ABC/123.jpg" -crop 40x20+100+35 +repage -format '%[fx:standard_deviation]' \
  info: | awk '{exit !($1 > 0.05)}' || fail "the copy of ABC-123.jpg carries no stamp"
cmp -s "$E2E_WORK/prepared.ini" "$E2E_WORK/app/VLM.INI" || fail "the batch wrote VLM.INI"
# Without the bad file, and without any display at all, the batch ends with 0.
rm "$batch/nodash.png"
run_batch -u DISPLAY
[ "$rc" = 0 ] || fail "a batch without a skipped file ended with $rc: $(cat "$E2E_WORK/batch.err")"

# --capture rect brings the screen area (300, 250) to (500, 350) without a click.
unique_pixels_picture 1280 1024 "$pictures/screen.png"
display -window root "$pictures/screen.png" || true
convert "$pictures/screen.png" -crop 200x100+300+250 +repage "$pictures/rectangle-expected.png"
start_velmor --capture rect
wait_window '^Velmor' >/dev/null || fail "main window did not appear"
# Shown, hidden for the capture (up to 1.5 s of waiting), shown again with the new picture.
sleep 3
win=$(wait_window '^Velmor') || fail "the main window did not come back after the capture"
canvas_picture "$pictures/rectangle.png"
same_pixels "$pictures/rectangle.png" "$pictures/rectangle-expected.png" ||
  fail "--capture rect did not bring the screen area (300, 250) to (500, 350)"

# A second copy asked to open a file (a relative name) hands it over and ends.
other_window_picture "$pictures/other.png"
second_rc=0
(cd "$pictures" && TMPDIR="$E2E_WORK/tmp" timeout 10 "$VELMOR_DIR/velmor" other.png \
  >"$E2E_WORK/second.log" 2>&1) || second_rc=$?
[ "$second_rc" = 0 ] || fail "the second copy ended with $second_rc"
! xdotool search --onlyvisible --name '^二重起動$' >/dev/null 2>&1 ||
  fail "the second copy showed the 二重起動 message instead of handing the file over"
win=$(wait_window '^Velmor  other.png$') || fail "the running copy did not open the file"
sleep 0.5
canvas_picture "$pictures/opened.png"
same_pixels "$pictures/opened.png" "$pictures/other.png" ||
  fail "the running copy's canvas does not show the handed-over file"

# A second copy asked for a capture hands that over too: the running copy takes the rectangle.
second_rc=0
(cd "$VELMOR_DIR" && TMPDIR="$E2E_WORK/tmp" timeout 10 ./velmor --capture rect \
  >"$E2E_WORK/second.log" 2>&1) || second_rc=$?
[ "$second_rc" = 0 ] || fail "the second copy asked for a capture ended with $second_rc"
sleep 3
win=$(wait_window '^Velmor') || fail "the main window did not come back after the capture"
canvas_picture "$pictures/handed-rectangle.png"
same_pixels "$pictures/handed-rectangle.png" "$pictures/rectangle-expected.png" ||
  fail "the running copy did not take the capture a second copy asked for"
xdotool windowactivate --sync "$win" key --clearmodifiers alt+F4
wait_exit "$VELMOR_PID"
ended_cleanly

# The program's folder read-only: the settings go to $XDG_CONFIG_HOME/Velmor, made at the exit.
cp "$VELMOR_DIR/VLM.INI" "$E2E_WORK/beside.ini"
chmod 555 "$VELMOR_DIR"
(cd "$VELMOR_DIR" && XDG_CONFIG_HOME="$E2E_WORK/config" TMPDIR="$E2E_WORK/tmp" \
  exec ./velmor >"$E2E_WORK/velmor.log" 2>&1) &
VELMOR_PID=$!
win=$(wait_window '^Velmor') || fail "main window did not appear from a read-only folder"
sleep 1
[ ! -e "$E2E_WORK/config/Velmor/VLM.INI" ] || fail "the settings file was made before the exit"
xdotool windowactivate --sync "$win" key --clearmodifiers alt+F4
wait_exit "$VELMOR_PID"
chmod 755 "$VELMOR_DIR"
[ "$(sed -n 10p "$E2E_WORK/config/Velmor/VLM.INI" | tr -d '\r')" = 25 ] ||
  fail "no first-start settings in \$XDG_CONFIG_HOME/Velmor/VLM.INI"
cmp -s "$E2E_WORK/beside.ini" "$VELMOR_DIR/VLM.INI" || fail "VLM.INI beside the program changed"
echo "command line: ok"
