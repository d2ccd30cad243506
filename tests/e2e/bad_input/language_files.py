#!/usr/bin/env python3
"""Damaged and unusual language files for the bad-input tests, and the texts that the
program should show for them.

    language_files.py make <kind> <file> [seed]   writes a language file of that kind
    language_files.py line <file> <n>             line n as the program shows it

Kinds:
  empty        no bytes at all
  garbage      64 KiB of random bytes (NUL among them) from the seed (default 6)
  one-mb-line  a single line of 1 MiB, without a line end
  37-lines     37 lines "Line 1" ... "Line 37", CR LF after each
  500-lines    500 lines "Line 1" ... "Line 500"
  high-bytes   lines 1 to 3 hold the bytes 0x80-0xBF, 0xC0-0xFF and 0x80-0xFF; then
               one line per byte from 0x80 to 0xFF

`line` reads the file by the program's rule (a line ends at CR LF or at a CR alone; an
LF alone belongs to the line; only 38 lines; a line keeps its first 4096 characters; only
the first 38 x 4098 bytes are read), decodes it from Windows-1252 (the five
bytes the code page leaves undefined keep their value), cuts it at a NUL (a window
text ends there) and prints it in UTF-8, escaped as the test driver escapes texts
(backslash, CR and LF), so that it compares with the driver's output as it stands.
An absent line prints "<absent>".
"""
import random
import sys

LINE_COUNT = 38
LINE_LIMIT = 4096  # characters the program keeps of a line
# Bytes the program reads of a language file: each line it knows at the longest with
# its CR LF (it knows at least the 38 lines of the caption table).
READ_LIMIT = LINE_COUNT * (LINE_LIMIT + 2)


def make(kind, path, seed):
    if kind == "empty":
        data = b""
    elif kind == "garbage":
        data = random.Random(seed).randbytes(64 * 1024)
        if b"\0" not in data:
            data += b"\0"
    elif kind == "one-mb-line":
        pattern = b"One line of one mebibyte, never ended. "
        data = (pattern * (1024 * 1024 // len(pattern) + 1))[:1024 * 1024]
    elif kind in ("37-lines", "500-lines"):
        count = int(kind.split("-")[0])
        data = b"".join(b"Line %d\r\n" % n for n in range(1, count + 1))
    elif kind == "high-bytes":
        lines = [bytes(range(0x80, 0xC0)), bytes(range(0xC0, 0x100)), bytes(range(0x80, 0x100))]
        lines += [bytes([b]) for b in range(0x80, 0x100)]
        data = b"".join(line + b"\r\n" for line in lines)
    else:
        raise SystemExit("unknown kind: %s" % kind)
    with open(path, "wb") as f:
        f.write(data)


def read_lines(data):
    return [line[:LINE_LIMIT] for line in whole_lines(data[:READ_LIMIT])]


def whole_lines(data):
    lines, pos = [], 0
    while pos < len(data) and len(lines) < LINE_COUNT:
        cr = data.find(b"\r", pos)
        if cr < 0:
            lines.append(data[pos:])
            break
        lines.append(data[pos:cr])
        pos = cr + 1
        if pos < len(data) and data[pos:pos + 1] == b"\n":
            pos += 1
    return lines


def decode(raw):
    text = []
    for b in raw:
        try:
            text.append(bytes([b]).decode("cp1252"))
        except UnicodeDecodeError:
            text.append(chr(b))  # undefined in the code page: the byte's own value
    return "".join(text)


def shown(raw):
    text = decode(raw).split("\0", 1)[0]
    return text.replace("\\", "\\\\").replace("\r", "\\r").replace("\n", "\\n")


def main(argv):
    if len(argv) in (4, 5) and argv[1] == "make":
        make(argv[2], argv[3], int(argv[4]) if len(argv) == 5 else 6)
        return 0
    if len(argv) == 4 and argv[1] == "line":
        with open(argv[2], "rb") as f:
            lines = read_lines(f.read())
        n = int(argv[3])
        sys.stdout.buffer.write((shown(lines[n - 1]) if n <= len(lines) else "<absent>").encode("utf-8"))
        sys.stdout.buffer.write(b"\n")
        return 0
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
