#pragma once
// The gallery (G): over the whole window, the 100 pattern slots as ten rows of ten thumbnails,
// each the slot's tile cycling in the current palette, its name under its number; Tab shows
// the current pattern in each of the 100 palette slots instead, beside the slot's sixteen
// colours. A slot with no file or nothing but zeros in it is marked empty, one that cannot be
// read unreadable. The current slot is outlined. The arrows move the cursor; Return (either
// Enter key), or a click on a slot, loads it as stepping the slot number does and closes the
// gallery; G or Escape closes it as it is. What the thumbnails show is read from the slots
// when the gallery opens and when Tab switches, not every frame. The status line has a line
// of its own at the foot.

#include <cstdint>
#include <string>

#include "editor/screen_layout.h"
#include "generator/pattern_generator.h"

// Opens the gallery (kGalleryOverlay, a row of editor/overlay.h) on the pattern slots (the
// palette slots when it was last closed on them), its cursor on the current slot.
void OpenGallery(PatternGenerator& g);

// The slot whose cell holds (x, y), and the cell; false when none.
bool GallerySlotAt(int32_t x, int32_t y, int32_t& slot, ScreenBox& cell);

// The name a pattern slot shows under its number, in the screen's code page 932; a slot
// without a name shows nothing there.
std::string SlotNameShown(const Document& slot);

// The thumbnail of a map at a tile size, kThumbnailEdge columns of kThumbnailEdge colour
// indices from the left: the top-left corner of the plane of its tiles (what a frame of the
// export shows), one tile across, or two of a tile narrower than the thumbnail. Each pixel
// stands for a block of cells a whole number on a side and takes the colour most of its cells
// have (of a block more than four cells across, four evenly spaced each way); of a tie, the
// block's top-left cell's when it is one of them, else the lowest entry's.
void PatternThumbnail(const PatternMap& map, int32_t width, int32_t height, uint8_t* indices);
