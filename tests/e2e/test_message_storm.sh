# A hostile process sends and posts the main window a few thousand messages from the
# ranges programs number their own messages in (WM_USER, WM_APP, registered) with
# arbitrary parameters; the only one left out is the documented quit request
# (WM_USER, wParam 2). The program must come through it running and answering: the
# window still there, WM_NULL answered, the status line still updated every second,
# and the end of the log-on still closing it. The storm follows its seed; the log
# prints it, and TW_STORM_SEED=N tests/e2e/run storm repeats that storm.
set -u
CLS=TFrmTidewell
pid=
app_log=$TW_RUN_DIR/message-storm-app.log

fail() {  # with what Wine said about a crash of the program
  echo "FAIL: $*"
  grep -m3 -i 'unhandled' "$app_log"
  [ -n "${TW_SHOTS:-}" ] && tw_shot "$TW_SHOTS/message-storm-failed.png"
  exit 1
}
probe() { tw_wine "$TW_PROBE" "$@" | tr -d '\r'; return "${PIPESTATUS[0]}"; }
phys_line() { probe control $CLS LblPhysStatus | cut -f9; }
runs() { kill -0 "$pid" 2> /dev/null; }

LANG=C.UTF-8 timeout --kill-after=5 300 wine "$TW_EXE" > "$app_log" 2>&1 &
pid=$!
probe wait 30000 shown $CLS || fail "the window did not appear"

seed=${TW_STORM_SEED:-$(od -An -N4 -tu4 /dev/urandom | tr -d ' ')}
echo "storm seed $seed"
probe storm $CLS "$seed" 2000 || fail "the window went away during the storm (seed $seed)"
# Posted messages are handled in order, so once a close posted after the storm has
# hidden the window to the tray, every message of the storm has been handled.
probe post $CLS 0x10 0 0 || fail "the window refused a posted WM_CLOSE after the storm"
probe wait 20000 hidden $CLS || fail "the window did not hide after the storm (seed $seed)"
runs || fail "the program ended (seed $seed)"
[ "$(probe send $CLS 0 0 0)" = 0 ] || fail "WM_NULL was not answered after the storm (seed $seed)"

first=$(phys_line)
line_changed() { [ "$(phys_line)" != "$first" ]; }
tw_poll 15 line_changed || fail "the status line stopped changing after the storm: '$first' (seed $seed)"

[ "$(probe send $CLS 0x11 0 0)" = 1 ] || fail "WM_QUERYENDSESSION was not answered 1 after the storm"
probe wait 10000 gone $CLS || fail "the end of the log-on did not close the window"
tw_poll 20 bash -c "! kill -0 $pid" || fail "the program did not end"
echo "the program came through the storm"
