# The status page and the clean button of the real window. The physical line shows
# this machine's memory in the user's number format and is rewritten every second;
# pressing the clean button returns it to idle, and the window answers messages
# while the clean runs (the round trips are printed for the record; the bound here
# is the probe's 2-second time-out). Wine's purge requests return at once without doing anything,
# so the busy look (empty caption, disabled) lasts far less than one look from
# outside; the host tests hold it step by step. Figures are printed for the report.
set -u
CLS=TFrmTidewell
pid=

fail() { echo "FAIL: $*"; [ -n "${TW_SHOTS:-}" ] && tw_shot "$TW_SHOTS/cleaning-failed.png"; exit 1; }
# The probe's locale. Each Wine process that starts with another locale than the
# prefix's rewrites the prefix's user number format, so while the program may still
# be reading it the probes run in the program's locale.
lc=C.UTF-8
probe() { timeout --kill-after=5 120 env LC_ALL="$lc" wine "$TW_PROBE" "$@" | tr -d '\r'; }
now_ms() { echo $(( $(date +%s%N) / 1000000 )); }

start() {  # LC_ALL CLEAN-CAPTION PROBE-LC_ALL
  lc=$3
  # A first short process settles the prefix on the locale before the program reads it.
  timeout 120 env LC_ALL="$1" wine "$TW_PROBE" find NoSuchWindow > /dev/null 2>&1
  timeout --kill-after=5 300 env LC_ALL="$1" wine "$TW_EXE" > /dev/null 2>&1 &
  pid=$!
  probe wait 20000 text $CLS BtnClean "$2" || fail "the window did not come up with '$2' on its button"
  tw_poll 10 has_phys_line || fail "the physical line stayed empty"
}

stop() {  # the end of the log-on closes the program without asking
  probe send $CLS 0x11 0 0 > /dev/null || fail "WM_QUERYENDSESSION was not answered"
  probe wait 10000 gone $CLS || fail "the window did not close"
  tw_poll 10 bash -c "! kill -0 $pid" || fail "the program did not end"
  wait "$pid" 2> /dev/null
}

column() { probe control $CLS "$1" | cut -f"$2"; }  # 4 visible, 5 enabled, 9 text
phys_line() { column LblPhysStatus 9; }
has_phys_line() { [ -n "$(phys_line)" ]; }
# "USED TOTAL" in MB from the physical line, separators taken out.
phys_mb() { phys_line | sed -E 's/^([0-9.,]+) MB \/ ([0-9.,]+) MB.*/\1 \2/' | tr -d '.,'; }
host_mb() { awk -v k="$1" '$1 == k ":" { printf "%d", $2 / 1024 + 0.5 }' /proc/meminfo; }

check_clean() {  # CLEAN-CAPTION
  local idle during
  idle=$(probe ping $CLS 500) || fail "the idle window did not answer WM_NULL"
  # Pressed from inside the probe, which then keeps asking the window for 1.5 s.
  during=$(probe ping $CLS 1500 BtnClean) || fail "the window did not answer WM_NULL within 2 s during a clean"
  echo "WM_NULL round trips: idle $idle; from the press on $during"
  probe wait 10000 text $CLS BtnClean "$1" || fail "the button did not return to '$1'"
  [ "$(column BtnClean 5)" = 1 ] || fail "the button stays disabled after the clean"
  [ "$(column Indicator 4)" = 0 ] || fail "the activity indicator stays visible after the clean"
}

# --- German number format, English interface ----------------------------------------
start de_DE.UTF-8 "Clean memory" de_DE.UTF-8
line=$(phys_line)
echo "physical line: $line"
[[ "$line" =~ ^[0-9]{1,3}(\.[0-9]{3})*\ MB\ /\ [0-9]{1,3}(\.[0-9]{3})*\ MB\ \(Usage:\ [0-9]{1,3},[0-9]{2}%\)$ ]] ||
  fail "the physical line is not in the German number format: '$line'"
read -r used total <<< "$(phys_mb)"
expected_total=$(host_mb MemTotal)
[ $(( total - expected_total )) -ge -1 ] && [ $(( total - expected_total )) -le 1 ] ||
  fail "total $total MB, the machine has $expected_total MB"

# The used figure is the machine's: within 512 MB of what Linux reports around the
# same moment (this machine is shared, and its figures move while we look).
host_used() { echo $(( $(host_mb MemTotal) - $(host_mb MemAvailable) )); }
a=$(host_used); used=$(phys_mb | cut -d' ' -f1); b=$(host_used)
low=$(( (a < b ? a : b) - 512 )); high=$(( (a > b ? a : b) + 512 ))
echo "used: window $used MB, /proc/meminfo $a..$b MB"
[ "$used" -ge "$low" ] && [ "$used" -le "$high" ] || fail "the window shows $used MB used, Linux $a..$b MB"

# The line is rewritten every second: it soon shows another reading (every Wine
# process this test starts moves the figure by itself).
first=$(phys_line); t0=$(now_ms)
line_changed() { [ "$(phys_line)" != "$first" ]; }
tw_poll 15 line_changed || fail "the physical line did not change in 15 seconds: '$first'"
echo "the physical line changed after $(( $(now_ms) - t0 )) ms: '$first' -> '$(phys_line)'"

check_clean "Clean memory"
stop

# --- Korean interface ----------------------------------------------------------------
# Korean writes numbers as English does, and a Wine process in the Korean locale
# takes seconds to start (its fonts), so the probes stay in C.UTF-8 here.
start ko_KR.UTF-8 "정리하기" C.UTF-8
line=$(phys_line)
echo "physical line: $line"
[[ "$line" =~ ^[0-9,]+\ MB\ /\ [0-9,]+\ MB\ \([0-9]{1,3}\.[0-9]{2}%\ 사용중\)$ ]] ||
  fail "the Korean physical line reads '$line'"
check_clean "정리하기"
stop
