# The main window for a Korean user: Korean captions and screenshots of both pages.
probe() { tw_wine "$TW_PROBE" "$@" | tr -d '\r'; return "${PIPESTATUS[0]}"; }
fail() { echo "FAIL: $*"; exit 1; }

( cd "$(dirname "$TW_EXE")" && LC_ALL=ko_KR.UTF-8 exec timeout 300 wine "$TW_EXE" ) > "$TW_RUN_DIR/window-ko-app.log" 2>&1 &
probe wait 30000 shown TFrmTidewell || fail "TFrmTidewell is not shown"
probe window TFrmTidewell | grep -q 'caption=타이드웰$' || fail "caption"
for pair in BtnStart=처음화면 BtnConfig=환경설정 BtnDonate=후원하기 LblTitle=타이드웰 LblPhys="실제 메모리" \
            BtnClean=정리하기 GroupBox3="기본 설정" ChkAutoStart="부팅시 실행하기"; do
  probe wait 10000 text TFrmTidewell "${pair%%=*}" "${pair#*=}" || fail "${pair%%=*} is not '${pair#*=}'"
done
tw_shot "$TW_SHOTS/window-ko-home.png"
probe click TFrmTidewell BtnConfig
probe wait 10000 visible TFrmTidewell Card2 1 || fail "the settings page did not show"
tw_shot "$TW_SHOTS/window-ko-config.png"
echo "korean window ok"
