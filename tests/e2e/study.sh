#!/usr/bin/env bash
# A study folder set up once with wallmatch-prep study init and run with no other option: two
# participants started from the desktop chooser (folder typed once and remembered, ID typed,
# Return), a third with --participant next. Each runs the instructions page, two practice cases
# with feedback, a break and full screen, as the study file says. The report with --study finds
# every file and shows no difference; the truth changed after the first participant makes it
# list that participant.
set -euo pipefail
app=$1 make_tree=$2 offsets=$3 prep=$4 report=$5

source "$(dirname "${BASH_SOURCE[0]}")/xvfb.sh"

study="$work/study"
QT_QPA_PLATFORM=offscreen "$make_tree" "$study" 5
# The window's own size: full screen then shows it unscaled at the screen's corner.
xvfb_start 1500x1080
xvfb_read_offsets "$offsets"
export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"

cd "$study"
{
    echo 'sample,source,primary wall,secondary wall'
    for sample in 1 2 3 4 5; do
        for wall in 0 1 2 3; do echo "$sample,Kestrel,$wall,$(((wall + 3) % 4))"; done
    done
} >truth.csv
printf '# Welcome\n\nClick the same wall in both panoramas, then press Space.\n' >intro.md
QT_QPA_PLATFORM=offscreen "$prep" plan --participants 3 --samples 1-3 --sources Kestrel \
    --practice 2 --practice-samples 4-5 --seed 1 plans >/dev/null
"$prep" study init . --title "Box rooms" --sources Kestrel --practice 2 --instructions intro.md \
    --truth truth.csv --break-every 2 --fullscreen >/dev/null

lines() { (cat "$@" 2>/dev/null || true) | wc -l; }
# Answers every case of participant $1 (2 practice, 3 test): picks two walls and presses Space
# until the answer is on disk; feedback and the break take no answer, so it is given again.
# Resume ends the break after the second test answer.
run_participant() {
    local id=$1 done=0 tries
    focus_window
    xdotool key Return # Begin on the instructions page
    while [ "$done" -lt 5 ]; do
        for tries in $(seq 200); do
            # One connection per try; a try the server refuses under load is simply repeated.
            xdotool mousemove --window "$win" $((p1x + 256)) $((p1y + 256)) click 1 \
                mousemove --window "$win" $((p2x + 256)) $((p2y + 256)) click 1 key space || true
            sleep 0.2
            [ "$(lines "results_$id.txt" "practice_$id.txt")" -gt "$done" ] && break
            [ "$tries" -eq 200 ] && { echo "FAIL: $id: answer $((done + 1)) never written"; exit 1; }
            if [ "$done" -eq 4 ]; then # Resume the break
                xdotool mousemove --window "$win" "$px" "$py" click 1 || true
            fi
        done
        done=$(lines "results_$id.txt" "practice_$id.txt")
    done
    xvfb_wait_for "$id's session record's end" grep -q '"completed": true' "session_$id.json"
    kill "$app_pid"
    wait "$app_pid" 2>/dev/null || true
    app_pid=
}
focus_window() {
    win=$(xvfb_find_window '^MainWindow$') || true
    [ -n "$win" ] || { echo "FAIL: the window did not appear"; cat "$work/stdout.log"; exit 1; }
    for _ in $(seq 30); do timeout 2 xdotool windowfocus --sync "$win" && return 0; done
    echo "FAIL: the window never took the focus"
    exit 1
}
choose() { # starts from the chooser: types the folder unless remembered, the ID, Return
    local id=$1 typeFolder=$2
    "$app" --choose-study >"$work/stdout.log" 2>&1 &
    app_pid=$!
    local dialog
    dialog=$(xvfb_find_window '^Choose Study$') || true
    [ -n "$dialog" ] || { echo "FAIL: the chooser did not appear"; cat "$work/stdout.log"; exit 1; }
    for _ in $(seq 30); do timeout 2 xdotool windowfocus --sync "$dialog" && break; done
    # The cursor is in the folder field, or with a remembered folder in the ID's.
    if [ "$typeFolder" = yes ]; then
        xdotool type --delay 5 "$study"
        xdotool key Tab
    fi
    xdotool type --delay 5 "$id"
    xdotool key Return
}

choose P01 yes
run_participant P01
out=$("$report" --study "$study")
echo "$out" | head -4
grep -q 'no difference' <<<"$out" || { echo "FAIL: differences in an unchanged study"; exit 1; }
# The truth corrected after the first participant: the report must list that participant.
echo '1,Kestrel,0,2' >>truth.csv

choose P02 no
run_participant P02
"$app" --study "$study" --participant next >"$work/stdout.log" 2>&1 &
app_pid=$!
run_participant P03
grep -q 'participant P03, plan plans/P03.csv' "$work/stdout.log" ||
    { echo "FAIL: next did not give P03"; cat "$work/stdout.log"; exit 1; }

for id in P01 P02 P03; do
    [ "$(lines "practice_$id.txt")" -eq 2 ] || { echo "FAIL: $id: not two practice answers"; exit 1; }
    grep -q ',break,' "events_$id.csv" || { echo "FAIL: $id: no break"; exit 1; }
    grep -q '"full_screen": true' "session_$id.json" || { echo "FAIL: $id: not full screen"; exit 1; }
done
out=$("$report" --study "$study")
echo "$out" | head -8
grep -q 'found: 3 results files, 3 practice files, 3 event files' <<<"$out" ||
    { echo "FAIL: the report did not find every file"; exit 1; }
grep -q '^1 differences' <<<"$out" || { echo "FAIL: not one difference"; exit 1; }
grep -q '^  P01 (sitting 1): truth truth.csv' <<<"$out" || { echo "FAIL: P01 not listed"; exit 1; }
echo "PASS: a study set up once, started from the chooser and with next, checked by the report"
