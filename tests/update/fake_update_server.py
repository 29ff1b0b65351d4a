#!/usr/bin/env python3
"""Stand-in for the update web service, on 127.0.0.1 only.

    fake_update_server.py [--port N] [--reply JSON]... [--lifetime SECONDS]

Prints "PORT <n>" as its first line, then "REQUEST <json>" for every request
it receives (the JSON decoded from the ActiveData form field, keys sorted).
Each POST to /download/getVersionV1 is answered with the next --reply body in
order; once they run out, with {"Data": {"Result_Code": "000"}}. The server
ends by itself after --lifetime seconds (default 60), so a forgotten instance
never lingers.

By hand: start it, then run the program with --update-url http://127.0.0.1:<n>
(or ZALDO_UPDATE_URL). Example replies:
    --reply '{"Data": {"Result_Code": "002", "version": "V2.1.6"}}'
    --reply '{"Data": {"Result_Code": "001", "version": "V2.1.6", "url": "http://127.0.0.1/x.exe"}}'
"""

import argparse
import base64
import binascii
import http.server
import json
import sys
import threading

PATH = "/download/getVersionV1"
MAX_BODY = 1024 * 1024
EXHAUSTED = b'{"Data": {"Result_Code": "000"}}'


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--reply", action="append", default=[])
    parser.add_argument("--lifetime", type=float, default=60.0)
    args = parser.parse_args()
    replies = [r.encode("utf-8") for r in args.reply]
    lock = threading.Lock()

    class Handler(http.server.BaseHTTPRequestHandler):
        def do_POST(self):
            length = int(self.headers.get("Content-Length") or 0)
            body = self.rfile.read(min(max(length, 0), MAX_BODY))
            if self.path != PATH:
                self.send_error(404)
                return
            decoded = {}
            # The body is not percent-encoded: '+' is part of the Base64 text.
            if body.startswith(b"ActiveData="):
                try:
                    decoded = json.loads(base64.b64decode(body[11:], validate=True))
                except (binascii.Error, ValueError):
                    decoded = {"undecodable": body[11:].decode("latin-1")}
            print("REQUEST " + json.dumps(decoded, sort_keys=True), flush=True)
            with lock:
                reply = replies.pop(0) if replies else EXHAUSTED
            self.send_response(200)
            self.send_header("Content-Type", "application/json")
            self.send_header("Content-Length", str(len(reply)))
            self.end_headers()
            self.wfile.write(reply)

        def log_message(self, fmt, *values):
            sys.stderr.write("fake_update_server: " + (fmt % values) + "\n")

    server = http.server.HTTPServer(("127.0.0.1", args.port), Handler)
    print("PORT %d" % server.server_address[1], flush=True)
    threading.Timer(args.lifetime, server.shutdown).start()
    try:
        server.serve_forever()
    finally:
        server.server_close()


if __name__ == "__main__":
    main()
