#!/usr/bin/env bash
# Runs a study under Xvfb with real X input: an instructions page begun with Return, two practice
# cases with feedback from a truth file (a wrong and a right answer, the right wall outlined in
# green), a break after the second test answer, and a focus-loss pause when a second X window
# takes the focus. The results, the practice answers, the event log and the session record must
# agree: per case, answer - present - paused stretches is the logged time, and neither the
# feedback, the break nor the time away is in it.
set -euo pipefail
app=$1 make_tree=$2 offsets=$3

source "$(dirname "${BASH_SOURCE[0]}")/xvfb.sh"
xvfb_require import convert xmessage

QT_QPA_PLATFORM=offscreen "$make_tree" "$work" 5
xvfb_start 1600x1200
xvfb_read_offsets "$offsets"

cd "$work"
printf 'sample,source,phase\n4,Kestrel,practice\n5,Kestrel,practice\n1,Kestrel,test\n2,Kestrel,test\n3,Kestrel,test\n4,Kestrel,test\n' >plan.csv
# The box room: primary wall w is secondary wall w + 3 (mod 4).
{
    echo 'sample,source,primary wall,secondary wall'
    for sample in 1 2 3 4 5; do
        for wall in 0 1 2 3; do echo "$sample,Kestrel,$wall,$(((wall + 3) % 4))"; done
    done
} >truth.csv
printf '# Welcome\n\nClick the **same wall** in both panoramas, then press Space.\n' >intro.md
xvfb_launch "$work/stdout.log" "$app" --plan plan.csv --participant P1 --instructions intro.md \
    --truth truth.csv --break-every 2 --pause-on-focus-loss
# Gives a window the focus; xdotool's own --sync waits without a deadline when the focus
# change is lost, so each try is bounded and repeated.
focus() {
    local window=$1
    for _ in $(seq 30); do
        timeout 2 xdotool windowfocus --sync "$window" && return 0
    done
    echo "FAIL: window $window never took the focus"
    exit 1
}
focus "$win"

# The colour of a pixel of the window, as "r g b".
pixel() {
    import -window "$win" png:- 2>/dev/null |
        convert - -format "%[fx:int(255*p{$1,$2}.r)] %[fx:int(255*p{$1,$2}.g)] %[fx:int(255*p{$1,$2}.b)]" info:
}
# The views are covered by a dark notice (a break or a pause for focus loss).
covered() {
    local r g b
    read -r r g b < <(pixel $((p1x + 500)) $((p1y + 256)))
    [ "$r" -lt 60 ] && [ "$g" -lt 60 ] && [ "$b" -lt 60 ]
}
# A wall of the case shows in its own colour (the views are grey before the first case).
shown() {
    local r g b
    read -r r g b < <(pixel $((p1x + 500)) $((p1y + 256)))
    [ $(( (r > g ? r - g : g - r) + (g > b ? g - b : b - g) )) -gt 40 ]
}
# Pixels of the bottom view's column x that are the feedback's green.
green_at() {
    import -window "$win" png:- 2>/dev/null |
        convert - -crop "1x512+$(($1))+$p2y" +repage -depth 8 txt:- |
        awk -F'[(,)]' 'NR > 1 && $4 > 180 && $3 < 80 && $5 < 80 { n++ } END { exit !(n >= 4) }'
}
no_green_at() { ! green_at "$1"; }
answers() { (cat results_P1.txt 2>/dev/null || true) | wc -l; }
has_answers() { [ "$(answers)" -ge "$1" ]; }
pick() { # the box room's primary wall at u and the same wall below
    xdotool mousemove --window "$win" $((p1x + $1)) $((p1y + 256)) click 1
    xdotool mousemove --window "$win" $((p2x + $1)) $((p2y + 256)) click 1
}

xdotool key Return # "Begin" is the default button
xvfb_wait_for "the first practice case" shown
# Wrong: primary wall 0 (u 256) against secondary wall 1 (u 768, primary wall 2's); the right
# one, secondary wall 3, lies at u 256 below.
xdotool mousemove --window "$win" $((p1x + 256)) $((p1y + 256)) click 1
xdotool mousemove --window "$win" $((p2x + 768)) $((p2y + 256)) click 1
xdotool key space
xvfb_wait_for "feedback on the wrong answer" green_at $((p2x + 256))
xvfb_wait_for "the second practice case" no_green_at $((p2x + 256))
xvfb_wait_for "the second practice case shown" shown
pick 512 # right
xdotool key space
xvfb_wait_for "feedback on the right answer" green_at $((p2x + 512))
xvfb_wait_for "the first test case" no_green_at $((p2x + 512))
xvfb_wait_for "the first test case shown" shown
pick 256
xdotool key space
xvfb_wait_for "the first answer" has_answers 1
pick 512
xdotool key space
xvfb_wait_for "the second answer" has_answers 2
xvfb_wait_for "the break" covered
xdotool mousemove --window "$win" "$px" "$py" click 1
xvfb_wait_for "the end of the break" shown

