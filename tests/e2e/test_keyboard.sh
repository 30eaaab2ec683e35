# The window by keyboard and through a screen reader's eyes: Tab and Shift+Tab walk
# the controls in reading order on both pages (the page that is hidden is skipped,
# the version field never takes the focus), the arrow keys move between the page
# tabs and show their page, Escape closes an open list first and then hides the
# window like the close box, and the window comes back with the focus where it was.
# Each page tab, the logo and the activity ring tell a screen reader their name,
# role and state across processes (WM_GETOBJECT).
set -u
CLS=TFrmTidewell
probe() { tw_wine "$TW_PROBE" "$@" | tr -d '\r'; return "${PIPESTATUS[0]}"; }
fail() {
  echo "FAIL: $*"
  echo "focus: $(probe focus $CLS)"
  tw_shot "$TW_SHOTS/keyboard-failed.png"
  exit 1
}

( cd "$(dirname "$TW_EXE")" && LANG=C.UTF-8 exec timeout 300 wine "$TW_EXE" ) > "$TW_RUN_DIR/keyboard-app.log" 2>&1 &
app=$!
tw_poll 30 xdotool search --onlyvisible --name '^Tidewell$' || fail "no window appeared"
probe wait 10000 shown $CLS || fail "the window is not shown"

focus_window() {
  local w
  w=$(xdotool search --onlyvisible --name '^Tidewell$' | head -n1)
  xdotool windowfocus --sync "$w"
  tw_poll 10 tw_x_focus_on Tidewell || fail "the X focus is not on the window"
}
# Presses KEY and waits for NAME to have the focus.
press() {
  xdotool key "$1"
  probe wait 5000 focused $CLS "$2" || fail "after $1 the focus is not on $2"
}

focus_window
# An activated window gives the focus to its first tab stop: the page tab that is down.
probe wait 5000 focused $CLS BtnStart || fail "the first tab stop has no focus"

# Status page: the header left to right, then the clean button, and round again.
for name in BtnDonate ImgLogo BtnClean BtnStart; do press Tab "$name"; done
for name in BtnClean ImgLogo BtnDonate BtnStart; do press shift+Tab "$name"; done

# The arrow keys move between the page tabs and show the page.
press Right BtnConfig
probe wait 5000 visible $CLS Card2 1 || fail "Right did not show the settings page"
probe wait 5000 visible $CLS Card1 0 || fail "the status page stayed"
tw_shot "$TW_SHOTS/keyboard-config-tab.png"

# Settings page: row by row, left to right; a list is off while its box is
# unticked, and the version field is never reached.
for name in BtnDonate ImgLogo ChkUsagePhys ChkUsagePage ChkUsageWork ChkMinute ChkAutoStart ChkCleanOnTray \
            BtnConfig BtnDonate ImgLogo; do
  press Tab "$name"
done
# Space ticks a box, which turns its list on: the list joins the order after it.
for row in UsagePhys UsagePage UsageWork Minute; do
  press Tab "Chk$row"
  xdotool key space
  probe wait 5000 checked $CLS "Chk$row" 1 || fail "Space did not tick Chk$row"
  press Tab "Edit$row"
done
for name in ChkAutoStart ChkCleanOnTray BtnConfig; do press Tab "$name"; done
for name in ChkCleanOnTray ChkAutoStart EditMinute; do press shift+Tab "$name"; done
for name in ChkAutoStart ChkCleanOnTray BtnConfig; do press Tab "$name"; done
press Left BtnStart
probe wait 5000 visible $CLS Card1 1 || fail "Left did not show the status page"
press Down BtnConfig
probe wait 5000 visible $CLS Card2 1 || fail "Down did not show the settings page"

# What a screen reader hears: "ROLE STATE-BITS NAME" (bits that must be set).
accessible_is() {  # NAME ROLE BITS TEXT
  local line role state name
  line=$(probe accessible $CLS "$1") || fail "$1 gave no accessible object"
  role=$(sed -E 's/^role=([^\t]*)\t.*/\1/' <<<"$line")
  state=$(sed -E 's/.*\tstate=([^\t]*)\t.*/\1/' <<<"$line")
  name=${line##*name=}
  echo "$1: $line"
  [ "$role" = "$2" ] || fail "$1 has role $role, not $2"
  [ $((state & $3)) -eq $(($3)) ] || fail "$1 has state $state, without $3"
  [ "$name" = "$4" ] || fail "$1 is called '$name', not '$4'"
}
# pagetab 0x25, pushbutton 0x2b, link 0x1e, animation 0x36; selected 0x2,
# focused 0x4, invisible 0x8000, linked 0x400000.
accessible_is BtnConfig 0x25 0x6 Config
accessible_is BtnStart 0x25 0x0 Home
[ $(( $(probe accessible $CLS BtnStart | sed -E 's/.*\tstate=([^\t]*)\t.*/\1/') & 0x2 )) -eq 0 ] ||
  fail "the page tab that is up is selected"
accessible_is BtnDonate 0x2b 0x0 Donate
accessible_is ImgLogo 0x1e 0x400000 "Tidewell website"
accessible_is Indicator 0x36 0x8000 "Cleaning memory"

# Escape closes an open list and only that; the next one hides the window.
press Tab BtnDonate
press Tab ImgLogo
press Tab ChkUsagePhys
press Tab EditUsagePhys
xdotool key alt+Down
probe wait 5000 dropped $CLS EditUsagePhys 1 || fail "Alt+Down did not open the list"
xdotool key Escape
probe wait 5000 dropped $CLS EditUsagePhys 0 || fail "Escape did not close the list"
probe wait 5000 shown $CLS || fail "Escape on an open list hid the window"
probe wait 5000 focused $CLS EditUsagePhys || fail "the list lost the focus"
xdotool key Escape
probe wait 10000 hidden $CLS || fail "Escape did not hide the window"
kill -0 "$app" 2>/dev/null || fail "the program ended on Escape"

# Back from the tray (a second copy's show request): the focus is where it was.
probe post $CLS 0x400 1 0
probe wait 10000 shown $CLS || fail "the window did not come back"
focus_window
probe wait 5000 focused $CLS EditUsagePhys || fail "the focus did not come back to the list"
# A click into the version field leaves the window itself focused; Tab goes on
# from the top of the order.
probe click $CLS EditInfo
probe wait 5000 focused $CLS FrmTidewell || fail "a click into the version field left the focus elsewhere"
press Tab BtnConfig
echo "keyboard ok"
