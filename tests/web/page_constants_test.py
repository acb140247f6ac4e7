#!/usr/bin/python3
"""web/page_constants.cmake on a copy of the sources: as they are, it writes a module node
imports and an index.html with every @name@ filled in; with one constant gone, declared twice
or given a value it cannot read, or a page using a name the module lacks, the build stops with
a message naming it.

Usage: page_constants_test.py SOURCE_DIR CMAKE
"""

import os
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from x_session import SKIP, check, failures, passes  # noqa: E402

# A file of the copy, a text in it, what takes its place, and what the failure must say.
BROKEN = [
    ("shell/core/rasterizer.h", "kScreenWidth =", "kScreenWide =", "kScreenWidth: not found"),
    ("shell/core/rasterizer.h", "kScreenWidth = 640", "kScreenWidth = 320 * 2",
     "kScreenWidth = 320 * 2"),
    ("editor/editor_canvas.h", "{30,", "{30u,", "kFontHeights = 30u: not an integer"),
    ("store/data_folder.h", "kSettingsFile = \"settings.txt\"", "kSettingsFile = kOtherFile",
     "kSettingsFile = kOtherFile"),
    ("store/data_folder.h", "constexpr const char* kResultsFolder = \"result\";",
     "constexpr const char* kResultsFolder = \"result\";\n"
     "constexpr const char* kResultsFolder = \"other\";", "kResultsFolder: declared more"),
    ("generator/frame_clock.h", "kHand,", "kHand = kArrow + 1,", "PointerShape::kHand"),
    ("generator/program_limits.h", "enum class Language", "enum class Languages",
     "enum Language: not found"),
    ("web/keys.js", "KeyCode.DIK_UP", "KeyCode.DIK_UPP", "keys.js: uses KeyCode.DIK_UPP"),
    ("web/exporter.js", "import { ExportList,", "import { ExportLists,",
     "exporter.js: imports ExportLists"),
    ("web/index.html", "@kScreenHeight@", "@kScreenDepth@", "@kScreenDepth@"),
]


def generate(sources, cmake, out):
    pages = ",".join(os.path.join(sources, "web", n) for n in sorted(os.listdir(
        os.path.join(sources, "web"))) if n.endswith(".js"))
    return subprocess.run([
        cmake, "-DREPO=" + sources, "-DOUTPUT=" + os.path.join(out, "page_constants.mjs"),
        "-DINDEX=" + os.path.join(sources, "web", "index.html"),
        "-DINDEX_OUTPUT=" + os.path.join(out, "index.html"), "-DDEPFILE=" + os.path.join(out, "d"),
        "-DPAGES=" + pages, "-DEXAMPLE_SLOTS=pat0.txt", "-P",
        os.path.join(sources, "web", "page_constants.cmake")], capture_output=True, text=True)


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    source, cmake = sys.argv[1:]
    if not os.path.exists("/usr/bin/node"):
        print("skipped: /usr/bin/node not found (Debian package nodejs)")
        return SKIP
    work = tempfile.mkdtemp(prefix="quilmorante-constants-")
    try:
        copy = os.path.join(work, "sources")
        for folder in ("shell", "editor", "generator", "store", "web"):
            shutil.copytree(os.path.join(source, folder), os.path.join(copy, folder))
        run = generate(copy, cmake, work)
        imported = subprocess.run(["/usr/bin/node", "--input-type=module", "-e", "import('%s')"
                                   % os.path.join(work, "page_constants.mjs")],
                                  capture_output=True, text=True)
        with open(os.path.join(work, "index.html")) as f:
            page = f.read()
        check(run.returncode == 0 and imported.returncode == 0 and "@" not in page,
              "the sources give a module node imports and a whole index.html (%s%s)"
              % (run.stderr.strip(), imported.stderr.strip()))
        for path, old, new, named in BROKEN:
            with open(os.path.join(copy, path)) as f:
                text = f.read()
            with open(os.path.join(copy, path), "w") as f:
                f.write(text.replace(old, new, 1))
            run = generate(copy, cmake, work)
            message = " ".join(run.stderr.split("(message):")[-1].split("Call Stack")[0].split())
            check(old in text and run.returncode != 0 and named in message,
                  "%s with %r: the build stops saying %r (%s)" % (path, new, named, message[:160]))
            with open(os.path.join(copy, path), "w") as f:
                f.write(text)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print("page_constants_test: %d passed, %d failed" % (len(passes), len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
