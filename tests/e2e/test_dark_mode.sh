# Dark mode: with the apps' light theme off before the start, the window opens with
# the dark palette; switching the choice and broadcasting the change (as Settings
# does) turns it light and dark again without a restart. Screenshots of both pages
# in both palettes.
probe() { tw_wine "$TW_PROBE" "$@" | tr -d '\r'; return "${PIPESTATUS[0]}"; }
fail() { echo "FAIL: $*"; exit 1; }
apps_light() {
  tw_wine reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\Themes\Personalize' \
    /v AppsUseLightTheme /t REG_DWORD /d "$1" /f >/dev/null || fail "could not set AppsUseLightTheme=$1"
}

apps_light 0
( cd "$(dirname "$TW_EXE")" && LANG=C.UTF-8 exec timeout 300 wine "$TW_EXE" ) > "$TW_RUN_DIR/dark-app.log" 2>&1 &
tw_poll 30 xdotool search --onlyvisible --name '^Tidewell$' || fail "no window appeared"
probe wait 10000 shown TFrmTidewell || fail "TFrmTidewell is not shown"

rect_of() { awk -F'\t' -v n="$1" '$1 == n {print $8}' <<<"$(probe controls TFrmTidewell)"; }
IFS=, read -r wl wt wr wb <<<"$(probe window TFrmTidewell | sed -E 's/.* rect=([-0-9,]+) .*/\1/')"
IFS=, read -r cl ct _ _ <<<"$(rect_of Card1)"
shot="$TW_RUN_DIR/dark-mode.png"
# The grey level of the page's empty corner, left of and above the title, in the last shot.
body() { convert "$shot" -crop "1x1+$((cl + 4))+$((ct + 4))" -colorspace gray -format '%[fx:int(255*mean)]' info:; }
# A new shot shows the dark or the light body.
dark() { tw_shot "$shot" && [ "$(body)" -lt 60 ]; }
light() { tw_shot "$shot" && [ "$(body)" -gt 200 ]; }
# The window alone, for looking at.
keep() { convert "$shot" -crop "$((wr - wl))x$((wb - wt))+$wl+$wt" +repage "$TW_SHOTS/$1.png"; }
# The brightest and the darkest pixel of a control: its text on the dark and the light body.
extreme() {
  local l t r b
  IFS=, read -r l t r b <<<"$(rect_of "$2")"
  convert "$shot" -crop "$((r - l))x$((b - t))+$l+$t" -colorspace gray -format "%[fx:int(255*$1)]" info:
}
brightest() { extreme maxima "$1"; }
# The control's text is on screen in the dark (light text) or light (dark text) palette.
text_dark() { dark && [ "$(brightest "$1")" -gt 180 ]; }
text_light() { light && [ "$(extreme minima "$1")" -lt 80 ]; }

tw_poll 10 dark || fail "the body is not dark at start (grey $(body))"
tw_poll 10 text_dark LblPhys || fail "LblPhys does not read light on the dark body"
for grey in LblVirtual LblWorking; do
  v=$(brightest $grey)
  [ "$v" -ge 100 ] && [ "$v" -le 150 ] || fail "$grey is not grey on the dark body ($v)"
done
keep dark-home
probe click TFrmTidewell BtnConfig
probe wait 10000 visible TFrmTidewell Card2 1 || fail "the settings page did not show"
tw_poll 10 text_dark ChkUsagePhys || fail "the check box's caption does not read light on the dark body"
keep dark-config

apps_light 1
probe settingchange ImmersiveColorSet || fail "the setting change was not delivered"
tw_poll 10 text_light ChkUsagePhys || fail "the settings page did not turn light (grey $(body))"
keep light-config
probe click TFrmTidewell BtnStart
probe wait 10000 visible TFrmTidewell Card1 1 || fail "the status page did not come back"
tw_poll 10 text_light LblPhys || fail "the status page is not light"
keep light-home

apps_light 0
probe settingchange ImmersiveColorSet || fail "the setting change was not delivered"
tw_poll 10 text_dark LblPhys || fail "the window did not turn dark again (grey $(body))"
probe wait 2000 shown TFrmTidewell || fail "the window is gone after the switches"
echo "dark mode ok"
