#!/usr/bin/python3
"""The exported GLSL shader played for real: headless Chromium's WebGL 2 (SwiftShader) draws
index.png and palette.png through cycle.glsl at several values of `frame`, past the loop too,
for several range lists, and every pixel read back equals the BMP frame (frame mod the loop)
that the same export wrote.

Usage: shader_webgl_test.py EXPORT_TOOL DATA_DIR
"""

import base64
import os
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "support"))
from x_session import check, failures, passes  # noqa: E402

SKIP = 77
# Range lists (savedata/pal0.cycles.txt; empty: the default cycle): ping-pong, blends that
# fade down and up, a still range, and a loop of 256.
RANGE_LISTS = ["", "0,7,8,forward\n8,15,16,reverse\n", "2,9,24,pingpong,1\n12,15,5,forward\n",
               "0,1,0,forward,1\n4,15,3,reverse,blend\n", "0,7,1,forward,1\n8,15,3,pingpong,1\n"]

VERTEX = """#version 300 es
in vec2 position;
out vec2 uv;
void main() {
  uv = vec2(position.x + 1.0, 1.0 - position.y) * 0.5;
  gl_Position = vec4(position, 0.0, 1.0);
}"""

# Draws each frame and returns its pixels, bottom row first, as base64 RGBA.
DRAW = """
const [indexUrl, paletteUrl, vertexText, fragmentText, frames, done] = arguments;
const canvas = document.createElement('canvas');
canvas.width = canvas.height = 256;
const gl = canvas.getContext('webgl2', {antialias: false});
if (!gl) return done('no WebGL 2');
const load = (url) => new Promise((ok, fail) => {
  const image = new Image(); image.onload = () => ok(image); image.onerror = fail; image.src = url;
});
Promise.all([load(indexUrl), load(paletteUrl)]).then(([index, palette]) => {
  gl.pixelStorei(gl.UNPACK_COLORSPACE_CONVERSION_WEBGL, gl.NONE);
  [[index, gl.R8, gl.RED], [palette, gl.RGBA8, gl.RGBA]].forEach(([image, inner, format], unit) => {
    gl.activeTexture(gl.TEXTURE0 + unit);
    gl.bindTexture(gl.TEXTURE_2D, gl.createTexture());
    gl.texImage2D(gl.TEXTURE_2D, 0, inner, format, gl.UNSIGNED_BYTE, image);
    gl.texParameteri(gl.TEXTURE_2D, gl.TEXTURE_MIN_FILTER, gl.NEAREST);
    gl.texParameteri(gl.TEXTURE_2D, gl.TEXTURE_MAG_FILTER, gl.NEAREST);
  });
  const program = gl.createProgram();
  for (const [type, text] of [[gl.VERTEX_SHADER, vertexText], [gl.FRAGMENT_SHADER, fragmentText]]) {
    const shader = gl.createShader(type);
    gl.shaderSource(shader, text);
    gl.compileShader(shader);
    if (!gl.getShaderParameter(shader, gl.COMPILE_STATUS)) return done(gl.getShaderInfoLog(shader));
    gl.attachShader(program, shader);
  }
  gl.linkProgram(program);
  if (!gl.getProgramParameter(program, gl.LINK_STATUS)) return done(gl.getProgramInfoLog(program));
  gl.useProgram(program);
  gl.bindBuffer(gl.ARRAY_BUFFER, gl.createBuffer());
  gl.bufferData(gl.ARRAY_BUFFER, new Float32Array([-1, -1, 3, -1, -1, 3]), gl.STATIC_DRAW);
  const position = gl.getAttribLocation(program, 'position');
  gl.enableVertexAttribArray(position);
  gl.vertexAttribPointer(position, 2, gl.FLOAT, false, 0, 0);
  gl.uniform1i(gl.getUniformLocation(program, 'indexTexture'), 0);
  gl.uniform1i(gl.getUniformLocation(program, 'paletteTexture'), 1);
  const pixels = new Uint8Array(256 * 256 * 4);
  done(frames.map((frame) => {
    gl.uniform1i(gl.getUniformLocation(program, 'frame'), frame);
    gl.drawArrays(gl.TRIANGLES, 0, 3);
    gl.readPixels(0, 0, 256, 256, gl.RGBA, gl.UNSIGNED_BYTE, pixels);
    let text = '';
    for (let i = 0; i < pixels.length; i += 8192)
      text += String.fromCharCode.apply(null, pixels.subarray(i, i + 8192));
    return btoa(text);
  }));
}, () => done('cannot load the textures'));
"""


