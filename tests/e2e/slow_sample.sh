#!/usr/bin/env bash
# The answer reaches the disk first: wallmatch runs under Xvfb with every file of sample 2
# opened only after seconds (libslowopen.so, as a slow network share). The answer to case 1 must
# be on disk while the window still waits for sample 2's files (the time it takes is measured by
# scripts/bench-timing, not here: on a loaded machine starting xdotool alone can take longer).
set -euo pipefail
app=$1 make_tree=$2 offsets=$3 pixels=$4 slowopen=$5

source "$(dirname "${BASH_SOURCE[0]}")/xvfb.sh"
xvfb_require

QT_QPA_PLATFORM=offscreen "$make_tree" "$work" 3

xvfb_start 1600x1200

xvfb_read_offsets "$offsets"

cd "$work"
xvfb_launch "$work/stdout.log" env LD_PRELOAD="$slowopen" SLOW_OPEN_PATH=test_datasets/2/ \
    SLOW_OPEN_MS=3000 "$app"
xdotool windowfocus --sync "$win"

xvfb_start_test "$sx" "$sy" $((p1x + 512)) $((p1y + 256))
xvfb_pick $((p1x + 512)) $((p1y + 256))
xvfb_pick $((p2x + 512)) $((p2y + 256))
# Sample 2 is still being read ahead (three files per view, 3 s each): the answer waits for it.
pressed=$(date +%s%N)
xdotool key space
xvfb_wait 30 xvfb_has_lines results.txt 1
written=$(date -r results.txt +%s%N)
# Still case 1, its wall shown picked: the window has not yet shown sample 2.
if ! xvfb_pixel_is $((p2x + 512)) $((p2y + 256)) "$picked"; then
    echo "FAIL: the next case was shown before the answer was on disk"
    exit 1
fi
echo "answer on disk $(((written - pressed) / 1000000)) ms after xdotool was started"
grep -q '^ind 1: Wall 1 <==> Wall 0 (Kestrel) Time: ' results.txt || {
    echo "FAIL: not the answer given"
    cat results.txt
    exit 1
}

# Case 2 comes once its files are read, and is answered as usual.
xvfb_wait_next_case $((p2x + 512)) $((p2y + 256))
xvfb_pick $((p1x + 256)) $((p1y + 256))
xvfb_pick $((p2x + 256)) $((p2y + 256))
xdotool key space
xvfb_wait 30 xvfb_has_lines results.txt 2
cat results.txt
echo "PASS: the answer was on disk before the slow sample was shown"
