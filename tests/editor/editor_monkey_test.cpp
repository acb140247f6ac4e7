// A long seeded run of random keyboard states: every field the editor keeps in a range stays
// there, and nothing reads or writes out of bounds (run it under the sanitizers).

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <random>

#include "editor/editor_frame.h"
#include "editor/overlay.h"
#include "generator/key_codes.h"
#include "tests/editor/editor_test_support.h"

namespace {

constexpr int kFrames = 100000;

// The editor's keys and a few it ignores; M (sixteen files) is pressed only rarely.
constexpr int kKeys[] = {DIK_P, DIK_SPACE, DIK_LEFT, DIK_RIGHT, DIK_UP,     DIK_DOWN, DIK_Z, DIK_X,
                         DIK_A, DIK_S,     DIK_Q,    DIK_W,     DIK_RETURN, DIK_1,    DIK_C};

void CheckRanges(const PatternGenerator& g, int32_t columnBefore, int32_t panelBefore,
                 uint64_t frame) {
  SCOPED_TRACE(::testing::Message() << "frame " << frame);
  ASSERT_GE(g.panel, 0);
  ASSERT_LE(g.panel, 2);
  ASSERT_TRUE(CheckCycleRanges(g.cycles));
  ASSERT_GE(g.previewMode, 0);
  ASSERT_LE(g.previewMode, 2);
  const int32_t rows[3] = {3, 4, 6};
  ASSERT_GE(g.cursorRow, 0);
  ASSERT_LT(g.cursorRow, rows[g.panel]);
  if (g.panel == 0) {
    ASSERT_GE(g.cursorColumn, 0);
    ASSERT_LT(g.cursorColumn, 16);
  } else if (g.panel == 1) {
    ASSERT_GE(g.cursorColumn, 0);
    ASSERT_LT(g.cursorColumn, 5);
  } else if (panelBefore == 2) {
    ASSERT_EQ(g.cursorColumn, columnBefore);
  }
  ASSERT_GE(g.sizeExpX, 4);
  ASSERT_LE(g.sizeExpX, 8);
  ASSERT_GE(g.sizeExpY, 4);
  ASSERT_LE(g.sizeExpY, 8);
  ASSERT_EQ(g.width, 1 << g.sizeExpX);
  ASSERT_EQ(g.height, 1 << g.sizeExpY);
  ASSERT_GE(g.mosaicLevel, 0);
  ASSERT_LE(g.mosaicLevel, 4);
  ASSERT_GE(g.idLetter, 'A');
  ASSERT_LE(g.idLetter, 'Z');
  ASSERT_LE(g.patternNumber, 99);
  ASSERT_LE(g.paletteNumber, 99);
  ASSERT_GE(g.distortX, -1);
  ASSERT_LE(g.distortX, 1);
  ASSERT_GE(g.distortY, -1);
  ASSERT_LE(g.distortY, 1);
  ASSERT_TRUE(g.reverseX == 0 || g.reverseX == 1);
  ASSERT_TRUE(g.reverseY == 0 || g.reverseY == 1);
  for (const ControlPoint& p : g.points) {
    ASSERT_GE(p.scaleX, 0);
    ASSERT_GE(p.scaleY, 0);
  }
  for (int k = 0; k < kPaletteEntries; ++k) {
    for (int ch = 0; ch < kChannels; ++ch) {
      ASSERT_GE(g.keys[k][ch], 0);
      ASSERT_LE(g.keys[k][ch], 9);
      ASSERT_GE(g.palette[k][ch], 0);
      ASSERT_LE(g.palette[k][ch], 255);
    }
  }
}

// width and height as the preview saw them: a settings step later in the frame may change
// them.
void CheckDrawn(const PatternGenerator& g, int32_t width, int32_t height,
                const RecordingCanvas& rec) {
  size_t cells = 0;
  for (const RecordedRect& r : rec.rects) {
    if (r.w != 2) continue;
    ++cells;
    ASSERT_GE(r.x, 0);
    ASSERT_LT(r.x, g.previewMode == 2 ? width : 256);
    ASSERT_GE(r.y, 0);
    ASSERT_LT(r.y, g.previewMode == 2 ? height : 256);
  }
  const size_t expected = g.previewMode == 0   ? 0u
                          : g.previewMode == 1 ? 65536u
                                               : static_cast<size_t>(width * height);
  ASSERT_EQ(cells, expected);
  ASSERT_EQ(rec.endCalls, 1);
  ASSERT_EQ(rec.rectsBeforeEnd, rec.rects.size());
  // The cycles panel (C, among the random keys) and the help (F1) add their own texts.
  if (!IsOpen(g.session, kCyclesOverlay) && !g.session.helpOpen) {
    ASSERT_EQ(rec.texts.size(), 17u);
  }
}

TEST(EditorMonkeyTest, RandomKeyboardStatesKeepEveryFieldInRange) {
  const ScratchDir dir;
  ArmAllKeys();
  auto g = std::make_unique<PatternGenerator>(&dir.data);
  g->session.folder = &dir.data;
  FrameClock clock;
  RecordingCanvas rec;
  const EditorCanvas null = NullCanvas();
  std::mt19937 random(20261207u);
  std::uniform_int_distribution<int> percent(0, 99);
  std::uniform_int_distribution<int> rare(0, 19999);
  std::uniform_int_distribution<int> anyKey(0, 255);

  for (uint64_t frame = 0; frame < kFrames; ++frame) {
    std::memset(clock.keyState, 0, sizeof clock.keyState);
    // Mostly one or two keys at a time, held for a few frames like a person would.
    for (int key : kKeys) {
      if (percent(random) < 6) clock.keyState[key] = 0x80;
    }
    // Preview on for long stretches would cost most of the run; P comes more often.
    if (percent(random) < 3) clock.keyState[DIK_P] = 0x80;
    if (percent(random) < 2) clock.keyState[anyKey(random)] |= 0x80 | (random() & 0x7F);
    if (rare(random) == 0)
      clock.keyState[DIK_M] = 0x80;
    else
      clock.keyState[DIK_M] = 0;

    const int32_t columnBefore = g->cursorColumn;
    const int32_t panelBefore = g->panel;
    const int32_t widthBefore = 1 << g->sizeExpX;
    const int32_t heightBefore = 1 << g->sizeExpY;
    const bool record = frame % 1009 == 0;
    if (record) rec.Clear();
    EditorFrame(*g, record ? rec.Bind() : null, clock);
    CheckRanges(*g, columnBefore, panelBefore, frame);
    if (record) CheckDrawn(*g, widthBefore, heightBefore, rec);
    if (::testing::Test::HasFatalFailure()) return;
  }
  EXPECT_TRUE(std::filesystem::exists(dir.File("savedata")));
}

}  // namespace
