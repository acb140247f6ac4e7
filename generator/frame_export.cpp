#include "frame_export.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "safe_file.h"

Result ReadFrameTemplate(uint8_t header[kHeaderBytes], const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return Result::Fail(path + ": cannot open: " + std::strerror(errno));
  const std::size_t got = std::fread(header, 1, kHeaderBytes, file);
  std::fclose(file);
  // A short template would give frames with made-up header bytes: refuse it instead.
  if (got != kHeaderBytes)
    return Result::Fail("a.bmp: shorter than " + std::to_string(kHeaderBytes) +
                        " bytes, not a BMP header template");
  return {};
}

void BuildColourTable(const Palette& palette, int frame, uint8_t table[kColourTableBytes]) {
  for (int n = 0; n < kPaletteEntries; ++n) {
    const int32_t* entry = palette[(frame + n) % kPaletteEntries];
    table[4 * n + 0] = static_cast<uint8_t>(entry[2]);
    table[4 * n + 1] = static_cast<uint8_t>(entry[1]);
    table[4 * n + 2] = static_cast<uint8_t>(entry[0]);
    table[4 * n + 3] = 0;
  }
}

void BuildFramePixels(const PatternGenerator& g, uint8_t pixels[kPixelBytes]) {
  // TiledCell's mirroring, resolved once per plane column and row.
  int column[kMapEdge];
  int row[kMapEdge];
  for (int u = 0; u < kMapEdge; ++u) {
    const int a = u / g.width, r = u % g.width;
    column[u] = (a % 2 == 0) ? r : g.width - 1 - r;
    const int b = u / g.height, s = u % g.height;
    row[u] = (b % 2 == 0) ? s : g.height - 1 - s;
  }
  for (int v = 0; v < kMapEdge; ++v) {
    uint8_t* out = pixels + v * (kMapEdge / 2);
    const int32_t* cells = g.map + row[v];
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

Result PatternGenerator::ExportFrames() {
  Synthesize();
  RebuildPalette();
  uint8_t file[kFrameBytes];
  // The template is checked before any frame is written, so a bad one leaves result/ alone.
  if (Result header = ReadFrameTemplate(file, templatePath); !header) return header;
  BuildFramePixels(*this, file + kHeaderBytes + kColourTableBytes);
  if (Result folder = EnsureDirectory("result"); !folder) return folder;
  // All sixteen frames are replaced together or not at all.
  AtomicWriteBatch batch;
  for (int a = 0; a < kFrameCount; ++a) {
    BuildColourTable(palette, a, file + kHeaderBytes);
    if (Result written = batch.Add(FrameFileName(idLetter, a), file, sizeof file); !written)
      return written;
  }
  return batch.Commit();
}
