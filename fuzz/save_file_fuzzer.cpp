// Arbitrary bytes as a pattern file and a palette file: the loads, a synthesis at a size and
// mosaic the input picks, the palette ramp and a full export into a temporary folder.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "generator/pattern_generator.h"

namespace {

void Write(const char* name, const uint8_t* data, size_t size) {
  std::FILE* file = std::fopen(name, "wb");
  if (file == nullptr) std::abort();
  if (size > 0) std::fwrite(data, 1, size, file);
  std::fclose(file);
}

const std::filesystem::path& Folder() {
  static const std::filesystem::path folder = [] {
    // Memory-backed when there is one: every run saves files, and each save waits for the disk.
    std::string pattern = std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
    pattern += "/quilmorante-fuzz-XXXXXX";
    const char* made = ::mkdtemp(pattern.data());
    if (made == nullptr) std::abort();
    std::filesystem::current_path(made);
    std::filesystem::create_directory("savedata");
    uint8_t header[54] = {'B', 'M'};
    Write("a.bmp", header, sizeof header);
    return std::filesystem::path(made);
  }();
  return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Folder();
  static PatternGenerator* generator = new PatternGenerator();
  PatternGenerator& g = *generator;
  // First byte: tile exponents and mosaic; second: where the pattern ends and the palette starts.
  const uint8_t shape = size > 0 ? data[0] : 0;
  const size_t split = size > 1 ? (data[1] * (size - 2)) / 255 : 0;
  const uint8_t* body = size > 2 ? data + 2 : data;
  const size_t bodySize = size > 2 ? size - 2 : 0;
  Write("savedata/pat1.txt", body, split);
  Write("savedata/pal1.txt", body + split, bodySize - split);
  g.LoadPattern(1);
  g.LoadPalette(1);
  g.sizeExpX = 4 + shape % 5;
  g.sizeExpY = 4 + (shape / 5) % 5;
  g.UpdateTileSize();
  g.mosaicLevel = (shape / 25) % 5;
  g.Synthesize();
  g.RebuildPalette();
  if (shape % 8 == 0) (void)g.ExportFrames();
  (void)g.SavePattern(2);
  (void)g.SavePalette(2);
  g.LoadPattern(2);
  g.LoadPalette(2);
  return 0;
}
