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
#include "shared/frame_note.glsl"
//
// The exporter writes the cycle into the constants and the calls of apply_range in main: one
// call a range, with its lowest and highest entry, its speed k (k / 16 palette steps a frame),
// its mode (0 forward: entry i shows entry i - s; 1 reverse: i + s; 2 ping-pong: forward by
// s there and back) and blend (1: between steps each entry fades toward its next colour).
#include "shared/inputs.glsl" TABLE="paletteTexture" LOOP_NOTE=""

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
#include "shared/pixel.glsl" FRAME="f"
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
