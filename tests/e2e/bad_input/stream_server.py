#!/usr/bin/env python3
"""A loopback HTTP server for answers too large or too slow to script as one body, that
records how much of each answer went out before the client hung up.

    stream_server.py --port N --log FILE --size BYTES [--start TEXT] [--fill TEXT]
                     [--interval SECONDS] [--chunk BYTES]

Every GET is answered 200 with a Content-Length of BYTES: TEXT first (default empty),
then FILL repeated (default a blank). With --interval, CHUNK bytes (default 1) go out
each INTERVAL seconds; otherwise the body is written as fast as the client takes it.

When an answer ends, one JSON line goes to the log:
    {"path": ..., "announced": BYTES, "sent": n, "complete": true|false,
     "client_closed": true|false, "stalled": true|false}
"client_closed" means the client closed the connection before the whole body was sent;
"stalled" that it stopped reading for 30 s and left the connection open.
"""
import argparse
import json
import signal
import socket
import sys
import threading

stopping = threading.Event()
log_lock = threading.Lock()


def body_piece(args, offset, length):
    """Bytes offset .. offset+length of the body, made on the fly."""
    start = args.start.encode("latin-1")
    fill = args.fill.encode("latin-1") or b" "
    out = bytearray()
    while length > 0:
        if offset < len(start):
            piece = start[offset:offset + length]
        else:
            at = (offset - len(start)) % len(fill)
            piece = (fill[at:] + fill * (length // len(fill) + 1))[:length]
        out += piece
        offset += len(piece)
        length -= len(piece)
    return bytes(out)


def read_request(connection):
    data = b""
    while b"\r\n\r\n" not in data:
        piece = connection.recv(4096)
        if not piece:
            return None
        data += piece
        if len(data) > 65536:
            return None
    first = data.split(b"\r\n", 1)[0].decode("latin-1").split()
    return first[1] if len(first) >= 2 else "/"


def answer(connection, args):
    path = read_request(connection)
    if path is None:
        connection.close()
        return
    head = ("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: %d\r\n"
            "Connection: close\r\n\r\n" % args.size).encode("ascii")
    sent = 0
    closed = stalled = False
    try:
        connection.sendall(head)
        chunk = args.chunk if args.interval else 256 * 1024
        while sent < args.size and not stopping.is_set():
            piece = body_piece(args, sent, min(chunk, args.size - sent))
            connection.sendall(piece)
            sent += len(piece)
            if args.interval and stopping.wait(args.interval):
                break
    except socket.timeout:
        stalled = True  # the client stopped reading but kept the connection open
    except OSError:
        closed = True
    finally:
        entry = {"path": path, "announced": args.size, "sent": sent, "complete": sent == args.size,
                 "client_closed": closed, "stalled": stalled}
        with log_lock, open(args.log, "a", encoding="utf-8") as f:
            f.write(json.dumps(entry) + "\n")
        try:
            connection.close()
        except OSError:
            pass


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--log", required=True)
    parser.add_argument("--size", type=int, required=True)
    parser.add_argument("--start", default="")
    parser.add_argument("--fill", default=" ")
    parser.add_argument("--interval", type=float, default=0)
    parser.add_argument("--chunk", type=int, default=1)
    args = parser.parse_args()

    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", args.port))
    listener.listen(16)
    listener.settimeout(0.2)

    def stop(signum, frame):
        stopping.set()

    signal.signal(signal.SIGTERM, stop)
    signal.signal(signal.SIGINT, stop)
    while not stopping.is_set():
        try:
            connection, _ = listener.accept()
        except socket.timeout:
            continue
        # A small send buffer, so that "sent" stays close to what the client took.
        connection.setsockopt(socket.SOL_SOCKET, socket.SO_SNDBUF, 64 * 1024)
        connection.settimeout(30)
        threading.Thread(target=answer, args=(connection, args), daemon=True).start()
    listener.close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