def start_browser(profile):
    try:
        from selenium import webdriver
        from selenium.webdriver.chrome.service import Service
    except ImportError:
        print("skipped: python3-selenium is not installed", flush=True)
        sys.exit(SKIP)
    for tool in ("/usr/bin/chromium", "/usr/bin/chromedriver"):
        if not os.path.exists(tool):
            print("skipped: %s not found (Debian packages chromium, chromium-driver)" % tool)
            sys.exit(SKIP)
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for flag in ("--headless=new", "--no-sandbox", "--disable-gpu", "--enable-unsafe-swiftshader",
                 "--no-first-run", "--disable-background-networking",
                 "--disable-component-update", "--disable-sync", "--user-data-dir=" + profile):
        options.add_argument(flag)
    driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    driver.set_script_timeout(120)
    return driver


def bmp_rgba(path):
    """A 256 x 256 4-bit BMP as RGBA, bottom row first (as readPixels gives a picture whose
    top row is the BMP's top row)."""
    with open(path, "rb") as f:
        b = f.read()
    table = [bytes([b[56 + 4 * k], b[55 + 4 * k], b[54 + 4 * k], 255]) for k in range(16)]
    rows = [b[118 + 128 * y:118 + 128 * (y + 1)] for y in range(256)]
    if int.from_bytes(b[22:26], "little", signed=True) < 0:
        rows.reverse()  # top-down: the file's first row is the picture's top
    return b"".join(table[byte >> 4] + table[byte & 15] for row in rows for byte in row)


def main():
    tool, data = sys.argv[1], sys.argv[2]
    work = tempfile.mkdtemp(prefix="quilmorante-shader-")
    driver = start_browser(os.path.join(work, "profile"))
    try:
        for number, ranges in enumerate(RANGE_LISTS):
            folder = os.path.join(work, str(number))
            shutil.copytree(data, folder)
            if ranges:
                with open(os.path.join(folder, "savedata", "pal0.cycles.txt"), "w") as f:
                    f.write(ranges)
            shader = os.path.join(folder, "shader")
            subprocess.run([tool, "--data", folder, "--shader", shader, "--delay", "3"],
                           check=True, stdout=subprocess.DEVNULL)
            bmps = sorted(os.listdir(os.path.join(folder, "result")))
            loop = len(bmps)
            frames = sorted({0, 1, 2, 3, 5, loop // 2, loop - 1, loop, loop + 1, 99 * loop + 7,
                             2 ** 31 - 1})
            urls = []
            for name in ("index.png", "palette.png"):
                with open(os.path.join(shader, name), "rb") as f:
                    urls.append("data:image/png;base64," + base64.b64encode(f.read()).decode())
            with open(os.path.join(shader, "cycle.glsl")) as f:
                fragment = f.read()
            drawn = driver.execute_async_script(DRAW, urls[0], urls[1], VERTEX, fragment, frames)
            what = "ranges %r (loop %d)" % (ranges, loop)
            if not check(isinstance(drawn, list), what + ": the shader draws" +
                         ("" if isinstance(drawn, list) else " (%s)" % drawn)):
                continue
            for frame, pixels in zip(frames, drawn):
                expected = bmp_rgba(os.path.join(folder, "result", bmps[frame % loop]))
                got = base64.b64decode(pixels)
                wrong = sum(got[i:i + 4] != expected[i:i + 4] for i in range(0, len(got), 4))
                check(wrong == 0, "%s frame %d shows BMP frame %d (%d pixels differ)"
                      % (what, frame, frame % loop, wrong))
    finally:
        driver.quit()
        shutil.rmtree(work, ignore_errors=True)
    print("shader_webgl_test: %d passed, %d failed" % (len(passes), len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
