# A crash of the running program: a thread of it that starts at an invalid address
# (twprobe crash). At once a text report and a minidump land in
# %ProgramData%\Tidewell\Crashes, the crash dialog says what happened and offers
# Restart, Close, the report folder and the details, but no way to go on; Restart
# brings up a fresh copy that is the main copy, and the crashed one is gone.
set -uo pipefail
CLS=TFrmTidewell
pid=

fail() { echo "FAIL: $*"; [ -n "${TW_SHOTS:-}" ] && tw_shot "$TW_SHOTS/crash-failed.png"; exit 1; }
probe() { tw_wine "$TW_PROBE" "$@" | tr -d '\r'; }
crashes() { ls -d "$WINEPREFIX"/drive_c/ProgramData/Tidewell/Crashes 2> /dev/null | head -n1; }
tw_button_ids || fail "twprobe gave no button ids"
reports() { ls "$(crashes)" 2> /dev/null | grep -c "^tidewell-[0-9]\{8\}-[0-9]\{6\}-[0-9]*\.$1\$"; }
has_text_report() { [ "$(reports txt)" = 1 ]; }
watcher() { [ -n "$(tw_pgrep '/crash-watcher:')" ]; }
no_watcher() { ! watcher; }
main_copy_other_than() { local now; now=$(probe pid $CLS) && [ -n "$now" ] && [ "$now" != "$1" ]; }

LC_ALL=C.UTF-8 timeout --kill-after=5 300 wine "$TW_EXE" > /dev/null 2>&1 &
pid=$!
probe wait 20000 shown $CLS || fail "the window did not appear"
caption=$(probe window $CLS | sed -n 's/.*caption=//p')
crashed=$(probe pid $CLS)
[ -n "$crashed" ] || fail "no process id for the window"
tw_poll 20 watcher || fail "no crash watcher started"

probe crash $CLS || fail "could not start a thread at an invalid address"
tw_poll 20 has_text_report || fail "no text report: $(ls -l "$(crashes)" 2>&1)"
report=$(cat "$(crashes)"/*.txt | tr -d '\r')
echo "$report" | head -n 12
grep -q "^What: exception 0xC0000005 ACCESS_VIOLATION at 0x00000010$" <<< "$report" || fail "the report names no access violation at 0x10"
grep -q "^Access: execute of 0x00000010$" <<< "$report" || fail "the report names no execute access"
grep -q "^Thread: [0-9]* (worker thread)$" <<< "$report" || fail "the report names no worker thread"
grep -q "^Process: $((crashed))$" <<< "$report" || fail "the report names another process than $crashed"

probe wait 60000 msgbox "$caption" || fail "no crash dialog captioned '$caption'"
# The dump is written beside the dialog (Wine's dump writer takes seconds).
dump_written() { [ "$(reports dmp)" = 1 ] && [ "$(stat -c %s "$(crashes)"/*.dmp)" -gt 1000 ]; }
tw_poll 60 dump_written || fail "no minidump beside the report: $(ls -l "$(crashes)" 2>&1)"
dialog=$(probe msgbox "$caption")
echo "$dialog"
tw_shot "$TW_SHOTS/crash-dialog.png"
grep -q "^text=.*ACCESS_VIOLATION" <<< "$dialog" || fail "the dialog does not name the exception"
for id in $TW_ID_CrashRestart $TW_ID_CrashClose $TW_ID_CrashOpenFolder $TW_ID_CrashCopy; do
  grep -q "^button=$id	" <<< "$dialog" || fail "the dialog lacks button $id"
done
! grep -q "^button=$TW_ID_CrashContinue	" <<< "$dialog" || fail "the crash dialog offers to go on"

probe press "$caption" $TW_ID_CrashRestart || fail "cannot press Restart"
tw_poll 20 bash -c "! kill -0 $pid" || fail "the crashed copy did not end"
wait "$pid" 2> /dev/null
probe wait 20000 shown $CLS || fail "no fresh copy came up"
tw_poll 10 main_copy_other_than "$crashed" || fail "the window still belongs to the crashed copy"
echo "crashed copy $crashed, fresh copy $(probe pid $CLS)"
# The fresh copy is the main copy: it answers the end of the log-on and ends.
probe send $CLS 0x11 0 0 > /dev/null || fail "the fresh copy does not answer"
probe wait 10000 gone $CLS || fail "the fresh copy did not close"
# The fresh copy's crash watcher ends with it.
tw_poll 10 no_watcher || fail "a crash watcher outlived the program"
