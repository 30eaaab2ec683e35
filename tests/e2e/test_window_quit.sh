# Quitting from the tray menu, as a user does it: right-click the icon in Wine's
# system tray, choose the last item, answer the question. Return gives the default,
# No, and the program runs on; Yes ends it.
probe() { tw_wine "$TW_PROBE" "$@" | tr -d '\r'; return "${PIPESTATUS[0]}"; }
fail() { echo "FAIL: $*"; exit 1; }

( cd "$(dirname "$TW_EXE")" && LANG=C.UTF-8 exec timeout 300 wine "$TW_EXE" ) > "$TW_RUN_DIR/window-quit-app.log" 2>&1 &
app=$!
probe wait 30000 shown TFrmTidewell || fail "TFrmTidewell is not shown"
tw_poll 10 xdotool search --name '^Wine System Tray$' || fail "no system tray"
tray=$(xdotool search --name '^Wine System Tray$' | head -n1)

# The icon sits at the tray window's top left, under its caption.
choose_quit() {
  local x y l t r b
  eval "$(xdotool getwindowgeometry --shell "$tray")"
  x=$((X + 13)) y=$((Y + 32))
  xdotool mousemove "$x" "$y"
  # Press, let the tray take the focus, then release: a menu opened before the
  # focus moves would be closed by it.
  xdotool mousedown 3
  tw_poll 5 sh -c "[ \"\$(xdotool getwindowfocus)\" = $tray ]"
  xdotool mouseup 3
  probe wait 5000 menu || fail "the tray menu did not open"
  IFS=, read -r l t r b <<<"$(probe menu)"
  xdotool mousemove $((l + 20)) $((b - 10))
  xdotool click 1
  probe wait 5000 msgbox Tidewell || fail "no quit question"
}

choose_quit
box=$(probe msgbox Tidewell)
echo "$box"
grep -qx 'text=Are you sure you want to quit?' <<<"$box" || fail "question text"
grep -q $'^button=7\t&No\tdefault\tfocus$' <<<"$box" || fail "No is not the default"
grep -q $'^button=6\t&Yes$' <<<"$box" || fail "no Yes button"
tw_shot "$TW_SHOTS/window-quit-question.png"
xdotool key Return
probe wait 5000 nomsgbox Tidewell || fail "Return left the box open"
! probe wait 1500 gone TFrmTidewell || fail "No ended the program"
kill -0 "$app" 2>/dev/null || fail "No ended the program"

choose_quit
probe press Tidewell 6
probe wait 5000 gone TFrmTidewell || fail "Yes left the window"
tw_poll 10 sh -c "! kill -0 $app 2>/dev/null" || fail "Yes left the process running"
wait "$app"
echo "exit status $?"
