"""Reads colour-cycling JSON files with Python's own parser, strictly. For each file F it
prints the filename and the cycles as ASCII JSON, keys in the file's order (a rate read as a
float keeps its point), and writes F.rgb: the picture in its colours, three bytes a pixel."""
import json
import sys


def refuse(token):
    raise ValueError("not strict JSON: " + token)


for path in sys.argv[1:]:
    with open(path, encoding="utf-8") as f:
        d = json.load(f, parse_constant=refuse)
    assert list(d) == ["filename", "width", "height", "colors", "cycles", "pixels"]
    assert (d["width"], d["height"], len(d["colors"]), len(d["pixels"])) == (256, 256, 16, 65536)
    colors = [bytes(c) for c in d["colors"]]  # bytes() takes only whole numbers 0..255
    assert all(len(c) == 3 for c in colors) and all(type(v) is int for v in d["pixels"])
    print(json.dumps(d["filename"]))
    print(json.dumps(d["cycles"]))
    with open(path + ".rgb", "wb") as f:
        f.write(b"".join(colors[v] for v in d["pixels"]))
