#pragma once
// What every export format is checked against: the BMP frames themselves, exported by the
// generator and read back here the way an image viewer reads them (rows top-down, whatever
// the template's row order), as 0xRRGGBB pictures.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "formats/spill.h"
#include "generator/cycle.h"
#include "generator/frame_template.h"
#include "generator/pattern_generator.h"
#include "tests/support/cycle_model.h"
#include "tests/support/generator_exports.h"
#include "tests/support/temp_data_folder.h"

// Files spill past threshold bytes while it lives.
struct Spilling {
  explicit Spilling(uint64_t threshold) { SetSpillThreshold(threshold); }
  ~Spilling() { SetSpillThreshold(kSpillAfterBytes); }
};

// The settings a format test runs under.
struct CycleCase {
  const char* name;
  int sizeExpX;
  int sizeExpY;
  bool bottomUp;  // the template's row order
  int reverseX;
  int reverseY;
};

inline const CycleCase kCycleCases[] = {
    {"Tile64x64BottomUp", 6, 6, true, 0, 0},
    {"Tile256x256BottomUp", 8, 8, true, 1, 0},
    {"Tile256x256TopDown", 8, 8, false, 0, 1},
    {"Tile16x256Mirrored", 4, 8, true, 1, 1},
};

// A picture as an image viewer shows it: 0xRRGGBB, row-major, top row first.
using Picture = std::vector<uint32_t>;

struct ReferenceFrames {
  std::string header;            // the template used
  Picture frames[kFrameCount];   // BMP frame a as shown
  std::unique_ptr<Cycle> cycle;  // what the writers take
};

// Exports the sixteen BMP frames in a data folder of its own for the case and reads them back.
inline ReferenceFrames MakeReferenceFrames(const CycleCase& c, int delayCentiseconds = 2) {
  ReferenceFrames r;
  r.header = FrameTemplate(c.bottomUp ? 256 : -256);
  const TempDataFolder folder;
  folder.Write("a.bmp", r.header);
  folder.Write("savedata/pat0.txt", "32,32,1,1,4\n10,50,2,1,-3\n60,8,1,2,2\n0,0,0,0,0\n0,0,1,0");
  folder.Write("savedata/pal0.txt", "900000001000000000000900000001000010000000900000");
  const auto generator = std::make_unique<PatternGenerator>(&folder.data);
  PatternGenerator& g = *generator;
  g.sizeExpX = c.sizeExpX;
  g.sizeExpY = c.sizeExpY;
  g.reverseX = c.reverseX;
  g.reverseY = c.reverseY;
  g.UpdateTileSize();
  if (!ExportFramesOf(g, folder.data)) return r;  // frames stay empty: the test's comparison fails
  for (int a = 0; a < kFrameCount; ++a) {
    const std::string file = folder.Read(DataFolder::FrameFile(g.idLetter, a));
    if (file.size() != static_cast<size_t>(kFrameBytes)) continue;
    const auto* bytes = reinterpret_cast<const uint8_t*>(file.data());
    Picture& picture = r.frames[a];
    picture.resize(256 * 256);
    for (int stored = 0; stored < 256; ++stored) {
      const int shown = c.bottomUp ? 255 - stored : stored;
      for (int x = 0; x < 256; ++x) {
        const uint8_t byte = bytes[118 + stored * 128 + x / 2];
        const int index = x % 2 == 0 ? byte >> 4 : byte & 15;
        const uint8_t* quad = bytes + 54 + 4 * index;  // blue, green, red, 0
        picture[shown * 256 + x] = uint32_t{quad[2]} << 16 | uint32_t{quad[1]} << 8 | quad[0];
      }
    }
  }
  r.cycle = std::make_unique<Cycle>();
  if (!CycleOfGenerator(g, reinterpret_cast<const uint8_t*>(r.header.data()), delayCentiseconds,
                        *r.cycle))
    r.cycle.reset();
  return r;
}

// The first case's cycle at delay 7 playing a range set instead.
inline std::unique_ptr<Cycle> RangeCycle(const RangeSet& set) {
  std::unique_ptr<Cycle> cycle = std::move(MakeReferenceFrames(kCycleCases[0], 7).cycle);
  cycle->ranges = ToRanges(set.ranges);
  cycle->frames = set.loop;
  return cycle;
}
