#pragma once
// The gallery (G): over the whole window, the 100 pattern slots as ten rows of ten thumbnails,
// each the slot's pattern tiled and cycling in the current palette; Tab shows the current
// pattern in each of the 100 palette slots instead. The current slot is outlined. The arrows
// move the cursor; Return (either Enter key), or a click on a slot, loads it as stepping the slot
// number does and closes the gallery; G or Escape closes it as it is. What the thumbnails show is
// read from the slots when the gallery opens and when Tab switches, not every frame.

#include <cstdint>

#include "editor/screen_layout.h"
#include "generator/pattern_generator.h"

// Opens the gallery (kGalleryOverlay, a row of editor/overlay.h) on the pattern slots (the
// palette slots when it was last closed on them), its cursor on the current slot.
void OpenGallery(PatternGenerator& g);

// The slot whose cell holds (x, y), and the cell; false when none.
bool GallerySlotAt(int32_t x, int32_t y, int32_t& slot, ScreenBox& cell);
