#include "editor/editor_mouse.h"

#include <algorithm>

#include "editor/editor_operations.h"
#include "editor/overlay.h"
#include "editor/screen_layout.h"

namespace {

constexpr int32_t kMarkerSize = 5;
constexpr uint32_t kHoverColour = 0xFFE0E0E0;

// What the pointer is over: a kind, the index of the thing, and its box.
enum class Target {
  kNone,
  kMarker,
  kPreview,
  kPointField,
  kPointPanel,
  kSettingsRow,
  kSettingsPanel,
  kKeyCell,
  kKeyPanel,
  kSwatch,
  kOverlayItem,
  kOverlay
};

struct Hit {
  Target target = Target::kNone;
  int32_t a = 0;  // point / row / entry
  int32_t b = 0;  // field / channel
  ScreenBox box = {0, 0, 0, 0};
  // The overlay of kOverlayItem and kOverlay, and the item.
  const Overlay* overlay = nullptr;
  OverlayItem item;
};

Hit Boxed(Target target, int32_t a, int32_t b, const ScreenBox& box) {
  Hit hit;
  hit.target = target;
  hit.a = a;
  hit.b = b;
  hit.box = box;
  return hit;
}

// Where a point's marker stands in the tile: the cell its position maps to, as synthesis maps
// it.
void MarkerAt(const PatternGenerator& g, int k, int64_t& x, int64_t& y) {
  x = static_cast<int64_t>(g.points[k].x) * g.width / 64;
  y = static_cast<int64_t>(g.points[k].y) * g.height / 64;
}

bool OverSingleTile(const PatternGenerator& g, int32_t x, int32_t y) {
  return g.previewMode == kPreviewSingleTile && PreviewTile(g.width, g.height).Contains(x, y);
}

// The item of the overlay under (x, y); its place's box when none and the place has one.
Hit OverlayHit(const PatternGenerator& g, const Overlay& overlay, int32_t x, int32_t y) {
  Hit hit;
  hit.overlay = &overlay;
  if (overlay.itemAt(g, x, y, hit.item)) {
    hit.target = Target::kOverlayItem;
    hit.box = hit.item.box;
  } else if (overlay.place == OverlayPlace::kKeyGrid) {
    hit.target = Target::kOverlay;
    hit.box = kGridOverlayBox;
  }
  return hit;
}

Hit HitAt(const PatternGenerator& g, int32_t x, int32_t y) {
  // An overlay over the whole window covers everything else.
  if (const Overlay* window = OpenAt(g.session, OverlayPlace::kWindow); window != nullptr)
    return OverlayHit(g, *window, x, y);
  if (OverSingleTile(g, x, y)) {
    // The last drawn marker is the one on top.
    for (int k = kPointCount - 1; k >= 0; --k) {
      int64_t mx = 0, my = 0;
      MarkerAt(g, k, mx, my);
      mx += kPreviewX;
      my += kPreviewY;
      if (x >= mx - 3 && x <= mx + 3 && y >= my - 3 && y <= my + 3)
        return Boxed(Target::kMarker, k, 0,
                     {static_cast<int32_t>(mx - 3), static_cast<int32_t>(my - 3), 7, 7});
    }
    return Boxed(Target::kPreview, 0, 0, PreviewTile(g.width, g.height));
  }
  if (kPointPanelBox.Contains(x, y)) {
    for (int32_t row = 0; row < kPointCount; ++row)
      for (int32_t field = 0; field < kPointFields; ++field)
        if (PointFieldBox(row, field).Contains(x, y))
          return Boxed(Target::kPointField, row, field, PointFieldBox(row, field));
    return Boxed(Target::kPointPanel, 0, 0, kPointPanelBox);
  }
  if (kSettingsPanelBox.Contains(x, y)) {
    for (int32_t row = 0; row < kSettingsRows; ++row)
      if (SettingsRowBand(row).Contains(x, y))
        return Boxed(Target::kSettingsRow, row, 0, SettingsRowOutline(row));
    return Boxed(Target::kSettingsPanel, 0, 0, kSettingsPanelBox);
  }
  for (int32_t k = 0; k < kPaletteEntries; ++k)
    if (Swatch(k).Contains(x, y)) return Boxed(Target::kSwatch, k, 0, Swatch(k));
  // An overlay over the key grid takes its place.
  if (const Overlay* grid = OpenAt(g.session, OverlayPlace::kKeyGrid); grid != nullptr) {
    if (kGridOverlayBox.Contains(x, y)) return OverlayHit(g, *grid, x, y);
  } else if (kKeyPanelBox.Contains(x, y)) {
    for (int32_t k = 0; k < kPaletteEntries; ++k)
      for (int32_t ch = 0; ch < kChannels; ++ch)
        if (KeyCell(k, ch).Contains(x, y)) return Boxed(Target::kKeyCell, k, ch, KeyCell(k, ch));
    return Boxed(Target::kKeyPanel, 0, 0, kKeyPanelBox);
  }
  return Hit{};
}

// What the pointer looks like over a target: a hand where a click acts, a move cross on a
// point that can be dragged.
PointerShape ShapeOf(const Hit& hit, bool dragging) {
  if (dragging || hit.target == Target::kMarker) return PointerShape::kMove;
  if (hit.target == Target::kNone || hit.target == Target::kPreview) return PointerShape::kArrow;
  return PointerShape::kHand;
}

void Click(PatternGenerator& g, const Hit& hit, uint64_t nowMs) {
  switch (hit.target) {
    case Target::kMarker:
      g.session.dragPoint = hit.a;
      return;
    case Target::kPointField:
      g.cursorRow = hit.a;
      g.cursorColumn = hit.b;
      [[fallthrough]];
    case Target::kPointPanel:
      g.panel = kPointPanel;
      return;
    case Target::kSettingsRow:
      g.cursorRow = hit.a;
      [[fallthrough]];
    case Target::kSettingsPanel:
      g.panel = kSettingsPanel;
      return;
    case Target::kKeyCell:
      g.cursorColumn = hit.a;
      g.cursorRow = hit.b;
      [[fallthrough]];
    case Target::kKeyPanel:
      g.panel = kKeyPanel;
      return;
    case Target::kSwatch:
      g.cursorColumn = hit.a;
      g.panel = kKeyPanel;
      return;
    case Target::kOverlayItem:
      hit.overlay->click(g, hit.item, nowMs);
      return;
    default:
      return;
  }
}

// One notch of the wheel: up (+1) as X and →, down (-1) as Z and ←; on a key digit up as Z
// and down by one.
void Wheel(PatternGenerator& g, const Hit& hit, int32_t a, uint64_t nowMs) {
  switch (hit.target) {
    case Target::kPointField:
      StepPointField(g, hit.a, hit.b, a);
      return;
    case Target::kSettingsRow:
      StepSetting(g, hit.a, a, nowMs);
      return;
    case Target::kKeyCell:
      if (a > 0)
        RaiseKeyDigit(g, hit.a, hit.b);
      else
        LowerKeyDigit(g, hit.a, hit.b);
      return;
    case Target::kOverlayItem:
      if (hit.overlay->wheel != nullptr) hit.overlay->wheel(g, hit.item, a, nowMs);
      return;
    default:
      return;
  }
}

void Outline(const EditorCanvas& canvas, const ScreenBox& box, uint32_t colour) {
  if (canvas.fillRect == nullptr) return;
  const auto [x, y, w, h] = box;
  canvas.fillRect(canvas.target, x - 1, y - 1, w + 2, 1, colour, 0.0f);
  canvas.fillRect(canvas.target, x - 1, y + h, w + 2, 1, colour, 0.0f);
  canvas.fillRect(canvas.target, x - 1, y, 1, h, colour, 0.0f);
  canvas.fillRect(canvas.target, x + w, y, 1, h, colour, 0.0f);
}

}  // namespace

