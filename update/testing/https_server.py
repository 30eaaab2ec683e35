#!/usr/bin/python3
"""A throw-away HTTPS update endpoint for the Windows backend tests, on 127.0.0.1 only.

    https_server.py STATE_DIR TRUSTED_CERT TRUSTED_KEY UNTRUSTED_CERT UNTRUSTED_KEY

Serves two listeners on free loopback ports, one with a certificate the test prefix
trusts and one with a certificate nobody trusts, and writes "TRUSTED_PORT
UNTRUSTED_PORT" to STATE_DIR/ports once both listen; a third with the trusted
certificate that speaks TLS 1.2 and nothing else writes its port to
STATE_DIR/tls12_port before. Every request's headers (and a POST's body, in base64)
are appended, in the order they arrived, to STATE_DIR/requests.jsonl.

    /api.init.php         {"update":"https:\\/\\/127.0.0.1:PORT\\/dl"} as JSON, no charset
    /echo                 the request's header lines, in order, as UTF-8 text
    /charset/NAME         a sample text in charset NAME, declared in Content-Type
    /bom/NAME             the same with a byte-order mark and no charset declared
    /nocharset            UTF-8 text with a Content-Type that names no charset
    /status/CODE          that status code with a short body
    /drop                 closes the connection without a reply: a failed attempt
    POST /api.crash.php   200 "ok": a crash report received
    POST /silent/...      takes the request and never answers: a server that hangs
"""
import base64
import http.server
import json
import os
import ssl
import sys
import threading

SAMPLES = {
    "windows-1251": "Привет, мир",
    "iso-8859-1": "café crème",
    "euc-kr": "업데이트 정보",
    "shift_jis": "ダウンロード",
    "koi8-r": "Обновление",
    "utf-8": "한국어 ✓ ok",
    "utf-16le": "Ünïcödé ✓",
    "utf-16be": "Ünïcödé ✓",
}
PYTHON_CODEC = {"utf-16le": "utf-16-le", "utf-16be": "utf-16-be"}
BOMS = {"utf-8": b"\xef\xbb\xbf", "utf-16le": b"\xff\xfe", "utf-16be": b"\xfe\xff"}


def make_handler(state_dir, lock):
    class Handler(http.server.BaseHTTPRequestHandler):
        protocol_version = "HTTP/1.1"

        def log_message(self, fmt, *args):
            pass

        def reply(self, code, body, content_type):
            self.send_response(code)
            if content_type:
                self.send_header("Content-Type", content_type)
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)

        def record(self, **extra):
            entry = {"port": self.server.server_address[1], "path": self.path,
                     "headers": list(self.headers.items())}
            entry.update(extra)
            with lock, open(os.path.join(state_dir, "requests.jsonl"), "a", encoding="utf-8") as log:
                log.write(json.dumps(entry) + "\n")

        def do_POST(self):
            body = self.rfile.read(int(self.headers.get("Content-Length", "0")))
            self.record(method="POST", body=base64.b64encode(body).decode())
            if self.path.startswith("/silent/"):
                threading.Event().wait()
            elif self.path == "/api.crash.php":
                self.reply(200, b"ok", "text/plain")
            else:
                self.reply(404, b"not found", "text/plain")

        def do_GET(self):
            headers = list(self.headers.items())
            self.record()
            port = self.server.server_address[1]
            parts = self.path.split("/")
            if self.path == "/api.init.php":
                body = '{"version":"9.9.9","update":"https:\\/\\/127.0.0.1:%d\\/dl"}' % port
                self.reply(200, body.encode(), "application/json")
            elif self.path == "/echo":
                text = "".join("%s: %s\n" % (k, v) for k, v in headers)
                self.reply(200, text.encode("utf-8"), "text/plain; charset=utf-8")
            elif len(parts) == 3 and parts[1] == "charset" and parts[2] in SAMPLES:
                name = parts[2]
                body = SAMPLES[name].encode(PYTHON_CODEC.get(name, name))
                self.reply(200, body, "text/plain; charset=%s" % name)
            elif len(parts) == 3 and parts[1] == "bom" and parts[2] in BOMS:
                name = parts[2]
                body = BOMS[name] + SAMPLES[name].encode(PYTHON_CODEC.get(name, name))
                self.reply(200, body, "text/plain")
            elif self.path == "/drop":
                self.close_connection = True
            elif self.path == "/nocharset":
                self.reply(200, SAMPLES["utf-8"].encode("utf-8"), "text/plain")
            elif len(parts) == 3 and parts[1] == "status" and parts[2].isdigit():
                self.reply(int(parts[2]), b"status page", "text/html")
            else:
                self.reply(404, b"not found", "text/plain")

    return Handler


def serve(state_dir, cert, key, lock, only_tls12=False):
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), make_handler(state_dir, lock))
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(cert, key)
    if only_tls12:
        context.minimum_version = context.maximum_version = ssl.TLSVersion.TLSv1_2
    server.socket = context.wrap_socket(server.socket, server_side=True)
    server.daemon_threads = True
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server.server_address[1]


def main():
    state_dir, trusted_cert, trusted_key, untrusted_cert, untrusted_key = sys.argv[1:6]
    lock = threading.Lock()
    trusted = serve(state_dir, trusted_cert, trusted_key, lock)
    untrusted = serve(state_dir, untrusted_cert, untrusted_key, lock)
    with open(os.path.join(state_dir, "tls12_port"), "w") as f:
        f.write("%d\n" % serve(state_dir, trusted_cert, trusted_key, lock, only_tls12=True))
    tmp = os.path.join(state_dir, "ports.tmp")
    with open(tmp, "w") as f:
        f.write("%d %d\n" % (trusted, untrusted))
    os.replace(tmp, os.path.join(state_dir, "ports"))
    threading.Event().wait()


if __name__ == "__main__":
    main()
