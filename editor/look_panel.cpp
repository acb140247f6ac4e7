#include "editor/look_panel.h"

#include <algorithm>
#include <cstdio>

#include "editor/overlay.h"
#include "editor/palette_browser.h"
#include "editor/screen_encoding.h"
#include "editor/screen_texts.h"
#include "editor/status_line.h"
#include "formats/palette_reader.h"
#include "generator/key_codes.h"
#include "generator/messages.h"
#include "store/paths.h"
#include "store/settings.h"

namespace {

// Row r's line: its cursor box, a little inside the panel's sides, and its text.
constexpr ScreenBox RowBox(int32_t r) {
  return {kGridOverlayBox.x + 4, kGridOverlayFirstRowY + kGridOverlayRowHeight * r,
          kGridOverlayBox.w - 8, kGridOverlayRowHeight};
}
constexpr TextSpot RowTextAt(int32_t r) {
  return {kGridOverlayTitleAt.x, RowBox(r).y + 1};
}

const char* PresetName(int bits) {
  for (const DepthPreset& preset : kDepthPresets)
    if (preset.bits == bits) return preset.name;
  return "";
}

}  // namespace

void StepLookRow(PatternGenerator& g, int32_t row, int32_t a) {
  PaletteLook& look = g.look;
  switch (row) {
    case kLookColours: {
      if (look.colours.empty()) return;
      const int last = static_cast<int>(look.colours.size()) - 1;
      if (a < 0 && look.colourStart == 0) {
        look.colours.clear();
        look.coloursName.clear();
      } else {
        look.colourStart = std::clamp(look.colourStart + a, 0, last);
      }
      g.RebuildPalette();
      return;
    }
    case kLookSnap:
      if (a < 0) {
        look.snap.clear();
        look.snapName.clear();
      }
      return;
    case kLookDepth:
      look.depthBits = std::clamp(look.depthBits + a, kMinDepthBits, kMaxDepthBits);
      return;
    default:
      return;
  }
}

namespace {

void LookKeys(PatternGenerator& g, const uint8_t* keys, uint64_t) {
  int32_t& row = g.session.lookRow;
  if (KeyTriggered(DIK_DOWN, keys, false)) ++row;
  if (KeyTriggered(DIK_UP, keys, false)) --row;
  row = std::clamp(row, 0, kLookRows - 1);
  if (KeyTriggered(DIK_Z, keys, false)) StepLookRow(g, row, -1);
  if (KeyTriggered(DIK_X, keys, false)) StepLookRow(g, row, 1);
  if (KeyTriggered(DIK_B, keys, false)) {
    OpenPaletteBrowser(g);
    return;
  }
  // A long palette's first entry in larger steps: 16 a page, or to either end.
  PaletteLook& look = g.look;
  if (row != kLookColours || look.colours.empty()) return;
  const int last = static_cast<int>(look.colours.size()) - 1;
  int start = look.colourStart;
  if (KeyTriggered(DIK_PRIOR, keys, false)) start -= kPaletteEntries;
  if (KeyTriggered(DIK_NEXT, keys, false)) start += kPaletteEntries;
  if (KeyTriggered(DIK_HOME, keys, false)) start = 0;
  if (KeyTriggered(DIK_END, keys, false)) start = last;
  start = std::clamp(start, 0, last);
  if (start == look.colourStart) return;
  look.colourStart = start;
  g.RebuildPalette();
}

void LookRects(PatternGenerator& g, const ScreenDraw& screen) {
  screen.Rect(kGridOverlayBox, kGridOverlayColour, kBack);
  screen.Rect(RowBox(g.session.lookRow), kCursorColour, kFront);
}

void LookTexts(const PatternGenerator& g, const ScreenDraw& screen) {
  const ScreenTexts& t = TextsFor(g.session.language);
  const PaletteLook& look = g.look;
  char line[128];
  screen.Text(kGridOverlayTitleAt, t.lookTitle, kFontSmall);
  if (look.colours.empty()) {
    screen.Text(RowTextAt(kLookColours), t.lookRamp, kFontSmall);
  } else {
    std::snprintf(line, sizeof line, t.lookColoursFormat,
                  ToScreenText(ShownName(look.coloursName)).c_str(),
                  static_cast<int>(look.colours.size()), look.colourStart);
    screen.Text(RowTextAt(kLookColours), line, kFontSmall);
  }
  if (look.snap.empty()) {
    screen.Text(RowTextAt(kLookSnap), t.lookSnapOff, kFontSmall);
  } else {
    std::snprintf(line, sizeof line, t.lookSnapFormat,
                  ToScreenText(ShownName(look.snapName)).c_str(),
                  static_cast<int>(look.snap.size()));
    screen.Text(RowTextAt(kLookSnap), line, kFontSmall);
  }
  std::snprintf(line, sizeof line, t.lookDepthFormat, look.depthBits, PresetName(look.depthBits));
  screen.Text(RowTextAt(kLookDepth), line, kFontSmall);
}

bool LookRowAt(const PatternGenerator&, int32_t x, int32_t y, OverlayItem& item) {
  for (int32_t r = 0; r < kLookRows; ++r) {
    if (!RowBox(r).Contains(x, y)) continue;
    item.index = r;
    item.box = RowBox(r);
    return true;
  }
  return false;
}

// A click puts the cursor on the row; the wheel steps it there.
void ClickLookRow(PatternGenerator& g, const OverlayItem& item, uint64_t) {
  g.session.lookRow = item.index;
}

void WheelLookRow(PatternGenerator& g, const OverlayItem& item, int32_t a, uint64_t nowMs) {
  ClickLookRow(g, item, nowMs);
  StepLookRow(g, item.index, a);
}

}  // namespace

