# The settings page through the real window: every setting changed from outside as
# a user would (check boxes clicked, list items picked) is in the registry at once
# as a REG_DWORD with the exact value, the language is never written, and the next
# start shows every setting again. A first start in a Korean locale shows the
# Korean version line; the next, in an English one, the English line. A value of
# the wrong type is reported with its message and the program goes on.
set -u
KEY='HKCU\Software\Quillmere\Tidewell'
CLS=TFrmTidewell
pid=

fail() { echo "FAIL: $*"; [ -n "${TW_SHOTS:-}" ] && tw_shot "$TW_SHOTS/settings-failed.png"; exit 1; }
probe() { tw_wine "$TW_PROBE" "$@" | tr -d '\r'; }

start() {  # LC_ALL for the run; waits for the window
  LC_ALL=$1 timeout --kill-after=5 300 wine "$TW_EXE" > /dev/null 2>&1 &
  pid=$!
  probe wait 20000 exists $CLS || fail "the window did not appear"
}

stop() {  # the end of the log-on closes the program without asking
  probe send $CLS 0x11 0 0 > /dev/null || fail "WM_QUERYENDSESSION was not answered"
  probe wait 10000 gone $CLS || fail "the window did not close"
  tw_poll 10 bash -c "! kill -0 $pid" || fail "the program did not end"
  wait "$pid" 2> /dev/null
}

# "TYPE DATA" of one value, nothing when it is missing.
reg_value() {
  tw_wine reg query "$KEY" /v "$1" 2> /dev/null | tr -d '\r' |
    awk -v n="$1" 'tolower($1) == tolower(n) { print $2, $3 }'
}
reg_is() { [ "$(reg_value "$1")" = "$2" ]; }
expect_reg() {  # NAME DWORD: polls until the value is there
  tw_poll 10 reg_is "$1" "REG_DWORD $2" || fail "$1 is '$(reg_value "$1")', not REG_DWORD $2"
}

# "ENABLED CHECKED SELECTION" of one control (columns of twprobe's control line).
control() { probe control $CLS "$1" | awk -F'\t' '{ print $5, $6, $7 }'; }
control_is() { [ "$(control "$1")" = "$2" ]; }
expect_control() {  # NAME "ENABLED CHECKED SELECTION": polls until the control shows it
  tw_poll 10 control_is "$1" "$2" || fail "$1 shows '$(control "$1")', expected '$2'"
}
text_of() { probe control $CLS "$1" | cut -f9; }

click() {  # NAME CHECKED-AFTER
  probe click $CLS "$1" || fail "no control $1"
  probe wait 10000 checked $CLS "$1" "$2" || fail "$1 did not become $2"
}
pick() {  # NAME INDEX
  probe pick $CLS "$1" "$2" || fail "cannot pick item $2 of $1"
}

# --- First start: nothing stored yet ---------------------------------------------
start ko_KR.UTF-8
probe wait 20000 shown $CLS || fail "the window did not show"  # creation has run by then
probe click $CLS BtnConfig > /dev/null
tw_wine reg query "$KEY" > /dev/null 2>&1 || fail "the first start did not create the key"
values=$(tw_wine reg query "$KEY" 2> /dev/null | tr -d '\r' | grep -c 'REG_')
[ "$values" -eq 0 ] || fail "the first start wrote $values values"
for list in EditUsagePhys EditUsagePage EditUsageWork; do expect_control $list "0 -1 6"; done
expect_control EditMinute "0 -1 3"
for box in ChkUsagePhys ChkUsagePage ChkUsageWork ChkMinute ChkCleanOnTray; do expect_control $box "1 0 -1"; done
[ "$(text_of EditInfo)" = "버전: 1.0.0" ] || fail "Korean version line is '$(text_of EditInfo)'"

