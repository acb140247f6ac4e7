#include "editor/gallery.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "editor/editor_operations.h"
#include "editor/overlay.h"
#include "editor/screen_encoding.h"
#include "editor/screen_texts.h"
#include "editor/status_line.h"
#include "generator/key_codes.h"
#include "generator/slot_files.h"

constexpr int kThumbnailCells = kThumbnailEdge * kThumbnailEdge;
// The most cells each way of a thumbnail pixel's block that its colour is counted from.
constexpr int kCounted = 4;
static_assert(kCounted * kCounted <= 16);

struct GalleryThumbnails {
  // What stands in a slot's place instead of its thumbnail: nothing, or a mark for a slot
  // that holds nothing and for one that cannot be read. The current slot shows what is in
  // memory, edits included.
  enum class Mark : uint8_t { kNone, kEmpty, kUnreadable };
  Mark mark[kSlotCount] = {};
  // The pattern slots' names (code page 932), and as their cells show them: whole characters
  // that fit the cell's line, once the first frame has measured them. The cursor's slot shows
  // its whole name on the title line.
  std::string names[kSlotCount];
  std::string cellNames[kSlotCount];
  bool namesFitted = false;
  // Each thumbnail's colour indices (PatternThumbnail): a thumbnail a slot for the pattern
  // slots, the current pattern's alone for the palette slots.
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

using Mark = GalleryThumbnails::Mark;

constexpr uint32_t kCurrentColour = 0xFFFFFFFF;
constexpr uint32_t kNoThumbnailColour = 0xFF282828;

struct MapCells {
  PatternMap cells;
};

int32_t CurrentSlot(const PatternGenerator& g) {
  return g.session.galleryPalettes ? g.paletteNumber : g.patternNumber;
}

// Nothing but zeros: every field of a pattern; every key of a palette, and its colours all
// black (a look's imported colours fill a palette without keys).
bool HoldsNothing(SlotKind kind, const Document& slot, const Palette& built) {
  if (kind == SlotKind::kPattern)
    return slot.pattern.fields == PatternFields{} && slot.pattern.label.name.empty();
  const auto zero = [](const auto& entry) {
    return std::all_of(std::begin(entry), std::end(entry), [](int32_t v) { return v == 0; });
  };
  return std::all_of(std::begin(slot.palette.keys), std::end(slot.palette.keys), zero) &&
         std::all_of(std::begin(built), std::end(built), zero);
}

Mark MarkOf(SlotRead read, SlotKind kind, const Document& slot, const Palette& built) {
  if (read == SlotRead::kRefused) return Mark::kUnreadable;
  if (read == SlotRead::kMissing || HoldsNothing(kind, slot, built)) return Mark::kEmpty;
  return Mark::kNone;
}

// Each pattern slot as loading it would make it, synthesised at the current tile size and
// mosaic level.
void ReadPatternSlots(const PatternGenerator& g, GalleryThumbnails& shown) {
  auto map = std::make_unique<MapCells>();
  shown.indices.assign(size_t{kSlotCount} * kThumbnailCells, 0);
  Result problems[kSlotFileCount];
  for (int s = 0; s < kSlotCount; ++s) {
    Document document = g.AsDocument();
    const SlotRead read = s == g.patternNumber
                              ? SlotRead::kRead
                              : LoadSlot(g.store, SlotKind::kPattern, s, document, problems);
    shown.mark[s] = MarkOf(read, SlotKind::kPattern, document, g.palette);
    if (shown.mark[s] != Mark::kNone) continue;
    shown.names[s] = SlotNameShown(document);
    SynthesizeMap(document.pattern.fields, g.width, g.height, g.mosaicLevel, map->cells);
    PatternThumbnail(map->cells, g.width, g.height,
                     shown.indices.data() + size_t{kThumbnailCells} * s);
  }
}

// The current pattern once, and each palette slot as loading it would make it.
void ReadPaletteSlots(const PatternGenerator& g, GalleryThumbnails& shown) {
  auto map = std::make_unique<MapCells>();
  SynthesizeMap(g.Pattern(), g.width, g.height, g.mosaicLevel, map->cells);
  shown.indices.assign(kThumbnailCells, 0);
  PatternThumbnail(map->cells, g.width, g.height, shown.indices.data());
  shown.palettes.resize(kSlotCount);
  Result problems[kSlotFileCount];
  for (int s = 0; s < kSlotCount; ++s) {
    GalleryThumbnails::PaletteShown& palette = shown.palettes[s];
    if (s == g.paletteNumber) {
      std::copy(&g.palette[0][0], &g.palette[0][0] + kPaletteEntries * kChannels,
                &palette.palette[0][0]);
      palette.cycles = g.cycles;
      palette.look = g.look;
      shown.mark[s] = MarkOf(SlotRead::kRead, SlotKind::kPalette, g.AsDocument(), g.palette);
      continue;
    }
    Document document;
    const SlotRead read = LoadSlot(g.store, SlotKind::kPalette, s, document, problems);
    BuildPalette(document.palette.keys, document.palette.look, palette.palette);
    shown.mark[s] = MarkOf(read, SlotKind::kPalette, document, palette.palette);
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

// A thumbnail's pixels in the colours, a column at a time from the left: the canvas draws
// such a grid of pixels as one.
void DrawThumbnail(const EditorCanvas& canvas, const ScreenBox& box, const uint8_t* indices,
                   const uint32_t (&colours)[kPaletteEntries]) {
  const auto fill = canvas.fillRect;
  for (int i = 0; i < kThumbnailEdge; ++i)
    for (int j = 0; j < kThumbnailEdge; ++j)
      fill(canvas.target, box.x + i, box.y + j, 1, 1, colours[indices[i * kThumbnailEdge + j]],
           kFront);
}

// Its rectangles; the mouse's outline goes over them.
void DrawGallery(PatternGenerator& g, const ScreenDraw& screen) {
  GalleryThumbnails& shown = *g.session.gallery;
  const bool palettes = g.session.galleryPalettes;
  const uint32_t phase = shown.phase++;
  const EditorCanvas& canvas = screen.canvas;
  if (!shown.namesFitted) {
    for (int32_t s = 0; s < kSlotCount; ++s)
      if (!shown.names[s].empty())
        shown.cellNames[s] = FittingStart(canvas, shown.names[s], GalleryNameBox(0).w);
    shown.namesFitted = true;
  }
  if (canvas.fillRect == nullptr) return;
  uint32_t colours[kPaletteEntries];
  if (!palettes) ShownColours(g.palette, g.cycles, g.look, g.session.shownLimit, phase, colours);
  screen.Rect(GalleryCell(g.session.galleryCursor), kCursorColour, kBack);
  const int32_t current = CurrentSlot(g);
  for (int32_t s = 0; s < kSlotCount; ++s) {
    const ScreenBox box = GalleryThumbnail(s);
    if (s == current)
      screen.Rect({box.x - 2, box.y - 2, box.w + 4, box.h + 4}, kCurrentColour, kBack);
    if (shown.mark[s] != Mark::kNone) {
      screen.Rect(box, kNoThumbnailColour, kBack);
      continue;
    }
    const uint8_t* indices = shown.indices.data();
    if (palettes) {
      GalleryThumbnails::PaletteShown& palette = shown.palettes[s];
      ShownColours(palette.palette, palette.cycles, palette.look, palette.limit, phase, colours);
      for (int k = 0; k < kPaletteEntries; ++k) screen.Rect(GalleryEntry(s, k), colours[k], kFront);
    } else {
      indices += size_t{kThumbnailCells} * s;
    }
    DrawThumbnail(canvas, box, indices, colours);
  }
}

void GalleryTexts(const PatternGenerator& g, const ScreenDraw& screen) {
  const GalleryThumbnails& shown = *g.session.gallery;
  const bool palettes = g.session.galleryPalettes;
  const ScreenTexts& t = TextsFor(g.session.language);
  const EditorCanvas& canvas = screen.canvas;
  Text(screen, kGalleryTitleAt, palettes ? t.galleryPalettes : t.galleryPatterns);
  if (const std::string& name = shown.names[g.session.galleryCursor]; !name.empty()) {
    const std::string whole = std::to_string(g.session.galleryCursor) + ": " + name;
    Text(screen, kGalleryCursorNameAt,
         FittingStart(canvas, whole, kGalleryStatus.right - kGalleryCursorNameAt.x).c_str());
  }
  char number[16];
  for (int32_t s = 0; s < kSlotCount; ++s) {
    std::snprintf(number, sizeof number, "%d", static_cast<int>(s));
    Text(screen, GalleryNumberAt(s), number);
    if (!shown.cellNames[s].empty()) {
      const ScreenBox name = GalleryNameBox(s);
      Text(screen, {name.x, name.y}, shown.cellNames[s].c_str());
    }
    if (shown.mark[s] == Mark::kNone) continue;
    const char* mark = shown.mark[s] == Mark::kEmpty ? t.galleryEmpty : t.galleryUnreadable;
    // Across the thumbnail's place where the canvas measures texts, inside the cell, and
    // under the number's line, which a wide mark may reach beyond the place.
    const ScreenBox box = GalleryThumbnail(s);
    const int32_t width =
        canvas.textWidth != nullptr ? canvas.textWidth(canvas.target, mark, kFontSmall) : box.w;
    Text(screen,
         {std::max(GalleryCell(s).x + 1, box.x + (box.w - width) / 2),
          GalleryNumberAt(s).y + kFontHeights[kFontSmall]},
         mark);
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
    .status = &kGalleryStatus,
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

std::string SlotNameShown(const Document& slot) {
  return ToScreenText(slot.pattern.label.name);
}

void PatternThumbnail(const PatternMap& map, int32_t width, int32_t height, uint8_t* indices) {
  const int w = std::clamp<int32_t>(width, 1, kMapEdge);
  const int h = std::clamp<int32_t>(height, 1, kMapEdge);
  const int stepX = std::max(w / kThumbnailEdge, 1);
  const int stepY = std::max(h / kThumbnailEdge, 1);
  // The cells of a block that count, kCounted or fewer each way, evenly spaced.
  const int countedX = std::min(stepX, kCounted);
  const int countedY = std::min(stepY, kCounted);
  int offsetX[kCounted], offsetY[kCounted];
  for (int a = 0; a < countedX; ++a) offsetX[a] = a * stepX / countedX;
  for (int b = 0; b < countedY; ++b) offsetY[b] = b * stepY / countedY;
  // The plane's columns and rows the thumbnail covers, as cells of the map.
  const int32_t* columnOf[kMapEdge];
  int rowOf[kMapEdge];
  for (int u = 0; u < kThumbnailEdge * stepX; ++u)
    columnOf[u] = &map[MirroredTileIndex(u, w) * kMapEdge];
  for (int v = 0; v < kThumbnailEdge * stepY; ++v) rowOf[v] = MirroredTileIndex(v, h);
  for (int i = 0; i < kThumbnailEdge; ++i) {
    for (int j = 0; j < kThumbnailEdge; ++j) {
      // Each colour's count in four bits of one word, less one for the first cell's colour,
      // which wins a tie: of sixteen cells at most, no count reaches 16 then.
      const int first = ColourIndex(columnOf[i * stepX][rowOf[j * stepY]]);
      uint64_t counts = uint64_t{0} - (uint64_t{1} << (4 * first));
      for (int a = 0; a < countedX; ++a) {
        const int32_t* column = columnOf[i * stepX + offsetX[a]];
        for (int b = 0; b < countedY; ++b)
          counts += uint64_t{1} << (4 * ColourIndex(column[rowOf[j * stepY + offsetY[b]]]));
      }
      int best = first;
      uint64_t most = ((counts >> (4 * first)) & 15) + 1;
      // A block of one colour, as most are, needs no more looking.
      for (int k = 0; counts != (most - 1) << (4 * first) && k < kPaletteEntries; ++k) {
        const uint64_t count = (counts >> (4 * k)) & 15;
        best = count > most ? k : best;
        most = count > most ? count : most;
      }
      indices[i * kThumbnailEdge + j] = static_cast<uint8_t>(best);
    }
  }
}
