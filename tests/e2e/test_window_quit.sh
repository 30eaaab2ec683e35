# Quitting from the tray menu, as a user does it: right-click the icon in Wine's
# system tray, choose the last item, answer the question. Return gives the default,
# No, and the program runs on; Yes ends it.
probe() { tw_wine "$TW_PROBE" "$@" | tr -d '\r'; return "${PIPESTATUS[0]}"; }
fail() { echo "FAIL: $*"; exit 1; }
tw_button_ids || fail "twprobe gave no button ids"

( cd "$(dirname "$TW_EXE")" && LANG=C.UTF-8 exec timeout 300 wine "$TW_EXE" ) > "$TW_RUN_DIR/window-quit-app.log" 2>&1 &
app=$!
probe wait 30000 shown TFrmTidewell || fail "TFrmTidewell is not shown"

choose_quit() {
  local l t r b
  tw_tray_press 3 || fail "could not press the tray icon"
  probe wait 10000 menu || fail "the tray menu did not open"
  IFS=, read -r l t r b <<<"$(probe menu)"
  xdotool mousemove $((l + 20)) $((b - 10))
  xdotool click 1
  probe wait 10000 msgbox Tidewell || fail "no quit question"
}

choose_quit
# Return goes to the box only once it is in front with No focused, and the X focus
# has left the tray for one of the program's windows (the box shares its title).
probe wait 10000 focus Tidewell $TW_ID_BoxNo || fail "the box did not take the focus: $(probe msgbox Tidewell)"
tw_poll 10 tw_x_focus_on Tidewell || fail "the X focus stayed on '$(xdotool getwindowfocus getwindowname)'"
box=$(probe msgbox Tidewell)
echo "$box"
grep -qx 'text=Are you sure you want to quit?' <<<"$box" || fail "question text"
grep -q "^button=$TW_ID_BoxNo"$'\t&No\tdefault\tfocus$' <<<"$box" || fail "No is not the default"
grep -q "^button=$TW_ID_BoxYes"$'\t&Yes$' <<<"$box" || fail "no Yes button"
tw_shot "$TW_SHOTS/window-quit-question.png"
xdotool key Return
probe wait 10000 nomsgbox Tidewell || fail "Return left the box open"
# Posted messages are handled in order: a close posted now hides the window only
# after anything the answer set off, so a window hidden and alive means No kept it.
probe post TFrmTidewell 0x10 0 0
probe wait 10000 hidden TFrmTidewell || fail "No ended the program"
kill -0 "$app" 2>/dev/null || fail "No ended the program"

choose_quit
probe press Tidewell $TW_ID_BoxYes || fail "no Yes button"
probe wait 10000 gone TFrmTidewell || fail "Yes left the window"
tw_poll 10 sh -c "! kill -0 $app 2>/dev/null" || fail "Yes left the process running"
wait "$app"
echo "exit status $?"
