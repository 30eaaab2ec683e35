# The program's boxes wear the window's theme: the quit question's face is the
# theme's window colour and its button band the header's, not the system's grey,
# in the light palette and, once Windows' apps switch to dark while the program
# runs, in the dark one. Screenshots of it and of the update question (shown by
# twbox as the program shows it, since no test run reaches the update server) go
# to the run's shots.
probe() { tw_wine "$TW_PROBE" "$@" | tr -d '\r'; return "${PIPESTATUS[0]}"; }
fail() { echo "FAIL: $*"; [ -n "${TW_SHOTS:-}" ] && tw_shot "$TW_SHOTS/dialog-look-failed.png"; exit 1; }
tw_button_ids || fail "twprobe gave no button ids"
theme() { sed -n "s/^$1=#//p" "$TW_ROOT/resources/quillmere.theme" | tr -d '\r'; }
shot="$TW_RUN_DIR/dialog-look.png" seen="no box"

# The colour at x y of the screenshot, RRGGBB.
pixel() { convert "$shot" -format '%[hex:p{'"$1,$2"'}]' info: | cut -c1-6; }
# The box captioned Tidewell, painted: its face (just inside the top left corner of
# its client area) and its band (just above the bottom) in the theme's colours.
painted() {
  local l t r b
  IFS=', ' read -r l t r b < <(probe rect Tidewell | sed 's/.*client=//') || return 1
  tw_shot "$shot" || return 1
  seen="face $(pixel $((l + 4)) $((t + 4))) band $(pixel $((l + 4)) $((b - 3)))"
  [ "$seen" = "face $face band $band" ]
}

( cd "$(dirname "$TW_EXE")" && LANG=C.UTF-8 exec timeout 300 wine "$TW_EXE" ) > "$TW_RUN_DIR/dialog-look-app.log" 2>&1 &
probe wait 30000 shown TFrmTidewell || fail "TFrmTidewell is not shown"

# Both questions, in the palette named by $1 (the theme's keys without or with "dark.").
questions() {
  local look=$1 prefix=${2:-}
  face=$(theme "${prefix}window") band=$(theme "${prefix}header")
  tw_tray_press 3 || fail "could not press the tray icon"
  probe wait 10000 menu || fail "the tray menu did not open"
  IFS=, read -r l t r b <<<"$(probe menu)"
  xdotool mousemove $((l + 20)) $((b - 10)) click 1
  probe wait 10000 focus Tidewell $TW_ID_BoxNo || fail "no quit question with No focused"
  tw_poll 10 painted || fail "the quit question is not in the $look colours: $seen"
  cp "$shot" "$TW_SHOTS/dialog-look-quit-$look.png"
  probe press Tidewell $TW_ID_BoxNo || fail "cannot answer No"
  probe wait 10000 nomsgbox Tidewell || fail "No left the box open"

  LANG=C.UTF-8 tw_wine "$TW_BUILD/tests/winprobe/twbox.exe" update en > "$TW_RUN_DIR/dialog-look-box.out" 2>&1 &
  box=$!
  probe wait 30000 focus Tidewell $TW_ID_BoxYes || fail "no update question in front with Yes focused"
  tw_poll 10 painted || fail "the update question is not in the $look colours: $seen"
  cp "$shot" "$TW_SHOTS/dialog-look-update-$look.png"
  probe press Tidewell $TW_ID_BoxNo || fail "cannot answer No"
  wait "$box"
  [ "$(tr -d '\r' < "$TW_RUN_DIR/dialog-look-box.out")" = "$TW_ID_BoxNo" ] || fail "No answered $(cat "$TW_RUN_DIR/dialog-look-box.out")"
}

questions light
tw_wine reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\Themes\Personalize' \
  /v AppsUseLightTheme /t REG_DWORD /d 0 /f >/dev/null || fail "could not set AppsUseLightTheme=0"
probe settingchange ImmersiveColorSet || fail "could not broadcast the setting change"
questions dark dark.
echo "both questions in the light and the dark palette"
