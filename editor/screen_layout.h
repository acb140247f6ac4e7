#pragma once
// Where everything stands on the 640 x 480 editor screen, each box named once: the frame draws
// from these names and the mouse hit-tests with them, so a box moved here moves for both.
// A text is placed by the top-left corner of its line box; "row" counts from the top.

#include <cstdint>

struct ScreenBox {
  int32_t x, y, w, h;
  constexpr bool Contains(int32_t px, int32_t py) const {
    return px >= x && px < x + w && py >= y && py < y + h;
  }
};

struct TextSpot {
  int32_t x, y;
};

// ---- the preview --------------------------------------------------------------------------

// Its top-left corner. Map cell (i, j) is a square kPreviewCell a side at (i, j) from there:
// the squares overlap by a pixel, so the tiled preview reaches 257 pixels each way.
constexpr int32_t kPreviewX = 0;
constexpr int32_t kPreviewY = 0;
constexpr int32_t kPreviewCell = 2;

// The single-tile preview: one cell a pixel, the tile's width by its height.
constexpr ScreenBox PreviewTile(int32_t width, int32_t height) {
  return {kPreviewX, kPreviewY, width, height};
}

// ---- the panels: the open one draws its background ----------------------------------------

constexpr ScreenBox kKeyPanelBox{8, 368, 392, 104};         // under the key grid and swatches
constexpr ScreenBox kPointPanelBox{312, 0, 224, 128};       // under the heading and point lines
constexpr ScreenBox kSettingsPanelBox{312, 192, 224, 160};  // under the six settings lines

// ---- the overlays over the key grid (editor/overlay.h) ------------------------------------

// The cycles panel (C) and the palette panel (I) take the key grid's place, above the
// swatches: a title line, then rows kGridOverlayRowHeight high from kGridOverlayFirstRowY,
// each text a pixel below the top of its row.
constexpr ScreenBox kGridOverlayBox{kKeyPanelBox.x, kKeyPanelBox.y, kKeyPanelBox.w, 78};
constexpr TextSpot kGridOverlayTitleAt{16, kGridOverlayBox.y + 1};
constexpr int32_t kGridOverlayFirstRowY = kGridOverlayBox.y + 17;
constexpr int32_t kGridOverlayRowHeight = 16;

// ---- the key grid and the swatches --------------------------------------------------------

// Palette entry k's column and channel ch's row (0 red, 1 green, 2 blue), a pitch apart.
constexpr int32_t kGridPitch = 24;

// A key cell: digit d of entry k in channel ch, filled when d is not 0.
constexpr ScreenBox KeyCell(int32_t k, int32_t ch) {
  return {16 + kGridPitch * k, 376 + kGridPitch * ch, 16, 16};
}
// The smaller grey square of a cell without a key, in the cell's middle.
constexpr ScreenBox EmptyKeyCell(int32_t k, int32_t ch) {
  const ScreenBox cell = KeyCell(k, ch);
  return {cell.x + 2, cell.y + 2, 12, 12};
}
// The key panel's cursor, a white square in the middle of the selected cell.
constexpr ScreenBox KeyCursor(int32_t k, int32_t ch) {
  const ScreenBox cell = KeyCell(k, ch);
  return {cell.x + 4, cell.y + 4, 8, 8};
}
// Palette entry k's swatch, in the grid's column under it.
constexpr ScreenBox Swatch(int32_t k) {
  return {KeyCell(k, 0).x, 448, 16, 16};
}

// ---- the control-point panel --------------------------------------------------------------

constexpr TextSpot kHeadingAt{320, 6};
// Control point k's line, and its field f (x, y, scaleX, scaleY, weight): the cursor box over
// the field's number, and what a click or the wheel on it acts on.
constexpr TextSpot PointLineAt(int32_t k) {
  return {kHeadingAt.x, 30 + 24 * k};
}
constexpr ScreenBox PointFieldBox(int32_t k, int32_t f) {
  return {326 + 30 * f, PointLineAt(k).y, 30, 18};
}
// Under the panel, the shape keys' values.
constexpr TextSpot kReverseLineAt{kHeadingAt.x, 132};
constexpr TextSpot kDistortionLineAt{kHeadingAt.x, 156};

// ---- the settings panel -------------------------------------------------------------------

