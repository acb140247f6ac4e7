#!/usr/bin/python3
"""Cuts a Japanese gothic font down to the glyphs the editor can show, as a WOFF2 web font.

The editor's texts are the lines of editor/editor_texts.txt that its fonts draw (all but
those marked utf8); file names, numbers and error reasons are printable ASCII; a shortened
status line ends in an ellipsis; a character of a name the screen cannot show is a geta mark.

Usage: subset_font.py EDITOR_TEXTS_TXT FONT.ttf OUT.woff2
"""

import re
import sys

from fontTools import subset

LINE = re.compile(r'^([A-Za-z][A-Za-z0-9]*)([ \t]+utf8)?[ \t]+"([^"]*)"[ \t]+"([^"]*)"[ \t]*$')


def editor_characters(table_text):
    """Every character of both languages' texts the fonts draw."""
    characters = set()
    for line in table_text.splitlines():
        if re.match(r"^[ \t]*(#.*)?$", line):
            continue
        match = LINE.match(line)
        if not match:
            sys.exit("not a line of the texts table: " + line)
        if not match.group(2):
            characters.update(match.group(3) + match.group(4))
    return characters


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    table, font_path, out = sys.argv[1:]
    with open(table, encoding="utf-8") as f:
        characters = editor_characters(f.read())
    characters.update(chr(c) for c in range(0x20, 0x7F))
    characters.add("\u2026")
    characters.add("\u3013")
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