void MouseActions(PatternGenerator& g, FrameClock& clock) {
  MouseState& m = clock.mouse;
  if (!m.seen) {
    clock.pointer = PointerShape::kArrow;
    return;
  }
  if (g.session.dragPoint >= 0) {
    if (g.previewMode == kPreviewSingleTile) {
      // The pointer's cell in the tile, back in the 64 x 64 design space: where the button
      // went up too, when the last motion and the release came between two frames.
      const int32_t cx = std::clamp(m.x - kPreviewX, 0, g.width - 1);
      const int32_t cy = std::clamp(m.y - kPreviewY, 0, g.height - 1);
      const int32_t x = cx * 64 / g.width;
      const int32_t y = cy * 64 / g.height;
      const ControlPoint& p = g.points[g.session.dragPoint];
      if (x != p.x || y != p.y) MovePoint(g, g.session.dragPoint, x, y);
    }
    if (!m.down || g.previewMode != kPreviewSingleTile) {
      g.session.dragPoint = -1;
      g.session.dragEnded = true;
    }
  }
  if (m.pressed && g.session.dragPoint < 0) Click(g, HitAt(g, m.pressX, m.pressY), clock.nowMs);
  const Hit hit = HitAt(g, m.x, m.y);
  for (int32_t notch = 0; notch < std::min(std::abs(m.wheel), 8); ++notch)
    Wheel(g, hit, m.wheel > 0 ? 1 : -1, clock.nowMs);
  clock.pointer = ShapeOf(hit, g.session.dragPoint >= 0);
}

void DrawPointMarkers(const PatternGenerator& g, const MouseState& mouse,
                      const EditorCanvas& canvas) {
  if (!mouse.seen || canvas.fillRect == nullptr ||
      (!OverSingleTile(g, mouse.x, mouse.y) && g.session.dragPoint < 0))
    return;
  for (int k = 0; k < kPointCount; ++k) {
    int64_t x = 0, y = 0;
    MarkerAt(g, k, x, y);
    if (x < 0 || y < 0 || x >= g.width || y >= g.height) continue;
    const auto mx = static_cast<int32_t>(kPreviewX + x), my = static_cast<int32_t>(kPreviewY + y);
    const uint32_t ring = k == g.session.dragPoint ? 0xFFFFE040 : 0xFFFFFFFF;
    canvas.fillRect(canvas.target, mx - 2, my - 2, kMarkerSize, kMarkerSize, ring, 0.0f);
    canvas.fillRect(canvas.target, mx - 1, my - 1, 3, 3, 0xFF000000, 0.0f);
  }
}

void DrawHover(const PatternGenerator& g, const MouseState& mouse, const EditorCanvas& canvas) {
  if (!mouse.seen || g.session.dragPoint >= 0) return;
  const Hit hit = HitAt(g, mouse.x, mouse.y);
  if (hit.target == Target::kNone || hit.target == Target::kPreview) return;
  Outline(canvas, hit.box, kHoverColour);
}