pick 768
xmessage -name elsewhere "another window" &
other_pid=$!
other=$(timeout 20 xdotool search --sync --onlyvisible --class xmessage | head -1)
[ -n "$other" ] || { echo "FAIL: the second window never appeared"; exit 1; }
focus "$other"
xvfb_wait_for "the pause for focus loss" covered
focus "$win"
kill "$other_pid"
xdotool mousemove --window "$win" "$px" "$py" click 1
xvfb_wait_for "the resumed case" shown
xdotool key space
xvfb_wait_for "the third answer" has_answers 3
pick 256
xdotool key space
xvfb_wait_for "the last answer" has_answers 4
xvfb_wait_for "the session record's end" grep -q '"completed": true' session_P1.json

echo "--- results_P1.txt"
cat results_P1.txt
echo "--- events_P1.csv"
cat events_P1.csv
echo "--- practice_P1.txt"
cat practice_P1.txt
[ "$(wc -l <practice_P1.txt)" -eq 2 ] || { echo "FAIL: not two practice answers"; exit 1; }
grep -q '^ind 4: Wall 0 <==> Wall 1 (Kestrel)' practice_P1.txt || { echo "FAIL: practice 1"; exit 1; }
grep -q '^[0-9]*,test,3,3,Kestrel,break,' events_P1.csv || { echo "FAIL: no break in case 3"; exit 1; }
grep -q '^[0-9]*,test,3,3,Kestrel,focus-lost,' events_P1.csv ||
    { echo "FAIL: no focus-lost in case 3"; exit 1; }

# Per case: answer - present - paused stretches (ms) against the logged time, and how long
# the case was paused.
check=$(awk -F, '
    FILENAME != "events_P1.csv" { split($0, t, "Time: "); split(t[2], m, "[:. ]"); phase = FILENAME ~ /^practice/ ? "practice" : "test"; logged[phase " " FNR] = m[1] * 60000 + m[2] * 1000 + m[3]; next }
    FNR == 1 { next }
    { k = $2 " " $3 }
    $6 == "present" || $6 == "refused" { start[k] = $1; paused[k] = 0 }
    $6 == "pause" || $6 == "break" || $6 == "focus-lost" { at[k] = $1 }
    $6 == "resume" { paused[k] += $1 - at[k] }
    $6 == "answer" { n += 1; printf "%s: events %d logged %d paused %d\n", k, $1 - start[k] - paused[k], logged[k], paused[k] }
    END { if (n != 6) print "FAIL: " n " answers in the event log" }
' practice_P1.txt results_P1.txt events_P1.csv)
echo "$check"
if grep -q FAIL <<<"$check" || awk '$4 != $6 { bad = 1 } END { exit !bad }' <<<"$check"; then
    echo "FAIL: the events do not add up to the logged times"
    exit 1
fi
grep -q '^test 3: .* paused [1-9]' <<<"$check" || { echo "FAIL: case 3 was never paused"; exit 1; }
# Xvfb has Present: every case starts at the refresh the server reported for its frame, which
# comes after the frame was sent, and the session record says so.
onsets=$(awk -F, 'FNR > 1 && $6 == "present" {
    n += 1
    if ($13 != "display-reported" || $12 == "" || $12 < $11 || $1 - $12 > 0 || $12 - $1 >= 1)
        print "FAIL: " $0 }
    END { if (n != 6) print "FAIL: " n " presentations" }' events_P1.csv)
[ -z "$onsets" ] || { echo "$onsets"; echo "FAIL: onsets not the reported refreshes"; exit 1; }
grep -q '"onset_method": "display-reported"' session_P1.json ||
    { grep onset session_P1.json; echo "FAIL: the session record names no display-reported onset"; exit 1; }
grep -q '"refresh_period_ms": 1[67]\.' session_P1.json ||
    { grep refresh session_P1.json; echo "FAIL: no 60 Hz refresh period"; exit 1; }
echo "PASS: instructions, practice feedback, break and focus-loss pause; the events add up; onsets from the display"
