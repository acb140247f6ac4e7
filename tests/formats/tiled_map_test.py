#!/usr/bin/python3
"""The --tiled folder as Tiled reads it: the map and the tileset use only the TMX format's
elements and attributes, the tileset describes the sheet and each of its tiles plays the loop,
and Tiled's own renderer draws the map as the BMP frame of the moment tiled 4 x 4, with one
tile a picture or --tile-size's smaller tiles; the drawing is skipped, saying why, without
tmxrasterizer (Debian package tiled).
Usage: tiled_map_test.py TOOL DATA_DIR"""

import os
import shutil
import struct
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from x_session import SKIP, check, failures, passes  # noqa: E402

# The documented elements used here: their attributes, and the elements they may hold.
TMX = {"map": ("version tiledversion class orientation renderorder compressionlevel width "
               "height tilewidth tileheight backgroundcolor nextlayerid nextobjectid infinite",
               "properties editorsettings tileset layer objectgroup imagelayer group"),
       "tileset": ("firstgid source name class tilewidth tileheight spacing margin tilecount "
                   "columns objectalignment version tiledversion", "image tileoffset grid "
                   "properties terraintypes wangsets transformations tile"),
       "image": ("format source trans width height", "data"),
       "tile": ("id type class probability", "properties image objectgroup animation"),
       "animation": ("", "frame"), "frame": ("tileid duration", ""),
       "layer": ("id name class x y width height opacity visible tintcolor offsetx offsety "
                 "parallaxx parallaxy", "properties data"),
       "data": ("encoding compression", "tile chunk")}

# (ranges file, delay, scale, id, --tile-size): none (the default cycle), a blended 64-frame
# loop (four rows of the sheet), an odd scale; each with one tile a picture and with smaller
# tiles.
CASES = [(None, 3, 1, "A", None), ("0,1,0,forward,1\n4,15,3,reverse,blend\n", 2, 1, "Q", None),
         ("0,7,8,forward\n8,15,16,reverse\n", 7, 3, "Z", None), (None, 3, 1, "B", 16),
         ("0,1,0,forward,1\n4,15,3,reverse,blend\n", 2, 1, "R", 32),
         ("0,7,8,forward\n8,15,16,reverse\n", 7, 3, "Y", 256)]


def undocumented(element):
    """What below element the TMX format does not have there."""
    attributes, children = (set(s.split()) for s in TMX.get(element.tag, ("", "")))
    wrong = {"<%s %s>" % (element.tag, a) for a in element.attrib if a not in attributes}
    wrong |= {"<%s>" % element.tag} if element.tag not in TMX else set()
    for child in element:
        wrong |= {"<%s> in <%s>" % (child.tag, element.tag)} if child.tag not in children else set()
        wrong |= undocumented(child)
    return wrong


