# A crash never hangs the program, even when the crashed thread holds a lock that
# reporting it would need: the loader lock, the process heap's lock, or no stack
# left. twprobe loads tests/winprobe's twfault DLL into the running program and
# starts the fault on a thread of it. (A fault in a DllMain would hold the loader
# lock by itself, but Wine's loader catches every exception of a DLL entry point,
# so the DLL takes the loader lock with LdrLockLoaderLock and then faults.) Each case must end, well within the wait
# below, with a text report and the crash dialog up, or with the process gone;
# never with a process that stays and shows nothing. One case kills the crash
# watcher first, so the in-process reporter that stands in for it is held to the
# same rule.
set -uo pipefail
CLS=TFrmTidewell
pid=

fail() { echo "FAIL: $*"; [ -n "${TW_SHOTS:-}" ] && tw_shot "$TW_SHOTS/crash-locks-failed.png"; exit 1; }
probe() { tw_wine "$TW_PROBE" "$@" | tr -d '\r'; }
crashes() { ls -d "$WINEPREFIX"/drive_c/ProgramData/Tidewell/Crashes 2> /dev/null | head -n1; }
tw_button_ids || fail "twprobe gave no button ids"
report_count() { ls "$(crashes)" 2> /dev/null | grep -c '^tidewell-.*\.txt$'; }
watcher() { tw_pgrep '/crash-watcher:' | head -n1; }
no_watcher() { [ -z "$(watcher)" ]; }
alive() { kill -0 "$pid" 2> /dev/null; }
# The crash is over for the user: a new report and the dialog up, or the process gone.
settled() { ! alive || { [ "$(report_count)" -gt "$1" ] && probe wait 0 msgbox "$caption"; }; }

#      name                  dll                  export                  watcher
cases=("loader-lock          twfault.dll          HoldLoaderLockAndFault  yes"
       "heap-lock            twfault.dll          HoldHeapLockAndFault    yes"
       "stack-overflow       twfault.dll          OverflowStack           yes"
       "heap-lock-in-process twfault.dll          HoldHeapLockAndFault    no")

for row in "${cases[@]}"; do
  read -r name dll export with_watcher <<< "$row"
  echo "== $name"
  LC_ALL=C.UTF-8 timeout --kill-after=5 300 wine "$TW_EXE" > /dev/null 2>&1 &
  pid=$!
  probe wait 20000 shown $CLS || fail "$name: the window did not appear"
  caption=$(probe window $CLS | sed -n 's/.*caption=//p')
  tw_poll 20 watcher || fail "$name: no crash watcher started"
  if [ "$with_watcher" = no ]; then
    kill "$(watcher)"
    tw_poll 10 no_watcher || fail "$name: the watcher did not end"
  fi
  before=$(report_count)
  start=$(date +%s.%N)
  probe inject $CLS "$dll" "$export" || fail "$name: could not start the fault"
  # Generous for a loaded machine; a hang is forever.
  tw_poll 40 settled "$before" || fail "$name: the program hangs: alive, no dialog, $(report_count) reports"
  printf '%s: settled after %.1f s, %s\n' "$name" "$(echo "$(date +%s.%N) - $start" | bc)" \
    "$(alive && echo "report and dialog" || echo "process ended")"
  if alive; then
    report=$(cat "$(crashes)/$(ls -t "$(crashes)" | grep '\.txt$' | head -n1)" | tr -d '\r')
    grep -A3 -E "^(What|Stack):" <<< "$report"
    grep -q "^What: exception 0xC00000" <<< "$report" || fail "$name: the report names no exception"
    probe press "$caption" $TW_ID_CrashClose || fail "$name: cannot press Close"
    tw_poll 30 bash -c "! kill -0 $pid" || fail "$name: Close did not end the crashed copy"
  fi
  wait "$pid" 2> /dev/null
  probe wait 10000 gone $CLS || fail "$name: a window stayed"
  tw_poll 20 no_watcher || fail "$name: the watcher stayed"
done
