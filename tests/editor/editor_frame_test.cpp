// Scripted key frames through EditorFrame on a recording canvas: generator fields, the
// rectangles and texts of each frame, and the files written. Where each box stands is carried
// by the recorded frames (editor_golden_test.cpp); these tests find boxes by their names.

#include "editor/editor_frame.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "editor/editor_texts.h"
#include "editor/screen_layout.h"
#include "generator/key_codes.h"
#include "tests/editor/editor_test_support.h"

namespace {

class EditorFrameTest : public EditorFixture {
 protected:
  std::string Line(TextSpot at) const {
    const RecordedText* t = rec.TextAt(at.x, at.y);
    return t != nullptr ? t->text : std::string("<missing>");
  }
  bool Drew(const ScreenBox& box, uint32_t colour, float z) const {
    return rec.Has({box.x, box.y, box.w, box.h, colour, z});
  }
  static std::string Format(const char* format, int value) {
    char buffer[128];
    std::snprintf(buffer, sizeof buffer, format, value);
    return buffer;
  }
};

// ---- first frame, draw order, texts -------------------------------------------------------

TEST_F(EditorFrameTest, FirstFrameShowsSettingsPanelAndTiledPreviewAtPhaseOne) {
  Frame();
  EXPECT_EQ(g->panel, 2);
  EXPECT_EQ(g->previewMode, 1);
  EXPECT_EQ(g->cyclePhase, 1);
  EXPECT_EQ(rec.CountSized(2, 2), 65536u);
  EXPECT_TRUE(Drew(SettingsCursor(0), 0xFF403020, 0.0f));
  // 65,536 cells, one background, one cursor, 16 swatches, 48 key cells.
  EXPECT_EQ(rec.rects.size(), 65536u + 2 + 16 + 48);
}

TEST_F(EditorFrameTest, EveryRectangleComesBeforeTheOneBatchEndAndEveryTextAfter) {
  Frame();
  EXPECT_EQ(rec.endCalls, 1);
  EXPECT_EQ(rec.rectsBeforeEnd, rec.rects.size());
  EXPECT_EQ(rec.textsBeforeEnd, 0u);
  EXPECT_EQ(rec.texts.size(), 17u);
}

TEST_F(EditorFrameTest, TextsInOrderWithFontsAndExactBytes) {
  g->reverseX = 1;
  g->reverseY = 0;
  g->distortX = -1;
  g->distortY = 1;
  g->patternNumber = 7;
  g->paletteNumber = 42;
  g->idLetter = 'Q';
  g->mosaicLevel = 3;
  g->sizeExpX = 4;
  g->sizeExpY = 8;
  g->points[0] = {1, 2, 3, 4, 5};
  g->points[1] = {-12, 345, 0, 10, -7};
  g->points[2] = {INT32_MIN, INT32_MAX, 0, 0, 0};
  g->points[3] = {64, 0, 1, 1, 1000};
  Frame();
  // Where each text stands, the recorded frames show.
  const std::vector<std::pair<std::string, int>> expected = {
      {kJapaneseTexts.heading, 2},         {kJapaneseTexts.help[0], 3},
      {kJapaneseTexts.help[1], 3},         {kJapaneseTexts.help[2], 3},
      {kJapaneseTexts.help[3], 3},         {Cp932("X逆:  1[Q] Y逆:  0[W]"), 2},
      {Cp932("X歪: -1[A] Y歪:  1[S]"), 2}, {Cp932("パターン:   7"), 2},
      {Cp932("パレット:    42"), 2},       {Cp932("識別番号: Q"), 2},
      {Cp932("モザイクレベル:    3"), 2},  {Cp932("Ｘ倍率: 0.250000"), 2},
      {Cp932("Ｙ倍率: 4.000000"), 2},      {"(  1,  2) (x  3,x  4)x  5", 2},
      {"(-12,345) (x  0,x 10)x -7", 2},    {"(-2147483648,2147483647) (x  0,x  0)x  0", 2},
      {"( 64,  0) (x  1,x  1)x1000", 2},
  };
  std::vector<std::pair<std::string, int>> shown;
  for (const RecordedText& t : rec.texts) shown.emplace_back(t.text, t.font);
  EXPECT_EQ(shown, expected);
}

TEST_F(EditorFrameTest, ScaleLinesForEveryExponent) {
  const char* const shown[] = {"0.250000", "0.500000", "1.000000", "2.000000", "4.000000"};
  for (int e = 4; e <= 8; ++e) {
    g->sizeExpX = e;
    g->sizeExpY = 12 - e;
    Frame();
    EXPECT_EQ(Line(SettingsLineAt(4)), Cp932("Ｘ倍率: ") + shown[e - 4]);
    EXPECT_EQ(Line(SettingsLineAt(5)), Cp932("Ｙ倍率: ") + shown[8 - e]);
    EXPECT_EQ(g->width, 1 << e);
    EXPECT_EQ(g->height, 1 << (12 - e));
  }
}

// ---- preview ------------------------------------------------------------------------------

TEST_F(EditorFrameTest, PreviewModeCycle) {
  Frame();
  MarkMap(*g);
  Frame({DIK_P});  // 1 -> 2
  EXPECT_EQ(g->previewMode, 2);
  EXPECT_TRUE(MapRewritten(*g));
  EXPECT_EQ(g->cyclePhase, 1);
  EXPECT_EQ(rec.CountSized(2, 2), static_cast<size_t>(g->width * g->height));
  Frame();
  EXPECT_EQ(g->cyclePhase, 2);

  MarkMap(*g);
  Frame({DIK_P});  // 2 -> 0
  EXPECT_EQ(g->previewMode, 0);
  EXPECT_FALSE(MapRewritten(*g));
  EXPECT_EQ(g->cyclePhase, 0);
  EXPECT_EQ(rec.CountSized(2, 2), 0u);
  const ScreenBox tiled{kPreviewX, kPreviewY, kMapEdge + 1, kMapEdge + 1};
  for (const auto& r : rec.rects) EXPECT_FALSE(tiled.Contains(r.x, r.y)) << r.x << "," << r.y;
  Frame();
  EXPECT_EQ(g->cyclePhase, 0);

  Frame({DIK_P});  // 0 -> 1
  EXPECT_EQ(g->previewMode, 1);
  EXPECT_TRUE(MapRewritten(*g));
  EXPECT_EQ(g->cyclePhase, 1);
  EXPECT_EQ(rec.CountSized(2, 2), 65536u);
}

struct ExtentCase {
  const char* name;
  int8_t mode;
  int32_t expX, expY;
  int32_t columns, rows;
};

class PreviewExtentTest : public EditorFrameTest,
                          public ::testing::WithParamInterface<ExtentCase> {};

TEST_P(PreviewExtentTest, CellsCoverTheExtentInColumnMajorOrder) {
  const ExtentCase c = GetParam();
  g->previewMode = c.mode;
  g->sizeExpX = c.expX;
  g->sizeExpY = c.expY;
  Frame();
  ASSERT_EQ(rec.CountSized(2, 2), static_cast<size_t>(c.columns * c.rows));
  size_t n = 0;
  for (int i = 0; i < c.columns; ++i) {
    for (int j = 0; j < c.rows; ++j, ++n) {
      const RecordedRect& r = rec.rects[n];
      ASSERT_EQ(r.x, kPreviewX + i);
      ASSERT_EQ(r.y, kPreviewY + j);
      ASSERT_EQ(r.w, kPreviewCell);
      ASSERT_EQ(r.z, 0.0f);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Modes, PreviewExtentTest,
                         ::testing::Values(ExtentCase{"Mode1Tile64x64", 1, 6, 6, 256, 256},
                                           ExtentCase{"Mode1Tile16x256", 1, 4, 8, 256, 256},
                                           ExtentCase{"Mode2Tile16x256", 2, 4, 8, 16, 256},
                                           ExtentCase{"Mode2Tile256x16", 2, 8, 4, 256, 16},
                                           ExtentCase{"Mode2Tile64x32", 2, 6, 5, 64, 32}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(EditorFrameTest, TiledPreviewMirrorsEveryOtherTile) {
  // Column c of the tile holds c, row r adds 16 * r (no effect on the index): the colour
  // index of a screen column tells which tile column it shows.
  for (int c = 0; c < 64; ++c)
    for (int r = 0; r < 64; ++r) g->map[c * kMapEdge + r] = c + 16 * r;
  for (int k = 0; k < kPaletteEntries; ++k) {
    g->palette[k][0] = k;
    g->palette[k][1] = 0x100 + 2 * k;  // only the low 8 bits count
    g->palette[k][2] = 255 - k;
  }
  g->cyclePhase = -1;  // the frame raises it to 0
  Frame();
  ASSERT_EQ(rec.CountSized(2, 2), 65536u);
  auto expectedColumn = [](int u) {
    const int a = u / 64, r = u % 64;
    return a % 2 == 0 ? r : 63 - r;
  };
  EXPECT_EQ(expectedColumn(64), 63);
  EXPECT_EQ(expectedColumn(127), 0);
  EXPECT_EQ(expectedColumn(128), 0);
  for (int u = 0; u < 256; ++u) {
    const int k = expectedColumn(u) & 15;
    const uint32_t colour =
        0xFF000000u | (uint32_t(k) << 16) | (uint32_t(2 * k) << 8) | uint32_t(255 - k);
    ASSERT_EQ(rec.rects[u * 256 + 5].colour, colour) << "screen column " << u;
  }
}

struct PhaseCase {
  const char* name;
  int32_t cell;
  int32_t phaseBefore;  // the frame adds one
  int expectedEntry;
};

class PreviewPhaseTest : public EditorFrameTest, public ::testing::WithParamInterface<PhaseCase> {};

TEST_P(PreviewPhaseTest, ColourIndexOfCellPlusPhase) {
  const PhaseCase c = GetParam();
  for (int i = 0; i < kMapCells; ++i) g->map[i] = c.cell;
  for (int k = 0; k < kPaletteEntries; ++k)
    g->palette[k][0] = g->palette[k][1] = g->palette[k][2] = k;
  g->cyclePhase = c.phaseBefore;
  Frame();
  const uint32_t k = static_cast<uint32_t>(c.expectedEntry);
  ASSERT_FALSE(rec.rects.empty());
  EXPECT_EQ(rec.rects[0].colour, 0xFF000000u | (k << 16) | (k << 8) | k);
  EXPECT_EQ(rec.rects[65535].colour, rec.rects[0].colour);
}

INSTANTIATE_TEST_SUITE_P(
    Phases, PreviewPhaseTest,
    ::testing::Values(PhaseCase{"Cell5Phase11", 5, 11, 1},               // 5 at phase 12
                      PhaseCase{"Cell0PhaseMinus1", 0, -1, 0},           // phase 0
                      PhaseCase{"CellMinus3Phase0", -3, 0, 14},          // -3 + 1 = -2
                      PhaseCase{"CellMinus20Phase2", -20, 2, 15},        // -17 mod 16
                      PhaseCase{"CellInt32MaxPhase0", INT32_MAX, 0, 0},  // sum past INT32_MAX
                      PhaseCase{"CellInt32MaxPhaseInt32MaxMinus1", INT32_MAX, INT32_MAX - 1, 14},
                      PhaseCase{"CellInt32MinPhaseInt32Min", INT32_MIN, INT32_MIN, 1},
                      PhaseCase{"Cell7PhaseInt32Max", 7, INT32_MAX,
                                7}),  // phase wraps to INT32_MIN
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(EditorFrameTest, PhaseKeepsGrowingPastItsLimitWithoutOverflow) {
  g->cyclePhase = INT32_MAX;
  Frame();
  EXPECT_EQ(g->cyclePhase, INT32_MIN);
  Frame();
  EXPECT_EQ(g->cyclePhase, INT32_MIN + 1);
}

// ---- swatches and key grid ----------------------------------------------------------------

TEST_F(EditorFrameTest, SwatchesAndKeyCells) {
  for (int k = 0; k < kPaletteEntries; ++k)
    for (int ch = 0; ch < kChannels; ++ch) g->keys[k][ch] = 0;
  g->keys[0][0] = 1;    // black 16 x 16, not grey
  g->keys[1][1] = 9;    // full green
  g->keys[2][2] = 5;    // blue 128
  g->keys[3][0] = -49;  // loaded past a file's end: low 8 bits of 32 * -49 - 32
  g->palette[4][0] = 0x1FF;
  g->palette[4][1] = -1;
  g->palette[4][2] = 0x10;
  Frame();
  EXPECT_TRUE(Drew(KeyCell(0, 0), 0xFF000000, 1.0f));
  EXPECT_TRUE(Drew(KeyCell(1, 1), 0xFF00FF00, 1.0f));
  EXPECT_TRUE(Drew(KeyCell(2, 2), 0xFF000080, 1.0f));
  EXPECT_TRUE(Drew(KeyCell(3, 0), 0xFF000000u | ((uint32_t(-1600) & 0xFF) << 16), 1.0f));
  EXPECT_TRUE(Drew(EmptyKeyCell(0, 1), 0xFF808080, 1.0f));
  EXPECT_TRUE(Drew(EmptyKeyCell(15, 2), 0xFF808080, 1.0f));
  EXPECT_FALSE(Drew(EmptyKeyCell(0, 0), 0xFF808080, 1.0f));  // entry 0 red has a key
  EXPECT_TRUE(Drew(Swatch(4), 0xFFFFFF10, 1.0f));
  EXPECT_EQ(rec.CountSized(16, 16), 16u + 4);
  EXPECT_EQ(rec.CountSized(12, 12), 48u - 4);
}

// ---- panels and cursors -------------------------------------------------------------------

TEST_F(EditorFrameTest, SpaceCyclesPanelsAndEachDrawsOnlyItsOwnBackground) {
  const ScreenBox backgrounds[3] = {kKeyPanelBox, kPointPanelBox, kSettingsPanelBox};
  const uint32_t colours[3] = {0xFF181818, 0xFF202020, 0xFF202020};
  const int order[] = {0, 1, 2, 0};
  for (int expected : order) {
    Tap({DIK_SPACE});
    EXPECT_EQ(g->panel, expected);
    for (int p = 0; p < 3; ++p) EXPECT_EQ(Drew(backgrounds[p], colours[p], 1.0f), p == expected);
  }
}

struct CursorCase {
  const char* name;
  int32_t panel;
  int32_t column, row;
  std::vector<int> keys;
  int32_t column2, row2;
};

class CursorTest : public EditorFrameTest, public ::testing::WithParamInterface<CursorCase> {};

TEST_P(CursorTest, CursorKeysAndWraps) {
  const CursorCase& c = GetParam();
  g->panel = c.panel;
  g->cursorColumn = c.column;
  g->cursorRow = c.row;
  rec.Clear();
  std::memset(clock.keyState, 0, sizeof clock.keyState);
  for (int key : c.keys) clock.keyState[key] = 0x80;
  EditorFrame(*g, rec.Bind(), clock);
  EXPECT_EQ(g->cursorColumn, c.column2);
  EXPECT_EQ(g->cursorRow, c.row2);
}

INSTANTIATE_TEST_SUITE_P(
    Panels, CursorTest,
    ::testing::Values(CursorCase{"KeyLeftAtZero", 0, 0, 1, {DIK_LEFT}, 15, 1},
                      CursorCase{"KeyUpAtZero", 0, 3, 0, {DIK_UP}, 3, 2},
                      CursorCase{"KeyRightAtLast", 0, 15, 2, {DIK_RIGHT, DIK_DOWN}, 0, 0},
                      CursorCase{"KeyLeftAndRight", 0, 7, 1, {DIK_LEFT, DIK_RIGHT}, 7, 1},
                      CursorCase{"KeyUpAndDown", 0, 7, 1, {DIK_UP, DIK_DOWN}, 7, 1},
                      CursorCase{"KeyWrapsRowFive", 0, 0, 5, {}, 0, 2},
                      CursorCase{"PointRightAtLast", 1, 4, 1, {DIK_RIGHT}, 0, 1},
                      CursorCase{"PointDownAtLast", 1, 2, 3, {DIK_DOWN}, 2, 0},
                      CursorCase{"PointLeftAtZero", 1, 0, 0, {DIK_LEFT, DIK_UP}, 4, 3},
                      CursorCase{"PointWrapsKeyColumn", 1, 15, 2, {}, 0, 2},
                      CursorCase{"SettingsUpAtZero", 2, 9, 0, {DIK_UP}, 9, 5},
                      CursorCase{"SettingsDownAtLast", 2, 9, 5, {DIK_DOWN}, 9, 0},
                      CursorCase{"SettingsIgnoresColumnKeys", 2, 3, 2, {DIK_LEFT}, 3, 2}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(EditorFrameTest, KeyCursorIsDrawnWhereItStoodBeforeTheKeys) {
  g->panel = 0;
  g->cursorColumn = 3;
  g->cursorRow = 1;
  Frame({DIK_RIGHT, DIK_DOWN});
  EXPECT_TRUE(Drew(KeyCursor(3, 1), 0xFFFFFFFF, 0.0f));
  EXPECT_EQ(rec.CountSized(8, 8), 1u);
  EXPECT_EQ(g->cursorColumn, 4);
  EXPECT_EQ(g->cursorRow, 2);
}

TEST_F(EditorFrameTest, OpeningKeyPanelFromSettingsRowFiveDrawsTheCursorOffScreenOnce) {
  g->cursorRow = 5;
  Frame({DIK_SPACE});
  EXPECT_EQ(g->panel, 0);
  EXPECT_TRUE(Drew(KeyCursor(0, 5), 0xFFFFFFFF, 0.0f));
  EXPECT_EQ(g->cursorRow, 2);
  Frame();
  EXPECT_TRUE(Drew(KeyCursor(0, 2), 0xFFFFFFFF, 0.0f));
}

TEST_F(EditorFrameTest, PointAndSettingsCursorsAreDrawnAfterTheMove) {
  g->panel = 1;
  g->cursorColumn = 1;
  g->cursorRow = 2;
  Frame({DIK_RIGHT});
  EXPECT_TRUE(Drew(PointFieldBox(2, 2), 0xFF403020, 0.0f));
  g->panel = 2;
  g->cursorRow = 2;
  Frame({DIK_UP});
  EXPECT_TRUE(Drew(SettingsCursor(1), 0xFF403020, 0.0f));
}

// ---- value keys ---------------------------------------------------------------------------

struct DigitCase {
  const char* name;
  int32_t before;
  int key;
  int32_t after;
};

class DigitTest : public EditorFrameTest, public ::testing::WithParamInterface<DigitCase> {};

TEST_P(DigitTest, ValueKeysOnTheSelectedDigitRebuildThePalette) {
  const DigitCase c = GetParam();
  g->panel = 0;
  g->cursorColumn = 16 + 6;  // wrapped to 6 before the digit is selected
  g->cursorRow = 1;
  g->keys[6][1] = c.before;
  MarkPalette(*g);
  Frame({c.key});
  EXPECT_EQ(g->cursorColumn, 6);
  EXPECT_EQ(g->keys[6][1], c.after);
  EXPECT_TRUE(PaletteRebuilt(*g));
}

INSTANTIATE_TEST_SUITE_P(Digits, DigitTest,
                         ::testing::Values(DigitCase{"ZFrom0To1", 0, DIK_Z, 1},
                                           DigitCase{"ZFrom8To9", 8, DIK_Z, 9},
                                           DigitCase{"ZFrom9To0", 9, DIK_Z, 0},
                                           DigitCase{"XFrom5To0", 5, DIK_X, 0},
                                           DigitCase{"ZFromMinus49ToMinus8", -49, DIK_Z, -8},
                                           DigitCase{"ZFromMinus1To0", -1, DIK_Z, 0},
                                           DigitCase{"ZFromInt32MaxTo8", INT32_MAX, DIK_Z, 8},
                                           DigitCase{"XFromInt32MinTo0", INT32_MIN, DIK_X, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(EditorFrameTest, DigitNineWrapsToTheGreyEmptyCell) {
  g->panel = 0;
  g->keys[2][0] = 9;
  g->cursorColumn = 2;
  Frame({DIK_Z});
  EXPECT_EQ(g->keys[2][0], 0);
  Frame();
  EXPECT_TRUE(Drew(EmptyKeyCell(2, 0), 0xFF808080, 1.0f));
}

TEST_F(EditorFrameTest, DigitKeysDoNothingOutsideTheKeyPanel) {
  g->panel = 1;
  g->cursorColumn = 4;
  g->keys[4][0] = 3;
  Frame({DIK_X});
  EXPECT_EQ(g->keys[4][0], 3);
}

TEST_F(EditorFrameTest, HoldingXRepeatsOnPositionsOnly) {
  g->panel = 1;
  g->cursorRow = 1;
  g->cursorColumn = 0;
  g->points[1] = {10, 20, 2, 3, 4};
  for (int f = 0; f < 10; ++f) Frame({DIK_X});
  EXPECT_EQ(g->points[1].x, 20);
  Frame();
  g->cursorColumn = 1;
  for (int f = 0; f < 10; ++f) Frame({DIK_Z});
  EXPECT_EQ(g->points[1].y, 10);
  Frame();
  for (int field = 2; field < 5; ++field) {
    g->cursorColumn = field;
    for (int f = 0; f < 10; ++f) Frame({DIK_X});
    Frame();
  }
  EXPECT_EQ(g->points[1].scaleX, 3);
  EXPECT_EQ(g->points[1].scaleY, 4);
  EXPECT_EQ(g->points[1].weight, 5);
}

struct FieldCase {
  const char* name;
  int32_t column;
  int key;
  ControlPoint before;
  ControlPoint after;
};

class PointFieldTest : public EditorFrameTest, public ::testing::WithParamInterface<FieldCase> {};

TEST_P(PointFieldTest, OneStepClampsScalesAndSynthesises) {
  const FieldCase& c = GetParam();
  g->panel = 1;
  g->cursorColumn = c.column;
  g->cursorRow = 2;
  g->points[2] = c.before;
  MarkMap(*g);
  Frame({c.key});
  const ControlPoint& p = g->points[2];
  EXPECT_EQ(p.x, c.after.x);
  EXPECT_EQ(p.y, c.after.y);
  EXPECT_EQ(p.scaleX, c.after.scaleX);
  EXPECT_EQ(p.scaleY, c.after.scaleY);
  EXPECT_EQ(p.weight, c.after.weight);
  EXPECT_TRUE(MapRewritten(*g));
}

INSTANTIATE_TEST_SUITE_P(
    Fields, PointFieldTest,
    ::testing::Values(
        FieldCase{"ZeroScaleStaysZero", 2, DIK_Z, {1, 1, 0, 1, 1}, {1, 1, 0, 1, 1}},
        FieldCase{"WeightGoesNegative", 4, DIK_Z, {1, 1, 1, 1, 0}, {1, 1, 1, 1, -1}},
        FieldCase{"NegativeScalesClampedByAnyField", 4, DIK_X, {1, 1, -5, -2, 0}, {1, 1, 0, 0, 1}},
        FieldCase{"ScaleYUp", 3, DIK_X, {1, 1, 1, 1, 1}, {1, 1, 1, 2, 1}},
        FieldCase{"XSaturatesAtTop", 0, DIK_X, {INT32_MAX, 0, 1, 1, 1}, {INT32_MAX, 0, 1, 1, 1}},
        FieldCase{"YSaturatesAtBottom", 1, DIK_Z, {0, INT32_MIN, 1, 1, 1}, {0, INT32_MIN, 1, 1, 1}},
        FieldCase{"WeightSaturates", 4, DIK_Z, {0, 0, 1, 1, INT32_MIN}, {0, 0, 1, 1, INT32_MIN}},
        FieldCase{"ScaleSaturates", 2, DIK_X, {0, 0, INT32_MAX, 1, 1}, {0, 0, INT32_MAX, 1, 1}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(EditorFrameTest, NegativeScaleOfAnotherPointIsClampedToo) {
  g->panel = 1;
  g->cursorColumn = 0;
  g->cursorRow = 0;
  g->points[3].scaleY = -9;
  Frame({DIK_Z});
  EXPECT_EQ(g->points[3].scaleY, 0);
}

// ---- settings rows ------------------------------------------------------------------------

struct SettingCase {
  const char* name;
  int32_t row;
  std::vector<int> keys;
  std::function<void(PatternGenerator&)> setup;
  std::function<void(const PatternGenerator&)> check;
  bool synthesises;
  bool rebuildsPalette;
  int32_t rowAfter;
};

class SettingsTest : public EditorFrameTest, public ::testing::WithParamInterface<SettingCase> {};

TEST_P(SettingsTest, StepOnTheSelectedRow) {
  const SettingCase& c = GetParam();
  g->panel = 2;
  g->cursorRow = c.row;
  if (c.setup) c.setup(*g);
  Frame();  // arms LEFT and RIGHT with the panel open
  MarkMap(*g);
  MarkPalette(*g);
  rec.Clear();
  std::memset(clock.keyState, 0, sizeof clock.keyState);
  for (int key : c.keys) clock.keyState[key] = 0x80;
  EditorFrame(*g, rec.Bind(), clock);
  c.check(*g);
  EXPECT_EQ(MapRewritten(*g), c.synthesises);
  EXPECT_EQ(PaletteRebuilt(*g), c.rebuildsPalette);
  EXPECT_EQ(g->cursorRow, c.rowAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SettingsTest,
    ::testing::Values(SettingCase{"LetterZToA",
                                  2,
                                  {DIK_RIGHT},
                                  [](PatternGenerator& g) { g.idLetter = 'Z'; },
                                  [](const PatternGenerator& g) { EXPECT_EQ(g.idLetter, 'A'); },
                                  false,
                                  false,
                                  2},
                      SettingCase{"LetterAToZ",
                                  2,
                                  {DIK_LEFT},
                                  [](PatternGenerator& g) { g.idLetter = 'A'; },
                                  [](const PatternGenerator& g) { EXPECT_EQ(g.idLetter, 'Z'); },
                                  false,
                                  false,
                                  2},
                      SettingCase{"LetterMToN",
                                  2,
                                  {DIK_RIGHT},
                                  [](PatternGenerator& g) { g.idLetter = 'M'; },
                                  [](const PatternGenerator& g) { EXPECT_EQ(g.idLetter, 'N'); },
                                  false,
                                  false,
                                  2},
                      SettingCase{"NonLetterBecomesCapital",
                                  2,
                                  {DIK_LEFT},
                                  [](PatternGenerator& g) { g.idLetter = '\x80'; },
                                  [](const PatternGenerator& g) {
                                    EXPECT_GE(g.idLetter, 'A');
                                    EXPECT_LE(g.idLetter, 'Z');
                                  },
                                  false,
                                  false,
                                  2},
                      SettingCase{"MosaicUp",
                                  3,
                                  {DIK_RIGHT},
                                  nullptr,
                                  [](const PatternGenerator& g) { EXPECT_EQ(g.mosaicLevel, 1); },
                                  true,
                                  false,
                                  3},
                      SettingCase{"MosaicClampedAtFour",
                                  3,
                                  {DIK_RIGHT},
                                  [](PatternGenerator& g) { g.mosaicLevel = 4; },
                                  [](const PatternGenerator& g) { EXPECT_EQ(g.mosaicLevel, 4); },
                                  true,
                                  false,
                                  3},
                      SettingCase{"MosaicClampedAtZero",
                                  3,
                                  {DIK_LEFT},
                                  nullptr,
                                  [](const PatternGenerator& g) { EXPECT_EQ(g.mosaicLevel, 0); },
                                  true,
                                  false,
                                  3},
                      SettingCase{"LeftAndRightStepPlusOne",
                                  3,
                                  {DIK_LEFT, DIK_RIGHT},
                                  [](PatternGenerator& g) { g.mosaicLevel = 2; },
                                  [](const PatternGenerator& g) { EXPECT_EQ(g.mosaicLevel, 3); },
                                  true,
                                  false,
                                  3},
                      SettingCase{"WidthClampedAtEight",
                                  4,
                                  {DIK_RIGHT},
                                  [](PatternGenerator& g) { g.sizeExpX = 8; },
                                  [](const PatternGenerator& g) {
                                    EXPECT_EQ(g.sizeExpX, 8);
                                    EXPECT_EQ(g.width, 256);
                                  },
                                  true,
                                  false,
                                  4},
                      SettingCase{"WidthDown",
                                  4,
                                  {DIK_LEFT},
                                  nullptr,
                                  [](const PatternGenerator& g) {
                                    EXPECT_EQ(g.sizeExpX, 5);
                                    EXPECT_EQ(g.width, 32);
                                  },
                                  true,
                                  false,
                                  4},
                      SettingCase{"HeightClampedAtFour",
                                  5,
                                  {DIK_LEFT},
                                  [](PatternGenerator& g) { g.sizeExpY = 4; },
                                  [](const PatternGenerator& g) {
                                    EXPECT_EQ(g.sizeExpY, 4);
                                    EXPECT_EQ(g.height, 16);
                                  },
                                  true,
                                  false,
                                  5},
                      SettingCase{"HeightUp",
                                  5,
                                  {DIK_RIGHT},
                                  nullptr,
                                  [](const PatternGenerator& g) {
                                    EXPECT_EQ(g.sizeExpY, 7);
                                    EXPECT_EQ(g.height, 128);
                                  },
                                  true,
                                  false,
                                  5},
                      SettingCase{"RowLeftByUpDoesNothing",
                                  0,
                                  {DIK_UP, DIK_RIGHT},
                                  nullptr,
                                  [](const PatternGenerator& g) {
                                    EXPECT_EQ(g.patternNumber, 0);
                                    EXPECT_EQ(g.sizeExpY, 6);
                                  },
                                  false,
                                  false,
                                  5},
                      SettingCase{"RowLeftByDownDoesNothing",
                                  5,
                                  {DIK_DOWN, DIK_LEFT},
                                  nullptr,
                                  [](const PatternGenerator& g) {
                                    EXPECT_EQ(g.sizeExpY, 6);
                                    EXPECT_EQ(g.patternNumber, 0);
                                  },
                                  false,
                                  false,
                                  0},
                      SettingCase{"PaletteNumberUp",
                                  1,
                                  {DIK_RIGHT},
                                  nullptr,
                                  [](const PatternGenerator& g) { EXPECT_EQ(g.paletteNumber, 1); },
                                  false,
                                  true,
                                  1},
                      SettingCase{"PaletteNumberDownFromZero",
                                  1,
                                  {DIK_LEFT},
                                  nullptr,
                                  [](const PatternGenerator& g) { EXPECT_EQ(g.paletteNumber, 99); },
                                  false,
                                  true,
                                  1},
                      SettingCase{"PatternNumberDownFromZero",
                                  0,
                                  {DIK_LEFT},
                                  nullptr,
                                  [](const PatternGenerator& g) { EXPECT_EQ(g.patternNumber, 99); },
                                  true,
                                  false,
                                  0},
                      SettingCase{"PatternNumberUpFrom99",
                                  0,
                                  {DIK_RIGHT},
                                  [](PatternGenerator& g) { g.patternNumber = 99; },
                                  [](const PatternGenerator& g) { EXPECT_EQ(g.patternNumber, 0); },
                                  true,
                                  false,
                                  0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(EditorFrameTest, PatternSwitchSavesTheOldNumberThenLoadsTheNew) {
  g->points[0] = {1, 2, 3, 4, 5};
  g->points[1] = {-6, 7, 8, 9, -10};
  g->points[2] = {0, 0, 0, 0, 0};
  g->points[3] = {11, 12, 13, 14, 15};
  g->reverseX = 1;
  g->reverseY = 0;
  g->distortX = -1;
  g->distortY = 1;
  std::filesystem::remove(File("savedata/pat99.txt"));
  Frame();
  Frame({DIK_LEFT});
  EXPECT_EQ(g->patternNumber, 99);
  EXPECT_EQ(Read("savedata/pat0.txt"),
            "1,2,3,4,5\n-6,7,8,9,-10\n0,0,0,0,0\n11,12,13,14,15\n1,0,-1,1");
  // Pattern 99 has no file: points and shape flags fall back to zero.
  EXPECT_EQ(g->points[0].x, 0);
  EXPECT_EQ(g->points[3].weight, 0);
  EXPECT_EQ(g->reverseX, 0);
  EXPECT_EQ(g->distortX, 0);
  Frame();
  EXPECT_EQ(Line(SettingsLineAt(0)), Format(kJapaneseTexts.patternFormat, 99));
  // Back again: pattern 99 is saved, pattern 0 comes back as it was left.
  Frame({DIK_RIGHT});
  EXPECT_EQ(g->patternNumber, 0);
  EXPECT_TRUE(std::filesystem::exists(File("savedata/pat99.txt")));
  EXPECT_EQ(g->points[1].weight, -10);
  EXPECT_EQ(g->distortY, 1);
}

TEST_F(EditorFrameTest, PaletteSwitchSavesTheOldNumberThenLoadsTheNew) {
  for (int k = 0; k < kPaletteEntries; ++k)
    for (int ch = 0; ch < kChannels; ++ch) g->keys[k][ch] = (k + ch) % 10;
  g->cursorRow = 1;
  Write("savedata/pal5.txt", "1" + std::string(47, '0'));
  g->paletteNumber = 4;
  Frame();
  Frame({DIK_RIGHT});
  EXPECT_EQ(g->paletteNumber, 5);
  std::string expected;
  for (int ch = 0; ch < kChannels; ++ch)
    for (int k = 0; k < kPaletteEntries; ++k) expected += char('0' + (k + ch) % 10);
  EXPECT_EQ(Read("savedata/pal4.txt"), expected);
  EXPECT_EQ(g->keys[0][0], 1);
  EXPECT_EQ(g->keys[1][0], 0);
  EXPECT_EQ(g->keys[0][1], 0);
}

struct SaveFailureCase {
  const char* name;
  int32_t row;
};

class SaveFailureTest : public EditorFrameTest,
                        public ::testing::WithParamInterface<SaveFailureCase> {};

// A failed save must not be followed by the load: that would replace the unsaved work.
TEST_P(SaveFailureTest, FailedSaveKeepsTheNumberAndTheWork) {
  const SaveFailureCase& c = GetParam();
  g->cursorRow = c.row;
  g->points[0] = {31, 32, 33, 34, 35};
  g->keys[3][2] = 7;
  Frame();
  // A directory where the save file should be: the save cannot create it.
  std::filesystem::remove(File("savedata/pat0.txt"));
  std::filesystem::remove(File("savedata/pal0.txt"));
  std::filesystem::create_directory(File("savedata/pat0.txt"));
  std::filesystem::create_directory(File("savedata/pal0.txt"));
  Write("savedata/pat1.txt", "1,1,1,1,1\n1,1,1,1,1\n1,1,1,1,1\n1,1,1,1,1\n0,0,0,0");
  Write("savedata/pal1.txt", std::string(48, '1'));
  ::testing::internal::CaptureStderr();
  Frame({DIK_RIGHT});
  const std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(g->patternNumber, 0);
  EXPECT_EQ(g->paletteNumber, 0);
  EXPECT_EQ(g->points[0].x, 31);
  EXPECT_EQ(g->keys[3][2], 7);
  EXPECT_NE(err.find(c.row == 0 ? "pat0" : "pal0"), std::string::npos) << err;
  // The editor goes on; once the file can be written the switch goes through.
  std::filesystem::remove(File("savedata/pat0.txt"));
  std::filesystem::remove(File("savedata/pal0.txt"));
  Frame();
  Frame({DIK_RIGHT});
  EXPECT_EQ(c.row == 0 ? g->patternNumber : g->paletteNumber, 1);
}

INSTANTIATE_TEST_SUITE_P(Rows, SaveFailureTest,
                         ::testing::Values(SaveFailureCase{"Pattern", 0},
                                           SaveFailureCase{"Palette", 1}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- shape keys ---------------------------------------------------------------------------

TEST_F(EditorFrameTest, DistortionCycleShowsOneFrameLater) {
  g->distortX = 0;
  g->distortY = 0;
  const int32_t cycle[] = {1, -1, 0, 1};
  int32_t shown = 0;
  for (int32_t next : cycle) {
    MarkMap(*g);
    Frame({DIK_A});
    EXPECT_EQ(g->distortX, next);
    EXPECT_TRUE(MapRewritten(*g));
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, kJapaneseTexts.distortFormat, shown, 0);
    EXPECT_EQ(Line(kDistortionLineAt), buffer);
    Frame();
    std::snprintf(buffer, sizeof buffer, kJapaneseTexts.distortFormat, next, 0);
    EXPECT_EQ(Line(kDistortionLineAt), buffer);
    shown = next;
  }
}

struct ShapeCase {
  const char* name;
  std::vector<int> keys;
  int32_t distortX, distortY, reverseX, reverseY;
};

class ShapeKeyTest : public EditorFrameTest, public ::testing::WithParamInterface<ShapeCase> {};

TEST_P(ShapeKeyTest, ShapeKeysInAnyPanel) {
  const ShapeCase& c = GetParam();
  for (int panel = 0; panel < 3; ++panel) {
    g->panel = panel;
    g->distortX = g->distortY = g->reverseX = g->reverseY = 0;
    MarkMap(*g);
    rec.Clear();
    std::memset(clock.keyState, 0, sizeof clock.keyState);
    for (int key : c.keys) clock.keyState[key] = 0x80;
    EditorFrame(*g, rec.Bind(), clock);
    EXPECT_EQ(g->distortX, c.distortX);
    EXPECT_EQ(g->distortY, c.distortY);
    EXPECT_EQ(g->reverseX, c.reverseX);
    EXPECT_EQ(g->reverseY, c.reverseY);
    EXPECT_TRUE(MapRewritten(*g));
    Frame();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Keys, ShapeKeyTest,
    ::testing::Values(ShapeCase{"A", {DIK_A}, 1, 0, 0, 0}, ShapeCase{"S", {DIK_S}, 0, 1, 0, 0},
                      ShapeCase{"Q", {DIK_Q}, 0, 0, 1, 0}, ShapeCase{"W", {DIK_W}, 0, 0, 0, 1},
                      ShapeCase{"AAndQ", {DIK_A, DIK_Q}, 1, 0, 1, 0},
                      ShapeCase{"All", {DIK_A, DIK_S, DIK_Q, DIK_W}, 1, 1, 1, 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(EditorFrameTest, ShapeFieldsOutOfRangeStepWithoutOverflow) {
  g->distortX = INT32_MAX;
  g->distortY = INT32_MIN;
  g->reverseX = INT32_MIN;
  g->reverseY = 5;
  Frame({DIK_A, DIK_S, DIK_Q, DIK_W});
  EXPECT_EQ(g->distortX, static_cast<int32_t>((int64_t{INT32_MAX} + 2) % 3 - 1));
  EXPECT_EQ(g->distortY, static_cast<int32_t>((int64_t{INT32_MIN} + 2) % 3 - 1));
  EXPECT_EQ(g->reverseX, INT32_MIN + 1);  // 1 - INT32_MIN modulo 2^32
  EXPECT_EQ(g->reverseY, -4);
}

TEST_F(EditorFrameTest, ControlPointLinesShowThisFramesValues) {
  g->panel = 1;
  g->cursorColumn = 4;
  g->cursorRow = 0;
  g->points[0] = {1, 2, 3, 4, 5};
  Frame({DIK_X});
  EXPECT_EQ(Line(PointLineAt(0)), "(  1,  2) (x  3,x  4)x  6");
}

// ---- export and key latch -----------------------------------------------------------------

TEST_F(EditorFrameTest, ExportWritesSixteenFramesInAnyPanel) {
  if (!std::filesystem::exists(File("a.bmp"))) GTEST_SKIP() << "no a.bmp in data/";
  for (int panel = 0; panel < 3; ++panel) {
    g->panel = panel;
    g->idLetter = static_cast<char>('C' + panel);
    std::filesystem::remove_all(File("result"));
    std::filesystem::create_directory(File("result"));
    Frame({DIK_M});
    Frame();
    for (int f = 0; f < 16; ++f) {
      const std::string name = File(DataFolder::FrameFile(g->idLetter, f));
      ASSERT_TRUE(std::filesystem::exists(name)) << name;
      EXPECT_EQ(std::filesystem::file_size(name), 32886u) << name;
    }
  }
}

TEST_F(EditorFrameTest, FailedExportIsReportedAndTheFrameGoesOn) {
  std::filesystem::remove_all(File("result"));
  Write("result", "not a folder");
  ::testing::internal::CaptureStderr();
  Frame({DIK_M});
  const std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("result"), std::string::npos) << err;
  EXPECT_EQ(rec.texts.size(), 17u);
  EXPECT_EQ(rec.endCalls, 1);
}

TEST_F(EditorFrameTest, KeyHeldFromStartActsOnlyAfterARelease) {
  std::memset(KeyLatch, 0, sizeof KeyLatch);
  Frame({DIK_SPACE});
  EXPECT_EQ(g->panel, 2);
  Frame();
  Frame({DIK_SPACE});
  EXPECT_EQ(g->panel, 0);
  Frame({DIK_SPACE});
  EXPECT_EQ(g->panel, 0);
}

TEST_F(EditorFrameTest, CanvasWithoutFunctionsDrawsNothingAndStillEdits) {
  const EditorCanvas empty;
  g->distortX = 0;
  SetKeys(clock, {DIK_SPACE, DIK_A});
  EditorFrame(*g, empty, clock);
  EXPECT_EQ(g->panel, 0);
  EXPECT_EQ(g->distortX, 1);
}

}  // namespace
