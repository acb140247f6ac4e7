#include "editor/cycles_panel.h"

#include <algorithm>
#include <cstdio>

#include "editor/editor_operations.h"
#include "editor/overlay.h"
#include "editor/screen_texts.h"
#include "generator/key_codes.h"

namespace {

constexpr int32_t kRowHeight = kGridOverlayRowHeight;
constexpr int32_t kFirstRowY = kGridOverlayFirstRowY;
// Each range's colours, from the title's left edge.
constexpr int32_t kStripX = kGridOverlayTitleAt.x;
constexpr int32_t kStripCell = 6;
// The marks under the swatches, one colour a range, two pixels below them.
constexpr uint32_t kMarkColours[kMaxCycleRanges] = {0xFFE0E0E0, 0xFFE0A040, 0xFF40C0E0, 0xFFE060C0,
                                                    0xFF80E060, 0xFFE0E040, 0xFF8080FF, 0xFFFF6060};
constexpr int32_t kMarkY = Swatch(0).y + Swatch(0).h + 2;

void Text(const ScreenDraw& screen, int32_t x, int32_t y, const char* text) {
  screen.Text({x, y}, text, kFontSmall);
}

// The first range row shown: the selected one stays in view.
int FirstVisibleRow(const PatternGenerator& g) {
  const int last = std::max(0, g.cycles.count - kCyclesVisibleRows);
  return std::clamp(g.session.cycleRow - (kCyclesVisibleRows - 1), 0, last);
}

}  // namespace

// The ranges stay sorted and disjoint: an end moves only as far as its neighbours allow.
void StepCycleField(PatternGenerator& g, int32_t a) {
  CycleRanges& c = g.cycles;
  if (c.count == 0) return;
  const int r = g.session.cycleRow;
  CycleRange& range = c.ranges[r];
  const int32_t below = r > 0 ? c.ranges[r - 1].high + 1 : 0;
  const int32_t above = r + 1 < c.count ? c.ranges[r + 1].low - 1 : kPaletteEntries - 1;
  switch (g.session.cycleColumn) {
    case kCycleLow:
      range.low = std::clamp(range.low + a, below, range.high - 1);
      return;
    case kCycleHigh:
      range.high = std::clamp(range.high + a, range.low + 1, above);
      return;
    case kCycleSpeed:
      range.speed = std::clamp(range.speed + a, 0, kMaxSpeed);
      return;
    case kCycleMode:
      range.mode = static_cast<CycleMode>(Wrap(static_cast<int32_t>(range.mode) + a, 3));
      return;
    case kCycleBlend:
      range.blend = a > 0;
      return;
    case kCycleRemove:
      if (a < 0) return;
      std::copy(c.ranges + r + 1, c.ranges + c.count, c.ranges + r);
      --c.count;
      g.session.cycleRow = std::min(g.session.cycleRow, std::max(0, c.count - 1));
      return;
    default:
      return;
  }
}

bool AddCycleRange(PatternGenerator& g) {
  CycleRanges& c = g.cycles;
  if (c.count >= kMaxCycleRanges) return false;
  bool taken[kPaletteEntries] = {};
  for (int r = 0; r < c.count; ++r)
    for (int i = c.ranges[r].low; i <= c.ranges[r].high; ++i) taken[i] = true;
  const int start = c.count > 0 ? c.ranges[std::min(g.session.cycleRow, c.count - 1)].high + 1 : 0;
  for (int k = 0; k < kPaletteEntries; ++k) {
    const int low = (start + k) % kPaletteEntries;
    if (taken[low] || (low > 0 && !taken[low - 1] && k > 0)) continue;  // a run's first entry
    int high = low;
    while (high + 1 < kPaletteEntries && !taken[high + 1]) ++high;
    if (high == low) continue;
    CycleRange range;
    range.low = low;
    range.high = high;
    int at = 0;
    while (at < c.count && c.ranges[at].low < low) ++at;
    std::copy_backward(c.ranges + at, c.ranges + c.count, c.ranges + c.count + 1);
    c.ranges[at] = range;
    ++c.count;
    g.session.cycleRow = at;
    return true;
  }
  return false;
}

