#!/usr/bin/env bash
# The painter starts on the default canvas with its tool strip and control
# panel; a swatch click changes the colour well; "q" ends it with status 0.
# Usage: gui_startup.sh SEEP SEEP_RENDER SOURCE_DIR
# shellcheck source=gui_lib.sh
source "$(dirname "$0")/gui_lib.sh"

start_gui_test "$@"

# default.bmp is 512 x 512, shown at one window pixel per canvas pixel with
# the tool strip and the panel beside it, in a window at least as high as
# the panel.
W=$((512 + $(layout_number besideCanvas)))
H=$(layout_number minimumWindowHeight)
H=$((H > 512 ? H : 512))
size="$(window_width)x$(window_height)"
[ "$size" = "${W}x${H}" ] || fail "the window is $size, not ${W}x${H} for the 512x512 canvas"
STRIP=$(tool_strip_left)

shot "$GUI_WORK/start.png"

# The canvas area shows default.bmp at one window pixel per canvas pixel.
convert "$SEEP_SOURCE_DIR/images/default.bmp" "$GUI_WORK/default.png"
differing=$(changed_pixels "$GUI_WORK/start.png" "$GUI_WORK/default.png" 512x512+0+0 2)
[ "$differing" -le 20 ] || fail "the canvas area differs from default.bmp in $differing pixels"

# The 14 swatches, in their colours (bytes of the table's colours), each
# sampled at its centre: window x = STRIP + x + 25, row = H - 1 - (y + 12).
swatches="12 437 255,255,255
80 437 0,0,0
12 387 102,102,102
80 387 141,57,39
12 337 111,45,33
80 337 102,65,52
12 287 184,134,11
80 287 139,69,19
12 237 172,196,222
80 237 108,141,155
12 187 128,128,0
80 187 114,112,45
12 137 95,131,109
80 137 72,61,139"
while read -r x y expected; do
    got=$(pixel "$GUI_WORK/start.png" $((STRIP + x + 25)) $((H - 1 - y - 12)))
    [ "$got" = "$expected" ] || fail "swatch at ($x, $y) shows $got, not $expected"
done <<<"$swatches"

# The colour well starts black; the two button pictures are drawn.
well_x=$((STRIP + $(layout_number colorWellOffset) + $(layout_number colorWellWidth) / 2))
well_y=$((H - 1 - $(layout_number colorWellBottom) - $(layout_number colorWellHeight) / 2))
[ "$(pixel "$GUI_WORK/start.png" $well_x $well_y)" = "0,0,0" ] || fail "the colour well is not black"
for button in colorButton eyedropperButton; do
    read -r bx by <<<"$(tool_button_point $button)"
    colours=$(convert "$GUI_WORK/start.png" -crop "32x32+$((bx - 16))+$((by - 16))" -format %k info:)
    [ "$colours" -ge 4 ] || fail "no $button picture at x = $((bx - 16)) ($colours colours)"
done

# The panel is drawn (text, frames, sliders), and lists every control.
PW=$(layout_number panelWidth)
PH=$(layout_number panelHeight)
panel_colours=$(convert "$GUI_WORK/start.png" -crop "${PW}x${PH}+$((W - PW))+$((H - PH))" -format %k info:)
[ "$panel_colours" -ge 20 ] || fail "the panel shows only $panel_colours colours"
for label in "Image Open" "Image Save" "Particles Position" "Simulation Area" \
    "Perspective Lines" "Brush" "Reset" "Particles" "Deposition" "Instant Result" "Gravity" \
    "Start" "Undo" "Init" "particles" "mass" "absorption" "roughness" "deposition" \
    "Session Save"; do
    control_point "$label" >/dev/null || fail "the panel has no '$label'"
done
# Where --list-controls puts "Start" the panel draws a button: tinted, unlike
# the panel's neutral grey.
read -r sx sy <<<"$(control_point Start)"
IFS=, read -r r g b <<<"$(pixel "$GUI_WORK/start.png" $((sx - 30)) "$sy")"
[ $((b - r)) -ge 30 ] || fail "no button where 'Start' is listed ($r,$g,$b)"

# A click on the fourth swatch (0.552, 0.223, 0.152) paints the well with it.
well_shows() {
    shot "$GUI_WORK/well.png"
    [ "$(pixel "$GUI_WORK/well.png" $well_x $well_y)" = "$1" ]
}
xdotool mousemove --window "$MAIN_WINDOW" $((STRIP + 80 + 25)) $((H - 400)) click 1
wait_for 10 well_shows 141,57,39 || fail "the colour well did not take the swatch's colour"

# The eyedropper picks the colour under the pointer (at window row
# H - y, as the painter has always read it) into the well, and prints it.
# shellcheck disable=SC2046
xdotool mousemove --window "$MAIN_WINDOW" $(tool_button_point eyedropperButton) click 1
sleep 0.5
shot "$GUI_WORK/eyedropper.png"
picked=$(pixel "$GUI_WORK/eyedropper.png" 123 233)
lines_before=$(wc -l <"$GUI_WORK/painter.out")
xdotool mousemove --window "$MAIN_WINDOW" 123 234 click 1
wait_for 10 well_shows "$picked" || fail "the eyedropper did not pick $picked into the well"
tail -n +$((lines_before + 1)) "$GUI_WORK/painter.out" | grep -Eq '^[0-9.]+, [0-9.]+, [0-9.]+$' ||
    fail "the eyedropper did not print the colour it picked"
# shellcheck disable=SC2046
xdotool mousemove --window "$MAIN_WINDOW" $(tool_button_point eyedropperButton) click 1

# "q" over the canvas ends the painter with status 0.
xdotool mousemove --window "$MAIN_WINDOW" 200 200
xdotool key q
status=0
wait_for 20 sh -c "! kill -0 $PAINTER_PID" || fail "the painter did not end on q"
wait "$PAINTER_PID" || status=$?
PAINTER_PID=""
[ "$status" -eq 0 ] || fail "the painter ended with status $status"
echo "PASS"