constinit const Overlay kLookOverlay = {
    .key = DIK_I,
    .place = OverlayPlace::kKeyGrid,
    .opened = nullptr,
    .closed = nullptr,
    .keys = LookKeys,
    .rects = LookRects,
    .texts = LookTexts,
    .itemAt = LookRowAt,
    .click = ClickLookRow,
    .wheel = WheelLookRow,
    .text = nullptr,
    .status = nullptr,
};

int32_t DropRow(const PatternGenerator& g) {
  return IsOpen(g.session, kLookOverlay) ? g.session.lookRow : kLookColours;
}

void ImportPalette(PatternGenerator& g, const std::string& path, int32_t row, uint64_t nowMs) {
  ImportedPalette imported;
  if (Result read = ReadPaletteFile(path, imported); !read) {
    // The whole message on standard error; the name may come from anyone's folder.
    const std::string why = read.message.rfind(path + ": ", 0) == 0
                                ? read.message.substr(path.size() + 2)
                                : read.message;
    Warn(QuoteName(path) + ": " + why);
    ShowImportFailure(g.session.status, ToScreenText(ShownName(path)), why);
    return;
  }
  KeepPalette(g, std::move(imported.colours), path, row, nowMs);
}

void ApplyPalette(PatternGenerator& g, std::vector<Rgb> colours, const std::string& path,
                  int32_t row) {
  const std::string name = ShownName(path);
  if (row == kLookSnap) {
    g.look.snap = std::move(colours);
    g.look.snapName = name;
  } else {
    g.look.colours = std::move(colours);
    g.look.colourStart = 0;
    g.look.coloursName = name;
    g.RebuildPalette();
  }
}

void KeepPalette(PatternGenerator& g, std::vector<Rgb> colours, const std::string& path,
                 int32_t row, uint64_t nowMs) {
  const int count = static_cast<int>(colours.size());
  ApplyPalette(g, std::move(colours), path, row);
  RememberFolder(g.session.paletteFolders, FolderOf(AbsolutePath(path)));
  char line[128];
  const ScreenTexts& texts = TextsFor(g.session.language);
  std::snprintf(line, sizeof line, count == 1 ? texts.importedOneFormat : texts.importedFormat,
                ToScreenText(ShownName(path)).c_str(), count);
  ShowNote(g.session.status, line, nowMs);
}
