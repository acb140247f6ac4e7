#pragma once
// The colour cycle as palette-cycling shaders use it: an index texture, a palette texture
// whose row 0 is the base palette, and fragment shaders that play the cycle's ranges from it
// at a frame number, exactly as the frames show them. Always 256 x 256: a shader enlarges by
// itself.

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

enum class ShaderKind {
  kGlsl,   // cycle.glsl: GLSL ES 3.00 fragment shader (WebGL 2, OpenGL ES 3)
  kGodot,  // cycle.gdshader: Godot 4 canvas_item shader
};

// The shader's file name, "cycle.glsl" or "cycle.gdshader".
const char* ShaderFileName(ShaderKind kind);

// The shader's text with the cycle written in: its frames a second (100 / delayCentiseconds),
// the loop's length and one apply_range call a range.
std::string ShaderText(ShaderKind kind, const Cycle& cycle);
