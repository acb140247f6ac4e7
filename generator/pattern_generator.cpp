#include "generator/pattern_generator.h"

#include <algorithm>
#include <cstdio>

namespace {

void DestroyClock(FrameClock* clock) {
  if (clock == nullptr) return;
  ReleaseClockInput(*clock);
  delete clock;
}

}  // namespace

PatternGenerator::PatternGenerator(const SlotStore* slots, int patternSlot, int paletteSlot)
    : map{},
      palette{},
      keys{},
      cyclePhase(0),
      previewMode(0),
      cursorColumn(0),
      cursorRow(0),
      panel(0),
      sizeExpX(0),
      sizeExpY(0),
      width(0),
      height(0),
      distortX(0),
      distortY(0),
      reverseX(0),
      reverseY(0),
      mosaicLevel(0),
      points{},
      idLetter(0),
      patternNumber(static_cast<uint8_t>(patternSlot)),
      paletteNumber(static_cast<uint8_t>(paletteSlot)),
      clock(nullptr, &DestroyClock),
      deviceRef(nullptr),
      canvas(nullptr),
      store(slots) {
  sizeExpX = 6;
  sizeExpY = 6;
  for (auto& entry : keys)
    for (auto& digit : entry) digit = 0;
  idLetter = 'A';
  UpdateTileSize();
  LoadPattern(patternSlot);
  LoadPalette(paletteSlot);
  mosaicLevel = 0;
  panel = kSettingsPanel;
  RebuildPalette();
  Synthesize();
  previewMode = kPreviewTiled;
  clock.reset(new FrameClock{});
}

void PatternGenerator::UpdateTileSize() {
  sizeExpX = std::clamp(sizeExpX, kMinTileExp, kMaxTileExp);
  sizeExpY = std::clamp(sizeExpY, kMinTileExp, kMaxTileExp);
  width = int32_t{1} << sizeExpX;
  height = int32_t{1} << sizeExpY;
}