// Settings row r's line (pattern, palette, letter, mosaic, width, height).
constexpr TextSpot SettingsLineAt(int32_t r) {
  return {kHeadingAt.x, 200 + 24 * r};
}
// The cursor box over the row's value.
constexpr ScreenBox SettingsCursor(int32_t r) {
  return {400, SettingsLineAt(r).y, 30, 18};
}
// What a click or the wheel on the row acts on: the panel's width, 24 pixels from just above
// the line; the hover outline goes round its inside.
constexpr ScreenBox SettingsRowBand(int32_t r) {
  return {kSettingsPanelBox.x, SettingsLineAt(r).y - 3, kSettingsPanelBox.w, 24};
}
constexpr ScreenBox SettingsRowOutline(int32_t r) {
  const ScreenBox band = SettingsRowBand(r);
  return {band.x + 4, band.y + 1, band.w - 8, band.h - 2};
}

// Under the settings, in the small font: the pattern's name and seed, or F2's text field.
constexpr TextSpot kLabelLineAt{kHeadingAt.x, 338};

// ---- help and status ----------------------------------------------------------------------

// The four key help lines at the bottom right.
constexpr TextSpot HelpLineAt(int32_t i) {
  return {400, 360 + 18 * i};
}
// The key and mouse help (F1) over the preview, and its line i.
constexpr ScreenBox kHelpOverlayBox{8, 8, 296, 322};
constexpr TextSpot HelpOverlayLineAt(int32_t i) {
  return {kHelpOverlayBox.x + 8, kHelpOverlayBox.y + 6 + 18 * i};
}
// The status line under the preview; its text ends before kStatusRight.
constexpr int32_t kStatusX = 8;
constexpr int32_t kStatusY = 336;
constexpr int32_t kStatusRight = 304;

// ---- the palette browser, over the window beside the preview, swatches and palette panel ---

// Its title line (what is typed), rows kBrowserRows of them, and its keys at the foot. A row
// shows a name at its left and the file's colours as a strip from kBrowserStripX.
constexpr ScreenBox kBrowserBox{304, 0, 336, 364};
constexpr TextSpot kBrowserTitleAt{312, 2};
constexpr int32_t kBrowserRows = 20;
constexpr ScreenBox BrowserRow(int32_t r) {
  return {kBrowserBox.x + 4, 20 + 16 * r, kBrowserBox.w - 8, 16};
}
constexpr TextSpot kBrowserKeysAt{312, 346};
constexpr int32_t kBrowserStripX = 504;
constexpr int32_t kBrowserStripWidth = 128;
// A place the status line stands in: where its text starts, and the x it ends before.
struct StatusPlace {
  TextSpot at;
  int32_t right;
};
constexpr StatusPlace kEditorStatus{{kStatusX, kStatusY}, kStatusRight};

// ---- the gallery (G), over the whole window -----------------------------------------------

// Its title above the slots; below them its keys, and under those the status line's own
// line, which nothing else of the gallery draws on.
constexpr TextSpot kGalleryTitleAt{8, 3};
// The cursor's slot's whole name, on the title line.
constexpr TextSpot kGalleryCursorNameAt{320, 3};
constexpr TextSpot kGalleryKeysAt{8, 443};
constexpr StatusPlace kGalleryStatus{{8, 461}, 632};
// The slots as ten rows of ten, slot s in row s / 10 and column s % 10. Each slot's cell
// holds its thumbnail, a square of kThumbnailEdge pixels, and beside it the slot's number
// and under the number its name (the pattern slots) or its sixteen colours as four rows of
// four (the palette slots).
constexpr int32_t kGalleryColumns = 10;
constexpr int32_t kThumbnailEdge = 32;
constexpr ScreenBox GalleryCell(int32_t s) {
  return {64 * (s % kGalleryColumns), 20 + 42 * (s / kGalleryColumns), 64, 42};
}
constexpr ScreenBox GalleryThumbnail(int32_t s) {
  const ScreenBox cell = GalleryCell(s);
  return {cell.x + 2, cell.y + 5, kThumbnailEdge, kThumbnailEdge};
}
constexpr TextSpot GalleryNumberAt(int32_t s) {
  const ScreenBox cell = GalleryCell(s);
  return {cell.x + 38, cell.y + 2};
}
// The name's line: whole characters of it up to a pixel before the cell's edge.
constexpr ScreenBox GalleryNameBox(int32_t s) {
  const ScreenBox cell = GalleryCell(s);
  return {cell.x + 38, cell.y + 20, cell.w - 39, 14};
}
// Palette entry k's square.
constexpr ScreenBox GalleryEntry(int32_t s, int32_t k) {
  const ScreenBox cell = GalleryCell(s);
  return {cell.x + 38 + 5 * (k % 4), cell.y + 20 + 5 * (k / 4), 5, 5};
}
