#pragma once
// The colour cycle as palette-cycling shaders use it: an index texture, a palette texture
// whose row a is frame a's colour table, and fragment shaders that pick the row by time.
// Always 256 x 256: a shader enlarges by itself.

#include <cstdint>
#include <string>
#include <vector>

#include "generator/cycle.h"
#include "generator/result.h"

// index.png: 256 x 256 8-bit greyscale, grey = 17 x index (0, 17, .., 255), with no gamma or
// colour-space chunk, so engines load the values unconverted.
Result EncodeIndexPng(const Cycle& cycle, std::vector<uint8_t>& bytes);

// palette.png: 16 x 16 8-bit RGB; row a, column k is frame a's colour of index k.
Result EncodePalettePng(const Cycle& cycle, std::vector<uint8_t>& bytes);

enum class ShaderKind {
  kGlsl,   // cycle.glsl: GLSL ES 3.00 fragment shader (WebGL 2, OpenGL ES 3)
  kGodot,  // cycle.gdshader: Godot 4 canvas_item shader
};

// The shader's file name, "cycle.glsl" or "cycle.gdshader".
const char* ShaderFileName(ShaderKind kind);

// The shader's text with the cycle's speed, 100 / delayCentiseconds steps per second, written in.
std::string ShaderText(ShaderKind kind, const Cycle& cycle);
