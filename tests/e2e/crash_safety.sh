#!/usr/bin/env bash
# Starts wallmatch on a small box-room sample tree under Xvfb, answers three cases with real
# clicks and Space key presses, kills it with SIGKILL and checks that all three answers are on disk.
set -euo pipefail
app=$1 make_tree=$2 offsets=$3 report=$4 pixels=$5

source "$(dirname "${BASH_SOURCE[0]}")/xvfb.sh"
xvfb_require

QT_QPA_PLATFORM=offscreen "$make_tree" "$work" 5

xvfb_start 1600x1200

xvfb_read_offsets "$offsets"

cd "$work"
xvfb_launch "$work/stdout.log" "$app"
xdotool windowfocus --sync "$win"

xvfb_start_test "$sx" "$sy" $((p1x + 512)) $((p1y + 256))
# Primary and secondary view positions: the box room's walls 0/3, 1/0 and 2/1.
for u in 256 512 768; do
    xvfb_pick $((p1x + u)) $((p1y + 256))
    xvfb_pick $((p2x + u)) $((p2y + 256))
    xdotool key space
    xvfb_wait_next_case $((p2x + u)) $((p2y + 256))
done

xvfb_wait 30 xvfb_has_lines results.txt 3
kill -9 "$app_pid"
wait "$app_pid" 2>/dev/null || true
app_pid=

echo "--- results.txt after SIGKILL:"
cat results.txt || true
# The results are read back by wallmatch-report, which owns no format of its own: it parses
# with the program's result-line parser and fails on any line it does not understand.
if ! "$report" results.txt --csv "$work/answers.csv" >"$work/report.log" 2>&1; then
    echo "FAIL: a line is not a complete result line"
    cat "$work/report.log"
    exit 1
fi
# file,sample,wall1,wall2,source,seconds,...: every answer timed, walls as clicked.
expected=$'1,0,3,Kestrel\n2,1,0,Kestrel\n3,2,1,Kestrel'
actual=$(tail -n +2 "$work/answers.csv" | cut -d, -f2-5)
if [ "$actual" != "$expected" ]; then
    echo "FAIL: expected"
    echo "$expected"
    exit 1
fi
if tail -n +2 "$work/answers.csv" | cut -d, -f6 | grep -qx ''; then
    echo "FAIL: an answer without a time"
    exit 1
fi
[ "$(wc -l < results.txt)" -eq 3 ] || { echo "FAIL: not exactly three lines"; exit 1; }
echo "PASS: three answers survived SIGKILL"
