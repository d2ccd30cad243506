#!/usr/bin/env python3
"""Builds the .vlng language files that ship beside lockbay.exe.

Each template (UTF-8, one text per line, in caption-table order) becomes
<template name>.vlng in the output folder: the product-identity placeholders are
filled in, every file must hold the same number of lines (38 lines of the caption
table, then the lines of newer features), and it is written in Windows-1252 with
CR LF line ends. Any problem stops the build with a message naming the file
and line.
"""

import argparse
import pathlib
import sys

CAPTION_LINE_COUNT = 38
PLACEHOLDER_MARK = "@LOCKBAY_"


class TemplateError(Exception):
    pass


def template_lines(path: pathlib.Path) -> list[str]:
    try:
        text = path.read_bytes().decode("utf-8")
    except UnicodeDecodeError as error:
        raise TemplateError(f"{path}: byte {error.start} is not UTF-8") from None
    if text.startswith("\ufeff"):
        raise TemplateError(f"{path}: starts with a byte-order mark; save it as UTF-8 without one")
    # A checkout may have turned the line ends into CR LF; both mean one line end.
    lines = text.replace("\r\n", "\n").split("\n")
    if lines and lines[-1] == "":
        lines.pop()
    for number, line in enumerate(lines, start=1):
        if "\r" in line:
            raise TemplateError(f"{path}:{number}: holds a lone CR, which would split the line")
    if len(lines) < CAPTION_LINE_COUNT:
        raise TemplateError(f"{path}: has {len(lines)} lines; a language file needs at least {CAPTION_LINE_COUNT}")
    return lines


def fill_placeholders(path: pathlib.Path, lines: list[str], values: dict[str, str]) -> list[str]:
    filled = []
    for number, line in enumerate(lines, start=1):
        for placeholder, value in values.items():
            line = line.replace(placeholder, value)
        if PLACEHOLDER_MARK in line:
            raise TemplateError(f"{path}:{number}: unknown placeholder in {line!r}")
        filled.append(line)
    return filled


def encode(path: pathlib.Path, lines: list[str]) -> bytes:
    encoded = []
    for number, line in enumerate(lines, start=1):
        try:
            encoded.append(line.encode("cp1252"))
        except UnicodeEncodeError as error:
            bad = line[error.start : error.end]
            raise TemplateError(
                f"{path}:{number}: {bad!r} (U+{ord(bad[0]):04X}) cannot be written in Windows-1252"
            ) from None
    return b"".join(line + b"\r\n" for line in encoded)


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--output-dir", required=True, type=pathlib.Path)
    parser.add_argument(
        "--identity",
        required=True,
        type=pathlib.Path,
        help="UTF-8 file: the web site name on its first line, the support address on its second",
    )
    parser.add_argument("templates", nargs="+", type=pathlib.Path)
    args = parser.parse_args()

    try:
        identity = args.identity.read_text(encoding="utf-8").split("\n")
    except (OSError, UnicodeDecodeError) as error:
        print(f"make_language_files: {args.identity}: {error}", file=sys.stderr)
        return 1
    if len(identity) < 2:
        print(f"make_language_files: {args.identity}: needs the web site name and the support address", file=sys.stderr)
        return 1
    values = {
        "@LOCKBAY_WEB_SITE_NAME@": identity[0],
        "@LOCKBAY_SUPPORT_ADDRESS@": identity[1],
    }
    args.output_dir.mkdir(parents=True, exist_ok=True)
    try:
        line_count = None
        for template in args.templates:
            lines = fill_placeholders(template, template_lines(template), values)
            if line_count is None:
                line_count = len(lines)
            elif len(lines) != line_count:
                raise TemplateError(
                    f"{template}: has {len(lines)} lines, {args.templates[0]} has {line_count}; "
                    "every language needs every line"
                )
            content = encode(template, lines)
            (args.output_dir / (template.stem + ".vlng")).write_bytes(content)
    except (TemplateError, OSError) as error:
        print(f"make_language_files: {error}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
