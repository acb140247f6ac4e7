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
#include "shared/frame_note.glsl"
//
// The exporter writes the cycle's rate and loop into the constants below.
#include "shared/inputs.glsl" TABLE="atlasTexture" LOOP_NOTE=": the atlas's rows"

void main() {
#include "shared/pixel.glsl" FRAME="row"
  // The middle of the texel, which nearest filtering reads whole.
  vec2 at = (vec2(float(index), float(row)) + 0.5) / vec2(16.0, float(loop_frames));
  fragColour = vec4(texture(atlasTexture, at).rgb, 1.0);
}
