#include "formats/shader_pair.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "atlas_gdshader.h"
#include "atlas_glsl.h"
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
  uint8_t base[kPaletteEntries][kChannels];
  cycle->BaseColours(base);
  for (int k = 0; k < kPaletteEntries; ++k)
    std::memcpy(scratch + 3 * k, base[(k + frame) % kPaletteEntries], 3);
  return scratch;
}

const uint8_t* AtlasRow(const void* context, int frame, uint8_t* scratch) {
  uint8_t colours[kPaletteEntries][kChannels];
  static_cast<const Cycle*>(context)->Colours(frame, colours);
  std::memcpy(scratch, colours, sizeof colours);
  return scratch;
}

// A texture of width x height whose rows row reads from the cycle.
Result EncodeTexture(const Cycle& cycle, int width, int height, PngLayout layout, PngFilter filter,
                     decltype(PngImage::row) row, const char* name, std::vector<uint8_t>& bytes) {
  return EncodePng({.width = width,
                    .height = height,
                    .layout = layout,
                    .filter = filter,
                    .row = row,
                    .context = &cycle},
                   name, bytes);
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
  // Neighbouring indices mostly differ by a small step: the smallest files of the filters.
  return EncodeTexture(cycle, Cycle::kEdge, Cycle::kEdge, PngLayout::kGrey8, PngFilter::kSub,
                       GreyRow, "index.png", bytes);
}

Result EncodePalettePng(const Cycle& cycle, std::vector<uint8_t>& bytes) {
  return EncodeTexture(cycle, kPaletteEntries, kFrameCount, PngLayout::kRgb8, PngFilter::kNone,
                       PaletteRow, "palette.png", bytes);
}

Result EncodePaletteAtlasPng(const Cycle& cycle, std::vector<uint8_t>& bytes) {
  // Consecutive frames mostly share their colours.
  return EncodeTexture(cycle, kPaletteEntries, cycle.frames, PngLayout::kRgb8, PngFilter::kUp,
                       AtlasRow, "palettes.png", bytes);
}

const char* ShaderFileName(ShaderKind kind) {
  switch (kind) {
    case ShaderKind::kGlsl:
      return "cycle.glsl";
    case ShaderKind::kGodot:
      return "cycle.gdshader";
    case ShaderKind::kAtlasGlsl:
      return "atlas.glsl";
    case ShaderKind::kAtlasGodot:
      return "atlas.gdshader";
  }
  return "";
}

std::string ShaderText(ShaderKind kind, const Cycle& cycle) {
  std::string text = kind == ShaderKind::kGlsl        ? kCycleGlsl
                     : kind == ShaderKind::kGodot     ? kCycleGdshader
                     : kind == ShaderKind::kAtlasGlsl ? kAtlasGlsl
                                                      : kAtlasGdshader;
  // The sources declare each constant once, with the default cycle's value.
  auto setValue = [&](const char* declaration, const std::string& value) {
    const size_t at = text.find(declaration);
    if (at == std::string::npos) return;
    const size_t from = at + std::strlen(declaration);
    text.replace(from, text.find(';', from) - from, value);
  };
  setValue("frames_per_second = ", FloatLiteral(cycle.FramesPerSecond()));
  setValue("loop_frames = ", std::to_string(cycle.frames));
  // One call a range, in place of the default cycle's between the two marking comments; the
  // atlas shaders have none.
  static constexpr char kBegin[] = "// The ranges:\n";
  const size_t begin = text.find(kBegin);
  const size_t end = text.find("// (end of the ranges)");
  if (begin == std::string::npos || end == std::string::npos) return text;
  const size_t first = begin + sizeof kBegin - 1;
  const size_t last = text.rfind('\n', end) + 1;
  const std::string indent = text.substr(last, end - last);
  std::string calls;
  for (int r = 0; r < cycle.ranges.count; ++r) {
    const CycleRange& range = cycle.ranges.ranges[r];
    calls += indent + "apply_range(index, f, " + std::to_string(range.low) + ", " +
             std::to_string(range.high) + ", " + std::to_string(range.speed) + ", " +
             std::to_string(static_cast<int>(range.mode)) + ", " + (range.blend ? "1" : "0") +
             ", from, to, percent);\n";
  }
  text.replace(first, last - first, calls);
  return text;
}
