# The crash dialog's Send (shown by twbox as the program shows it, with a sample
# report): the text report, and nothing else, goes to the loopback HTTPS server as
# UTF-8 with the program's version, and the dialog says it was sent. Against a server
# that takes the request and never answers, the dialog stays responsive with Send
# disabled while it waits, then says that sending failed and offers Send again.
set -uo pipefail
dir="$TW_RUN_DIR/crash_send"
rm -rf "$dir"
mkdir -p "$dir"
cd "$dir" || exit 1

fail() { echo "FAIL: $*"; [ -n "${TW_SHOTS:-}" ] && tw_shot "$TW_SHOTS/crash-send-failed.png"; exit 1; }
probe() { tw_wine "$TW_PROBE" "$@" | tr -d '\r'; return "${PIPESTATUS[0]}"; }
tw_button_ids || fail "twprobe gave no button ids"
status_is() { [ "$(probe msgbox Tidewell | sed -n 's/^status=//p')" = "$1" ]; }

# A throw-away CA and a server certificate it signs (the name also as DNS: Wine does
# not match an IP-address SAN); the CA is trusted in this run's prefix only.
{
  openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 2 -subj "/CN=Tidewell Test CA" \
    -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" &&
  openssl req -newkey rsa:2048 -nodes -keyout server.key -out server.csr -subj "/CN=127.0.0.1" &&
  printf 'subjectAltName=IP:127.0.0.1,DNS:127.0.0.1\nextendedKeyUsage=serverAuth\n' > server.ext &&
  openssl x509 -req -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 -extfile server.ext \
    -out server.pem &&
  openssl x509 -in ca.pem -outform der -out ca.der
} > openssl.log 2>&1 || { cat openssl.log; exit 1; }
/usr/bin/python3 "$TW_ROOT/update/testing/https_server.py" "$dir" server.pem server.key server.pem server.key \
  > server.log 2>&1 &
server_pid=$!
trap 'kill "$server_pid" 2>/dev/null; wait "$server_pid" 2>/dev/null' EXIT
tw_poll 15 test -s "$dir/ports" || { cat server.log; fail "the HTTPS server did not start"; }
read -r port _ < "$dir/ports"
tw_wine "$TW_BUILD/update/update_testhelper.exe" trust-ca "Z:${dir//\//\\}\\ca.der" || fail "trust-ca failed"

# twbox crash ADDRESS NAME: the crash dialog whose Send posts to ADDRESS, its report in NAME.
crash_dialog() {
  env -u http_proxy -u https_proxy -u HTTP_PROXY -u HTTPS_PROXY LANG=C.UTF-8 \
    timeout --kill-after=5 200 wine "$TW_BUILD/tests/winprobe/twbox.exe" crash "$1" "Z:${dir//\//\\}\\$2" > "$2.out" 2>&1 &
  box=$!
  probe wait 30000 msgbox Tidewell || fail "no crash dialog"
  grep -q "^button=$TW_ID_CrashSend	&Send$" <(probe msgbox Tidewell) || fail "no Send button: $(probe msgbox Tidewell)"
  probe press Tidewell $TW_ID_CrashSend || fail "cannot press Send"
}
close_dialog() {
  probe press Tidewell $TW_ID_CrashClose || fail "cannot press Close"
  wait "$box"
  [ "$(tr -d '\r' < "$1.out")" = "$TW_ID_CrashClose" ] || fail "Close answered $(cat "$1.out")"
}

crash_dialog "https://127.0.0.1:$port/api.crash.php" sent.txt
tw_poll 60 status_is "The report was sent. Thank you." || fail "no success line: $(probe msgbox Tidewell)"
grep -q "^button=$TW_ID_CrashSend	&Send	disabled$" <(probe msgbox Tidewell) || fail "Send can be pressed again after success"
tw_shot "$TW_SHOTS/crash-send-sent.png"
close_dialog sent.txt
/usr/bin/python3 - "$dir/requests.jsonl" "$dir/sent.txt" <<'PY' || fail "the server did not get the text report"
import base64, json, re, sys
posts = [json.loads(l) for l in open(sys.argv[1], encoding="utf-8") if '"POST"' in l]
assert len(posts) == 1 and posts[0]["path"] == "/api.crash.php", posts
body = base64.b64decode(posts[0]["body"])
assert body == open(sys.argv[2], "rb").read(), body[:200]
assert b"MDMP" not in body and body.startswith(b"Tidewell"), body[:200]
headers = dict(posts[0]["headers"])
assert headers["Content-Type"] == "text/plain; charset=utf-8", headers
assert re.fullmatch(r"\d+\.\d+\.\d+\.\d+", headers["User-Version"]), headers
print("server got the %d-byte text report with %s" % (len(body), headers["User-Version"]))
PY

# The server takes the request and never answers.
crash_dialog "https://127.0.0.1:$port/silent/api.crash.php" silent.txt
tw_poll 30 grep -q '"/silent/api.crash.php"' requests.jsonl || fail "the request never reached the silent server"
dialog=$(probe msgbox Tidewell)
grep -q "^status=Sending the report…$" <<< "$dialog" || fail "not sending while the server is silent: $dialog"
grep -q "^button=$TW_ID_CrashSend	&Send	disabled$" <<< "$dialog" || fail "Send is not disabled while sending: $dialog"
probe ping '#32770' 2000 > ping.out || fail "the dialog does not answer while sending: $(cat ping.out)"
echo "while sending: $(cat ping.out)"
tw_poll 60 status_is "The report could not be sent. Try again later, or copy the details." ||
  fail "no failure line: $(probe msgbox Tidewell)"
grep -q "^button=$TW_ID_CrashSend	&Send$" <(probe msgbox Tidewell) || fail "Send is not offered again after the failure"
close_dialog silent.txt
echo "sent: success line; silent server: responsive, then the failure line"
