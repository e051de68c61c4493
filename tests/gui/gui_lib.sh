# Shared steps of the desktop painter's GUI tests: a private X display, the
# painter on it, clicks on panel controls by label, screenshots, answers to
# the file dialogs. Sourced by the test scripts, which then call
# start_gui_test with their arguments (SEEP SEEP_RENDER SOURCE_DIR). Every
# background process started here is ended by its own id when the test
# ends, whether it passes or fails.

set -euo pipefail

GUI_WORK=$(mktemp -d "${TMPDIR:-/tmp}/seep-gui.XXXXXX")
XVFB_PID=""
PAINTER_PID=""
MAIN_WINDOW=""

fail() {
    echo "FAIL: $*" >&2
    if [ -f "$GUI_WORK/painter.err" ]; then
        echo "--- painter stderr (last lines)" >&2
        tail -n 20 "$GUI_WORK/painter.err" >&2
    fi
    exit 1
}

# Exit status 77 tells CTest the test was skipped.
skip() {
    echo "SKIP: $*"
    exit 77
}

stop_pid() {
    local pid=$1
    if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
        kill "$pid" 2>/dev/null || true
        for _ in $(seq 1 50); do
            kill -0 "$pid" 2>/dev/null || return 0
            sleep 0.1
        done
        kill -9 "$pid" 2>/dev/null || true
    fi
}

# Dialogs are the painter's children; they go first, then the painter, then
# the display.
cleanup() {
    if [ -n "$PAINTER_PID" ]; then
        for child in $(pgrep -P "$PAINTER_PID" 2>/dev/null || true); do
            stop_pid "$child"
        done
        stop_pid "$PAINTER_PID"
    fi
    stop_pid "$XVFB_PID"
    [ -n "${KEEP_GUI_WORK:-}" ] || rm -rf "$GUI_WORK"
}
trap cleanup EXIT

require_tools() {
    for tool in Xvfb xdotool import convert compare xdpyinfo; do
        command -v "$tool" >/dev/null 2>&1 || skip "$tool is not installed"
    done
    [ -x "$SEEP" ] || fail "no painter at $SEEP"
}

# Polls a condition (a command) until it holds, for up to $1 seconds.
wait_for() {
    local deadline=$((SECONDS + $1))
    shift
    while true; do
        if "$@" >/dev/null 2>&1; then
            return 0
        fi
        [ "$SECONDS" -lt "$deadline" ] || return 1
        sleep 0.1
    done
}

# A display of our own. The server picks the number itself (-displayfd): its
# lock file is taken atomically, so two runs at once can never share one.
# A server elsewhere on the machine may still answer to the same number
# (abstract sockets are not covered by the lock file), so ours gets a screen
# height of its own and must be the one that answers with it.
start_display() {
    local attempt number_file="$GUI_WORK/display.number" height
    for attempt in 1 2 3 4 5; do
        height=$((900 + RANDOM % 97))
        : >"$number_file"
        Xvfb -displayfd 3 -screen 0 "1400x${height}x24" -nolisten tcp 3>"$number_file" >"$GUI_WORK/xvfb.log" 2>&1 &
        XVFB_PID=$!
        if wait_for 20 test -s "$number_file"; then
            export DISPLAY=":$(tr -d '[:space:]' <"$number_file")"
            if wait_for 20 sh -c "xdpyinfo | grep -q 'dimensions: *1400x${height} pixels'" &&
                kill -0 "$XVFB_PID" 2>/dev/null; then
                return 0
            fi
        fi
        echo "display attempt $attempt failed; server log:" >&2
        tail -n 5 "$GUI_WORK/xvfb.log" >&2 || true
        stop_pid "$XVFB_PID"
        XVFB_PID=""
    done
    fail "no X display could be started"
}

root_window() {
    xwininfo -root | awk '/Window id:/ {print $4}' | xargs printf '%d\n'
}

# The painter's main window is the only unnamed top-level window.
find_main_window() {
    local root
    root=$(root_window)
    xdotool search --maxdepth 1 --onlyvisible --name '^$' 2>/dev/null | grep -vx "$root" | head -n 1
}

window_shown_or_painter_ended() {
    ! painter_alive || [ -n "$(find_main_window)" ]
}

# Starts the painter in the source folder (where it finds its pictures) and
# waits until its window shows a drawn frame.
start_painter() {
    (cd "$SEEP_SOURCE_DIR" && exec "$SEEP" >"$GUI_WORK/painter.out" 2>"$GUI_WORK/painter.err") &
    PAINTER_PID=$!
    wait_for 60 window_shown_or_painter_ended || true
    if ! painter_alive; then
        grep -q "failed to open display" "$GUI_WORK/painter.err" && return 1
        fail "the painter ended while starting"
    fi
    [ -n "$(find_main_window)" ] || fail "the painter's window did not appear"
    MAIN_WINDOW=$(find_main_window)
    # Without a window manager the window sits where the toolkit put it,
    # partly off the screen; screenshots need all of it.
    xdotool windowmove "$MAIN_WINDOW" 0 0
    wait_for 10 sh -c "xdotool getwindowgeometry $MAIN_WINDOW | grep -q 'Position: 0,0'" ||
        fail "the painter's window could not be moved into view"
    wait_for 60 grep -q "ImGui version: " "$GUI_WORK/painter.err" ||
        fail "the painter did not finish starting"
    # A few frames for the first reshape and the panel's first drawing.
    sleep 1
    WINDOW_WIDTH=$(window_width)
    WINDOW_HEIGHT=$(window_height)
}

painter_alive() {
    kill -0 "$PAINTER_PID" 2>/dev/null
}

