#!/usr/bin/env bash
# Measures the 64-bit tidewell.exe under Wine on a private Xvfb display, in one go:
#   - start to visible window, for tidewell.exe, for bench/bare_window.cpp (the
#     least a Win32 program can do to show a window) and for bench/floor_window.cpp
#     (the bare window plus the platform work the window's creation must do: the
#     Task Scheduler query and the update check's HTTPS request, which finds a dead
#     loopback port here as Tidewell's does); medians of RUNS runs each, the three
#     programs taking turns, after one warm-up run of each, with a warm wineserver;
#   - the private memory of the three (RssAnon of the Wine process, SETTLE seconds
#     after its window shows, so the status monitor's first ticks and the start-up's
#     workers are included), medians of the same runs;
#   - Tidewell against the floor: the start ratio and the memory difference;
#   - the size of the 32-bit and the 64-bit tidewell.exe;
#   - CPU time of the tidewell.exe process and of its wineserver over IDLE seconds,
#     window shown and hidden in the tray ("/start"), medians of CPU_RUNS runs
#     (CPU_RUNS=0 leaves this out).
#
#   bench/startup_wine.sh [WIN64_BUILD_DIR [WIN32_BUILD_DIR]]
#   RUNS=9 CPU_RUNS=3 IDLE=60 bench/startup_wine.sh build/win64 build/win32
#   BEFORE=/tmp/old/app/tidewell.exe bench/startup_wine.sh   # an older build takes its turn too
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
WIN64=$(realpath "${1:-$ROOT/build/win64}")
WIN32=$(realpath "${2:-$ROOT/build/win32}")
RUNS=${RUNS:-9}
SETTLE=${SETTLE:-2}
CPU_RUNS=${CPU_RUNS:-3}
IDLE=${IDLE:-60}
EXE=$WIN64/app/tidewell.exe
PROBE=$WIN64/tests/winprobe/twprobe.exe
[ -f "$EXE" ] && [ -f "$PROBE" ] || { echo "build tidewell and twprobe in $WIN64 first" >&2; exit 1; }

source "$ROOT/tests/e2e/lib.sh"
tw_harness_start
BARE=$TW_RUN_DIR/bare_window.exe FLOOR=$TW_RUN_DIR/floor_window.exe
"$ROOT/bench/build_reference.sh" "$BARE" "$FLOOR"

