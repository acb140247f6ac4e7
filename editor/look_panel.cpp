#include "editor/look_panel.h"

#include <algorithm>
#include <cstdio>

#include "editor/cycles_panel.h"
#include "editor/screen_texts.h"
#include "editor/status_line.h"
#include "formats/palette_reader.h"
#include "generator/key_codes.h"
#include "generator/messages.h"
#include "store/paths.h"

namespace {

constexpr int kFont = 3;  // 14 pixels high, as the cycles panel
constexpr int32_t kRowHeight = 16;
constexpr int32_t kTextX = 16;
constexpr int32_t kTitleY = kCyclesY + 1;
constexpr int32_t kFirstRowY = kCyclesY + 17;

constexpr ScreenBox RowBox(int32_t row) {
  return {kCyclesX + 4, kFirstRowY + kRowHeight * row, kCyclesWidth - 8, kRowHeight};
}

void Rect(const EditorCanvas& canvas, const ScreenBox& box, uint32_t colour, float z) {
  if (canvas.fillRect != nullptr)
    canvas.fillRect(canvas.target, box.x, box.y, box.w, box.h, colour, z);
}

void Text(const EditorCanvas& canvas, int32_t y, const char* text) {
  if (canvas.drawText != nullptr) canvas.drawText(canvas.target, kTextX, y, text, kFont);
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

void LookPanel(PatternGenerator& g, const EditorCanvas& canvas, const uint8_t* keys) {
  Rect(canvas, kCyclesPanelBox, 0xFF181818, 1.0f);
  int32_t& row = g.session.lookRow;
  if (KeyTriggered(DIK_DOWN, keys, false)) ++row;
  if (KeyTriggered(DIK_UP, keys, false)) --row;
  row = std::clamp(row, 0, kLookRows - 1);
  if (KeyTriggered(DIK_Z, keys, false)) StepLookRow(g, row, -1);
  if (KeyTriggered(DIK_X, keys, false)) StepLookRow(g, row, 1);
  Rect(canvas, RowBox(row), 0xFF403020, 0.0f);
}

void LookPanelTexts(const PatternGenerator& g, const EditorCanvas& canvas) {
  const ScreenTexts& t = TextsFor(g.session.language);
  const PaletteLook& look = g.look;
  char line[128];
  Text(canvas, kTitleY, t.lookTitle);
  if (look.colours.empty()) {
    Text(canvas, kFirstRowY + 1, t.lookRamp);
  } else {
    std::snprintf(line, sizeof line, t.lookColoursFormat, ShownName(look.coloursName).c_str(),
                  static_cast<int>(look.colours.size()), look.colourStart);
    Text(canvas, kFirstRowY + 1, line);
  }
  if (look.snap.empty()) {
    Text(canvas, kFirstRowY + kRowHeight + 1, t.lookSnapOff);
  } else {
    std::snprintf(line, sizeof line, t.lookSnapFormat, ShownName(look.snapName).c_str(),
                  static_cast<int>(look.snap.size()));
    Text(canvas, kFirstRowY + kRowHeight + 1, line);
  }
  std::snprintf(line, sizeof line, t.lookDepthFormat, look.depthBits, PresetName(look.depthBits));
  Text(canvas, kFirstRowY + 2 * kRowHeight + 1, line);
}

bool LookRowAt(int32_t x, int32_t y, int32_t& row, ScreenBox& box) {
  for (int32_t r = 0; r < kLookRows; ++r) {
    if (!RowBox(r).Contains(x, y)) continue;
    row = r;
    box = RowBox(r);
    return true;
  }
  return false;
}

void ImportPalette(PatternGenerator& g, const std::string& path, int32_t row, uint64_t nowMs) {
  ImportedPalette imported;
  if (Result read = ReadPaletteFile(path, imported); !read) {
    // The whole message on standard error; the name may come from anyone's folder.
    const std::string why = read.message.rfind(path + ": ", 0) == 0
                                ? read.message.substr(path.size() + 2)
                                : read.message;
    Warn(QuoteName(path) + ": " + why);
    ShowImportFailure(g.session.status, ShownName(path), why);
    return;
  }
  const int count = static_cast<int>(imported.colours.size());
  std::vector<Rgb> colours = std::move(imported.colours);
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
  char line[128];
  const ScreenTexts& texts = TextsFor(g.session.language);
  std::snprintf(line, sizeof line, count == 1 ? texts.importedOneFormat : texts.importedFormat,
                name.c_str(), count);
  ShowNote(g.session.status, line, nowMs);
}