window_width() {
    xdotool getwindowgeometry "$MAIN_WINDOW" | awk '/Geometry:/ {split($2, s, "x"); print s[1]}'
}

window_height() {
    xdotool getwindowgeometry "$MAIN_WINDOW" | awk '/Geometry:/ {split($2, s, "x"); print s[2]}'
}

# One of the main window's layout numbers by the name the painter gives it
# (seep --list-layout), for example: layout_number besideCanvas.
layout_number() {
    [ -f "$GUI_WORK/layout.tsv" ] || "$SEEP" --list-layout >"$GUI_WORK/layout.tsv"
    awk -F '\t' -v name="$1" '$1 == name { print $2; found = 1 } END { exit !found }' \
        "$GUI_WORK/layout.tsv" || fail "the painter names no layout number '$1'"
}

# The tool strip's left edge, in window pixels.
tool_strip_left() {
    echo $((${WINDOW_WIDTH:-$(window_width)} - $(layout_number besideCanvas)))
}

# Prints "x y" in window pixels (origin top-left) for the middle of a tool
# button's 32-pixel picture: colorButton or eyedropperButton.
tool_button_point() {
    local height=${WINDOW_HEIGHT:-$(window_height)}
    echo "$(($(tool_strip_left) + $(layout_number "${1}Offset") + 16)) $((height - $(layout_number toolButtonBottom) - 16))"
}

# The panel's controls with their rectangles in the panel's own pixels.
list_controls() {
    [ -f "$GUI_WORK/controls.tsv" ] || "$SEEP" --list-controls >"$GUI_WORK/controls.tsv"
    cat "$GUI_WORK/controls.tsv"
}

# Prints "x y" in main-window pixels for a point of a control: the label's
# nth occurrence (default 1), at the fraction fx of its width (default 0.5).
control_point() {
    local label=$1 nth=${2:-1} fx=${3:-0.5}
    local width=${WINDOW_WIDTH:-$(window_width)}
    local height=${WINDOW_HEIGHT:-$(window_height)}
    list_controls | awk -F '\t' -v label="$label" -v nth="$nth" -v fx="$fx" \
        -v left=$((width - $(layout_number panelWidth))) -v top=$((height - $(layout_number panelHeight))) '
        $2 == label && ++seen == nth {
            printf "%d %d\n", left + $3 + fx * $5, top + $4 + $6 / 2; found = 1; exit
        }
        END { if (!found) exit 1 }'
}

click_control() {
    local point
    point=$(control_point "$@") || fail "no control labelled '$1'"
    # shellcheck disable=SC2086
    xdotool mousemove --window "$MAIN_WINDOW" $point click 1
    sleep 0.3
}

shot() {
    import -window "$MAIN_WINDOW" "$1"
}

# The colour of one pixel of a screenshot as "R,G,B" bytes.
pixel() {
    convert "$1" -crop "1x1+$2+$3" +repage -depth 8 \
        -format '%[fx:int(255*r+0.5)],%[fx:int(255*g+0.5)],%[fx:int(255*b+0.5)]' info:
}

# How many pixels of a region (WxH+X+Y) differ between two pictures by more
# than a few percent.
changed_pixels() {
    convert "$1" -crop "$3" +repage "$GUI_WORK/region-a.png"
    convert "$2" -crop "$3" +repage "$GUI_WORK/region-b.png"
    compare -metric AE -fuzz "${4:-10}%" "$GUI_WORK/region-a.png" "$GUI_WORK/region-b.png" \
        null: 2>&1 || true
}

# Drags the left button along the points given as "x,y" in window pixels,
# pausing between points so the painter steps meanwhile.
drag() {
    local pause=$1
    shift
    local first=$1
    shift
    xdotool mousemove --window "$MAIN_WINDOW" "${first%,*}" "${first#*,}" mousedown 1
    sleep "$pause"
    local point
    for point in "$@"; do
        xdotool mousemove --window "$MAIN_WINDOW" "${point%,*}" "${point#*,}"
        sleep "$pause"
    done
    xdotool mouseup 1
    sleep 0.3
}

# Answers the file dialog titled $1 with the path $2 and waits until it has
# closed. Xvfb runs no window manager, so the dialog is focused by hand.
answer_file_dialog() {
    local title=$1 path=$2 dialog=""
    wait_for 30 xdotool search --name "^$title\$" || fail "no '$title' dialog appeared"
    dialog=$(xdotool search --name "^$title\$" | head -n 1)
    wait_for 10 xdotool windowfocus --sync "$dialog" || fail "cannot focus the '$title' dialog"
    sleep 0.5
    xdotool key ctrl+l
    sleep 0.2
    xdotool key ctrl+a
    xdotool type --delay 20 "$path"
    sleep 0.5
    # The location field may first take Return for its completion.
    for _ in 1 2 3 4 5; do
        xdotool key Return
        if wait_for 2 sh -c "! xdotool search --name '^$title\$'"; then
            return 0
        fi
    done
    fail "the '$title' dialog did not close"
}

# The painter's program, the renderer and the source folder from the test's
# arguments; a display of its own, and the painter started on it.
start_gui_test() {
    SEEP=$1
    SEEP_RENDER=$2
    SEEP_SOURCE_DIR=$3
    require_tools
    local attempt
    # A display that answered our checks and then refuses the painter is
    # started again rather than failing the test on the machine's account.
    for attempt in 1 2 3; do
        start_display
        start_painter && return 0
        echo "the painter could not open $DISPLAY (attempt $attempt); server log:" >&2
        tail -n 10 "$GUI_WORK/xvfb.log" >&2 || true
        stop_pid "$XVFB_PID"
        XVFB_PID=""
    done
    fail "the painter could not open any display"
}
