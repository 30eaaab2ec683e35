# The update unit's WinHTTP client against a real HTTPS server on 127.0.0.1: the
# three request headers arrive in order, bodies decode by their charset, any status
# is a reply, and an untrusted certificate or a server that is down is a failure.
# Then the whole check in a small program (update_check_demo.exe): a reply with a
# download address brings up the English prompt, No leaves the program running; a
# failing endpoint shows nothing, and closing the window ends the pause at once
# with no further attempt. The test CA is trusted in this run's own Wine prefix only.
set -u
dir="$TW_RUN_DIR/update_https"
rm -rf "$dir"
mkdir -p "$dir"
cd "$dir" || exit 1

# A throw-away CA, a server certificate it signs, and a self-signed one nobody trusts.
# Wine does not match an IP-address SAN, so the name is there as DNS too.
san="subjectAltName=IP:127.0.0.1,DNS:127.0.0.1"
{
  openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 2 \
    -subj "/CN=Tidewell Test CA" -addext "basicConstraints=critical,CA:TRUE" \
    -addext "keyUsage=critical,keyCertSign,cRLSign" &&
  openssl req -newkey rsa:2048 -nodes -keyout server.key -out server.csr -subj "/CN=127.0.0.1" &&
  printf '%s\nbasicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\n' "$san" > server.ext &&
  openssl x509 -req -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 \
    -extfile server.ext -out server.pem &&
  openssl req -x509 -newkey rsa:2048 -nodes -keyout rogue.key -out rogue.pem -days 2 \
    -subj "/CN=127.0.0.1" -addext "$san" &&
  openssl x509 -in ca.pem -outform der -out ca.der
} > openssl.log 2>&1 || { cat openssl.log; exit 1; }

/usr/bin/python3 "$TW_ROOT/update/testing/https_server.py" "$dir" server.pem server.key rogue.pem rogue.key \
  > server.log 2>&1 &
server_pid=$!
trap 'kill "$server_pid" 2>/dev/null; wait "$server_pid" 2>/dev/null' EXIT
tw_poll 15 test -s "$dir/ports" || { echo "the HTTPS server did not start"; cat server.log; exit 1; }
read -r port rogue_port < "$dir/ports"
read -r tls12_port < "$dir/tls12_port"
# A port that was free a moment ago: nothing listens there.
down_port=$(/usr/bin/python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
echo "server https://127.0.0.1:$port, untrusted :$rogue_port, down :$down_port"

helper() { tw_wine "$TW_BUILD/update/update_testhelper.exe" "$@"; }
no_proxy_env=(env -u http_proxy -u https_proxy -u HTTP_PROXY -u HTTPS_PROXY)
helper trust-ca "Z:${dir//\//\\}\\ca.der" || { echo "trust-ca failed"; exit 1; }

"${no_proxy_env[@]}" \
  TW_UPDATE_TEST_ROOT="https://127.0.0.1:$port" \
  TW_UPDATE_TEST_UNTRUSTED="https://127.0.0.1:$rogue_port" \
  TW_UPDATE_TEST_DOWN="https://127.0.0.1:$down_port" \
  TW_UPDATE_TEST_TLS12="https://127.0.0.1:$tls12_port" \
  timeout --kill-after=5 120 wine "$TW_BUILD/update/update_https_test.exe" || exit 1

# What the server itself recorded: the endpoint saw the three headers in order, and
# the untrusted listener never got as far as a request.
/usr/bin/python3 - "$dir/requests.jsonl" "$port" "$rogue_port" <<'EOF' || exit 1
import json, sys
log, port, rogue = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
entries = [json.loads(line) for line in open(log, encoding="utf-8")]
init = [e for e in entries if e["path"] == "/api.init.php" and e["port"] == port]
assert init, "no request reached /api.init.php"
names = [k for k, _ in init[0]["headers"]]
wanted = ["User-Version", "User-Language", "User-Debug"]
mine = [k for k in names if k in wanted]
assert mine == wanted, "header order %r" % names
values = dict(init[0]["headers"])
assert (values["User-Version"], values["User-Language"], values["User-Debug"]) == ("1.6.6.0", "en", "false"), values
assert not [e for e in entries if e["port"] == rogue], "a request passed the untrusted certificate"
print("server saw", len(entries), "requests; headers", [(k, values[k]) for k in wanted])
EOF

caption="Tidewell Update Demo"
english='This program has been updated.\r\rIt is recommended to download and execute new for stable use.\r\rDo you want to download it?'
demo_start() {  # URL OUTPUT
  "${no_proxy_env[@]}" timeout --kill-after=5 120 wine "$TW_BUILD/update/update_check_demo.exe" "$1" en > "$2" 2>&1 &
  demo_pid=$!
}
demo_close() {  # closes the demo's window and waits until the program has ended
  helper close TwUpdateDemo || { echo "the demo's window is gone"; return 1; }
  tw_poll 30 bash -c "! kill -0 $demo_pid 2>/dev/null" || { echo "the demo did not end"; return 1; }
  grep -q '^worker ended' "$1" || { echo "the worker did not end"; cat "$1"; return 1; }
}

# A reply with a download address: the English prompt with the window's caption.
demo_start "https://127.0.0.1:$port/api.init.php" demo_prompt.out
# The box exists before its text is set: wait for the text itself.
prompt_text() { helper prompt-text "$caption" | tr -d '\r'; }  # the console ends lines with CR LF
prompt_says() { [ "$(prompt_text)" = "$english" ]; }
tw_poll 60 prompt_says || { echo "no prompt with the text; it reads: '$(prompt_text)'"; cat demo_prompt.out; exit 1; }
helper press "$caption" no || exit 1
tw_poll 20 grep -q '^proc updated=0 data={"version":"9.9.9","update":' demo_prompt.out || { cat demo_prompt.out; exit 1; }
helper find TwUpdateDemo || { echo "answering No ended the program"; exit 1; }
demo_close demo_prompt.out || exit 1
echo "prompt: shown in English, No answered, program kept running"

# An endpoint that fails: no prompt, the program keeps working, and closing it ends
# the 10-second pause at once with no second attempt.
demo_start "https://127.0.0.1:$port/drop" demo_down.out
tw_poll 60 grep -q '"/drop"' requests.jsonl || { echo "no attempt reached the server"; exit 1; }
helper find TwUpdateDemo || { echo "the demo's window is gone"; exit 1; }
if helper prompt-text "$caption"; then echo "a prompt appeared for a failed request"; exit 1; fi
demo_close demo_down.out || exit 1
attempts=$(grep -c '"/drop"' requests.jsonl)
[ "$attempts" -eq 1 ] || { echo "$attempts attempts after the stop"; exit 1; }
echo "failing endpoint: no prompt, stopped after $attempts attempt"
