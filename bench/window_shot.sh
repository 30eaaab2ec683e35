#!/usr/bin/env bash
# Screenshots of the 64-bit tidewell.exe's window for comparing two builds pixel by
# pixel: both pages in both palettes, taken on a private Xvfb display in a fresh Wine
# prefix, English interface. The live figures (the three status lines and the usage
# bar) change every second, so each shot comes twice: as seen, and "steady", with
# those controls painted over in magenta; the steady shots of two builds must match.
#
#   bench/window_shot.sh WIN64_BUILD_DIR OUT_PREFIX
#   bench/window_shot.sh /tmp/old/win64 /tmp/shot-old; bench/window_shot.sh build/win64 /tmp/shot-new
#   bench/shot_diff.sh /tmp/shot-old /tmp/shot-new
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
probe() { tw_wine "$PROBE" "$@" | tr -d '\r'; return "${PIPESTATUS[0]}"; }
apps_light() {
  tw_wine reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\Themes\Personalize' \
    /v AppsUseLightTheme /t REG_DWORD /d "$1" /f > /dev/null
}
live=(LblPhysStatus LblVirtualStatus LblWorkingStatus ProgressBar)

shoot() {  # PALETTE: both pages of a copy started in that palette
  local palette=$1 pid window page button card draw name l t r b
  apps_light "$([ "$palette" = light ] && echo 1 || echo 0)"
  wine "$EXE" > /dev/null 2>&1 &
  pid=$!
  probe wait 20000 text TFrmTidewell BtnClean "Clean memory" > /dev/null
  tw_poll 20 xdotool search --onlyvisible --name '^Tidewell$' > /dev/null
  window=$(xdotool search --onlyvisible --name '^Tidewell$' | head -n1)
  for page in home config; do
    [ "$page" = home ] && button=BtnStart card=Card1 || button=BtnConfig card=Card2
    probe click TFrmTidewell "$button" > /dev/null
    probe wait 10000 visible TFrmTidewell "$card" 1 > /dev/null
    sleep 1.5  # the first paint of every control, and the status monitor's next tick
    eval "$(xdotool getwindowgeometry --shell "$window")"
    import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$OUT-$palette-$page.png"
    draw=(-draw "point -1,-1")  # nothing, for the settings page: the live figures are on the home page
    for name in $([ "$page" = home ] && echo "${live[@]}"); do
      IFS=, read -r l t r b <<< "$(probe controls TFrmTidewell | awk -F'\t' -v n="$name" '$1 == n {print $8}')"
      [ -n "$b" ] && draw+=(-draw "rectangle $((l - X)),$((t - Y)) $((r - X - 1)),$((b - Y - 1))")
    done
    convert "$OUT-$palette-$page.png" -fill magenta "${draw[@]}" "$OUT-$palette-$page-steady.png"
    echo "$OUT-$palette-$page.png (${WIDTH}x${HEIGHT})"
  done
  probe send TFrmTidewell 0x11 0 0 > /dev/null || true
  tw_poll 10 bash -c "! kill -0 $pid" || kill "$pid"
  wait "$pid" 2> /dev/null || true
}
shoot light
shoot dark
