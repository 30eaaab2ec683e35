#!/usr/bin/env bash
# Where the start and the private memory of the 64-bit tidewell.exe go under Wine,
# beside bench/bare_window.cpp and bench/floor_window.cpp (see startup_wine.sh), on
# a private Xvfb display with the network blocked, without changing the program:
#
#   time   Wine's relay trace of a few marker calls (RelayInclude), with +timestamp,
#          +pid, +tid and +loaddll, cut into phases from the launch to the mapped
#          window: the loader, each DLL's attach, then the program's own steps
#          (theme, tables, window and controls, fonts, each creation step, show and
#          first paint) and the wait until the X window is seen. Medians of
#          TRACE_RUNS runs per program, the three taking turns. The trace slows the
#          start down; startup_wine.sh has the untraced figures, the shares hold.
#   memory SETTLE s after the window shows: /proc/PID/smaps joined with the
#          program's Windows view (bench/memory_probe.cpp: thread stacks, process
#          heap, committed private regions, GDI and USER objects), and the heap
#          blocks alive then by the module that asked for them (a second run with
#          the heap functions relayed; the first caller outside Wine is named); and
#          the Unix heap again in an untraced run with glibc's mmap threshold fixed
#          at 128 kB: what it drops is freed memory glibc keeps, from large blocks
#          Wine's Unix side (win32u: bitmaps, DCs) allocated and freed.
#
#   bench/start_breakdown.sh [WIN64_BUILD_DIR]
#   TRACE_RUNS=5 SETTLE=2 KEEP=/tmp/breakdown bench/start_breakdown.sh build/win64
# The traces stay in KEEP (default /tmp/tidewell-breakdown) for a closer look.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(realpath "${1:-$ROOT/build/win64}")
TRACE_RUNS=${TRACE_RUNS:-5}
SETTLE=${SETTLE:-2}
EXE=$BUILD/app/tidewell.exe
PROBE=$BUILD/tests/winprobe/twprobe.exe
[ -f "$EXE" ] && [ -f "$PROBE" ] || { echo "build tidewell and twprobe in $BUILD first" >&2; exit 1; }
source "$ROOT/tests/e2e/lib.sh"
tw_harness_start
tw_block_network
OUT=${KEEP:-/tmp/tidewell-breakdown}
mkdir -p "$OUT"
BARE=$TW_RUN_DIR/bare_window.exe FLOOR=$TW_RUN_DIR/floor_window.exe MEMPROBE=$TW_RUN_DIR/memory_probe.exe
"$ROOT/bench/build_reference.sh" "$BARE" "$FLOOR"
x86_64-w64-mingw32-g++-posix -std=c++20 -O2 -Wall -Wextra -Werror -static -municode -o "$MEMPROBE" \
  "$ROOT/bench/memory_probe.cpp"
dead_port=$(/usr/bin/python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
tw_prefix_new breakdown
export LC_ALL=C.UTF-8

# The markers of the phases (start_breakdown.py names them), and the calls whose
# blocks and objects the memory run counts.
MARKERS="SetDefaultDllDirectories;FindResourceW;RegOpenKeyExW;LoadImageW;RegisterClassExW;CreateWindowExW"
MARKERS+=";CreateFontIndirectW;RegisterWindowMessageW;CoInitialize;CoUninitialize;Shell_NotifyIconW"
MARKERS+=";AdjustTokenPrivileges;CreateThread;ShowWindow;BeginPaint;GetMessageW;RtlCreateHeap"
HEAPS="RtlAllocateHeap;RtlFreeHeap;RtlReAllocateHeap;malloc;calloc;realloc;_aligned_malloc;RtlCreateHeap"
HEAPS+=";CreateFontIndirectW;CreateSolidBrush;CreatePen;CreateCompatibleBitmap;CreateDIBSection;CreateBitmap"
HEAPS+=";CreateCompatibleDC;CreateIconIndirect;CreateIconFromResourceEx;DeleteObject;DeleteDC;DestroyIcon"
relay_only() { tw_wine reg add 'HKCU\Software\Wine\Debug' /v RelayInclude /t REG_SZ /d "$1" /f > /dev/null 2>&1; }
raw_clock() { /usr/bin/python3 -c 'import time; print(time.clock_gettime(time.CLOCK_MONOTONIC_RAW))'; }  # Wine's clock

# One traced run: OUT/NAME.N.{log,clock,smaps,probe,pages}; N "glibc": untraced, with
# glibc's mmap threshold fixed (no trace: its log stays empty).
traced() {  # NAME N EXE TITLE CLASS CLOSE_MSG [ARG]
  local base=$OUT/$1.$2 pid winpid
  raw_clock > "$base.clock"
  if [ "$2" = glibc ]; then
    MALLOC_MMAP_THRESHOLD_=131072 MALLOC_TRIM_THRESHOLD_=131072 wine "$3" ${7:+"$7"} > /dev/null 2> "$base.log" &
  else
    WINEDEBUG=+timestamp,+pid,+tid,+loaddll,+relay wine "$3" ${7:+"$7"} > /dev/null 2> "$base.log" &
  fi
  pid=$!
  until xdotool search --onlyvisible --name "^$4\$" > /dev/null 2>&1; do
    kill -0 "$pid" 2> /dev/null || { echo "$3 ended before showing a window" >&2; return 1; }
    sleep 0.005
  done
  raw_clock >> "$base.clock"
  sleep "$SETTLE"
  raw_clock >> "$base.clock"
  cp "/proc/$pid/smaps" "$base.smaps"
  if [ "$2" != glibc ]; then
    /usr/bin/python3 "$ROOT/bench/start_breakdown.py" --pages "$pid" > "$base.pages" 2> /dev/null || true
    winpid=$(grep -m1 -o '^[0-9.]*:[0-9a-f]*:[0-9a-f]*:trace:loaddll:build_module Loaded L"[^"]*\.exe"' "$base.log" |
      cut -d: -f2)
    tw_wine "$MEMPROBE" "0x$winpid" > "$base.probe" 2> /dev/null || true
  fi
  tw_wine "$PROBE" send "$5" "$6" 0 0 > /dev/null 2>&1 || true
  tw_poll 10 bash -c "! kill -0 $pid" || kill "$pid"
  wait "$pid" 2> /dev/null || true
}
programs=("tidewell|$EXE|Tidewell|TFrmTidewell|0x11|"
          "bare|$BARE|Bare window|BareWindow|0x10|"
          "floor|$FLOOR|Floor window|FloorWindow|0x10|$dead_port")
each() {  # N: one traced run of every program
  local entry name exe title class msg arg
  for entry in "${programs[@]}"; do
    IFS='|' read -r name exe title class msg arg <<< "$entry"
    traced "$name" "$1" "$exe" "$title" "$class" "$msg" "$arg"
  done
}
relay_only "$MARKERS"
each warm  # Wine's own processes come up once
for ((i = 1; i <= TRACE_RUNS; i++)); do each "$i"; done
relay_only "$HEAPS"
each heap
each glibc
/usr/bin/python3 "$ROOT/bench/start_breakdown.py" "$OUT" "$TRACE_RUNS"
echo "traces in $OUT"
