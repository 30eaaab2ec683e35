# One copy per log-on, with two real processes: while a copy runs hidden in the
# tray, a second start becomes a request to it, chosen by the second start's first
# argument, and the second copy ends by itself. "/uninst" closes the running copy;
# with no copy running it simply ends. The times of the second starts are logged.
set -uo pipefail
CLS=TFrmTidewell
first=

fail() { echo "FAIL: $*"; [ -n "${TW_SHOTS:-}" ] && tw_shot "$TW_SHOTS/instance-failed.png"; exit 1; }
probe() { tw_wine "$TW_PROBE" "$@" | tr -d '\r'; }
ms_since() { echo $(( ($(date +%s%N) - $1) / 1000000 )); }
field() { probe window $CLS | tr ' ' '\n' | sed -n "s/^$1=//p"; }  # visible, iconic, foreground
first_runs() { kill -0 "$first" 2> /dev/null; }

# A second copy must end by itself; a copy that wrongly became a second main copy
# would run on and is stopped by the time limit.
second() {
  local t0 rc
  t0=$(date +%s%N)
  timeout --kill-after=2 30 wine "$TW_EXE" "$@" > /dev/null 2>&1
  rc=$?
  echo "second start [$*]: exit $rc after $(ms_since "$t0") ms"
  [ "$rc" -eq 0 ] || fail "second start [$*] ended with $rc"
}

to_tray() {  # the close box hides the window; the program keeps running
  probe post $CLS 0x10 0 0 > /dev/null
  probe wait 10000 hidden $CLS || fail "the close box did not hide the window"
  first_runs || fail "closing the window ended the program"
}

expect_shown() {  # what a show request must leave: the window restored and in front
  probe wait 10000 shown $CLS || fail "$1: the hidden window did not come back"
  [ "$(field iconic)" = 0 ] || fail "$1: the window came back minimised"
  [ "$(field foreground)" = 1 ] || fail "$1: the window is not in front"
}

# --- The first copy, hidden in the tray --------------------------------------------
timeout --kill-after=5 300 wine "$TW_EXE" > /dev/null 2>&1 &
first=$!
probe wait 20000 shown $CLS || fail "the first copy's window did not appear"
to_tray

# --- Show requests ------------------------------------------------------------------
second
expect_shown "no argument"
to_tray

# The log-on task firing while a copy runs changes nothing. SendMessage is
# synchronous, so anything the running copy was asked to do is done by now.
second /start
[ "$(field visible)" = 0 ] || fail "\"/start\" showed the running copy's window"

# Only the exact first argument counts: anything else asks the running copy to show.
show_request() {
  second "$@"
  expect_shown "[$*]"
  to_tray
}
show_request /START
show_request start
show_request "/start "
show_request x /start
show_request /inst

# --- Uninstall request -------------------------------------------------------------
# It arrives while the user has the tray menu open: the menu closes with the program.
tw_tray_press 3 || fail "could not press the tray icon"
probe wait 10000 menu || fail "the tray menu did not open"
t0=$(date +%s%N)
second /uninst
# The sender waits a second at most; the running copy may take longer on a busy machine.
probe wait 10000 gone $CLS || fail "the running copy's window outlived the uninstall request"
tw_poll 20 bash -c "! kill -0 $first" || fail "the running copy did not end"
echo "running copy ended $(ms_since "$t0") ms after the \"/uninst\" start"
wait "$first" 2> /dev/null

# With no copy running, "/uninst" ends at once and starts nothing.
second /uninst
if probe find $CLS > /dev/null; then fail "\"/uninst\" with no copy running opened a window"; fi
exit 0