def bmp_rows(path, scale):
    """A 4-bit BMP frame as RGB rows, top row first, each pixel scale x scale."""
    b = open(path, "rb").read()
    (start,), (header, width, height) = struct.unpack_from("<I", b, 10), struct.unpack_from(
        "<Iii", b, 14)
    table = [b[14 + header + 4 * k:17 + header + 4 * k][::-1] * scale for k in range(16)]
    stride = (width // 2 + 3) // 4 * 4
    rows = [b"".join(table[v >> 4] + table[v & 15] for v in b[start + r * stride:][:width // 2])
            for r in range(abs(height))]
    return [row for row in (rows[::-1] if height > 0 else rows) for _ in range(scale)]


def main():
    tool, data = sys.argv[1], sys.argv[2]
    drawing = shutil.which("tmxrasterizer")
    work = tempfile.mkdtemp(prefix="quilmorante-tiled-")
    try:
        for n, (ranges, delay, scale, id_, tile) in enumerate(CASES):
            folder, edge, what = os.path.join(work, str(n)), 256 * scale, "case %d" % n
            tile_edge = tile or edge
            per = edge // tile_edge  # tiles a side of the picture
            shutil.copytree(data, folder)
            if ranges is not None:
                open(os.path.join(folder, "savedata", "pal0.cycles.txt"), "w").write(ranges)
            subprocess.run([tool, "--data", folder, "--id", id_, "--tiled", folder + "/t",
                            "--delay", str(delay), "--scale", str(scale)] +
                           ["--tile-size", str(tile)] * (tile is not None), check=True,
                           stdout=subprocess.DEVNULL)
            bmps = sorted(os.listdir(os.path.join(folder, "result")))
            loop, t = len(bmps), os.path.join(folder, "t", id_)
            tmx, tsx = ET.parse(t + ".tmx").getroot(), ET.parse(t + ".tsx").getroot()
            for name, root in (("map", tmx), ("tileset", tsx)):
                wrong = undocumented(root)
                check(not wrong, "%s: the %s is TMX %s" % (what, name, sorted(wrong)))
            size = struct.unpack_from(">II", open(t + "-sheet.png", "rb").read(), 16)
            grid = [tmx.get(a) for a in ("orientation", "width", "height", "tilewidth",
                                         "tileheight")]
            check(grid == ["orthogonal", str(4 * per), str(4 * per), str(tile_edge),
                           str(tile_edge)], "%s: %s" % (what, grid))
            check([ref.attrib for ref in tmx.findall("tileset")] ==
                  [{"firstgid": "1", "source": id_ + ".tsx"}], what + ": the map's tileset")
            image = tsx.find("image").attrib
            check(image == {"source": id_ + "-sheet.png", "width": str(size[0]),
                            "height": str(size[1])}, "%s: image %s" % (what, image))
            # The sheet's cells hold the frames in reading order, each cut into per x per tiles.
            columns, sheet_columns = int(tsx.get("columns")), size[0] // edge

            def tile_id(j, row, column):
                return ((j // sheet_columns * per + row) * columns + j % sheet_columns * per +
                        column)

            check([tsx.get("tilewidth"), tsx.get("tileheight"), tsx.get("tilecount")] ==
                  [str(tile_edge), str(tile_edge), str(tile_id(loop - 1, per - 1, per - 1) + 1)]
                  and columns * tile_edge == size[0] and
                  sheet_columns * (size[1] // edge) >= loop, what + ": tiles and layout")
            cells = [c.strip() for c in tmx.find("layer/data[@encoding='csv']").text.split(",")]
            check(len(tmx.findall("layer")) == 1 and cells ==
                  [str(tile_id(0, r % per, c % per) + 1) for r in range(4 * per)
                   for c in range(4 * per)], what + ": frame 0's tiles 4 x 4")
            plays = {tile.get("id"): [f.attrib for f in tile.iter("frame")]
                     for tile in tsx.findall("tile")}
            check(len(tsx.findall("tile")) == per * per and plays ==
                  {str(tile_id(0, r, c)): [{"tileid": str(tile_id(j, r, c)),
                                            "duration": str(10 * delay)} for j in range(loop)]
                   for r in range(per) for c in range(per)}, what + ": every tile plays the loop")
            # Mid-frame, clear of the moments Tiled's animation changes tile.
            for frame in (0, 1, loop - 1, loop + 2) if drawing else ():
                later = ["--advance-animations", str(10 * delay * frame + 5 * delay)]
                subprocess.run(["tmxrasterizer", "--no-smoothing"] + later * (frame > 0) +
                               [t + ".tmx", t + ".ppm"], check=True, stderr=subprocess.DEVNULL,
                               env=dict(os.environ, QT_QPA_PLATFORM="offscreen"))
                # Qt writes "P6\n<w> <h>\n255\n" and the RGB pixels.
                head, wh, _, pixels = open(t + ".ppm", "rb").read().split(b"\n", 3)
                rows = bmp_rows(os.path.join(folder, "result", bmps[frame % loop]), scale)
                check(wh == b"%d %d" % (4 * edge, 4 * edge) and
                      pixels == b"".join(row * 4 for row in rows) * 4,
                      "%s: drawn at frame %d is frame %d 4 x 4" % (what, frame, frame % loop))
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print("tiled_map_test: %d passed, %d failed" % (len(passes), len(failures)))
    if not drawing and not failures:
        print("skipped: tmxrasterizer not found on PATH (Debian package tiled)", flush=True)
        return SKIP
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
