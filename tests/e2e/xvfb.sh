# Shared part of the tests that drive wallmatch in a real X server: sourced, not run.
# Sourcing makes a fresh $work directory; it is removed, and the server and the program started
# with xvfb_launch are killed, when the test exits.

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
# DISPLAY and Qt at it.
xvfb_start() {
    local size=$1
    shift
    Xvfb -displayfd 5 -screen 0 "${size}x24" -nolisten tcp "$@" 5>"$work/display" 2>/dev/null &
    xvfb_pid=$!
    for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
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
}

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