namespace {

void CyclesKeys(PatternGenerator& g, const uint8_t* keys, uint64_t) {
  if (KeyTriggered(DIK_RIGHT, keys, false)) ++g.session.cycleColumn;
  if (KeyTriggered(DIK_LEFT, keys, false)) --g.session.cycleColumn;
  StepRow(g.session.cycleRow, keys);
  g.session.cycleColumn = Wrap(g.session.cycleColumn, kCycleFieldCount);
  g.session.cycleRow = Wrap(g.session.cycleRow, g.cycles.count);
  // The speed runs 0..64: it moves on every frame while Z or X is held, as positions do.
  const bool repeat = g.session.cycleColumn == kCycleSpeed;
  if (KeyTriggered(DIK_Z, keys, repeat)) StepCycleField(g, -1);
  if (KeyTriggered(DIK_X, keys, repeat)) StepCycleField(g, 1);
  if (KeyTriggered(DIK_SPACE, keys, false)) AddCycleRange(g);
}

// The panel's rectangles and the marks under the swatches.
void CyclesRects(PatternGenerator& g, const ScreenDraw& screen) {
  screen.Rect(kGridOverlayBox, kGridOverlayColour, kBack);
  const int first = FirstVisibleRow(g);
  for (int r = first; r < std::min(g.cycles.count, first + kCyclesVisibleRows); ++r) {
    const CycleRange& range = g.cycles.ranges[r];
    const int32_t y = kFirstRowY + kRowHeight * (r - first);
    for (int i = range.low; i <= range.high; ++i)
      screen.Rect(kStripX + kStripCell * (i - range.low), y + 2, kStripCell, 12,
                  EntryColour(g.palette[i]), kBack);
    if (r == g.session.cycleRow)
      screen.Rect(kCycleFieldX[g.session.cycleColumn] - 3, y,
                  kCycleFieldWidth[g.session.cycleColumn], kRowHeight, kCursorColour, kFront);
  }
  for (int r = 0; r < g.cycles.count; ++r) {
    const CycleRange& range = g.cycles.ranges[r];
    const bool selected = r == g.session.cycleRow;
    const ScreenBox low = Swatch(range.low), high = Swatch(range.high);
    screen.Rect(low.x, kMarkY - (selected ? 1 : 0), high.x + high.w - low.x, selected ? 3 : 2,
                kMarkColours[r], kBack);
  }
}

void CyclesTexts(const PatternGenerator& g, const ScreenDraw& screen) {
  const ScreenTexts& t = TextsFor(g.session.language);
  char line[96];
  int loop = 0;
  if (LoopFrames(g.cycles, loop)) {
    std::snprintf(line, sizeof line, t.cyclesTitleFormat, loop);
    screen.Text(kGridOverlayTitleAt, line, kFontSmall);
  } else {
    screen.Text(kGridOverlayTitleAt, t.cyclesTooLong, kFontSmall);
  }
  const int first = FirstVisibleRow(g);
  int r = first;
  for (; r < std::min(g.cycles.count, first + kCyclesVisibleRows); ++r) {
    const CycleRange& range = g.cycles.ranges[r];
    const int32_t y = kFirstRowY + kRowHeight * (r - first) + 1;
    std::snprintf(line, sizeof line, "%d", range.low);
    Text(screen, kCycleFieldX[kCycleLow], y, line);
    std::snprintf(line, sizeof line, "%d", range.high);
    Text(screen, kCycleFieldX[kCycleHigh], y, line);
    std::snprintf(line, sizeof line, "%d/16", range.speed);
    Text(screen, kCycleFieldX[kCycleSpeed], y, line);
    Text(screen, kCycleFieldX[kCycleMode], y, t.cyclesModes[static_cast<int>(range.mode)]);
    Text(screen, kCycleFieldX[kCycleBlend], y, range.blend ? t.cyclesBlend : "-");
    Text(screen, kCycleFieldX[kCycleRemove], y, t.cyclesRemove);
  }
  if (g.cycles.count < kMaxCycleRanges && r - first < kCyclesVisibleRows)
    Text(screen, kStripX, kFirstRowY + kRowHeight * (r - first) + 1, t.cyclesAdd);
}

// A range row's field.
bool CycleFieldAt(const PatternGenerator& g, int32_t x, int32_t y, OverlayItem& item) {
  const int first = FirstVisibleRow(g);
  const int32_t r = (y - kFirstRowY) / kRowHeight;
  if (y < kFirstRowY || r >= kCyclesVisibleRows || first + r >= g.cycles.count) return false;
  for (int32_t c = 0; c < kCycleFieldCount; ++c) {
    const int32_t left = kCycleFieldX[c] - 3;
    if (x < left || x >= left + kCycleFieldWidth[c]) continue;
    item.index = first + r;
    item.field = c;
    item.box = {left, kFirstRowY + kRowHeight * r, kCycleFieldWidth[c], kRowHeight};
    return true;
  }
  return false;
}

// A click puts the cursor on the field; the wheel steps it there.
void ClickCycleField(PatternGenerator& g, const OverlayItem& item, uint64_t) {
  g.session.cycleRow = item.index;
  g.session.cycleColumn = item.field;
}

void WheelCycleField(PatternGenerator& g, const OverlayItem& item, int32_t a, uint64_t nowMs) {
  ClickCycleField(g, item, nowMs);
  StepCycleField(g, a);
}

}  // namespace

constinit const Overlay kCyclesOverlay = {
    .key = DIK_C,
    .place = OverlayPlace::kKeyGrid,
    .opened = nullptr,
    .closed = nullptr,
    .keys = CyclesKeys,
    .rects = CyclesRects,
    .texts = CyclesTexts,
    .itemAt = CycleFieldAt,
    .click = ClickCycleField,
    .wheel = WheelCycleField,
    .text = nullptr,
    .status = nullptr,
};
