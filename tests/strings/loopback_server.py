#!/usr/bin/env python3
"""A recording HTTP server on 127.0.0.1 for the tests that post through the plug-in, natively and
under Wine (which shares the loopback with this side). Usage: loopback_server.py FOLDER, where
FOLDER is a Unix path or a Windows path on drive Z: (the root, as Wine and our layer map it).
Answers every request with a small page; appends each request to FOLDER/requests.txt (method,
target, Content-Type and body, each hex-encoded, one request a line) before answering, and once
listening writes its port to FOLDER/port.txt (through a rename, so a reader sees all or nothing)
and to its output."""
import http.server
import os
import sys

folder = sys.argv[1]
if len(folder) > 2 and folder[1] == ":" and folder[0] in "zZ":
    folder = folder[2:].replace("\\", "/")
record = os.path.join(folder, "requests.txt")


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.0"

    def log_message(self, *args):
        pass

    def handle_any(self):
        length = int(self.headers.get("Content-Length") or 0)
        body = self.rfile.read(length) if length > 0 else b""
        line = "%s %s %s %s\n" % (self.command, self.path.encode("latin-1").hex(),
                                  (self.headers.get("Content-Type") or "").encode("latin-1").hex(), body.hex())
        with open(record, "a") as f:
            f.write(line)
        page = b"<html><body><p>permissions</p></body></html>"
        self.send_response(200)
        self.send_header("Content-Type", "text/html; charset=utf-8")
        self.send_header("Content-Length", str(len(page)))
        self.end_headers()
        self.wfile.write(page)

    do_GET = handle_any
    do_POST = handle_any


server = http.server.HTTPServer(("127.0.0.1", 0), Handler)
port = str(server.server_address[1])
with open(os.path.join(folder, "port.tmp"), "w") as f:
    f.write(port)
os.replace(os.path.join(folder, "port.tmp"), os.path.join(folder, "port.txt"))
print(port, flush=True)
server.serve_forever()
