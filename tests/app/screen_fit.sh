#!/usr/bin/env bash
# Starts wallmatch with a one-case plan on a 1366 x 768 Xvfb screen, smaller than its window:
# the window must be shown scaled down to fit, and real clicks in screen pixels on the walls'
# centres must be recorded at the walls' centres in image pixels.
set -euo pipefail
app=$1 make_tree=$2 offsets=$3 pixels=$4

source "$(dirname "${BASH_SOURCE[0]}")/../e2e/xvfb.sh"
xvfb_require xwininfo

QT_QPA_PLATFORM=offscreen "$make_tree" "$work" 1
printf 'sample,source\n1,Bramble\n' >"$work/plan.csv"
xvfb_read_offsets env QT_QPA_PLATFORM=offscreen "$offsets"

xvfb_start 1366x768

cd "$work"
xvfb_launch "$work/out.log" "$app" --plan plan.csv --participant fit
xdotool windowfocus --sync "$win"
width=$(xwininfo -id "$win" | awk '/Width:/ {print $2}')
height=$(xwininfo -id "$win" | awk '/Height:/ {print $2}')
echo "window ${width} x ${height} on 1366 x 768"
if [ "$width" -gt 1366 ] || [ "$height" -gt 768 ] || [ "$width" -ge 1500 ]; then
    echo "FAIL: the window does not fit the screen"
    exit 1
fi

# Window pixels of a point given in the window's own (image) pixels.
scaled() { awk -v v="$1" -v w="$width" 'BEGIN { printf "%d", v * w / 1500 + 0.5 }'; }
# Begin, then the box room's wall 1 in the top view, wall 0 in the bottom one: both centred at
# (512, 256). Each click only once the window shows what it needs.
xvfb_begin "$(scaled $((p1x + 512)))" "$(scaled $((p1y + 256)))"
xvfb_pick "$(scaled $((p1x + 512)))" "$(scaled $((p1y + 256)))"
xvfb_pick "$(scaled $((p2x + 512)))" "$(scaled $((p2y + 256)))"
xdotool key space
xvfb_wait 30 xvfb_has_lines results_fit.txt 1
cat results_fit.txt
line=$(head -1 results_fit.txt)
if ! [[ "$line" =~ ^ind\ 1:\ Wall\ 1\ \<==\>\ Wall\ 0\ \(Bramble\)\ Time:\ [0-9:.]+\ Mouse:\ ([0-9]+)\ ([0-9]+)\ \<==\>\ ([0-9]+)\ ([0-9]+)$ ]]; then
    echo "FAIL: not the expected answer"
    exit 1
fi
for v in "${BASH_REMATCH[1]}" "${BASH_REMATCH[3]}"; do
    [ $((v - 512)) -le 2 ] && [ $((512 - v)) -le 2 ] || { echo "FAIL: x $v, not 512"; exit 1; }
done
for v in "${BASH_REMATCH[2]}" "${BASH_REMATCH[4]}"; do
    [ $((v - 256)) -le 2 ] && [ $((256 - v)) -le 2 ] || { echo "FAIL: y $v, not 256"; exit 1; }
done
echo "PASS: scaled to ${width} x ${height}, clicks recorded in image pixels"
