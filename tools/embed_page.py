#!/usr/bin/env python3
"""Writes the page's files as C++ string views: embed_page.py OUT.inc NAME=FILE ..."""
import sys


def main():
    out, pairs = sys.argv[1], sys.argv[2:]
    lines = ["// Made by tools/embed_page.py from src/app/web/page/; do not edit.\n"]
    for pair in pairs:
        name, path = pair.split("=", 1)
        data = open(path, "rb").read()
        body = ",".join(str(b - 256 if b > 127 else b) for b in data)
        lines.append(f"constexpr char {name}Bytes[] = {{{body}}};\n")
        lines.append(f"constexpr std::string_view {name}{{{name}Bytes, {len(data)}}};\n")
    text = "".join(lines)
    try:
        if open(out).read() == text:
            return
    except OSError:
        pass
    open(out, "w").write(text)


main()
