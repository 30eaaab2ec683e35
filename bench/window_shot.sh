#!/usr/bin/env bash
# Screenshots of the 64-bit tidewell.exe's window for comparing two builds pixel by
# pixel: the whole window and its header band (page buttons and the logo), taken on
# a private Xvfb display in a fresh Wine prefix, English interface.
#
#   bench/window_shot.sh WIN64_BUILD_DIR OUT_PREFIX
#   bench/window_shot.sh /tmp/old/win64 /tmp/shot-old; bench/window_shot.sh build/win64 /tmp/shot-new
#   compare -metric AE /tmp/shot-old-header.png /tmp/shot-new-header.png null:
#
# The status lines show the machine's memory and change every second, so compare the
# whole window only by eye or region by region; the header band is steady.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(realpath "$1")
OUT=$2
EXE=$BUILD/app/tidewell.exe
PROBE=$BUILD/tests/winprobe/twprobe.exe
source "$ROOT/tests/e2e/lib.sh"
tw_harness_start
tw_block_network
tw_prefix_new shot
export LC_ALL=C.UTF-8
wine "$EXE" > /dev/null 2>&1 &
pid=$!
tw_wine "$PROBE" wait 20000 text TFrmTidewell BtnClean "Clean memory" > /dev/null
sleep 1.5  # the first paint of every control, and the status monitor's first tick
window=$(xdotool search --onlyvisible --name '^Tidewell$' | head -n1)
eval "$(xdotool getwindowgeometry --shell "$window")"
import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$OUT-window.png"
# The caption bar and the header band (41 px of client area under Wine's own frame).
convert "$OUT-window.png" -crop "${WIDTH}x70+0+0" +repage "$OUT-header.png"
tw_wine "$PROBE" send TFrmTidewell 0x11 0 0 > /dev/null || true
tw_poll 10 bash -c "! kill -0 $pid" || kill "$pid"
echo "$OUT-window.png $OUT-header.png (${WIDTH}x${HEIGHT} at $X,$Y)"
