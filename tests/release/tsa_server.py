#!/usr/bin/env python3
"""A time-stamp server (RFC 3161) on 127.0.0.1 for the release test: answers each
POSTed time-stamp query with "openssl ts -reply", signed by the test TSA certificate.
Writes its port to PORT_FILE once it listens.

    tsa_server.py CONFIG TSA_CERT TSA_KEY PORT_FILE
"""
import http.server
import os
import subprocess
import sys
import tempfile

config, cert, key, port_file = sys.argv[1:]


class Handler(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        query = self.rfile.read(int(self.headers.get("Content-Length", 0)))
        with tempfile.TemporaryDirectory() as work:
            query_file, reply_file = os.path.join(work, "query"), os.path.join(work, "reply")
            with open(query_file, "wb") as f:
                f.write(query)
            done = subprocess.run(["openssl", "ts", "-reply", "-config", config, "-queryfile", query_file,
                                   "-signer", cert, "-inkey", key, "-out", reply_file], capture_output=True)
            reply = open(reply_file, "rb").read() if done.returncode == 0 else b""
        if not reply:
            sys.stderr.write(done.stderr.decode(errors="replace"))
        self.send_response(200 if reply else 500)
        self.send_header("Content-Type", "application/timestamp-reply")
        self.send_header("Content-Length", str(len(reply)))
        self.end_headers()
        self.wfile.write(reply)

    def log_message(self, *args):
        pass


server = http.server.HTTPServer(("127.0.0.1", 0), Handler)
with open(port_file + ".tmp", "w") as f:
    f.write(str(server.server_address[1]))
os.rename(port_file + ".tmp", port_file)
server.serve_forever()
