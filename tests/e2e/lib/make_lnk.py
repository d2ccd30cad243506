#!/usr/bin/env python3
"""Writes a shortcut file (.lnk) from the published Shell Link binary format, for the tests:
the decoys a worm leaves beside the folders it hides, and damaged shortcuts.

    make_lnk.py OUTPUT [--local PATH] [--suffix TEXT] [--share \\\\server\\share] [--unicode-info]
                       [--relative PATH] [--workdir PATH] [--args TEXT] [--env-target PATH]
                       [--ansi] [--no-idlist] [--truncate BYTES]

--local and --suffix go into the link information (local base path and common suffix;
with --unicode-info also in UTF-16, as for names outside the ANSI code page), --share
makes it a network link; --relative, --workdir and --args are the string data
(UTF-16 unless --ansi); --env-target is the environment-variable block
("%windir%\\system32\\cmd.exe"). --truncate keeps only the first BYTES bytes.
"""
import argparse
import struct
import sys

LINK_CLSID = bytes([0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46])
# A "My Computer" root item: the ID list a shell would write first.
MY_COMPUTER_ITEM = bytes([0x1F, 0x50, 0xE0, 0x4F, 0xD0, 0x20, 0xEA, 0x3A, 0x69, 0x10,
                          0xA2, 0xD8, 0x08, 0x00, 0x2B, 0x30, 0x30, 0x9D])

HAS_ID_LIST, HAS_LINK_INFO, HAS_RELATIVE_PATH = 1 << 0, 1 << 1, 1 << 3
HAS_WORKING_DIR, HAS_ARGUMENTS, IS_UNICODE, HAS_EXP_STRING = 1 << 4, 1 << 5, 1 << 7, 1 << 9


def ansi(text):
    return text.encode("cp1252", errors="replace")


def link_info(local, suffix, share, unicode_info):
    header_size = 0x24 if unicode_info else 0x1C
    body = b""
    flags = 0
    local_offset = network_offset = 0
    volume_offset = 0
    if local:
        flags |= 1
        volume_offset = header_size + len(body)
        # Volume id: size, drive type (removable), serial number, label offset, empty label.
        body += struct.pack("<IIII", 0x11, 2, 0x1234ABCD, 0x10) + b"\0"
        local_offset = header_size + len(body)
        body += ansi(local) + b"\0"
    if share:
        flags |= 2
        network_offset = header_size + len(body)
        name = ansi(share) + b"\0"
        body += struct.pack("<IIIII", 0x14 + len(name), 0, 0x14, 0, 0) + name
    suffix_offset = header_size + len(body)
    body += ansi(suffix) + b"\0"
    unicode_offsets = b""
    if unicode_info:
        local_unicode = 0
        if local:
            local_unicode = header_size + len(body)
            body += local.encode("utf-16-le") + b"\0\0"
        suffix_unicode = header_size + len(body)
        body += suffix.encode("utf-16-le") + b"\0\0"
        unicode_offsets = struct.pack("<II", local_unicode, suffix_unicode)
    header = struct.pack("<IIIIIII", header_size + len(body), header_size, flags, volume_offset, local_offset,
                         network_offset, suffix_offset) + unicode_offsets
    return header + body


def counted(text, unicode):
    data = text.encode("utf-16-le") if unicode else ansi(text)
    return struct.pack("<H", len(text)) + data


def build(args):
    unicode = not args.ansi
    has_info = bool(args.local or args.share)
    flags = 0
    if not args.no_idlist:
        flags |= HAS_ID_LIST
    if has_info:
        flags |= HAS_LINK_INFO
    if args.relative:
        flags |= HAS_RELATIVE_PATH
    if args.workdir:
        flags |= HAS_WORKING_DIR
    if args.args:
        flags |= HAS_ARGUMENTS
    if unicode:
        flags |= IS_UNICODE
    if args.env_target:
        flags |= HAS_EXP_STRING

    # Header: size, class id, flags, attributes, three times, size, icon, show command
    # (1, normal), hot key and the reserved fields.
    out = struct.pack("<I", 0x4C) + LINK_CLSID + struct.pack("<II", flags, 0x20)
    out += b"\0" * 24 + struct.pack("<IiIHHII", 0, 0, 1, 0, 0, 0, 0)
    assert len(out) == 0x4C
    if not args.no_idlist:
        items = struct.pack("<H", 2 + len(MY_COMPUTER_ITEM)) + MY_COMPUTER_ITEM + b"\0\0"
        out += struct.pack("<H", len(items)) + items
    if has_info:
        out += link_info(args.local or "", args.suffix or "", args.share or "", args.unicode_info)
    for text in (args.relative, args.workdir, args.args):
        if text:
            out += counted(text, unicode)
    if args.env_target:
        out += struct.pack("<II", 0x314, 0xA0000001)
        out += ansi(args.env_target).ljust(260, b"\0")[:260]
        out += args.env_target.encode("utf-16-le").ljust(520, b"\0")[:520]
    out += b"\0\0\0\0"  # terminal block
    if args.truncate is not None:
        out = out[: args.truncate]
    return out


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("output")
    parser.add_argument("--local")
    parser.add_argument("--suffix")
    parser.add_argument("--share")
    parser.add_argument("--unicode-info", action="store_true")
    parser.add_argument("--relative")
    parser.add_argument("--workdir")
    parser.add_argument("--args")
    parser.add_argument("--env-target")
    parser.add_argument("--ansi", action="store_true")
    parser.add_argument("--no-idlist", action="store_true")
    parser.add_argument("--truncate", type=int)
    args = parser.parse_args(argv[1:])
    with open(args.output, "wb") as f:
        f.write(build(args))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
