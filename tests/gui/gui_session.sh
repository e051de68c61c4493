#!/usr/bin/env bash
# A session recorded in the window plays back headless to the very picture
# the window saved: panel settings, the colour chooser, a swatch, a path run
# animated by idle calls and a brush stroke, then Image Save and Session
# Save through the save dialog; seep-render replays the recording, and its
# Image Save must write the same bytes.
# Usage: gui_session.sh SEEP SEEP_RENDER SOURCE_DIR
# shellcheck source=gui_lib.sh
source "$(dirname "$0")/gui_lib.sh"

command -v zenity >/dev/null 2>&1 || skip "zenity is not installed"
start_gui_test "$@"
[ -x "$SEEP_RENDER" ] || fail "no renderer at $SEEP_RENDER"
H=$WINDOW_HEIGHT

# Values that are not round numbers, so the recording must carry floats
# exactly.
click_control "absorption" 1 0.37
click_control "deposition" 1 0.41

# The colour chooser, answered with a colour typed into it.
# shellcheck disable=SC2046
xdotool mousemove --window "$MAIN_WINDOW" $(tool_button_point colorButton) click 1
wait_for 30 xdotool search --name '^Select color$' || fail "the colour chooser did not open"
chooser=$(xdotool search --name '^Select color$' | head -n 1)
wait_for 10 xdotool windowfocus --sync "$chooser" || fail "cannot focus the colour chooser"
sleep 0.5
xdotool type --delay 20 '#2F6A8C'
xdotool key Return
sleep 0.5
read -r cw ch <<<"$(xdotool getwindowgeometry "$chooser" | awk '/Geometry:/ {split($2, s, "x"); print s[1], s[2]}')"
# Its "Select" button sits in the bottom-right corner.
xdotool mousemove --window "$chooser" $((cw - 50)) $((ch - 25)) click 1
wait_for 10 sh -c "! xdotool search --name '^Select color\$'" || fail "the colour chooser did not close"
sleep 0.5

drag 0.15 120,150 200,170 280,160 360,190
click_control "Start"
sleep 2

# A swatch, then a brush stroke in that colour.
xdotool mousemove --window "$MAIN_WINDOW" $(($(tool_strip_left) + 80 + 25)) $((H - 300)) click 1
click_control "Brush"
drag 0.3 200,330 240,330 280,340
sleep 1

click_control "Image Save"
answer_file_dialog "Save file as" "$GUI_WORK/window.png"
wait_for 20 grep -q "file saved: $GUI_WORK/window.png" "$GUI_WORK/painter.err" ||
    fail "Image Save wrote nothing"
mv "$GUI_WORK/window.png" "$GUI_WORK/window-saved.png"

click_control "Session Save"
answer_file_dialog "Save file as" "$GUI_WORK/session.json"
wait_for 20 grep -q "session saved: $GUI_WORK/session.json" "$GUI_WORK/painter.err" ||
    fail "Session Save wrote nothing"

# What the recording holds: the chooser's answer with its press, the
# seeds-free start, idle calls counted, and the save with its file.
session="$GUI_WORK/session.json"
grep -q '"rgb":\[47,106,140\]' "$session" || fail "the chooser's colour is not recorded"
grep -q '"do":"idle","count":' "$session" || fail "no idle calls are recorded"
grep -q "\"name\":\"Image Save\",\"file\":\"$GUI_WORK/window.png\"" "$session" ||
    fail "Image Save is not recorded with its file"

# Played back from where the painter ran (it finds the same pictures there),
# the recording's Image Save writes the picture again: the dialog's answer is
# an absolute path, which only one's own sessions may write to.
(cd "$SEEP_SOURCE_DIR" && "$SEEP_RENDER" "$session" --saves-anywhere -o "$GUI_WORK/final.png") \
    >"$GUI_WORK/render.out" 2>"$GUI_WORK/render.err" || fail "seep-render failed: $(tail -n 3 "$GUI_WORK/render.err")"
[ -f "$GUI_WORK/window.png" ] || fail "the playback did not save the picture"
cmp "$GUI_WORK/window-saved.png" "$GUI_WORK/window.png" ||
    fail "the played-back picture differs from the one the window saved"
echo "PASS"
