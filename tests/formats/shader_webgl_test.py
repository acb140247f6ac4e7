#!/usr/bin/python3
"""cycle.glsl and atlas.glsl drawn by headless Chromium's WebGL 2 at frames in and past the
loop, for several range lists, equal the BMP frames pixel for pixel.
Usage: shader_webgl_test.py TOOL DATA_DIR"""

import base64
import os
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "web"))
from page_test import start_browser  # noqa: E402  (skips without Chromium or selenium)
from x_session import check, failures, passes  # noqa: E402

# savedata/pal0.cycles.txt: the default cycle, ping-pong, fades both ways, a still range, 256.
RANGE_LISTS = ["", "0,7,8,forward\n8,15,16,reverse\n", "2,9,24,pingpong,1\n12,15,5,forward\n",
               "0,1,0,forward,1\n4,15,3,reverse,blend\n", "0,7,1,forward,1\n8,15,3,pingpong,1\n"]

# Each shader of the folder, the colour texture it reads and that texture's sampler.
SHADERS = [("cycle.glsl", "palette.png", "paletteTexture"),
           ("atlas.glsl", "palettes.png", "atlasTexture")]

# Draws the frames; gives each one's pixels, bottom row first, as base64 RGBA, or an error.
DRAW = """const [urls, colourSampler, fragment, frames, done] = arguments;
const canvas = Object.assign(document.createElement('canvas'), {width: 256, height: 256});
const gl = canvas.getContext('webgl2', {antialias: false}), program = gl.createProgram();
for (const [type, text] of [[gl.VERTEX_SHADER, `#version 300 es
    in vec2 position; out vec2 uv;
    void main() { uv = vec2(position.x + 1.0, 1.0 - position.y) * 0.5;
                  gl_Position = vec4(position, 0.0, 1.0); }`], [gl.FRAGMENT_SHADER, fragment]]) {
  const shader = gl.createShader(type);
  gl.shaderSource(shader, text);
  gl.compileShader(shader);
  if (!gl.getShaderParameter(shader, gl.COMPILE_STATUS)) return done(gl.getShaderInfoLog(shader));
  gl.attachShader(program, shader);
}
gl.linkProgram(program);
gl.useProgram(program);
gl.bindBuffer(gl.ARRAY_BUFFER, gl.createBuffer());
gl.bufferData(gl.ARRAY_BUFFER, new Float32Array([-1, -1, 3, -1, -1, 3]), gl.STATIC_DRAW);
gl.enableVertexAttribArray(0);
gl.vertexAttribPointer(0, 2, gl.FLOAT, false, 0, 0);
gl.uniform1i(gl.getUniformLocation(program, colourSampler), 1);
gl.pixelStorei(gl.UNPACK_COLORSPACE_CONVERSION_WEBGL, gl.NONE);
const load = (url) => new Promise((ok) => Object.assign(new Image(), {onload() { ok(this); }, src: url}));
Promise.all(urls.map(load)).then((images) => {
  images.forEach((image, unit) => {
    gl.activeTexture(gl.TEXTURE0 + unit);
    gl.bindTexture(gl.TEXTURE_2D, gl.createTexture());
    gl.texImage2D(gl.TEXTURE_2D, 0, [gl.R8, gl.RGBA8][unit], [gl.RED, gl.RGBA][unit],
                  gl.UNSIGNED_BYTE, image);
    for (const filter of [gl.TEXTURE_MIN_FILTER, gl.TEXTURE_MAG_FILTER])
      gl.texParameteri(gl.TEXTURE_2D, filter, gl.NEAREST);
  });
  const pixels = new Uint8Array(256 * 256 * 4);
  done(frames.map((frame) => {
    gl.uniform1i(gl.getUniformLocation(program, 'frame'), frame);
    gl.drawArrays(gl.TRIANGLES, 0, 3);
    gl.readPixels(0, 0, 256, 256, gl.RGBA, gl.UNSIGNED_BYTE, pixels);
    return btoa(Array.from(pixels, (byte) => String.fromCharCode(byte)).join(''));
  }));
});"""


def bmp_rgba(path):
    """A BMP frame (bottom-up, as the shipped template makes them) as RGBA, as readPixels."""
    b = open(path, "rb").read()
    table = [bytes([b[56 + 4 * k], b[55 + 4 * k], b[54 + 4 * k], 255]) for k in range(16)]
    return b"".join(table[byte >> 4] + table[byte & 15] for byte in b[118:])


def main():
    tool, data = sys.argv[1], sys.argv[2]
    work = tempfile.mkdtemp(prefix="quilmorante-shader-")
    driver = start_browser(work, os.path.join(work, "profile"))
    try:
        for number, ranges in enumerate(RANGE_LISTS):
            folder = os.path.join(work, str(number))
            shutil.copytree(data, folder)
            open(os.path.join(folder, "savedata", "pal0.cycles.txt"), "w").write(ranges)
            subprocess.run([tool, "--data", folder, "--shader", folder + "/shader", "--delay", "3"],
                           check=True, stdout=subprocess.DEVNULL)
            bmps = sorted(os.listdir(os.path.join(folder, "result")))
            loop = len(bmps)
            frames = sorted({0, 1, 2, 3, 5, loop // 2, loop - 1, loop, loop + 1, 99 * loop + 7,
                             2 ** 31 - 1})
            expected = {frame: bmp_rgba(os.path.join(folder, "result", bmps[frame % loop]))
                        for frame in frames}
            for shader, colours, sampler in SHADERS:
                files = [open(os.path.join(folder, "shader", name), "rb").read()
                         for name in ("index.png", colours, shader)]
                urls = ["data:image/png;base64," + base64.b64encode(b).decode() for b in files[:2]]
                drawn = driver.execute_async_script(DRAW, urls, sampler, files[2].decode(), frames)
                what = "%s, ranges %r (loop %d)" % (shader, ranges, loop)
                check(isinstance(drawn, list), what + ": draws %.200s" % drawn)
                for frame, pixels in zip(frames, drawn if isinstance(drawn, list) else []):
                    got = base64.b64decode(pixels)
                    wrong = sum(got[i:i + 4] != expected[frame][i:i + 4]
                                for i in range(0, len(got), 4))
                    check(wrong == 0, "%s frame %d shows BMP frame %d (%d pixels differ)"
                          % (what, frame, frame % loop, wrong))
    finally:
        driver.quit()
        shutil.rmtree(work, ignore_errors=True)
    print("shader_webgl_test: %d passed, %d failed" % (len(passes), len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
