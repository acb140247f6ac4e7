// Arbitrary bytes as the files of a pattern slot and a palette slot (the slot files and the
// ranges and look beside them): the loads, a synthesis at a size and mosaic the input picks,
// the palette ramp, the frames of the cycle, and the slots saved and loaded again. The files
// live in memory: the slot files' readers take bytes, so no folder is needed.

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "formats/bmp_frames.h"
#include "generator/cycle.h"
#include "generator/pattern_generator.h"

namespace {

// The slot files in memory, by row and slot number.
struct MemoryStore : SlotStore {
  using Files = std::map<std::pair<const SlotFile*, int>, std::string>;
  MemoryStore()
      : SlotStore{
            [](const SlotStore& store, const SlotFile& file, int n, std::string& bytes,
               Result& problem) {
              problem = Result::Ok();
              const Files& held = static_cast<const MemoryStore&>(store).files;
              const auto found = held.find({&file, n});
              if (found == held.end()) return SlotRead::kMissing;
              bytes = found->second;
              return SlotRead::kRead;
            },
            [](const SlotStore& store, const std::vector<SlotText>& written) {
              for (const SlotText& file : written)
                static_cast<const MemoryStore&>(store).files[{file.file, file.n}] = file.text;
              return Result::Ok();
            },
            [](const SlotStore&, const SlotFile& file, int n) { return SlotFileName(file, n); }} {}
  mutable Files files;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static MemoryStore* store = new MemoryStore;
  static PatternGenerator* generator = new PatternGenerator(store);
  PatternGenerator& g = *generator;
  // First byte: tile exponents and mosaic; the next four: where each file's bytes end.
  const uint8_t shape = size > 0 ? data[0] : 0;
  const size_t header = size > 4 ? 5 : size;
  const std::string body(reinterpret_cast<const char*>(data) + header, size - header);
  size_t start = 0;
  for (int f = 0; f < kSlotFileCount; ++f) {
    const size_t end =
        f + 1 == kSlotFileCount || header < 5 ? body.size() : data[1 + f] * body.size() / 255;
    store->files[{&kSlotFiles[f], 1}] = body.substr(start, end > start ? end - start : 0);
    start = end > start ? end : start;
  }
  g.LoadPattern(1);
  g.LoadPalette(1);
  g.sizeExpX = 4 + shape % 5;
  g.sizeExpY = 4 + (shape / 5) % 5;
  g.UpdateTileSize();
  g.mosaicLevel = (shape / 25) % 5;
  g.Synthesize();
  g.RebuildPalette();
  if (shape % 8 == 0) {
    const uint8_t frameTemplate[kHeaderBytes] = {'B', 'M'};
    auto cycle = std::make_unique<Cycle>();
    if (MakeCycle(g.AsDocument(), g.map, g.palette, frameTemplate, kDefaultDelayCentiseconds,
                  *cycle)) {
      std::vector<ExportFile> frames;
      AddBmpFrames(*cycle, g.idLetter, "result", frames);
    }
  }
  (void)g.SavePattern(2);
  (void)g.SavePalette(2);
  g.LoadPattern(2);
  g.LoadPalette(2);
  return 0;
}
