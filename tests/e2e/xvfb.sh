# Shared part of the tests that drive wallmatch in a real X server: sourced, not run.
# Sourcing makes a fresh $work directory; it is removed, and the server and the program started
# with xvfb_launch are killed, when the test exits.
#
# Tests wait for what the program shows (pixels read back from the server with window_pixels,
# whose path the test sets in $pixels) or writes, each with a deadline, never for a fixed time:
# on a loaded machine the program may take seconds for what usually takes milliseconds.

# Fails the test unless Xvfb, xdotool and the other named tools are installed.
xvfb_require() {
    local tool
    for tool in Xvfb xdotool "$@"; do
        command -v "$tool" >/dev/null || { echo "missing $tool (run scripts/setup)"; exit 1; }
    done
}

work=$(mktemp -d)
xvfb_pid= app_pid=
xvfb_cleanup() {
    [ -n "$app_pid" ] && kill -9 "$app_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap xvfb_cleanup EXIT

# xvfb_start WIDTHxHEIGHT [Xvfb options...]: starts a server on a free display and points
# DISPLAY and Qt at it. -noreset: by default the server resets when its last client leaves and
# drops every client that connected meanwhile; a program starting just as a probe or an xdotool
# call ends would then fail with "could not connect to display".
xvfb_start() {
    local size=$1
    shift
    Xvfb -displayfd 5 -screen 0 "${size}x24" -nolisten tcp -noreset "$@" 5>"$work/display" 2>/dev/null &
    xvfb_pid=$!
    xvfb_wait 30 test -s "$work/display"
    export DISPLAY=":$(cat "$work/display")"
    export QT_QPA_PLATFORM=xcb
}

# xvfb_launch LOG COMMAND...: starts the program in the background, output to LOG, and waits
# until its main window is shown; sets app_pid and win.
xvfb_launch() {
    local log=$1
    shift
    "$@" >"$log" 2>&1 &
    app_pid=$!
    win=$(timeout 20 xdotool search --sync --onlyvisible --name '^MainWindow$' | head -1)
    [ -n "$win" ] || { echo "FAIL: the window did not appear"; exit 1; }
}

# xvfb_find_window NAME: prints the first visible window whose name matches NAME, waiting up to
# 20 s for one. xdotool's search fails outright (BadWindow) when a window closes while it walks
# the tree, as a dialog does when the main window opens: such a search is simply repeated.
xvfb_find_window() {
    local deadline=$((SECONDS + 20)) found
    while [ "$SECONDS" -lt "$deadline" ]; do
        found=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1) || true
        [ -n "$found" ] && { echo "$found"; return 0; }
        sleep 0.02
    done
    return 1
}

# xvfb_wait SECONDS COMMAND...: runs COMMAND until it succeeds; fails the test after SECONDS.
xvfb_wait() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        [ "$SECONDS" -lt "$deadline" ] || { echo "FAIL: gave up waiting for: $*"; exit 1; }
        sleep 0.02
    done
}

# xvfb_pixel X Y: the colour of the window's pixel at X Y, as "#rrggbb".
xvfb_pixel() { "$pixels" "$win" "$1" "$2"; }
xvfb_pixel_is() { [ "$(xvfb_pixel "$1" "$2")" = "$3" ]; }
xvfb_pixel_is_not() { [ "$(xvfb_pixel "$1" "$2")" != "$3" ]; }

# xvfb_start_test X Y VX VY: waits until the window is painted (its pixel at X Y, the Start
# button, is no longer black), clicks Start at X Y and waits until the first case is on screen
# (the view's pixel at VX VY changes).
xvfb_start_test() {
    xvfb_wait 30 xvfb_pixel_is_not "$1" "$2" "#000000"
    local empty
    empty=$(xvfb_pixel "$3" "$4")
    xdotool mousemove --window "$win" "$1" "$2" click 1
    xvfb_wait 30 xvfb_pixel_is_not "$3" "$4" "$empty"
}

# xvfb_begin VX VY: a study run's first page is painted over the view (its pixel at VX VY is no
# longer black); Return presses Begin, and the first case must then be on screen (the pixel
# changes).
xvfb_begin() {
    xvfb_wait 30 xvfb_pixel_is_not "$1" "$2" "#000000"
    local page
    page=$(xvfb_pixel "$1" "$2")
    xdotool key Return
    xvfb_wait 30 xvfb_pixel_is_not "$1" "$2" "$page"
}

# xvfb_pick X Y: clicks a wall at window pixel X Y and waits until the view shows it picked.
# Sets picked, the colour of the picked wall there.
xvfb_pick() {
    local before
    before=$(xvfb_pixel "$1" "$2")
    xdotool mousemove --window "$win" "$1" "$2" click 1
    xvfb_wait 30 xvfb_pixel_is_not "$1" "$2" "$before"
    picked=$(xvfb_pixel "$1" "$2")
}

# xvfb_wait_next_case X Y: after an answer, waits until the next case is on screen: the wall
# picked at window pixel X Y (colour $picked) is shown unpicked.
xvfb_wait_next_case() {
    xvfb_wait 30 xvfb_pixel_is_not "$1" "$2" "$picked"
}

# xvfb_lines FILE: the number of lines in FILE, 0 while it does not exist.
xvfb_lines() { (cat "$1" 2>/dev/null || true) | wc -l; }
xvfb_has_lines() { [ "$(xvfb_lines "$1")" -ge "$2" ]; }

# xvfb_boxes TITLE: how many windows with this title are shown.
xvfb_boxes() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | wc -l || true; }
xvfb_box_shown() { [ "$(xvfb_boxes "$1")" -ge 1 ]; }

# xvfb_read_offsets COMMAND...: runs print_view_offsets and sets p1x p1y and p2x p2y, the two
# views' places in the window, sx sy the start button's and px py the pause button's.
xvfb_read_offsets() {
    local offsets
    # Only positions are wanted from this probe: under a sanitizer build its leak check would
    # report what Qt's X11 platform leaves allocated in libdbus at exit.
    offsets=$(ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" "$@")
    read -r _ p1x p1y < <(grep '^pano1' <<<"$offsets")
    read -r _ p2x p2y < <(grep '^pano2' <<<"$offsets")
    read -r _ sx sy < <(grep '^startBtn' <<<"$offsets")
    read -r _ px py < <(grep '^pauseBtn' <<<"$offsets")
}

# xvfb_wait_for WHAT COMMAND...: runs COMMAND until it succeeds, for at most 30 s; then fails
# the test naming WHAT.
xvfb_wait_for() {
    local what=$1
    shift
    for _ in $(seq 300); do
        "$@" && return 0
        sleep 0.1
    done
    echo "FAIL: timed out waiting for $what"
    exit 1
}