# The update check reaches nothing but a dead loopback port.
dead_port=$(/usr/bin/python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
export http_proxy="http://127.0.0.1:$dead_port" https_proxy="http://127.0.0.1:$dead_port"
export LC_ALL=C.UTF-8

median() { sort -n | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
now_ns() { date +%s%N; }
probe() { tw_wine "$PROBE" "$@" > /dev/null 2>&1; }

# "MS KB": milliseconds from starting EXE until an X window titled TITLE is mapped,
# and the process's private memory SETTLE seconds later; the copy is then ended
# through its window (CLOSE_MSG: WM_CLOSE or WM_QUERYENDSESSION). The `wine` process
# started here becomes the Windows process itself (the loader execs into it).
time_to_window() {  # EXE TITLE CLASS CLOSE_MSG [ARG]
  local t0 t1 pid kb
  # The last copy's window may outlive its process for a moment.
  tw_poll 10 bash -c "! xdotool search --onlyvisible --name '^$2\$'" || true
  t0=$(now_ns)
  wine "$1" ${5:+"$5"} > /dev/null 2>&1 &
  pid=$!
  until xdotool search --onlyvisible --name "^$2\$" > /dev/null 2>&1; do
    kill -0 "$pid" 2> /dev/null || { echo "$1 ended before showing a window" >&2; return 1; }
    sleep 0.005
  done
  t1=$(now_ns)
  sleep "$SETTLE"
  kb=$(awk '$1 == "RssAnon:" { print $2 }' "/proc/$pid/status")
  echo "$(( (t1 - t0) / 1000000 )) $kb"
  probe send "$3" "$4" 0 0 || true
  tw_poll 10 bash -c "! kill -0 $pid" || kill "$pid"
  wait "$pid" 2> /dev/null || true
}

tw_prefix_new bench  # its wineserver stays up 30 s after the last process: every run starts warm
# name, then time_to_window's arguments
programs=("tidewell.exe|$EXE|Tidewell|TFrmTidewell|0x11|"
          "bare window|$BARE|Bare window|BareWindow|0x10|"
          "floor|$FLOOR|Floor window|FloorWindow|0x10|$dead_port")
[ -n "${BEFORE:-}" ] && programs+=("before|$(realpath "$BEFORE")|Tidewell|TFrmTidewell|0x11|")
ids=("${!programs[@]}")
run() {  # INDEX: one run of that program, "MS KB"
  local name exe title class msg arg
  IFS='|' read -r name exe title class msg arg <<< "${programs[$1]}"
  time_to_window "$exe" "$title" "$class" "$msg" "$arg"
}
for p in "${ids[@]}"; do run "$p" > /dev/null; done
ms=("" "" "" "") kb=("" "" "" "")  # each program's runs, space-separated
for ((i = 0; i < RUNS; i++)); do
  for p in "${ids[@]}"; do
    read -r m k < <(run "$p")
    ms[p]+=" $m" kb[p]+=" $k"
  done
done
# shellcheck disable=SC2086  # the list is split into its words on purpose
med() { printf '%s\n' $1 | median; }
echo "start to visible window, ms, and private memory (RssAnon) ${SETTLE} s after it shows, kB;"
echo "medians of $RUNS runs, the ${#ids[@]} programs taking turns"
printf '  %-14s %8s %10s   %s\n' program ms kB "runs (ms / kB)"
for p in "${ids[@]}"; do
  printf '  %-14s %8s %10s   [%s] [%s]\n' "${programs[p]%%|*}" "$(med "${ms[p]}")" "$(med "${kb[p]}")" \
    "${ms[p]# }" "${kb[p]# }"
done
echo "tidewell.exe against the floor: start $(echo "scale=2; $(med "${ms[0]}") / $(med "${ms[2]}")" | bc)x," \
  "memory +$(echo "$(med "${kb[0]}") - $(med "${kb[2]}")" | bc) kB;" \
  "against the bare window: start $(echo "scale=2; $(med "${ms[0]}") / $(med "${ms[1]}")" | bc)x," \
  "memory +$(echo "$(med "${kb[0]}") - $(med "${kb[1]}")" | bc) kB"
[ -n "${BEFORE:-}" ] && echo "the build before against the floor: start" \
  "$(echo "scale=2; $(med "${ms[3]}") / $(med "${ms[2]}")" | bc)x, memory +$(echo "$(med "${kb[3]}") - $(med "${kb[2]}")" | bc) kB"

echo "exe sizes, bytes"
for exe in "$WIN32/app/tidewell.exe" "$WIN64/app/tidewell.exe"; do
  [ -f "$exe" ] && printf '  %-60s %s\n' "$exe" "$(stat -c %s "$exe")"
done

# utime + stime of a process, in clock ticks.
ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
wineserver_of() {  # the wineserver serving WINEPREFIX
  local p
  for p in $(pgrep -x 'wineserver(64)?'); do
    tr '\0' '\n' < "/proc/$p/environ" 2> /dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" && { echo "$p"; return; }
  done
}
hz=$(getconf CLK_TCK)
cpu_run() {  # ARGS...: prints "program_ms wineserver_ms" over IDLE seconds
  local pid server p0 p1 s0 s1
  wine "$EXE" "$@" > /dev/null 2>&1 &
  pid=$!
  tw_poll 20 bash -c "xdotool search --name '^Tidewell\$'" || true
  sleep 5  # past start-up and the tray icon's re-add
  server=$(wineserver_of)
  p0=$(ticks "$pid") s0=$(ticks "$server")
  sleep "$IDLE"
  p1=$(ticks "$pid") s1=$(ticks "$server")
  echo "$(( (p1 - p0) * 1000 / hz )) $(( (s1 - s0) * 1000 / hz ))"
  probe send TFrmTidewell 0x11 0 0 || true
  tw_poll 10 bash -c "! kill -0 $pid" || kill "$pid"
  wait "$pid" 2> /dev/null || true
}
modes=(shown hidden)
[ "$CPU_RUNS" -gt 0 ] || modes=()
for mode in "${modes[@]}"; do
  prog=() serv=()
  for ((i = 0; i < CPU_RUNS; i++)); do
    if [ "$mode" = shown ]; then read -r p s < <(cpu_run); else read -r p s < <(cpu_run /start); fi
    prog+=("$p") serv+=("$s")
  done
  echo "CPU time over $IDLE idle seconds, window $mode, ms (median of $CPU_RUNS)"
  echo "  tidewell.exe  $(printf '%s\n' "${prog[@]}" | median)   [${prog[*]}]"
  echo "  wineserver    $(printf '%s\n' "${serv[@]}" | median)   [${serv[*]}]"
done
