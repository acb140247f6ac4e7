"""Reads colour-cycling JSON files with Python's own parser, strictly. For each file F it
prints the filename as ASCII JSON and the rate's type and value, and writes F.rgb: the
picture in its colours, three bytes a pixel."""
import json
import sys


def refuse(token):
    raise ValueError("not strict JSON: " + token)


for path in sys.argv[1:]:
    with open(path, encoding="utf-8") as f:
        d = json.load(f, parse_constant=refuse)
    assert list(d) == ["filename", "width", "height", "colors", "cycles", "pixels"]
    assert (d["width"], d["height"], len(d["colors"]), len(d["pixels"])) == (256, 256, 16, 65536)
    (cycle,) = d["cycles"]
    assert [cycle["reverse"], cycle["low"], cycle["high"]] == [2, 0, 15]
    colors = [bytes(c) for c in d["colors"]]  # bytes() takes only whole numbers 0..255
    assert all(len(c) == 3 for c in colors) and all(type(v) is int for v in d["pixels"])
    print(json.dumps(d["filename"]))
    print(type(cycle["rate"]).__name__, repr(cycle["rate"]))
    with open(path + ".rgb", "wb") as f:
        f.write(b"".join(colors[v] for v in d["pixels"]))
