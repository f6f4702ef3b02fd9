#!/usr/bin/env python3
"""The documents the packages carry, made at build time.

  package_docs.py guide KULLANIM.md OKUBENI.txt
      The Turkish guide as Windows plain text: UTF-8 with a byte-order mark, CR LF
      line ends, wrapped at 78 columns. Parts between <!-- linux --> and
      <!-- /linux --> are left out, and so are pictures.
  package_docs.py guide-linux KULLANIM.md KULLANIM.txt
      The whole guide as Linux plain text: UTF-8, LF line ends.
  package_docs.py gzip IN OUT
      IN compressed the way Debian wants documentation: best compression, no name
      and no time stamp in the header, so the same input gives the same bytes.

The guide is written in the small part of Markdown it uses: headings (#, ##, ###),
paragraphs, "- " and "1. " lists, "> " quotes (a lone ">" between paragraphs), code blocks indented by four
spaces, `code`, **bold**, [links](...) and ![pictures](...).
"""
import gzip
import re
import sys
import textwrap

WIDTH = 78


def inline(text):
    text = re.sub(r"!\[[^\]]*\]\([^)]*\)", "", text)
    text = re.sub(r"\[([^\]]*)\]\([^)]*\)", r"\1", text)
    text = text.replace("**", "")
    return text.replace("`", "")


def wrap(text, first, rest):
    return textwrap.wrap(inline(text), WIDTH, initial_indent=first, subsequent_indent=rest,
                         break_long_words=False, break_on_hyphens=False)


def visible_lines(markdown, left_out):
    """The Markdown lines that belong in the text: pictures, comments and the
    parts marked left_out dropped."""
    skipping = False
    for line in markdown.splitlines():
        marker = line.strip()
        if left_out and marker == f"<!-- {left_out} -->":
            skipping = True
        elif left_out and marker == f"<!-- /{left_out} -->":
            skipping = False
        elif not skipping and not re.fullmatch(r"<!--.*-->", marker) \
                and not re.fullmatch(r"!\[[^\]]*\]\([^)]*\)", marker):
            yield line


def blocks(lines):
    """Yields (kind, lines) blocks: heading1-3, para, item, quote, code, blank."""
    kind, held = None, []
    for line in lines:
        stripped = line.strip()
        heading = re.match(r"(#{1,3}) (.*)", line)
        item = re.match(r"(- |\d+\. )(.*)", line)
        if not stripped:
            if kind == "code":
                held.append("")
                continue
            if kind:
                yield kind, held
            kind, held = None, []
        elif heading:
            if kind:
                yield kind, held
            yield f"heading{len(heading.group(1))}", [heading.group(2)]
            kind, held = None, []
        elif item:
            if kind:
                yield kind, held
            kind, held = "item", [item.group(1), item.group(2)]
        elif line.startswith("    ") and kind in (None, "code"):
            kind = "code"
            held.append(line[4:])
        elif line.startswith("> ") or line == ">":
            if kind not in (None, "quote"):
                yield kind, held
                kind, held = None, []
            kind = "quote"
            held.append(line[2:])
        elif kind in ("para", "item", "quote"):
            held.append(stripped)
        else:
            if kind:
                yield kind, held
            kind, held = "para", [stripped]
    if kind:
        yield kind, held


def guide_text(markdown, left_out):
    out = []
    previous = None
    for kind, held in blocks(visible_lines(markdown, left_out)):
        # List items stand one under the other; a blank line follows the list.
        if previous == "item" and kind != "item":
            out.append("")
        if kind == "code":
            while held and not held[-1]:
                held.pop()
            out += ["    " + line if line else "" for line in held]
        elif kind.startswith("heading"):
            title = inline(held[0])
            out += [title, {"heading1": "=", "heading2": "-", "heading3": "~"}[kind] * len(title)]
        elif kind == "item":
            out += wrap(" ".join(held[1:]), "  " + held[0], " " * (2 + len(held[0])))
        elif kind == "quote":
            # A lone ">" parts the quote's paragraphs.
            parts = [[]]
            for line in held:
                if line:
                    parts[-1].append(line)
                else:
                    parts.append([])
            for n, part in enumerate(parts):
                out += ([""] if n else []) + wrap(" ".join(part), "    ", "    ")
        else:
            out += wrap(" ".join(held), "", "")
        if kind != "item":
            out.append("")
        previous = kind
    return "\n".join(out).strip("\n") + "\n"


def write_guide(source, target, windows):
    with open(source, encoding="utf-8") as f:
        text = guide_text(f.read(), "linux" if windows else None)
    with open(target, "wb") as f:
        if windows:
            f.write(b"\xef\xbb\xbf" + text.replace("\n", "\r\n").encode("utf-8"))
        else:
            f.write(text.encode("utf-8"))


def write_gzip(source, target):
    with open(source, "rb") as f:
        data = f.read()
    with open(target, "wb") as f:
        f.write(gzip.compress(data, compresslevel=9, mtime=0))


def main(argv):
    if len(argv) == 4 and argv[1] in ("guide", "guide-linux"):
        write_guide(argv[2], argv[3], windows=argv[1] == "guide")
    elif len(argv) == 4 and argv[1] == "gzip":
        write_gzip(argv[2], argv[3])
    else:
        sys.stderr.write(__doc__)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
