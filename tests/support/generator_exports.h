#pragma once
// The generator's state as the exports take it, for tests that set its fields by hand.

#include <cstdint>

#include "formats/bmp_frames.h"
#include "generator/cycle.h"
#include "generator/pattern_generator.h"
#include "store/data_folder.h"

// M: the generator's map and palette made anew, its frames written into the folder's
// result/.
inline Result ExportFramesOf(PatternGenerator& g, const DataFolder& folder) {
  g.Synthesize();
  g.RebuildPalette();
  return ExportFrames(g.AsDocument(), folder);
}

// The cycle of the generator's current map and palette (nothing recomputed) with a template.
inline Result CycleOfGenerator(const PatternGenerator& g, const uint8_t* header,
                               int delayCentiseconds, Cycle& cycle) {
  return MakeCycle(g.AsDocument(), g.map, g.palette, header, delayCentiseconds, cycle);
}
