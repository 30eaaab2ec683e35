# The main window in English: class "TFrmTidewell", 500 x 430 client, every control
# with its caption, the grey status labels grey on screen, the page buttons
# switching pages, screenshots of both pages; the close box only hides the window.
probe() { tw_wine "$TW_PROBE" "$@" | tr -d '\r'; return "${PIPESTATUS[0]}"; }
fail() { echo "FAIL: $*"; exit 1; }

start=$(date +%s%N)
( cd "$(dirname "$TW_EXE")" && LANG=C.UTF-8 exec timeout 300 wine "$TW_EXE" ) > "$TW_RUN_DIR/window-app.log" 2>&1 &
app=$!
tw_poll 30 xdotool search --onlyvisible --name '^Tidewell$' || fail "no window appeared"
echo "start to visible: $(( ($(date +%s%N) - start) / 1000000 )) ms"
probe wait 10000 shown TFrmTidewell || fail "TFrmTidewell is not shown"

window=$(probe window TFrmTidewell)
echo "$window"
dpi=$(sed -E 's/.* dpi=([0-9]+).*/\1/' <<<"$window")
grep -q "client=$((500 * dpi / 96))x$((430 * dpi / 96)) " <<<"$window" || fail "client size"
grep -q 'caption=Tidewell$' <<<"$window" || fail "caption"

controls=$(probe controls TFrmTidewell)
echo "$controls"
# name, class, visible, caption ("" = not checked)
while IFS='|' read -r name class visible caption; do
  line=$(awk -F'\t' -v n="$name" '$1 == n' <<<"$controls")
  [ -n "$line" ] || fail "$name missing"
  IFS=$'\t' read -r _ _ c v _ _ _ _ text <<<"$line"
  [ "$c" = "$class" ] || fail "$name is a $c, not a $class"
  [ "$v" = "$visible" ] || fail "$name visible=$v"
  [ -z "$caption" ] || [ "$text" = "$caption" ] || fail "$name reads '$text'"
done <<'TABLE'
BtnStart|Button|1|Home
BtnConfig|Button|1|Config
BtnDonate|Button|1|Donate
ImgLogo|TidewellImage|1|
Card1|TidewellPanel|1|
LblTitle|Static|1|Tidewell
ProgressBar|msctls_progress32|1|
LblPhys|Static|1|Physical
LblVirtual|Static|1|Virtual
LblWorking|Static|1|Working Set
BtnClean|Button|1|Clean memory
Indicator|TidewellIndicator|0|
Card2|TidewellPanel|0|
GroupBox1|TidewellPanel|0|Memory
ChkUsagePhys|Button|0|Clean up when physical memory usage(%) exceeds.
EditUsagePhys|ComboBox|0|
ChkMinute|Button|0|Clean up when interval(minutes) exceeds.
GroupBox3|TidewellPanel|0|General
ChkAutoStart|Button|0|Run on system start
EditInfo|Edit|0|
TABLE

shot="$TW_SHOTS/window-en-home.png"
# The darkest pixel of a label on screen: grey labels stay grey (0x80) under the theme.
darkest() {
  local l t r b
  IFS=, read -r l t r b <<<"$(awk -F'\t' -v n="$1" '$1 == n {print $8}' <<<"$controls")"
  convert "$shot" -crop "$((r - l))x$((b - t))+$l+$t" -colorspace gray -format '%[fx:int(255*minima)]' info:
}
# Shown is not yet painted: photograph until the black label's text is on screen.
painted() { tw_shot "$shot" && [ "$(darkest LblPhys)" -lt 80 ]; }
tw_poll 10 painted || fail "LblPhys is not dark"
phys=$(darkest LblPhys) virtual=$(darkest LblVirtual) working=$(darkest LblWorking)
echo "darkest pixel: LblPhys $phys, LblVirtual $virtual, LblWorking $working"
[ "$phys" -lt 80 ] || fail "LblPhys is not dark"
for v in "$virtual" "$working"; do [ "$v" -ge 100 ] && [ "$v" -le 150 ] || fail "a grey label is not grey"; done

probe click TFrmTidewell BtnConfig
probe wait 10000 visible TFrmTidewell Card2 1 || fail "the settings page did not show"
probe wait 10000 visible TFrmTidewell Card1 0 || fail "the status page stayed"
tw_shot "$TW_SHOTS/window-en-config.png"
probe click TFrmTidewell BtnStart
probe wait 10000 visible TFrmTidewell Card1 1 || fail "the status page did not come back"

# The close box (the system menu's close command) hides; the program stays.
probe post TFrmTidewell 0x112 0xF060 0
probe wait 10000 hidden TFrmTidewell || fail "close did not hide the window"
kill -0 "$app" 2>/dev/null || fail "the program ended on close"
# WM_CLOSE while hidden, then a show request (WM_USER 1) posted behind it: posted
# messages are handled in order, so the window shown again outlived the close.
probe post TFrmTidewell 0x10 0 0
probe post TFrmTidewell 0x400 1 0
probe wait 10000 shown TFrmTidewell || fail "WM_CLOSE while hidden destroyed the window"
kill -0 "$app" 2>/dev/null || fail "the program ended on WM_CLOSE"
probe post TFrmTidewell 0x112 0xF060 0
probe wait 10000 hidden TFrmTidewell || fail "close did not hide the window again"

# A left click on the tray icon brings it back.
tw_tray_press 1 || fail "could not click the tray icon"
probe wait 10000 shown TFrmTidewell || fail "a tray click did not restore the window"
tw_shot "$TW_SHOTS/window-en-restored.png"
echo "window ok"
