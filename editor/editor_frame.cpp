#include "editor/editor_frame.h"

#include <algorithm>
#include <bitset>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "editor/editor_mouse.h"
#include "editor/editor_operations.h"
#include "editor/editor_texts.h"
#include "editor/export_runner.h"
#include "editor/look_panel.h"
#include "editor/name_field.h"
#include "editor/overlay.h"
#include "editor/palette_browser.h"
#include "editor/screen_draw.h"
#include "editor/screen_layout.h"
#include "editor/screen_texts.h"
#include "editor/status_line.h"
#include "formats/bmp_frames.h"
#include "generator/key_codes.h"
#include "generator/pattern_fields.h"
#include "store/template_file.h"
#include "store/unsaved_work.h"

namespace {

// The longest line, a control-point line with five 11-character numbers, needs 65 bytes.
constexpr int kTextBufferSize = 96;

// M's and E's exports. A loop of the default sixteen frames is written within the key's
// frame; a longer one is encoded a slice a frame so the screen keeps drawing and cycling, and
// its files are written together when the last slice is done.
constexpr double kExportSliceMs = 8.0;

void ExportFailed(PatternGenerator& g, const Result& failure) {
  ReportFailure(failure, "");
  ShowExportFailure(g.session.status, failure);
}

void AdvanceExport(PatternGenerator& g, double budgetMs, uint64_t nowMs) {
  ExportRunner& runner = *g.session.exporter;
  bool done = false;
  if (Result advanced = runner.Advance(budgetMs, done); !advanced) {
    ExportFailed(g, advanced);
    return;
  }
  const ExportRunProgress progress = runner.Progress();
  if (!done) {
    ShowExporting(g.session.status, progress.framesDone, progress.frames, progress.path, nowMs);
    return;
  }
  int count = 0;
  if (Result written = runner.Commit(count); !written) {
    ExportFailed(g, written);
  } else if (g.session.exportEveryFormat) {
    ShowExportedAll(g.session.status, g.session.exportId, g.session.exportName, count, nowMs);
  } else {
    // M uses the runner only for ranges other than the default, whose frames are numbered.
    ShowExported(g.session.status, g.session.exportId, nowMs, progress.frames, true);
  }
}

void StartExport(PatternGenerator& g, bool everyFormat, uint64_t nowMs) {
  if (g.session.exporter == nullptr) {
    ExportFailed(g, Result::Fail("this program has no exporter"));
    return;
  }
  g.Synthesize();
  g.RebuildPalette();
  // The template is read and checked before anything is encoded, so a bad one leaves
  // result/ alone.
  auto cycle = std::make_unique<Cycle>();
  uint8_t header[kHeaderBytes];
  Result started = g.session.folder != nullptr
                       ? ReadFrameTemplate(header, g.session.folder->frameTemplate)
                       : Result::Fail("this program has no data folder");
  if (started)
    started =
        MakeCycle(g.AsDocument(), g.map, g.palette, header, kDefaultDelayCentiseconds, *cycle);
  if (started) started = g.session.exporter->Start(*cycle, g.idLetter, g.label.name, everyFormat);
  if (!started) {
    ExportFailed(g, started);
    return;
  }
  g.session.exportEveryFormat = everyFormat;
  g.session.exportId = g.idLetter;
  g.session.exportName = g.label.name;
  const bool shortLoop = cycle->frames <= kFrameCount;
  AdvanceExport(g, shortLoop ? std::numeric_limits<double>::infinity() : kExportSliceMs, nowMs);
}

void DrawPreview(PatternGenerator& g, const ScreenDraw& screen) {
  if (screen.canvas.fillRect == nullptr) return;
  uint32_t colours[kPaletteEntries];
  ShownColours(g.palette, g.cycles, g.look, g.session.shownLimit,
               static_cast<uint32_t>(g.cyclePhase), colours);

  // The single-tile mode shows one tile; the tiled mode the whole plane.
  const bool single = g.previewMode == kPreviewSingleTile;
  const int columns = single ? g.width : kMapEdge;
  const int rows = single ? g.height : kMapEdge;

  // The mirrored row of every screen row, the same for every column (as TiledCell reads it).
  int rowOf[kMapEdge];
  for (int j = 0; j < rows; ++j) rowOf[j] = MirroredTileIndex(j, g.height);
  const auto fill = screen.canvas.fillRect;
  void* const target = screen.canvas.target;
  for (int i = 0; i < columns; ++i) {
    const int32_t* cells = &g.map[MirroredTileIndex(i, g.width) * kMapEdge];
    for (int j = 0; j < rows; ++j)
      fill(target, kPreviewX + i, kPreviewY + j, kPreviewCell, kPreviewCell,
           colours[ColourIndex(cells[rowOf[j]])], kFront);
  }
}

}  // namespace