# --- Every setting changed from outside ----------------------------------------------
click ChkUsagePhys 1;   expect_reg enabled_usage_phys 0x1
pick EditUsagePhys 4;   expect_reg limit_usage_phys 0x4
click ChkUsagePage 1;   expect_reg enabled_usage_page 0x1
pick EditUsagePage 0;   expect_reg limit_usage_page 0x0
click ChkUsageWork 1;   expect_reg enabled_usage_work 0x1
pick EditUsageWork 2;   expect_reg limit_usage_work 0x2
click ChkUsageWork 0;   expect_reg enabled_usage_work 0x0
click ChkMinute 1;      expect_reg enabled_minute 0x1
pick EditMinute 5;      expect_reg limit_minute 0x5
click ChkCleanOnTray 1; expect_reg cleanontray 0x1
# A list whose box is unchecked is disabled and keeps its item.
expect_control EditUsageWork "0 -1 2"
expect_control EditUsagePhys "1 -1 4"
[ -z "$(reg_value language)" ] || fail "the language was written: $(reg_value language)"
stop

# --- Next start: the same settings on the settings page --------------------------------
start C.UTF-8
probe wait 20000 shown $CLS || fail "the window did not show"
probe click $CLS BtnConfig > /dev/null
expect_control ChkUsagePhys "1 1 -1";   expect_control EditUsagePhys "1 -1 4"
expect_control ChkUsagePage "1 1 -1";   expect_control EditUsagePage "1 -1 0"
expect_control ChkUsageWork "1 0 -1";   expect_control EditUsageWork "0 -1 2"
expect_control ChkMinute "1 1 -1";      expect_control EditMinute "1 -1 5"
expect_control ChkCleanOnTray "1 1 -1"
[ "$(text_of EditInfo)" = "ver: 1.0.0" ] || fail "English version line is '$(text_of EditInfo)'"
[ -n "${TW_SHOTS:-}" ] && tw_shot "$TW_SHOTS/settings-restarted.png"
# Loading stored the checked boxes' values again, unchanged.
for pair in enabled_usage_phys:0x1 limit_usage_phys:0x4 enabled_usage_page:0x1 limit_usage_page:0x0 \
            enabled_usage_work:0x0 limit_usage_work:0x2 enabled_minute:0x1 limit_minute:0x5 cleanontray:0x1; do
  expect_reg "${pair%%:*}" "${pair#*:}"
done
stop

# --- A value of the wrong type: its message, and the program goes on ----------------
# The load stops at that read: the settings read before it are shown, the rest keep
# the window's initial state, the window stays untranslated, and nothing is written.
tw_wine reg add "$KEY" /v limit_minute /t REG_SZ /d 3 /f > /dev/null 2>&1 || fail "cannot plant limit_minute"
start C.UTF-8
# Raised before the settings set the window's caption, the box carries the
# program's name, never an empty caption.
caption=Tidewell
tw_poll 20 probe msgbox "$caption" || fail "no message box captioned '$caption' for the wrong-typed value"
# On a loaded machine the box may be found before it has laid out its text.
box_says_wrong_type() { [ "$(probe msgbox "$caption" | head -n1)" = "text=Invalid data type for 'limit_minute'" ]; }
tw_poll 10 box_says_wrong_type || fail "the error box says '$(probe msgbox "$caption" | head -n1)'"
probe press "$caption" 1 || fail "cannot press Continue (id 1)"
probe wait 10000 shown $CLS || fail "the window did not come up after the error"
probe click $CLS BtnConfig > /dev/null
expect_control EditUsagePhys "1 -1 4"
expect_control EditMinute "1 -1 -1"
for box in ChkUsagePhys ChkMinute ChkCleanOnTray; do expect_control $box "1 0 -1"; done
[ "$(text_of EditInfo)" = "Loadiing..." ] || fail "the version line was set: '$(text_of EditInfo)'"
probe window $CLS | grep -q 'caption=타이드웰$' || fail "the window was translated: $(probe window $CLS)"
[ "$(reg_value limit_minute)" = "REG_SZ 3" ] || fail "limit_minute became '$(reg_value limit_minute)'"
stop
echo "settings stored and shown again; a wrong-typed value is reported and the program goes on"
