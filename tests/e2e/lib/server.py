#!/usr/bin/env python3
"""Loopback HTTP server for the end-to-end tests: the update and download host of the
e2e build (127.0.0.1:18080). Its answers are scripted per test.

    server.py [--port 18080] [--script answers.json] [--log requests.log]
              [--version TEXT] [--setup FILE]

--version and --setup are short forms for the two usual answers. The script file is
read again at every request, so a test can change the answers while it runs. It maps a
path to one answer, or to a list of answers given in turn (the last one repeats):

    {
      "/LOCKBAY/updatever.php": {"body": "4.0.1\\r\\n"},
      "/LOCKBAY/LockbaySetup.exe": [
        {"status": 404, "body": "<html>Not Found</html>", "content_type": "text/html"},
        {"file": "/path/to/setup.exe"}
      ]
    }

An answer has a "status" (default 200), a "body" (text) or "file" (its bytes),
"content_type", extra "headers", a "delay" in seconds before answering, and a "mode":
  normal         the answer as given (default)
  trickle        the body in pieces of "chunk" bytes (default 1), "interval" seconds
                 (default 0.5) apart
  truncate       announces the whole length but sends only "send_bytes" bytes, then
                 closes the connection
  close          closes the connection without answering
  reset          resets the connection (TCP RST) without answering
  redirect-loop  302 back to the same path, every time
  never          reads the request and never answers

Paths without an answer get 404. Every request is appended to the log as one JSON line
({"method", "path", "host", "range", "answer"}; "range" is the Range header or null)
before it is answered. The server never answers a part: a Range header is ignored.
"""
import argparse
import http.server
import json
import signal
import socket
import struct
import sys
import threading
import time

stopping = threading.Event()


class Settings:
    def __init__(self, args):
        self.script = args.script
        self.log = args.log
        self.fixed = {}
        if args.version is not None:
            self.fixed["/LOCKBAY/updatever.php"] = {"body": args.version}
        if args.setup is not None:
            self.fixed["/LOCKBAY/LockbaySetup.exe"] = {"file": args.setup}
        self.counts = {}
        self.lock = threading.Lock()

    def answers(self):
        answers = dict(self.fixed)
        if self.script:
            with open(self.script, encoding="utf-8") as f:
                answers.update(json.load(f))
        return answers

    def next_answer(self, path):
        with self.lock:
            answer = self.answers().get(path)
            index = self.counts.get(path, 0)
            self.counts[path] = index + 1
        if isinstance(answer, list):
            if not answer:
                return None, index
            answer = answer[min(index, len(answer) - 1)]
        return answer, index

    def record(self, entry):
        if not self.log:
            return
        with self.lock, open(self.log, "a", encoding="utf-8") as f:
            f.write(json.dumps(entry) + "\n")


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "LockbayTestServer/1"

    def log_message(self, format, *args):  # quiet: the request log is the record
        pass

    def do_HEAD(self):
        self.answer(send_body=False)

    def do_GET(self):
        self.answer(send_body=True)

    def answer(self, send_body):
        settings = self.server.settings
        path = self.path.split("?", 1)[0]
        try:
            answer, index = settings.next_answer(path)
        except (OSError, ValueError) as error:
            answer, index = {"status": 500, "body": "bad script: %s" % error}, 0
        if answer is None:
            answer = {"status": 404, "body": "<html><body>Not Found</body></html>", "content_type": "text/html"}
        mode = answer.get("mode", "normal")
        settings.record({"method": self.command, "path": self.path, "host": self.headers.get("Host", ""),
                         "range": self.headers.get("Range"), "answer": index, "mode": mode,
                         "status": answer.get("status", 200)})
        if answer.get("delay"):
            stopping.wait(float(answer["delay"]))

        if mode == "never":
            stopping.wait(3600)
            self.close_connection = True
            return
        if mode in ("close", "reset"):
            if mode == "reset":
                self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
            self.close_connection = True
            self.connection.close()
            return
        if mode == "redirect-loop":
            self.send_response(302)
            self.send_header("Location", "http://%s%s" % (self.headers.get("Host", "127.0.0.1"), self.path))
            self.send_header("Content-Length", "0")
            self.end_headers()
            return

        body = self.body_of(answer)
        self.send_response(int(answer.get("status", 200)))
        default_type = "application/octet-stream" if "file" in answer else "text/plain"
        self.send_header("Content-Type", answer.get("content_type", default_type))
        self.send_header("Content-Length", str(len(body)))
        for name, value in answer.get("headers", {}).items():
            self.send_header(name, value)
        if mode == "truncate":
            self.send_header("Connection", "close")
        self.end_headers()
        if not send_body:
            return
        try:
            if mode == "trickle":
                chunk = int(answer.get("chunk", 1))
                interval = float(answer.get("interval", 0.5))
                for start in range(0, len(body), chunk):
                    self.wfile.write(body[start:start + chunk])
                    self.wfile.flush()
                    if stopping.wait(interval):
                        break
            elif mode == "truncate":
                self.wfile.write(body[:int(answer.get("send_bytes", len(body) // 2))])
                self.wfile.flush()
                self.close_connection = True
            else:
                self.wfile.write(body)
        except (BrokenPipeError, ConnectionResetError):
            self.close_connection = True

    @staticmethod
    def body_of(answer):
        if "file" in answer:
            with open(answer["file"], "rb") as f:
                return f.read()
        return answer.get("body", "").encode("utf-8")


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True


def main():
    parser = argparse.ArgumentParser(description="Scripted loopback HTTP server for the e2e tests")
    parser.add_argument("--port", type=int, default=18080)
    parser.add_argument("--script")
    parser.add_argument("--log")
    parser.add_argument("--version")
    parser.add_argument("--setup")
    args = parser.parse_args()

    server = Server(("127.0.0.1", args.port), Handler)
    server.settings = Settings(args)

    def stop(signum, frame):
        stopping.set()
        threading.Thread(target=server.shutdown, daemon=True).start()

    signal.signal(signal.SIGTERM, stop)
    signal.signal(signal.SIGINT, stop)
    try:
        server.serve_forever(poll_interval=0.1)
    finally:
        server.server_close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