void AdvancePreview(PatternGenerator& g, const ScreenDraw& screen) {
  if (g.previewMode == kPreviewOff) return;
  g.cyclePhase = static_cast<int32_t>(static_cast<uint32_t>(g.cyclePhase) + 1u);
  DrawPreview(g, screen);
}

namespace {

void PaletteKeyPanel(PatternGenerator& g, const ScreenDraw& screen, const uint8_t* keys) {
  screen.Rect(kKeyPanelBox, 0xFF181818, kBack);
  // The box marks the cell selected before this frame's cursor keys and wrap, which may lie
  // outside the grid.
  const ScreenBox cursor = KeyCursor(0, 0);
  screen.RectAt(cursor.x + int64_t{kGridPitch} * g.cursorColumn,
                cursor.y + int64_t{kGridPitch} * g.cursorRow, cursor.w, cursor.h, 0xFFFFFFFF,
                kFront);
  if (KeyTriggered(DIK_RIGHT, keys, false)) g.cursorColumn = SaturatingAdd(g.cursorColumn, 1);
  if (KeyTriggered(DIK_LEFT, keys, false)) g.cursorColumn = SaturatingAdd(g.cursorColumn, -1);
  StepRow(g.cursorRow, keys);
  g.cursorColumn = Wrap(g.cursorColumn, kPaletteEntries);
  g.cursorRow = Wrap(g.cursorRow, kChannels);

  if (KeyTriggered(DIK_Z, keys, false)) RaiseKeyDigit(g, g.cursorColumn, g.cursorRow);
  if (KeyTriggered(DIK_X, keys, false)) ClearKeyDigit(g, g.cursorColumn, g.cursorRow);
}

void ControlPointPanel(PatternGenerator& g, const ScreenDraw& screen, const uint8_t* keys) {
  screen.Rect(kPointPanelBox, 0xFF202020, kBack);
  if (KeyTriggered(DIK_RIGHT, keys, false)) g.cursorColumn = SaturatingAdd(g.cursorColumn, 1);
  if (KeyTriggered(DIK_LEFT, keys, false)) g.cursorColumn = SaturatingAdd(g.cursorColumn, -1);
  StepRow(g.cursorRow, keys);
  g.cursorColumn = Wrap(g.cursorColumn, 5);
  g.cursorRow = Wrap(g.cursorRow, kPointCount);

  // Positions move on every held frame; the scales and the weight once per press.
  const bool repeat = g.cursorColumn < 2;
  if (KeyTriggered(DIK_Z, keys, repeat)) StepPointField(g, g.cursorRow, g.cursorColumn, -1);
  if (KeyTriggered(DIK_X, keys, repeat)) StepPointField(g, g.cursorRow, g.cursorColumn, 1);
  screen.Rect(PointFieldBox(g.cursorRow, g.cursorColumn), kCursorColour, kFront);
}

void SettingsPanel(PatternGenerator& g, const ScreenDraw& screen, const uint8_t* keys,
                   uint64_t nowMs) {
  screen.Rect(kSettingsPanelBox, 0xFF202020, kBack);
  StepRow(g.cursorRow, keys);
  int32_t a = 0;
  if (KeyTriggered(DIK_LEFT, keys, false)) a = -1;
  if (KeyTriggered(DIK_RIGHT, keys, false)) a = 1;
  // A row just moved out of range this frame (-1 or 6) takes no step.
  if (a != 0 && g.cursorRow >= 0 && g.cursorRow < kSettingsRows)
    StepSetting(g, g.cursorRow, a, nowMs);
  g.cursorRow = Wrap(g.cursorRow, 6);
  screen.Rect(SettingsCursor(g.cursorRow), kCursorColour, kFront);
}

}  // namespace

