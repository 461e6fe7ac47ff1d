#!/usr/bin/env bash
# Runs a participant's session on Qt's wayland platform under a headless weston, in the plain
# window and full screen (through the graphics view's window), answered by the program itself
# (wayland_run: the compositor gives clients no input). Every case must start at the time the
# compositor reported its frame presented: the session record names the display-reported onset
# and the refresh period, and each present row's logged onset is its presented time cut to the
# millisecond, after the frame was sent. A case may fall back to the round trip only with its
# reason in the program's log (on a loaded machine Qt holds frames back while the compositor's
# frame callback is late), and most cases may not.
set -euo pipefail
run=$1 make_tree=$2 cases=${3:-12}

source "$(dirname "${BASH_SOURCE[0]}")/weston.sh"
# Why a case fell back, where one does, goes to the run's log.
export QT_LOGGING_RULES="wallmatch.timing.debug=true"
QT_QPA_PLATFORM=offscreen "$make_tree" "$work" "$cases" >/dev/null
weston_start 1600x1200
cd "$work"
{
    echo 'sample,source'
    for sample in $(seq "$cases"); do echo "$sample,Kestrel"; done
} >plan.csv

for mode in plain fullscreen; do
    options=(--plan plan.csv --participant "$mode")
    [ "$mode" = fullscreen ] && options+=(--fullscreen)
    timeout 150 "$run" "${options[@]}" >"run-$mode.log" 2>&1 ||
        { cat "run-$mode.log"; echo "FAIL: $mode: the session did not run to its end"; exit 1; }
    grep -q '"completed": true' "session_$mode.json" ||
        { echo "FAIL: $mode: the session record is not completed"; exit 1; }
    reasons=$(grep -c 'wallmatch.timing: no presentation' "run-$mode.log" || true)
    grep -q '"refresh_period_ms": 16\.667' "session_$mode.json" ||
        { grep refresh "session_$mode.json"; echo "FAIL: $mode: no 60 Hz refresh period"; exit 1; }
    onsets=$(awk -F, -v cases="$cases" -v reasons="$reasons" 'FNR > 1 && $6 == "present" {
        n += 1
        if ($13 == "server-round-trip" && $12 == "") { fallbacks += 1; next }
        if ($13 != "display-reported" || $12 == "" || $12 < $11 || $1 - $12 > 0 || $12 - $1 >= 1)
            print "FAIL: " $0 }
        END {
            if (n != cases) print "FAIL: " n " presentations, not " cases
            if (fallbacks > reasons) print "FAIL: " fallbacks " fallbacks, " reasons " reasons logged"
            if (2 * fallbacks > n) print "FAIL: " fallbacks " of " n " cases fell back" }' "events_$mode.csv")
    if [ -n "$onsets" ]; then
        echo "$onsets"
        grep -v 'presented .* ago' "run-$mode.log" || true
        echo "FAIL: $mode: onsets not the presented times"
        exit 1
    fi
    method=display-reported
    [ "$reasons" -gt 0 ] && method=mixed
    grep -q "\"onset_method\": \"$method\"" "session_$mode.json" ||
        { grep -A4 onset "session_$mode.json"; echo "FAIL: $mode: the session record names no $method onset"; exit 1; }
    [ "$reasons" -eq 0 ] || grep 'wallmatch.timing: no presentation' "run-$mode.log"
    echo "$mode: $cases cases, each from its presented frame or with the reason it fell back"
done
echo "PASS: onsets from the compositor's presentation times"
