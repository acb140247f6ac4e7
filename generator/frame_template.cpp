#include "generator/frame_template.h"

#include <cstring>
#include <string>

namespace {

// A 2-byte field unsigned, a 4-byte one as the signed 32-bit value BMP readers take.
int64_t LittleEndian(const uint8_t* bytes, int size) {
  uint32_t value = 0;
  for (int i = size - 1; i >= 0; --i) value = value << 8 | bytes[i];
  return size == 4 ? static_cast<int64_t>(static_cast<int32_t>(value)) : value;
}

}  // namespace

Result CheckFrameTemplate(const uint8_t header[kHeaderBytes]) {
  // The fields that make the sixteen files uncompressed 256 x 256 4-bit BMPs with their
  // pixels at 118; sizes, resolution and colour counts are left as the template has them.
  struct Field {
    const char* name;
    int offset;
    int size;
    int64_t expected;
  };
  constexpr Field kFixed[] = {
      {"bfType", 0, 2, 0x4D42}, {"bfOffBits", 10, 4, 118},   {"biSize", 14, 4, 40},
      {"biWidth", 18, 4, 256},  {"biHeight", 22, 4, 256},    {"biPlanes", 26, 2, 1},
      {"biBitCount", 28, 2, 4}, {"biCompression", 30, 4, 0},
  };
  for (const Field& field : kFixed) {
    int64_t value = LittleEndian(header + field.offset, field.size);
    // A negative height stores the rows top-down, which is as good.
    if (field.offset == 22 && value == -256) value = 256;
    if (value == field.expected) continue;
    if (field.offset == 0)
      return Result::Fail(std::string(kFrameTemplateFile) +
                          ": not a BMP header template: it does not start with 'BM'");
    return Result::Fail(
        std::string(kFrameTemplateFile) + ": not a 256 x 256 4-bit BMP header template: " +
        std::string(field.name) + " is " + std::to_string(value) + ", must be " +
        (field.offset == 22 ? std::string("256 or -256") : std::to_string(field.expected)));
  }
  return Result::Ok();
}

void BuildFramePixels(const PatternMap& map, int32_t width, int32_t height,
                      uint8_t pixels[kPixelBytes]) {
  // TiledCell's mirroring, resolved once per plane column and row.
  int column[kMapEdge];
  int row[kMapEdge];
  for (int u = 0; u < kMapEdge; ++u) {
    column[u] = MirroredTileIndex(u, width);
    row[u] = MirroredTileIndex(u, height);
  }
  for (int v = 0; v < kMapEdge; ++v) {
    uint8_t* out = pixels + v * (kMapEdge / 2);
    const int32_t* cells = map + row[v];
    for (int m = 0; m < kMapEdge / 2; ++m) {
      const int left = ColourIndex(cells[column[2 * m] * kMapEdge]);
      const int right = ColourIndex(cells[column[2 * m + 1] * kMapEdge]);
      out[m] = static_cast<uint8_t>(16 * left + right);
    }
  }
}

bool TemplateIsBottomUp(const uint8_t header[kHeaderBytes]) {
  const uint32_t raw = static_cast<uint32_t>(header[22]) | static_cast<uint32_t>(header[23]) << 8 |
                       static_cast<uint32_t>(header[24]) << 16 |
                       static_cast<uint32_t>(header[25]) << 24;
  return static_cast<int32_t>(raw) >= 0;
}