void DrawSwatches(PatternGenerator& g, const ScreenDraw& screen) {
  uint8_t shown[kPaletteEntries][kChannels];
  for (int k = 0; k < kPaletteEntries; ++k)
    for (int c = 0; c < kChannels; ++c) shown[k][c] = static_cast<uint8_t>(g.palette[k][c]);
  g.session.shownLimit.Apply(g.look, shown);
  for (int k = 0; k < kPaletteEntries; ++k)
    screen.Rect(
        Swatch(k),
        0xFF000000u | uint32_t{shown[k][0]} << 16 | uint32_t{shown[k][1]} << 8 | shown[k][2],
        kBack);
}

namespace {

void DrawKeyGrid(const PatternGenerator& g, const ScreenDraw& screen) {
  for (int k = 0; k < kPaletteEntries; ++k) {
    for (int ch = 0; ch < kChannels; ++ch) {
      const int32_t d = g.keys[k][ch];
      if (!g.look.colours.empty()) {
        // Colours from a palette file stand in for the ramp: the keys show greyed.
        screen.Rect(d != 0 ? KeyCell(k, ch) : EmptyKeyCell(k, ch), d != 0 ? 0xFF505050 : 0xFF383838,
                    kBack);
      } else if (d != 0) {
        const uint32_t level = static_cast<uint32_t>(KeyIntensity(d)) & 0xFFu;
        const uint32_t colour = 0xFF000000u | (level << (16 - 8 * ch));
        screen.Rect(KeyCell(k, ch), colour, kBack);
      } else {
        screen.Rect(EmptyKeyCell(k, ch), 0xFF808080, kBack);
      }
    }
  }
}

// A settings row's line: its text, and the value its one directive shows (the tile's scales,
// its sides over 64, as %f).
using SettingValue = std::variant<int, double>;
struct SettingsLine {
  const char* ScreenTexts::*format;
  SettingValue (*value)(const PatternGenerator& g);
};
constexpr SettingsLine kSettingsLines[] = {
    {&ScreenTexts::patternFormat,
     [](const PatternGenerator& g) -> SettingValue { return static_cast<int>(g.patternNumber); }},
    {&ScreenTexts::paletteFormat,
     [](const PatternGenerator& g) -> SettingValue { return static_cast<int>(g.paletteNumber); }},
    {&ScreenTexts::idLetterFormat,
     [](const PatternGenerator& g) -> SettingValue { return static_cast<int>(g.idLetter); }},
    {&ScreenTexts::mosaicFormat,
     [](const PatternGenerator& g) -> SettingValue { return g.mosaicLevel; }},
    {&ScreenTexts::scaleXFormat,
     [](const PatternGenerator& g) -> SettingValue {
       return static_cast<double>(g.width) * 0.015625;
     }},
    {&ScreenTexts::scaleYFormat,
     [](const PatternGenerator& g) -> SettingValue {
       return static_cast<double>(g.height) * 0.015625;
     }},
};
static_assert(std::size(kSettingsLines) == kSettingsRows);

void DrawTexts(const PatternGenerator& g, const ScreenTexts& t, const ScreenDraw& screen,
               char (&line)[kTextBufferSize]) {
  screen.Text(kHeadingAt, t.heading, kFontLines);
  for (int i = 0; i < 4; ++i) screen.Text(HelpLineAt(i), t.help[i], kFontSmall);

  std::snprintf(line, sizeof line, t.reverseFormat, g.reverseX, g.reverseY);
  screen.Text(kReverseLineAt, line, kFontLines);
  std::snprintf(line, sizeof line, t.distortFormat, g.distortX, g.distortY);
  screen.Text(kDistortionLineAt, line, kFontLines);

  for (int32_t row = 0; row < kSettingsRows; ++row) {
    const SettingsLine& setting = kSettingsLines[row];
    std::visit([&](auto value) { std::snprintf(line, sizeof line, t.*setting.format, value); },
               setting.value(g));
    screen.Text(SettingsLineAt(row), line, kFontLines);
  }
  DrawLabelLine(g, t, screen);
}

// The key and mouse help (F1) over the preview: its backdrop before the batch ends, its
// lines after.
void DrawHelpBackdrop(const ScreenDraw& screen) {
  screen.Rect(kHelpOverlayBox, 0xFF101018, kFront);
}

void DrawHelpLines(const ScreenTexts& t, const ScreenDraw& screen) {
  for (int i = 0; t.helpOverlay[i] != nullptr; ++i)
    screen.Text(HelpOverlayLineAt(i), t.helpOverlay[i], kFontSmall);
}

constexpr uint8_t kHeldZ = 1;
constexpr uint8_t kHeldX = 2;

bool Down(const uint8_t* keys, int key) {
  return (keys[key] & 0x80) != 0;
}

// Each undoable field's name on the status line, in the order of EditField; a name with a
// number takes the point (for a point's field) or the slot stepped to.
constexpr const char* ScreenTexts::*kStepNames[] = {
    &ScreenTexts::editPointPosition, &ScreenTexts::editPointPosition, &ScreenTexts::editPointScaleX,
    &ScreenTexts::editPointScaleY,   &ScreenTexts::editPointWeight,   &ScreenTexts::editReverseX,
    &ScreenTexts::editReverseY,      &ScreenTexts::editDistortX,      &ScreenTexts::editDistortY,
    &ScreenTexts::editKey,           &ScreenTexts::editMosaic,        &ScreenTexts::editSizeX,
    &ScreenTexts::editSizeY,         &ScreenTexts::editIdLetter,      &ScreenTexts::editCycles,
    &ScreenTexts::editPatternSlot,   &ScreenTexts::editPaletteSlot,   &ScreenTexts::editLook,
    &ScreenTexts::editName};
static_assert(std::size(kStepNames) == static_cast<size_t>(EditField::kLabel) + 1);

// What an undo step changed, for the status line: its first change names it.
std::string DescribeStep(const PatternGenerator& g, const FieldChange* changes, uint32_t count,
                         EditHistory::Cause cause, const ScreenTexts& t) {
  if (count == 0) return {};
  if (cause == EditHistory::Cause::kRandomPattern) return t.editRandomPattern;
  if (cause == EditHistory::Cause::kRandomPalette) return t.editRandomPalette;
  const FieldChange& c = changes[0];
  if (c.field == EditField::kLook) {
    // Which part of the look: its colours, its snap or its depth.
    const std::vector<PaletteSide>& sides = g.session.history.sides;
    const PaletteLook& a = sides[static_cast<size_t>(c.before)].look;
    const PaletteLook& b = sides[static_cast<size_t>(c.after)].look;
    if (a.colours != b.colours || a.colourStart != b.colourStart) return t.editLook;
    return a.snap != b.snap ? t.editSnap : t.editDepth;
  }
  int number = c.index + 1;
  if (c.field == EditField::kPatternSlot) number = g.patternNumber;
  if (c.field == EditField::kPaletteSlot) number = g.paletteNumber;
  char text[64];
  std::snprintf(text, sizeof text, t.*kStepNames[static_cast<size_t>(c.field)], number);
  return text;
}

// Undo (or redo) the latest step (the step after the done ones). A slot step is undone by
// stepping back to the slot, which saves and loads as stepping does; when that save fails
// the step stays where it is.
void UndoOrRedo(PatternGenerator& g, bool undo, uint64_t nowMs) {
  const ScreenTexts& t = TextsFor(g.session.language);
  uint32_t count = 0;
  const FieldChange* changes =
      undo ? g.session.history.UndoChanges(count) : g.session.history.RedoChanges(count);
  const EditHistory::Cause cause =
      undo ? g.session.history.UndoCause() : g.session.history.RedoCause();
  if (changes == nullptr) {
    ShowNote(g.session.status, undo ? t.nothingToUndo : t.nothingToRedo, nowMs);
    return;
  }
  const FieldChange& first = changes[0];
  if (first.field == EditField::kPatternSlot || first.field == EditField::kPaletteSlot) {
    const bool pattern = first.field == EditField::kPatternSlot;
    const int32_t current = pattern ? g.patternNumber : g.paletteNumber;
    const int32_t wanted = undo ? first.before : first.after;
    StepSetting(g, pattern ? kPatternRow : kPaletteRow, wanted - current, nowMs);
    if ((pattern ? g.patternNumber : g.paletteNumber) != wanted) return;  // the save failed
  } else {
    const EditApplied applied = ApplyChanges(g, g.session.history, changes, count, undo);
    if (applied.synthesise) g.Synthesize();
    if (applied.rebuildPalette) g.RebuildPalette();
  }
  if (undo)
    g.session.history.MarkUndone();
  else
    g.session.history.MarkRedone();
  ShowNote(g.session.status, (undo ? t.undo : t.redo) + DescribeStep(g, changes, count, cause, t),
           nowMs);
}

// The keys of our own, before the frame's edits: L the language, F1 the help, Ctrl+Z undo,
// Ctrl+Y and Ctrl+Shift+Z redo. While Ctrl is held, and until a key of a Ctrl chord is
// released, Z and X act as nothing else: `keys` becomes the state the rest of the frame reads.
// Ctrl+S: both slots on screen, every file of them in one crash-safe set.
void SaveBothSlots(PatternGenerator& g, uint64_t nowMs) {
  if (Result saved = g.SaveCurrentSlots(); !saved) {
    ReportFailure(saved, "");
    ShowSaveFailure(g.session.status, saved);
    return;
  }
  char line[96];
  std::snprintf(line, sizeof line, TextsFor(g.session.language).savedSlotsFormat,
                static_cast<int>(g.patternNumber), static_cast<int>(g.paletteNumber));
  ShowNote(g.session.status, line, nowMs);
}

// Ctrl+R and Ctrl+D: the edits a run before left in recovery files of the slots on screen
// taken back (one undo step), or thrown away.
void HandleUnsaved(PatternGenerator& g, bool restore, uint64_t nowMs) {
  if (g.session.folder == nullptr) return;
  std::vector<std::string> files;
  const Result handled = restore ? RestoreUnsavedWork(g, *g.session.folder, files)
                                 : DiscardUnsavedWork(g, *g.session.folder, files);
  if (!handled) {
    ReportFailure(handled, "");
    ShowSaveFailure(g.session.status, handled);
    return;
  }
  if (restore && !files.empty()) {
    g.Synthesize();
    g.RebuildPalette();
  }
  ShowRecoveryHandled(g.session.status, restore, files, nowMs);
}

// The Ctrl bindings: the key, whether it walks the undo history (and so is no edit itself),
// and what it does (with Shift held or not).
struct Chord {
  int key;
  bool walksHistory;
  void (*act)(PatternGenerator& g, bool shift, uint64_t nowMs);
};
constexpr Chord kChords[] = {
    {DIK_Z, true,
     [](PatternGenerator& g, bool shift, uint64_t nowMs) { UndoOrRedo(g, !shift, nowMs); }},
    {DIK_Y, true, [](PatternGenerator& g, bool, uint64_t nowMs) { UndoOrRedo(g, false, nowMs); }},
    {DIK_S, false, [](PatternGenerator& g, bool, uint64_t nowMs) { SaveBothSlots(g, nowMs); }},
    {DIK_R, false,
     [](PatternGenerator& g, bool, uint64_t nowMs) { HandleUnsaved(g, true, nowMs); }},
    {DIK_D, false,
     [](PatternGenerator& g, bool, uint64_t nowMs) { HandleUnsaved(g, false, nowMs); }},
};

// The chords pressed this frame: each acts once a press.
struct ChordPresses {
  std::bitset<kKeyCodeCount> keys;
  bool shift = false;
};

void ActChords(PatternGenerator& g, const ChordPresses& presses, bool walksHistory,
               uint64_t nowMs) {
  for (const Chord& chord : kChords)
    if (chord.walksHistory == walksHistory && presses.keys.test(static_cast<size_t>(chord.key)))
      chord.act(g, presses.shift, nowMs);
}

ChordPresses OwnKeys(PatternGenerator& g, const uint8_t* raw, uint8_t (&keys)[kKeyCodeCount]) {
  std::memcpy(keys, raw, sizeof keys);
  // With Ctrl held only the Ctrl bindings act, and a key pressed with it acts as nothing
  // else until it is released, whether Ctrl is let go first or not.
  const bool ctrl = Down(raw, DIK_LCONTROL) || Down(raw, DIK_RCONTROL);
  const bool shift = Down(raw, DIK_LSHIFT) || Down(raw, DIK_RSHIFT);
  std::bitset<kKeyCodeCount> pressed;
  for (int key = 0; key < kKeyCodeCount; ++key) {
    if (!Down(raw, key)) {
      g.session.chordKeys.reset(key);
    } else if (ctrl && !IsChordModifier(key) && !g.session.chordKeys.test(key)) {
      pressed.set(key);
      g.session.chordKeys.set(key);
    }
    if (g.session.chordKeys.test(key)) keys[key] = 0;
  }
  // An overlay that takes text takes L too.
  const Overlay* window = OpenAt(g.session, OverlayPlace::kWindow);
  if ((window == nullptr || window->text == nullptr) && KeyTriggered(DIK_L, keys, false))
    g.session.language =
        g.session.language == Language::kJapanese ? Language::kEnglish : Language::kJapanese;
  // Over an overlay on the whole window only the language changes: nothing else of ours
  // shows there.
  if (window != nullptr) return {};
  if (KeyTriggered(DIK_F1, keys, false)) g.session.helpOpen = !g.session.helpOpen;
  return {pressed, shift};
}

}  // namespace

