#!/usr/bin/env bash
# A participant's study run under Xvfb with real X input, as the participant sees it: Begin on
# the instructions presents the first case at once (no Start Test), two practice cases with
# feedback, two test cases, then the program is killed; resumed, it opens with the welcome-back
# page instead of the instructions, Begin presents the next case, and after the last answer the
# end page's button closes the program through the exit question. Every step waits for what
# the program shows or writes.
set -euo pipefail
app=$1 make_tree=$2 offsets=$3 pixels=$4

source "$(dirname "${BASH_SOURCE[0]}")/xvfb.sh"
xvfb_require import convert

QT_QPA_PLATFORM=offscreen "$make_tree" "$work" 5
xvfb_start 1600x1200
xvfb_read_offsets "$offsets"

cd "$work"
printf 'sample,source,phase\n4,Kestrel,practice\n5,Kestrel,practice\n1,Kestrel,test\n2,Bramble,test\n3,Kestrel,test\n' >plan.csv
{
    echo 'sample,source,primary wall,secondary wall'
    for sample in 4 5; do
        for wall in 0 1 2 3; do echo "$sample,Kestrel,$wall,$(((wall + 3) % 4))"; done
    done
} >truth.csv
printf '# Instructions\n\nThe first two cases are practice.\n' >intro.md
options=(--plan plan.csv --participant P1 --instructions intro.md --truth truth.csv)

rgb() { local c; c=$(xvfb_pixel "$1" "$2"); echo $((16#${c:1:2})) $((16#${c:3:2})) $((16#${c:5:2})); }
dark() { local r g b; read -r r g b < <(rgb "$1" "$2"); [ "$r" -lt 60 ] && [ "$g" -lt 60 ] && [ "$b" -lt 60 ]; }
# A wall in its own colour in the middle of the top view: a case is on screen.
shown() {
    local r g b
    read -r r g b < <(rgb $((p1x + 500)) $((p1y + 256)))
    [ $(((r > g ? r - g : g - r) + (g > b ? g - b : b - g))) -gt 40 ]
}
# A page over the window: painted, neither a case nor a dark notice.
page() { ! shown && ! dark $((p1x + 100)) $((p1y + 5)) && ! xvfb_pixel_is $((p1x + 100)) $((p1y + 5)) "#000000"; }
feedback() { dark $((p1x + 100)) "$p2y"; }
no_feedback() { ! feedback; }
# Dark (text) pixels in a band of the page: $1 top, $2 height, across the middle.
ink() {
    import -window "$win" png:- 2>/dev/null |
        convert - -crop "1200x$2+150+$1" +repage -threshold 50% -negate -format '%[fx:int(mean*w*h)]' info:
}
instructions_page() { page && [ "$(ink 60 60)" -gt 50 ]; } # the heading at the page's top
welcome_page() { page && [ "$(ink 60 60)" -eq 0 ] && [ "$(ink 250 150)" -gt 50 ]; } # a fifth down only
answers() { (cat results_P1.txt 2>/dev/null || true) | wc -l; }
has_answers() { [ "$(answers)" -ge "$1" ]; }
running() { kill -0 "$app_pid" 2>/dev/null; }
stopped() { ! running; }
focus() {
    for _ in $(seq 30); do timeout 2 xdotool windowfocus --sync "$win" && return 0; done
    echo "FAIL: the window never took the focus"
    exit 1
}
answer() { # the box room's primary wall at u, the same wall below, Space
    xdotool mousemove --window "$win" $((p1x + $1)) $((p1y + 256)) click 1
    xdotool mousemove --window "$win" $((p2x + $1)) $((p2y + 256)) click 1
    xdotool key space
}

xvfb_launch "$work/stdout.log" "$app" "${options[@]}"
focus
xvfb_wait_for "the instructions" instructions_page
xdotool key Return
xvfb_wait_for "the first practice case, with no Start Test" shown
answer 512
xvfb_wait_for "feedback" feedback
# The event log is written with the answers.
xvfb_wait_for "case 1 presented" grep -q ',practice,1,4,Kestrel,present,' events_P1.csv
xvfb_wait_for "the second practice case" no_feedback
xvfb_wait_for "the second practice case shown" shown
answer 256
xvfb_wait_for "feedback" feedback
xvfb_wait_for "the first test case" no_feedback
xvfb_wait_for "the first test case shown" shown
answer 256
xvfb_wait_for "the first answer" has_answers 1
answer 512
xvfb_wait_for "the second answer" has_answers 2
kill -9 "$app_pid"
wait "$app_pid" 2>/dev/null || true

xvfb_launch "$work/stdout.log" "$app" "${options[@]}" --resume
focus
xvfb_wait_for "the welcome-back page" page
xvfb_wait_for "the welcome back, not the instructions" welcome_page
xdotool key Return
xvfb_wait_for "the resumed case" shown
answer 768
xvfb_wait_for "the last answer" has_answers 3
xvfb_wait_for "case 3 presented" grep -q ',test,3,3,Kestrel,present,' events_P1.csv
xvfb_wait_for "the end page" page
xvfb_wait_for "the session record's end" grep -q '"completed": true' session_P1.json
running || { echo "FAIL: the program closed before its end page was answered"; exit 1; }
xdotool key Return # Close
xvfb_wait_for "the exit question" xvfb_box_shown "Close Confirmation"
xdotool key Return # Yes: the first button has the focus
xvfb_wait_for "the program to close" stopped
app_pid=

cat results_P1.txt
[ "$(wc -l <results_P1.txt)" -eq 3 ] || { echo "FAIL: not three answers"; exit 1; }
grep -q '^ind 3: Wall 2 <==> Wall 1 (Kestrel)' results_P1.txt || { echo "FAIL: last answer"; exit 1; }
echo "PASS: Begin to the end page with no Start Test; resumed at the welcome-back page"
