#!/usr/bin/env bash
# Starts wallmatch under Xvfb, picks a wall in each view and holds Space down, long enough for
# the server's auto-repeat: each hold must answer once and show no hint box.
set -euo pipefail
app=$1 make_tree=$2 offsets=$3 pixels=$4

source "$(dirname "${BASH_SOURCE[0]}")/xvfb.sh"
xvfb_require

QT_QPA_PLATFORM=offscreen "$make_tree" "$work" 5

# "r": Xvfb repeats held keys only when asked to.
xvfb_start 1600x1200 r -ardelay 200 -arinterval 5

xvfb_read_offsets "$offsets"

cd "$work"
xvfb_launch "$work/stdout.log" "$app"
xdotool windowfocus --sync "$win"

xvfb_start_test "$sx" "$sy" $((p1x + 512)) $((p1y + 256))
a1=$((p1x + 256)) a2=$((p2x + 256)) y1=$((p1y + 256)) y2=$((p2y + 256))
xvfb_pick "$a1" "$y1"
xvfb_pick "$a2" "$y2"
# Whether Qt marks a repeat as auto-repeat depends on timing, so the key is held three times at
# a fast repeat rate. The hold's length is the input itself, not a wait for the program.
for n in 1 2 3; do
    xdotool keydown space
    sleep 1.5
    xdotool keyup space
    xvfb_wait_next_case "$a2" "$y2"
    # Picking the next case's walls goes through only once every repeat before it has been
    # handled, and only if no hint box blocks the window.
    xvfb_pick "$a1" "$y1"
    xvfb_pick "$a2" "$y2"
    xvfb_wait 30 xvfb_has_lines results.txt "$n"
    boxes=$(xvfb_boxes "Viewport Region")
    lines=$(xvfb_lines results.txt)
    echo "hold $n: answers $lines, hint boxes open: $boxes"
    [ "$boxes" -eq 0 ] || { echo "FAIL: a repeat of the held key showed a hint"; exit 1; }
    [ "$lines" -eq "$n" ] || { echo "FAIL: $n holds of Space gave $lines answers"; exit 1; }
done
echo "--- results.txt:"
cat results.txt

# A new press answers again: the fourth case (walls picked above), then the fifth, which has
# no wall picked and is refused with the hint.
xdotool key space
xvfb_wait_next_case "$a2" "$y2"
xdotool key space
xvfb_wait 30 xvfb_box_shown "Viewport Region"
xvfb_wait 30 xvfb_has_lines results.txt 4
[ "$(xvfb_lines results.txt)" -eq 4 ] || { echo "FAIL: more answers than presses"; exit 1; }
echo "PASS: a held Space answered once"