namespace {

// The frame's input: the status line ages, our own keys act (and the keys of a Ctrl chord
// are taken from what the rest of the frame reads; F2's open field takes them all), and the
// texts follow the language.
ChordPresses ReadInput(PatternGenerator& g, const FrameClock& clock,
                       uint8_t (&keys)[kKeyCodeCount]) {
  AgeStatus(g.session.status, clock.keyState, clock.nowMs);
  ChordPresses chords;
  if (NameFieldTakesKeys(g, clock))
    std::memset(keys, 0, sizeof keys);
  else
    chords = OwnKeys(g, clock.keyState, keys);
  g.session.status.language = g.session.language;
  return chords;
}

// An export under way goes on, whatever the frame shows; whether one is.
bool ContinueExport(PatternGenerator& g, uint64_t nowMs) {
  const bool exporting = g.session.exporter != nullptr && g.session.exporter->Running();
  if (exporting) AdvanceExport(g, kExportSliceMs, nowMs);
  return exporting;
}

// A second M or E waits until the export under way is done.
void ExportKeys(PatternGenerator& g, const uint8_t* keys, uint64_t nowMs) {
  const bool exporting = ContinueExport(g, nowMs);
  if (!exporting && KeyTriggered(DIK_M, keys, false)) {
    if (g.cycles.IsDefault()) {
      // The map and the palette made anew from their fields, as the export makes them.
      g.Synthesize();
      g.RebuildPalette();
      const Result exported = g.session.folder != nullptr
                                  ? ExportFrames(g.AsDocument(), *g.session.folder)
                                  : Result::Fail("this program has no data folder");
      if (exported) {
        ShowExported(g.session.status, g.idLetter, nowMs);
      } else {
        ExportFailed(g, exported);
      }
    } else {
      StartExport(g, false, nowMs);
    }
  }
  if (!exporting && KeyTriggered(DIK_E, keys, false)) StartExport(g, true, nowMs);
}

// P steps the preview mode; the mouse acts; the running preview advances and is drawn.
void Preview(PatternGenerator& g, const ScreenDraw& screen, FrameClock& clock,
             const uint8_t* keys) {
  if (KeyTriggered(DIK_P, keys, false)) {
    g.previewMode = static_cast<int8_t>((g.previewMode + 1) % kPreviewModeCount);
    if (g.previewMode != kPreviewOff) g.Synthesize();
    g.cyclePhase = 0;
  }
  MouseActions(g, clock);
  AdvancePreview(g, screen);
  if (g.previewMode != kPreviewOff) DrawPointMarkers(g, clock.mouse, screen.canvas);
}

// The overlays over the key grid open and close with their keys (C, I); while one is open it
// takes its keys and the editing panels wait. Otherwise SPACE steps the panels and the open
// one takes its keys.
void Panels(PatternGenerator& g, const ScreenDraw& screen, const uint8_t* keys, uint64_t nowMs) {
  OverlayKeys(g, OverlayPlace::kKeyGrid, keys);
  if (const Overlay* overlay = OpenAt(g.session, OverlayPlace::kKeyGrid); overlay != nullptr) {
    overlay->keys(g, keys, nowMs);
    overlay->rects(g, screen);
    return;
  }
  if (KeyTriggered(DIK_SPACE, keys, false))
    g.panel = static_cast<int32_t>((static_cast<int64_t>(g.panel) + 1) % kPanelCount);
  switch (g.panel) {
    case kKeyPanel:
      PaletteKeyPanel(g, screen, keys);
      break;
    case kPointPanel:
      ControlPointPanel(g, screen, keys);
      break;
    case kSettingsPanel:
      SettingsPanel(g, screen, keys, nowMs);
      break;
    default:
      break;
  }
}

// The swatches, the key grid (or the overlay in its place), the hover and the help's backdrop,
// the batch's end, then the texts over them.
void DrawScreen(PatternGenerator& g, const ScreenDraw& screen, const FrameClock& clock) {
  char line[kTextBufferSize];
  const Overlay* overGrid = OpenAt(g.session, OverlayPlace::kKeyGrid);
  DrawSwatches(g, screen);
  if (overGrid == nullptr) DrawKeyGrid(g, screen);
  DrawHover(g, clock.mouse, screen.canvas);
  if (g.session.helpOpen) DrawHelpBackdrop(screen);
  screen.End();
  const ScreenTexts& texts = TextsFor(g.session.language);
  DrawTexts(g, texts, screen, line);
  if (overGrid != nullptr) overGrid->texts(g, screen);
  if (g.session.helpOpen) DrawHelpLines(texts, screen);
}

// An overlay over the whole window: its keys, the mouse and its hover outline over it, the
// batch's end and its texts; false, having drawn nothing, when it closed (the editor's screen
// then draws as ever, and does not take this frame's click and wheel again).
bool WindowOverlay(PatternGenerator& g, const Overlay& overlay, const ScreenDraw& screen,
                   FrameClock& clock, const uint8_t* keys, const std::string& typed) {
  if (overlay.text != nullptr) overlay.text(g, typed);
  overlay.keys(g, keys, clock.nowMs);
  if (!IsOpen(g.session, overlay)) return false;
  MouseActions(g, clock);
  clock.mouse.pressed = false;
  clock.mouse.wheel = 0;
  if (!IsOpen(g.session, overlay)) return false;
  overlay.rects(g, screen);
  DrawHover(g, clock.mouse, screen.canvas);
  screen.End();
  overlay.texts(g, screen);
  return true;
}

// A dropped palette file goes into the palette panel's row; one dropped while an overlay
// covers the window too, so that no file is thrown away unsaid. The palette browser closes
// first, putting back what was there, so the drop is what stays.
void ImportDropped(PatternGenerator& g, FrameClock& clock) {
  if (!clock.dropped.empty()) CloseOverlay(g, kBrowserOverlay);
  for (const std::string& path : clock.dropped) ImportPalette(g, path, DropRow(g), clock.nowMs);
  clock.dropped.clear();
}

// A, S, Q and W, after the texts: the reverse and distortion lines show a change one frame
// later.
void ShapeKeys(PatternGenerator& g, const uint8_t* keys) {
  for (const ShapeFieldRow& shape : kShapeFieldTable) {
    if (!KeyTriggered(shape.key, keys, false)) continue;
    g.*shape.member = shape.next(g.*shape.member);
    g.Synthesize();
  }
}

void DrawPointLines(const PatternGenerator& g, const ScreenDraw& screen) {
  char line[kTextBufferSize];
  for (int k = 0; k < kPointCount; ++k) {
    const ControlPoint& p = g.points[k];
    std::snprintf(line, sizeof line, kPointFormat, p.x, p.y, p.scaleX, p.scaleY, p.weight);
    screen.Text(PointLineAt(k), line, kFontLines);
  }
}

// The frame's edits as one undo step; a held key's repeats and one drag are one step.
void RecordEdits(PatternGenerator& g, const EditState& before, const uint8_t* keys) {
  DropStaleSeed(g);
  const uint8_t held =
      static_cast<uint8_t>((Down(keys, DIK_Z) ? kHeldZ : 0) | (Down(keys, DIK_X) ? kHeldX : 0));
  const bool continuing =
      g.session.dragPoint >= 0 || g.session.dragEnded || (held & g.session.heldValueKeys) != 0;
  g.session.heldValueKeys = held;
  // The palette browser's preview is no edit: the frame is judged with the look it covers.
  PaletteLook* covered = CoveredLook(g);
  if (covered != nullptr) std::swap(g.look, *covered);
  g.session.history.Record(before, g, continuing);
  if (covered != nullptr) std::swap(g.look, *covered);
  g.session.history.nextCause = EditHistory::Cause::kFields;
  if (g.session.dragEnded) g.session.history.Close();
  g.session.dragEnded = false;
}

}  // namespace

