# Shared part of the tests that run wallmatch on Qt's wayland platform under weston's headless
# backend: sourced, not run. Sourcing makes a fresh $work directory; the compositor, started with
# weston_start in a private runtime directory, is stopped and $work removed when the test exits.

command -v weston >/dev/null || { echo "missing weston (run scripts/setup)"; exit 1; }

# In the sanitizer build, leaks are matched against full stacks: Qt's Wayland client, built
# without frame pointers, would otherwise show only libwayland-client's frame, which our own
# presentation code shares (tests/lsan.supp names the Qt frames).
if [ -n "${ASAN_OPTIONS:-}" ]; then
    export ASAN_OPTIONS="$ASAN_OPTIONS:fast_unwind_on_malloc=0"
fi

work=$(mktemp -d)
weston_pid=
weston_cleanup() {
    [ -n "$weston_pid" ] && kill "$weston_pid" 2>/dev/null || true
    [ -n "$weston_pid" ] && wait "$weston_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap weston_cleanup EXIT

# weston_start WIDTHxHEIGHT: starts a headless compositor and points Qt at it; waits (at most
# 30 s) until its socket is there.
weston_start() {
    local width=${1%x*} height=${1#*x}
    export XDG_RUNTIME_DIR="$work/runtime"
    mkdir -m 700 "$XDG_RUNTIME_DIR"
    weston --backend=headless-backend.so --socket=wallmatch-test --width="$width" \
        --height="$height" --idle-time=0 --log="$work/weston.log" >/dev/null 2>&1 &
    weston_pid=$!
    local deadline=$((SECONDS + 30))
    until [ -S "$XDG_RUNTIME_DIR/wallmatch-test" ]; do
        kill -0 "$weston_pid" 2>/dev/null || { echo "FAIL: weston did not start"; cat "$work/weston.log"; exit 1; }
        [ "$SECONDS" -lt "$deadline" ] || { echo "FAIL: no weston socket after 30 s"; exit 1; }
        sleep 0.05
    done
    export WAYLAND_DISPLAY=wallmatch-test QT_QPA_PLATFORM=wayland
}
