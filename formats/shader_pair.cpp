#include "formats/shader_pair.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "cycle_gdshader.h"
#include "cycle_glsl.h"
#include "formats/png_encoder.h"

namespace {

const uint8_t* GreyRow(const void* context, int y, uint8_t* scratch) {
  const uint8_t* indices = static_cast<const Cycle*>(context)->pixels + y * Cycle::kEdge;
  for (int x = 0; x < Cycle::kEdge; ++x) scratch[x] = static_cast<uint8_t>(17 * indices[x]);
  return scratch;
}

const uint8_t* PaletteRow(const void* context, int frame, uint8_t* scratch) {
  const auto* cycle = static_cast<const Cycle*>(context);
  for (int k = 0; k < kPaletteEntries; ++k)
    std::memcpy(scratch + 3 * k, cycle->palette[(k + frame) % kPaletteEntries], 3);
  return scratch;
}

// A GLSL and Godot float literal: always a decimal point (whatever the locale), enough
// digits for 100 / 3.
std::string FloatLiteral(double value) {
  char text[32];
  const int length = std::snprintf(text, sizeof text, "%.9g", value);
  std::string literal(text, length > 0 ? std::min<size_t>(length, sizeof text - 1) : 0);
  // printf writes the locale's decimal separator; the literal needs a point.
  for (char& c : literal)
    if (std::strchr("0123456789+-e", c) == nullptr) c = '.';
  if (literal.find_first_of(".e") == std::string::npos) literal += ".0";
  return literal;
}

}  // namespace

Result EncodeIndexPng(const Cycle& cycle, std::vector<uint8_t>& bytes) {
  PngImage image;
  image.width = Cycle::kEdge;
  image.height = Cycle::kEdge;
  image.layout = PngLayout::kGrey8;
  // Neighbouring indices mostly differ by a small step: the smallest files of the filters.
  image.filter = PngFilter::kSub;
  image.row = GreyRow;
  image.context = &cycle;
  return EncodePng(image, "index.png", bytes);
}

Result EncodePalettePng(const Cycle& cycle, std::vector<uint8_t>& bytes) {
  PngImage image;
  image.width = kPaletteEntries;
  image.height = kFrameCount;
  image.layout = PngLayout::kRgb8;
  image.row = PaletteRow;
  image.context = &cycle;
  return EncodePng(image, "palette.png", bytes);
}

const char* ShaderFileName(ShaderKind kind) {
  return kind == ShaderKind::kGlsl ? "cycle.glsl" : "cycle.gdshader";
}

std::string ShaderText(ShaderKind kind, const Cycle& cycle) {
  std::string text = kind == ShaderKind::kGlsl ? kCycleGlsl : kCycleGdshader;
  // The sources declare the speed once, with the default delay's value.
  static constexpr char kSpeed[] = "steps_per_second = ";
  const size_t at = text.find(kSpeed);
  if (at == std::string::npos) return text;
  const size_t value = at + sizeof kSpeed - 1;
  const size_t end = text.find(';', value);
  text.replace(value, end - value, FloatLiteral(cycle.StepsPerSecond(cycle.ranges.ranges[0])));
  return text;
}