void EditorFrame(PatternGenerator& g, const EditorCanvas& canvas, FrameClock& clock) {
  const ScreenDraw screen{canvas};
  // Whatever the fields were set to, the map reads of the preview and of synthesis stay
  // inside the 256 x 256 map.
  g.UpdateTileSize();
  uint8_t keys[kKeyCodeCount];
  const ChordPresses chords = ReadInput(g, clock, keys);
  ActChords(g, chords, true, clock.nowMs);
  // Typed text is this frame's alone.
  const std::string typed = std::move(clock.typed);
  clock.typed.clear();
  // What the frame's edits start from: the difference at its end is one undo step (the
  // other chords' included: restored edits are one).
  EditState before = CaptureEdits(g);
  if (const PaletteLook* covered = CoveredLook(g); covered != nullptr) before.side.look = *covered;
  ActChords(g, chords, false, clock.nowMs);
  NameFieldEdits(g, clock, typed);
  // An overlay over the whole window (G) takes the frame while it is open.
  OverlayKeys(g, OverlayPlace::kWindow, keys);
  const Overlay* window = OpenAt(g.session, OverlayPlace::kWindow);
  if (window != nullptr && WindowOverlay(g, *window, screen, clock, keys, typed)) {
    ImportDropped(g, clock);
    ContinueExport(g, clock.nowMs);
    RecordEdits(g, before, keys);
    return;
  }
  ExportKeys(g, keys, clock.nowMs);
  if (KeyTriggered(DIK_R, keys, false))
    DrawRandom(g, Down(keys, DIK_LSHIFT) || Down(keys, DIK_RSHIFT), clock.nowMs);
  ImportDropped(g, clock);
  Preview(g, screen, clock, keys);
  Panels(g, screen, keys, clock.nowMs);
  DrawScreen(g, screen, clock);
  ShapeKeys(g, keys);
  DrawPointLines(g, screen);
  RecordEdits(g, before, keys);
}
