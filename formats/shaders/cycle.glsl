#version 300 es
// Palette cycling from the two textures exported beside this file (WebGL 2, OpenGL ES 3; for
// desktop OpenGL write "#version 330 core" as the first line instead). It plays the exported
// cycle exactly as the exported frames show it, frame by frame, in integer arithmetic.
//   index.png    the colour index k of every pixel as grey 17 * k. Upload it as plain data
//                (R8 or LUMINANCE, no sRGB decoding, no colour-space conversion: in WebGL
//                UNPACK_COLORSPACE_CONVERSION_WEBGL = NONE) so the grey arrives as k / 15.
//   palette.png  16 x 16 RGB: row 0 is the base palette, which the shader cycles; row a is
//                that palette turned by a (what older shaders of the default cycle read).
// Give both textures NEAREST filtering (TEXTURE_MIN_FILTER and TEXTURE_MAG_FILTER): the
// default minification filter wants mipmaps, and without them WebGL 2 treats the texture as
// incomplete and samples black, texelFetch included.
//
// Drive it with the uniform `frame`: the frames since the cycle started at the export's rate
// (frames_per_second below, 100 / the delay in hundredths of a second), kept as an int, e.g.
// frame = int(floor(seconds * frames_per_second)) from a clock that does not wrap. The shader
// reduces it modulo the loop's length, so it stays exact however long it runs.
//
// The exporter writes the cycle into the constants and the calls of apply_range in main: one
// call a range, with its lowest and highest entry, its speed k (k / 16 palette steps a frame),
// its mode (0 forward: entry i shows entry i - s; 1 reverse: i + s; 2 ping-pong: forward by
// s there and back) and blend (1: between steps each entry fades toward its next colour).
precision highp float;
precision highp int;

uniform sampler2D indexTexture;
uniform sampler2D paletteTexture;
uniform int frame;

// Frames a second at the export's delay, for the code that counts `frame`.
const float frames_per_second = 50.0;
// Frames after which every range is back where it started.
const int loop_frames = 16;

// (0, 0) is the first pixel of index.png's first row; the picture tiles beyond 0..1.
in vec2 uv;
out vec4 fragColour;

// If entry `index` lies in low..high: where it takes its colour at frame f (0 <= f <
// loop_frames), entry `from` faded toward entry `to` by `percent` hundredths.
void apply_range(int index, int f, int low, int high, int speed, int mode, int blend,
                 inout int from, inout int to, inout int percent) {
  if (index < low || index > high) return;
  int n = high - low + 1;
  // Hundredths of a step moved, folded into one period.
  int t = 100 * speed * f / 16;
  int a = 0;
  if (mode == 2) {
    a = t % (200 * n);
    if (a >= 100 * n) a = 200 * n - a;
  } else {
    a = t % (100 * n);
  }
  int shift = a / 100;
  // The direction colours move in; ping-pong's next step is always the forward one.
  int toward = mode == 1 ? 1 : -1;
  int o = index - low;
  from = low + (o + toward * shift + 2 * n) % n;
  to = low + (o + toward * (shift + 1) + 2 * n) % n;
  percent = blend != 0 ? a % 100 : 0;
}

// Entry e of the base palette, 0..255 a channel.
ivec3 base_colour(int e) {
  return ivec3(round(texelFetch(paletteTexture, ivec2(e, 0), 0).rgb * 255.0));
}

// floor(v / 100), also for negative v.
int floor_hundredth(int v) {
  return v >= 0 ? v / 100 : -((99 - v) / 100);
}

void main() {
  ivec2 size = textureSize(indexTexture, 0);
  ivec2 texel = ivec2(floor(fract(uv) * vec2(size)));
  texel = min(texel, size - 1);
  int index = int(floor(texelFetch(indexTexture, texel, 0).r * 15.0 + 0.5));
  // As unsigned, so a negative frame is still reduced by defined arithmetic.
  int f = int(uint(frame) % uint(loop_frames));
  int from = index;
  int to = index;
  int percent = 0;
  // The ranges:
  apply_range(index, f, 0, 15, 16, 1, 0, from, to, percent);
  // (end of the ranges)
  ivec3 c = base_colour(from);
  ivec3 change = (base_colour(to) - c) * percent;
  ivec3 fade = ivec3(floor_hundredth(change.r), floor_hundredth(change.g),
                     floor_hundredth(change.b));
  fragColour = vec4(vec3(c + fade) / 255.0, 1.0);
}
