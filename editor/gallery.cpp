#include "editor/gallery.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "editor/editor_operations.h"
#include "editor/overlay.h"
#include "editor/screen_texts.h"
#include "generator/key_codes.h"
#include "generator/slot_files.h"

constexpr int kThumbnailCells = kThumbnailEdge * kThumbnailEdge;

struct GalleryThumbnails {
  // How each slot's file read: a thumbnail for a read one (and the current slot, which shows
  // what is in memory), a mark for a missing or an unreadable one.
  SlotRead read[kSlotCount] = {};
  // Each thumbnail's colour indices, a column of kThumbnailEdge at a time from the left: a
  // thumbnail a slot for the pattern slots, the current pattern's alone for the palette slots.
  std::vector<uint8_t> indices;
  // The palette slots': each slot's palette, ranges and look, as loading it gives them.
  struct PaletteShown {
    Palette palette = {};
    CycleRanges cycles;
    PaletteLook look;
    ShownLimit limit;
  };
  std::vector<PaletteShown> palettes;
  // The frame of the cycle the thumbnails show; from 0 when the gallery opens.
  uint32_t phase = 0;
};

namespace {

constexpr uint32_t kCurrentColour = 0xFFFFFFFF;
constexpr uint32_t kNoThumbnailColour = 0xFF282828;

struct MapCells {
  PatternMap cells;
};

int32_t CurrentSlot(const PatternGenerator& g) {
  return g.session.galleryPalettes ? g.paletteNumber : g.patternNumber;
}

// The thumbnail of a map: the 256 x 256 plane of its tiles (what a frame of the export
// shows), one cell in every 256 / kThumbnailEdge each way.
static_assert(kMapEdge % kThumbnailEdge == 0);
void Sample(const PatternGenerator& g, const PatternMap& map, uint8_t* indices) {
  int rowOf[kThumbnailEdge];
  for (int j = 0; j < kThumbnailEdge; ++j)
    rowOf[j] = MirroredTileIndex(j * kMapEdge / kThumbnailEdge, g.height);
  for (int i = 0; i < kThumbnailEdge; ++i) {
    const int32_t* column =
        &map[MirroredTileIndex(i * kMapEdge / kThumbnailEdge, g.width) * kMapEdge];
    for (int j = 0; j < kThumbnailEdge; ++j)
      indices[i * kThumbnailEdge + j] = static_cast<uint8_t>(ColourIndex(column[rowOf[j]]));
  }
}

// Each pattern slot as loading it would make it, synthesised at the current tile size and
// mosaic level.
void ReadPatternSlots(const PatternGenerator& g, GalleryThumbnails& shown) {
  auto map = std::make_unique<MapCells>();
  shown.indices.assign(size_t{kSlotCount} * kThumbnailCells, 0);
  Result problems[kSlotFileCount];
  for (int s = 0; s < kSlotCount; ++s) {
    Document document = g.AsDocument();
    shown.read[s] = s == g.patternNumber
                        ? SlotRead::kRead
                        : LoadSlot(g.store, SlotKind::kPattern, s, document, problems);
    if (shown.read[s] != SlotRead::kRead) continue;
    SynthesizeMap(document.pattern.fields, g.width, g.height, g.mosaicLevel, map->cells);
    Sample(g, map->cells, shown.indices.data() + size_t{kThumbnailCells} * s);
  }
}

// The current pattern once, and each palette slot as loading it would make it.
void ReadPaletteSlots(const PatternGenerator& g, GalleryThumbnails& shown) {
  auto map = std::make_unique<MapCells>();
  SynthesizeMap(g.Pattern(), g.width, g.height, g.mosaicLevel, map->cells);
  shown.indices.assign(kThumbnailCells, 0);
  Sample(g, map->cells, shown.indices.data());
  shown.palettes.resize(kSlotCount);
  Result problems[kSlotFileCount];
  for (int s = 0; s < kSlotCount; ++s) {
    GalleryThumbnails::PaletteShown& palette = shown.palettes[s];
    if (s == g.paletteNumber) {
      shown.read[s] = SlotRead::kRead;
      std::copy(&g.palette[0][0], &g.palette[0][0] + kPaletteEntries * kChannels,
                &palette.palette[0][0]);
      palette.cycles = g.cycles;
      palette.look = g.look;
      continue;
    }
    Document document;
    shown.read[s] = LoadSlot(g.store, SlotKind::kPalette, s, document, problems);
    BuildPalette(document.palette.keys, document.palette.look, palette.palette);
    palette.cycles = std::move(document.palette.cycles);
    palette.look = std::move(document.palette.look);
  }
}

void ReadSlots(PatternGenerator& g) {
  auto shown = std::make_shared<GalleryThumbnails>();
  if (g.session.galleryPalettes)
    ReadPaletteSlots(g, *shown);
  else
    ReadPatternSlots(g, *shown);
  g.session.gallery = std::move(shown);
  g.session.galleryCursor = CurrentSlot(g);
}

void Text(const ScreenDraw& screen, TextSpot at, const char* text) {
  screen.Text(at, text, kFontSmall);
}

// Loads the slot into the editor as the settings panel's step to it does (the slot left is
// saved first), and closes the gallery.
void LoadGallerySlot(PatternGenerator& g, int32_t slot, uint64_t nowMs) {
  const bool palettes = g.session.galleryPalettes;
  CloseOverlay(g, kGalleryOverlay);
  const int32_t current = palettes ? g.paletteNumber : g.patternNumber;
  if (slot != current) StepSetting(g, palettes ? kPaletteRow : kPatternRow, slot - current, nowMs);
}

// Its rectangles; the mouse's outline goes over them.
void DrawGallery(PatternGenerator& g, const ScreenDraw& screen) {
  GalleryThumbnails& shown = *g.session.gallery;
  const bool palettes = g.session.galleryPalettes;
  const uint32_t phase = shown.phase++;
  const EditorCanvas& canvas = screen.canvas;
  if (canvas.fillRect != nullptr) {
    uint32_t colours[kPaletteEntries];
    if (!palettes) ShownColours(g.palette, g.cycles, g.look, g.session.shownLimit, phase, colours);
    screen.Rect(GalleryCell(g.session.galleryCursor), kCursorColour, kBack);
    const int32_t current = CurrentSlot(g);
    for (int32_t s = 0; s < kSlotCount; ++s) {
      const ScreenBox box = GalleryThumbnail(s);
      if (s == current)
        screen.Rect({box.x - 2, box.y - 2, box.w + 4, box.h + 4}, kCurrentColour, kBack);
      if (shown.read[s] != SlotRead::kRead) {
        screen.Rect(box, kNoThumbnailColour, kBack);
        continue;
      }
      const uint8_t* indices = shown.indices.data();
      if (palettes) {
        GalleryThumbnails::PaletteShown& palette = shown.palettes[s];
        ShownColours(palette.palette, palette.cycles, palette.look, palette.limit, phase, colours);
      } else {
        indices += size_t{kThumbnailCells} * s;
      }
      const auto fill = canvas.fillRect;
      for (int i = 0; i < kThumbnailEdge; ++i)
        for (int j = 0; j < kThumbnailEdge; ++j)
          fill(canvas.target, box.x + i, box.y + j, 1, 1, colours[indices[i * kThumbnailEdge + j]],
               kFront);
    }
  }
}

void GalleryTexts(const PatternGenerator& g, const ScreenDraw& screen) {
  const GalleryThumbnails& shown = *g.session.gallery;
  const bool palettes = g.session.galleryPalettes;
  const ScreenTexts& t = TextsFor(g.session.language);
  const EditorCanvas& canvas = screen.canvas;
  Text(screen, kGalleryTitleAt, palettes ? t.galleryPalettes : t.galleryPatterns);
  char number[16];
  for (int32_t s = 0; s < kSlotCount; ++s) {
    std::snprintf(number, sizeof number, "%d", static_cast<int>(s));
    Text(screen, GalleryNumberAt(s), number);
    if (shown.read[s] == SlotRead::kRead) continue;
    const char* mark = shown.read[s] == SlotRead::kMissing ? t.galleryEmpty : t.galleryUnreadable;
    // Over the middle of the thumbnail's place where the canvas measures texts.
    const ScreenBox box = GalleryThumbnail(s);
    const int32_t width =
        canvas.textWidth != nullptr ? canvas.textWidth(canvas.target, mark, kFontSmall) : box.w;
    Text(screen, {box.x + (box.w - std::min(width, box.w + 8)) / 2, box.y + 9}, mark);
  }
  Text(screen, kGalleryKeysAt, t.galleryKeys);
}

// Opening reads the slots; a drag under way ends where it is, as the gallery covers the tile.
void Opened(PatternGenerator& g) {
  EditorSession& s = g.session;
  if (s.dragPoint >= 0) {
    s.dragPoint = -1;
    s.history.Close();
  }
  ReadSlots(g);
}

void Closed(PatternGenerator& g) {
  g.session.gallery.reset();
}

// Beside G, its row's key, Escape closes it.
void GalleryKeys(PatternGenerator& g, const uint8_t* keys, uint64_t nowMs) {
  EditorSession& s = g.session;
  if (KeyTriggered(DIK_ESCAPE, keys, false)) {
    CloseOverlay(g, kGalleryOverlay);
    return;
  }
  if (KeyTriggered(DIK_TAB, keys, false)) {
    s.galleryPalettes = !s.galleryPalettes;
    ReadSlots(g);
  }
  int32_t step = 0;
  if (KeyTriggered(DIK_RIGHT, keys, false)) step += 1;
  if (KeyTriggered(DIK_LEFT, keys, false)) step -= 1;
  if (KeyTriggered(DIK_DOWN, keys, false)) step += kGalleryColumns;
  if (KeyTriggered(DIK_UP, keys, false)) step -= kGalleryColumns;
  s.galleryCursor = Wrap(s.galleryCursor + step, kSlotCount);
  if (KeyTriggered(DIK_RETURN, keys, false) || KeyTriggered(DIK_NUMPADENTER, keys, false))
    LoadGallerySlot(g, s.galleryCursor, nowMs);
}

bool SlotAt(const PatternGenerator&, int32_t x, int32_t y, OverlayItem& item) {
  return GallerySlotAt(x, y, item.index, item.box);
}

void ClickSlot(PatternGenerator& g, const OverlayItem& item, uint64_t nowMs) {
  LoadGallerySlot(g, item.index, nowMs);
}

}  // namespace

constinit const Overlay kGalleryOverlay = {
    .key = DIK_G,
    .place = OverlayPlace::kWindow,
    .opened = Opened,
    .closed = Closed,
    .keys = GalleryKeys,
    .rects = DrawGallery,
    .texts = GalleryTexts,
    .itemAt = SlotAt,
    .click = ClickSlot,
    .wheel = nullptr,
    .text = nullptr,
};

void OpenGallery(PatternGenerator& g) {
  OpenOverlay(g, kGalleryOverlay);
}

bool GallerySlotAt(int32_t x, int32_t y, int32_t& slot, ScreenBox& cell) {
  for (int32_t s = 0; s < kSlotCount; ++s) {
    if (!GalleryCell(s).Contains(x, y)) continue;
    slot = s;
    cell = GalleryCell(s);
    return true;
  }
  return false;
}
