"""A local RFC 3161 time-stamping server for the signing test: each POST is
answered by `openssl ts -reply` with the given TSA key, certificate and
configuration. It listens on a free port of 127.0.0.1, printed once it is
ready, until it is ended.
Usage: tsa_responder.py <TSA key> <TSA certificate> <openssl ts configuration>"""
import http.server
import subprocess
import sys

KEY, CERT, CONFIG = sys.argv[1:4]


class Responder(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        query = self.rfile.read(int(self.headers["Content-Length"]))
        reply = subprocess.run(["openssl", "ts", "-reply", "-config", CONFIG, "-inkey", KEY,
                                "-signer", CERT, "-queryfile", "/dev/stdin", "-out", "/dev/stdout"],
                               input=query, stdout=subprocess.PIPE, check=True).stdout
        self.send_response(200)
        self.send_header("Content-Type", "application/timestamp-reply")
        self.send_header("Content-Length", str(len(reply)))
        self.end_headers()
        self.wfile.write(reply)


server = http.server.HTTPServer(("127.0.0.1", 0), Responder)
print(server.server_address[1], flush=True)
server.serve_forever()
