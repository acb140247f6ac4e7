#version 300 es
// Palette cycling from index.png and the palette atlas palettes.png exported beside this file
// (WebGL 2, OpenGL ES 3; for desktop OpenGL write "#version 330 core" as the first line
// instead). Row j of the atlas holds frame j's 16 colours, exactly as the exported frames show
// them, so the shader does nothing but look them up: one fetch from each texture.
//   index.png     the colour index k of every pixel as grey 17 * k. Upload it as plain data
//                 (R8 or LUMINANCE, no sRGB decoding, no colour-space conversion: in WebGL
//                 UNPACK_COLORSPACE_CONVERSION_WEBGL = NONE) so the grey arrives as k / 15.
//   palettes.png  16 x loop_frames RGB: column k of row j is index k's colour at frame j.
//                 Upload it without conversion too; its values are written out as they are.
// Give both textures NEAREST filtering (TEXTURE_MIN_FILTER and TEXTURE_MAG_FILTER): a linear
// filter mixes neighbouring entries and frames, and the default minification filter wants
// mipmaps, without which WebGL 2 treats the texture as incomplete and samples black.
// WebGL 2 promises textures 2048 texels high: a longer loop (at most 4096 frames) needs a GPU
// whose MAX_TEXTURE_SIZE reaches loop_frames.
//
// Drive it with the uniform `frame`: the frames since the cycle started at the export's rate
// (frames_per_second below, 100 / the delay in hundredths of a second), kept as an int, e.g.
// frame = int(floor(seconds * frames_per_second)) from a clock that does not wrap. The shader
// reduces it modulo the loop's length, so it stays exact however long it runs.
//
// The exporter writes the cycle's rate and loop into the constants below.
precision highp float;
precision highp int;

uniform sampler2D indexTexture;
uniform sampler2D atlasTexture;
uniform int frame;

// Frames a second at the export's delay, for the code that counts `frame`.
const float frames_per_second = 50.0;
// Frames after which every range is back where it started: the atlas's rows.
const int loop_frames = 16;

// (0, 0) is the first pixel of index.png's first row; the picture tiles beyond 0..1.
in vec2 uv;
out vec4 fragColour;

void main() {
  ivec2 size = textureSize(indexTexture, 0);
  ivec2 texel = ivec2(floor(fract(uv) * vec2(size)));
  texel = min(texel, size - 1);
  int index = int(floor(texelFetch(indexTexture, texel, 0).r * 15.0 + 0.5));
  // As unsigned, so a negative frame is still reduced by defined arithmetic.
  int row = int(uint(frame) % uint(loop_frames));
  // The middle of the texel, which nearest filtering reads whole.
  vec2 at = (vec2(float(index), float(row)) + 0.5) / vec2(16.0, float(loop_frames));
  fragColour = vec4(texture(atlasTexture, at).rgb, 1.0);
}
