#!/usr/bin/env bash
# Builds the two reference programs of the start-up benchmarks for win64:
# bench/bare_window.cpp (a bare window) and bench/floor_window.cpp (the bare window
# plus the platform work of the main window's creation).
#
#   bench/build_reference.sh BARE_EXE FLOOR_EXE
set -euo pipefail
BENCH=$(cd "$(dirname "$0")" && pwd)
CXX=(x86_64-w64-mingw32-g++-posix -std=c++20 -O2 -Wall -Wextra -Werror -static -municode -mwindows)
"${CXX[@]}" -o "$1" "$BENCH/bare_window.cpp"
"${CXX[@]}" -o "$2" "$BENCH/floor_window.cpp" -lole32 -loleaut32
