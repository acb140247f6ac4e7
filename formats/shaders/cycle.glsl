#version 300 es
// Palette cycling from the two textures exported beside this file (WebGL 2, OpenGL ES 3; for
// desktop OpenGL write "#version 330 core" as the first line instead).
//   index.png    the colour index k of every pixel as grey 17 * k. Upload it as plain data
//                (R8 or LUMINANCE, no sRGB decoding) so the grey arrives as k / 15.
//   palette.png  16 x 16 RGB: row a is the colour table of frame a, row 0 the unrotated one.
// texelFetch reads whole texels, so both are sampled nearest whatever the texture filters.
precision highp float;
precision highp int;

uniform sampler2D indexTexture;
uniform sampler2D paletteTexture;
uniform float time;  // seconds since the cycle started

// Palette steps per second as exported: 100 / the delay in hundredths of a second.
const float steps_per_second = 50.0;

// (0, 0) is the first pixel of index.png's first row; the picture tiles beyond 0..1.
in vec2 uv;
out vec4 fragColour;

void main() {
  ivec2 size = textureSize(indexTexture, 0);
  ivec2 texel = ivec2(floor(fract(uv) * vec2(size)));
  texel = min(texel, size - 1);
  int index = int(floor(texelFetch(indexTexture, texel, 0).r * 15.0 + 0.5));
  // The frame shown now; row 0 at column (index + frame) mod 16 is the same colour.
  int frame = int(mod(floor(time * steps_per_second), 16.0));
  fragColour = vec4(texelFetch(paletteTexture, ivec2(index, frame), 0).rgb, 1.0);
}
