#pragma once
// The colour cycle as palette-cycling shaders use it: an index texture, a palette texture
// whose row 0 is the base palette, fragment shaders that play the cycle's ranges from it at a
// frame number, exactly as the frames show them, and a palette atlas of every frame's colours
// with shaders that only look them up. The index texture is always 256 x 256: a shader
// enlarges by itself.

#include <cstdint>
#include <string>
#include <vector>

#include "generator/cycle.h"
#include "generator/result.h"

// index.png: 256 x 256 8-bit greyscale, grey = 17 x index (0, 17, .., 255), with no gamma or
// colour-space chunk, so engines load the values unconverted.
Result EncodeIndexPng(const Cycle& cycle, std::vector<uint8_t>& bytes);

// palette.png: 16 x 16 8-bit RGB; row a, column k is base palette entry (k + a) mod 16 (for
// the default cycle frame a's colour of index k, which older shaders read); the shaders read
// row 0.
Result EncodePalettePng(const Cycle& cycle, std::vector<uint8_t>& bytes);

// palettes.png, the palette atlas: 16 x frames 8-bit RGB; row j, column k is index k's
// colour at frame j (Colours(j)), so a shader plays the cycle with one fetch and no ranges.
Result EncodePaletteAtlasPng(const Cycle& cycle, std::vector<uint8_t>& bytes);

enum class ShaderKind {
  kGlsl,        // cycle.glsl: GLSL ES 3.00 fragment shader (WebGL 2, OpenGL ES 3)
  kGodot,       // cycle.gdshader: Godot 4 canvas_item shader
  kAtlasGlsl,   // atlas.glsl: GLSL ES 3.00, reading palettes.png
  kAtlasGodot,  // atlas.gdshader: Godot 4, reading palettes.png
};

// Every shader, in the order the shader folder lists them.
inline constexpr ShaderKind kShaderKinds[] = {ShaderKind::kGlsl, ShaderKind::kGodot,
                                              ShaderKind::kAtlasGlsl, ShaderKind::kAtlasGodot};

// The shader's file name: "cycle.glsl", "cycle.gdshader", "atlas.glsl" or "atlas.gdshader".
const char* ShaderFileName(ShaderKind kind);

// The shader's text with the cycle written in: its frames a second (100 / delayCentiseconds),
// the loop's length and, for the shaders that play the ranges, one apply_range call a range.
std::string ShaderText(ShaderKind kind, const Cycle& cycle);
