#!/usr/bin/python3
"""Cuts a Japanese gothic font down to the glyphs the editor can show, as a WOFF2 web font.

The editor's texts are the code page 932 literals of editor/editor_texts.h; file names,
numbers and error reasons are printable ASCII; a shortened status line ends in an ellipsis.

Usage: subset_font.py EDITOR_TEXTS_H FONT.ttf OUT.woff2
"""

import codecs
import re
import sys

from fontTools import subset


def editor_characters(header_text):
    """Every character of every string literal in the header, decoded from code page 932."""
    characters = set()
    for literal in re.findall(r'"((?:[^"\\]|\\.)*)"', header_text):
        raw = codecs.escape_decode(literal.encode("latin-1"))[0]
        characters.update(raw.decode("cp932", errors="ignore"))
    return characters


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    header, font_path, out = sys.argv[1:]
    with open(header, encoding="utf-8") as f:
        characters = editor_characters(f.read())
    characters.update(chr(c) for c in range(0x20, 0x7F))
    characters.add("\u2026")
    options = subset.Options()
    options.flavor = "woff2"
    options.layout_features = []
    options.name_IDs = ["*"]
    options.notdef_outline = True
    font = subset.load_font(font_path, options)
    subsetter = subset.Subsetter(options)
    subsetter.populate(text="".join(sorted(characters)))
    subsetter.subset(font)
    subset.save_font(font, out, options)


if __name__ == "__main__":
    main()
