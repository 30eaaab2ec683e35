# The whole program as a user meets it. A normal start in Korean shows the window
# with the figures already filled and puts the icon in the tray; both pages are
# photographed. A start with "/start" (the log-on task) shows no window at all, only
# the tray icon, and a click on the icon brings the window back with its figures.
# The end of the log-on closes the program without a question.
set -uo pipefail
CLS=TFrmTidewell
TRAY='Wine System Tray'  # Wine's own notification area when there is no desktop
pid=

fail() { echo "FAIL: $*"; [ -n "${TW_SHOTS:-}" ] && tw_shot "$TW_SHOTS/program-failed.png"; exit 1; }
probe() { tw_wine "$TW_PROBE" "$@" | tr -d '\r'; }
field() { probe window $CLS | tr ' ' '\n' | sed -n "s/^$1=//p"; }
text_of() { probe control $CLS "$1" | cut -f9; }
visible_of() { probe control $CLS "$1" | cut -f4; }
tray_icon_shown() { xdotool search --onlyvisible --name "^$TRAY\$" > /dev/null 2>&1; }

start() {  # LOCALE ARGS...
  local locale=$1
  shift
  LC_ALL=$locale timeout --kill-after=5 300 wine "$TW_EXE" "$@" > /dev/null 2>&1 &
  pid=$!
  probe wait 20000 exists $CLS || fail "the window was not created"
}

# The end of the log-on: answered 1, no question, the program ends, the icon goes.
log_off() {
  [ "$(probe send $CLS 0x11 0 0)" = 1 ] || fail "WM_QUERYENDSESSION was not answered 1"
  probe wait 10000 gone $CLS || fail "the log-off did not close the window"
  tw_poll 10 bash -c "! kill -0 $pid" || fail "the program did not end at log-off"
  wait "$pid" 2> /dev/null
  tw_poll 5 bash -c '! xdotool search --onlyvisible --name "^Wine System Tray\$"' ||
    fail "the tray icon outlived the program"
}

# --- A normal start, in Korean ---------------------------------------------------
start ko_KR.UTF-8
probe wait 10000 shown $CLS || fail "a normal start did not show the window"
[ "$(field caption)" = "타이드웰" ] || fail "caption is '$(field caption)'"
status=$(text_of LblPhysStatus)
[ -n "$status" ] || fail "the figures were not filled when the window first showed"
echo "status line at first show: $status"
tw_poll 5 tray_icon_shown || fail "no tray icon after a normal start"
[ "$(text_of EditInfo)" = "버전: 1.0.0" ] || fail "version line is '$(text_of EditInfo)'"
tw_shot "$TW_SHOTS/program-ko-status.png"

probe click $CLS BtnConfig || fail "no BtnConfig"
settings_shown() { [ "$(visible_of Card2)" = 1 ]; }
tw_poll 5 settings_shown || fail "the settings page did not open"
[ "$(visible_of Card1)" = 0 ] || fail "the status page still shows under the settings page"
tw_shot "$TW_SHOTS/program-ko-settings.png"
log_off

# --- A log-on start: "/start" ------------------------------------------------------
start C.UTF-8 /start
tw_poll 10 tray_icon_shown || fail "no tray icon after a \"/start\" start"
# Never shown by itself, also not when the icon is re-added a second after start:
# watched for three seconds.
shown_or_ended() { [ "$(field visible)" != 0 ] || ! kill -0 "$pid" 2> /dev/null; }
! tw_poll 3 shown_or_ended || fail "a \"/start\" start showed the window or ended"
tray_icon_shown || fail "the tray icon went away after its re-add"
[ -n "$(text_of LblPhysStatus)" ] || fail "the figures were not filled while hidden"
tw_shot "$TW_SHOTS/program-start-hidden.png"

# A click on the icon (cleaning on tray clicks is off by default) restores the window.
tw_tray_press 1 || fail "could not click the tray icon"
probe wait 10000 shown $CLS || fail "a click on the tray icon did not bring the window back"
[ "$(field caption)" = "Tidewell" ] || fail "caption is '$(field caption)' in English"
tw_shot "$TW_SHOTS/program-en-restored.png"
log_off
exit 0
