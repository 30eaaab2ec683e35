#!/usr/bin/env bash
# Where the start of the 64-bit tidewell.exe goes under Wine: every DLL the process
# loads until its window is mapped, in order, with the milliseconds since the
# process's first traced call (Wine's +loaddll channel with time stamps), then the
# same for bench/bare_window.cpp. The DLLs past the bare window's are what the program
# adds to a start; their times show which creation step pays for them.
#
#   bench/start_profile.sh [WIN64_BUILD_DIR]
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(realpath "${1:-$ROOT/build/win64}")
EXE=$BUILD/app/tidewell.exe
PROBE=$BUILD/tests/winprobe/twprobe.exe
source "$ROOT/tests/e2e/lib.sh"
tw_harness_start
tw_block_network
BARE=$TW_RUN_DIR/bare_window.exe
x86_64-w64-mingw32-g++-posix -std=c++20 -O2 -static -municode -mwindows -o "$BARE" "$ROOT/bench/bare_window.cpp"
tw_prefix_new profile
export LC_ALL=C.UTF-8

trace() {  # EXE TITLE CLASS CLOSE_MSG
  local log=$TW_RUN_DIR/trace.log pid
  WINEDEBUG=+timestamp,+pid,+loaddll wine "$1" > /dev/null 2> "$log" &
  pid=$!
  tw_poll 20 xdotool search --onlyvisible --name "^$2\$"
  echo "--- $(basename "$1"): DLLs loaded until the window shows (ms since the first)"
  # "1234.567:0020:0024:trace:loaddll:build_module Loaded L"C:\\windows\\system32\\ole32.dll" ..."
  # Only the program's own process (the first to load a DLL), not Wine's helpers.
  awk -F: '/:loaddll:/ && /Loaded/ {
      if (!pid) pid = $2
      if ($2 != pid) next
      t = $1 + 0; if (!t0) t0 = t
      match($0, /\\[^\\"]+"/); name = substr($0, RSTART + 1, RLENGTH - 2)
      printf "  %7.1f  %s\n", (t - t0) * 1000, name }' "$log"
  sleep 2
  echo "--- $(basename "$1"): private memory 2 s after the window shows, kB (Anonymous in smaps, by mapping)"
  awk '/^[0-9a-f]+-[0-9a-f]+ / { name = (NF >= 6 ? $NF : "[anonymous]") }
       /^Anonymous:/ { kb[name] += $2; total += $2 }
       END { for (n in kb) if (kb[n] >= 64) printf "  %7d  %s\n", kb[n], n; printf "  %7d  total\n", total }' \
    "/proc/$pid/smaps" | sort -rn
  tw_wine "$PROBE" send "$3" "$4" 0 0 > /dev/null 2>&1 || true
  tw_poll 10 bash -c "! kill -0 $pid" || kill "$pid"
  wait "$pid" 2> /dev/null || true
}
trace "$BARE" "Bare window" BareWindow 0x10 > /dev/null  # Wine's own processes come up once
trace "$EXE" Tidewell TFrmTidewell 0x11
trace "$BARE" "Bare window" BareWindow 0x10
