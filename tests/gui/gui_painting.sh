#!/usr/bin/env bash
# Painting in the window: a brush stroke leaves paint on the canvas, and an
# Instant Result run along a drawn path completes with its progress lines.
# Usage: gui_painting.sh SEEP SEEP_RENDER SOURCE_DIR
# shellcheck source=gui_lib.sh
source "$(dirname "$0")/gui_lib.sh"

start_gui_test "$@"

# Brush, with the most pigment the panel allows (the right end of the
# Deposition Amount scrollbar), so the stroke shows at once.
click_control "Brush"
click_control "deposition" 1 0.999
shot "$GUI_WORK/before-brush.png"
drag 0.4 150,200 190,200 230,200 270,200 310,200
# The pigment settles over the next steps: polled, for a loaded machine.
brush_painted() {
    shot "$GUI_WORK/after-brush.png"
    changed=$(changed_pixels "$GUI_WORK/before-brush.png" "$GUI_WORK/after-brush.png" \
        260x140+100+170 10)
    # Darker, not just different: pigment, not the brush's marker.
    darker=$(convert "$GUI_WORK/before-brush.png" "$GUI_WORK/after-brush.png" \
        -crop 260x140+100+170 +repage -compose minus_src -composite -threshold 15% \
        -format '%[fx:int(mean*w*h)]' info:)
    [ "$changed" -ge 30 ] && [ "$darker" -ge 20 ]
}
wait_for 30 brush_painted ||
    fail "the brush stroke left no visible paint ($changed pixels changed, $darker darker)"

# Instant Result along a path: the whole run happens in slices while the
# window stays responsive, and the console shows its progress.
click_control "Particles Position"
click_control "Instant Result"
drag 0.1 100,400 160,410 220,420 280,430 340,440
click_control "Start"
wait_for 120 grep -q '^simlation time: ' "$GUI_WORK/painter.out" ||
    fail "the Instant Result run did not finish"
painter_alive || fail "the painter ended during the run"

percents=$(sed -n '/^simlation time: /q; p' "$GUI_WORK/painter.out")
[ -n "$percents" ] || fail "the run wrote no progress lines"
previous=""
while read -r line; do
    [[ "$line" =~ ^([0-9]+)%$ ]] || fail "unexpected progress line '$line'"
    value=${BASH_REMATCH[1]}
    [ $((value % 10)) -eq 0 ] || fail "progress $value% is not a multiple of 10"
    [ "$value" != "$previous" ] || fail "progress $value% written twice in a row"
    previous=$value
done <<<"$percents"
[ "$previous" = "100" ] || fail "the last progress line is $previous%, not 100%"
grep -Eq '^simlation time: [0-9.e+-]+ msec$' "$GUI_WORK/painter.out" ||
    fail "the timing line is malformed"

# The panel answers again once the run is over: Instant Result unticks.
shot "$GUI_WORK/after-run.png"
click_control "Instant Result"
sleep 0.5
shot "$GUI_WORK/unticked.png"
read -r ix iy <<<"$(control_point "Instant Result" 1 0.05)"
changed=$(changed_pixels "$GUI_WORK/after-run.png" "$GUI_WORK/unticked.png" "16x16+$((ix - 2))+$((iy - 8))" 10)
[ "$changed" -ge 5 ] || fail "the Instant Result box did not change after the run"

# No drawing along the way upset OpenGL.
if grep -q '^OpenGL Error' "$GUI_WORK/painter.out"; then
    fail "OpenGL reported: $(grep -m 1 '^OpenGL Error' "$GUI_WORK/painter.out")"
fi
echo "PASS"
