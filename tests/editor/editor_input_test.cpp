// Undo, redo and the mouse on a recording canvas: scripts of keys and pointer events, and the
// generator's fields after each.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "editor/editor_texts.h"
#include "editor/look_panel.h"
#include "editor/overlay.h"
#include "editor/screen_layout.h"
#include "editor/screen_texts.h"
#include "generator/key_codes.h"
#include "generator/random_pattern.h"
#include "generator/slot_files.h"
#include "tests/editor/editor_test_support.h"

namespace {

// The middle of a box, where a test points.
constexpr int32_t MidX(const ScreenBox& box) {
  return box.x + box.w / 2;
}
constexpr int32_t MidY(const ScreenBox& box) {
  return box.y + box.h / 2;
}

// One frame's input: keys held, and the pointer (x < 0: not moved yet).
struct Input {
  std::vector<int> keys;
  int32_t x = -1;
  int32_t y = -1;
  bool down = false;
  int32_t wheel = 0;
};

class EditorInputTest : public EditorFixture {
 public:
  void Frame(const Input& in) {
    rec.Clear();
    SetKeys(clock, {});
    for (int key : in.keys) clock.keyState[key] = 0x80;
    MouseState& m = clock.mouse;
    m.seen = m.seen || in.x >= 0;
    m.pressed = in.down && !m.down;
    m.down = in.down;
    m.x = in.x;
    m.y = in.y;
    if (m.pressed) {
      m.pressX = in.x;
      m.pressY = in.y;
    }
    m.wheel = in.wheel;
    EditorFrame(*g, rec.Bind(), clock);
  }
  // A key pressed for one frame and released for one.
  void Tap(std::vector<int> keys) {
    Frame({keys});
    Frame({});
  }
  // Text typed in one frame.
  void Type(const std::string& text) {
    clock.typed = text;
    Frame({});
  }
};

struct UndoCase {
  const char* name;
  std::function<void(EditorInputTest&)> edit;  // leaves one step to undo
  std::function<int32_t(const PatternGenerator&)> field;
  int32_t before;
  int32_t after;
  std::string named;  // what the status line names (Japanese)
};

class UndoRedo : public EditorInputTest, public ::testing::WithParamInterface<UndoCase> {};

// Every edit is one step: Ctrl+Z brings the field back, Ctrl+Y and Ctrl+Shift+Z bring the
// edit back, and the status line names what changed.
TEST_P(UndoRedo, OneStepBackAndForth) {
  const UndoCase& c = GetParam();
  c.edit(*this);
  ASSERT_EQ(c.field(*g), c.after);
  Tap({DIK_LCONTROL, DIK_Z});
  EXPECT_EQ(c.field(*g), c.before);
  EXPECT_EQ(g->session.status.text, std::string(kJapaneseTexts.undo) + c.named);
  Tap({DIK_RCONTROL, DIK_Y});
  EXPECT_EQ(c.field(*g), c.after);
  Tap({DIK_LCONTROL, DIK_Z});
  Tap({DIK_LCONTROL, DIK_LSHIFT, DIK_Z});
  EXPECT_EQ(c.field(*g), c.after);
  Tap({DIK_LCONTROL, DIK_Z});
  Tap({DIK_LCONTROL, DIK_Z});  // nothing further back
  EXPECT_EQ(c.field(*g), c.before);
  EXPECT_EQ(g->session.status.text, kJapaneseTexts.nothingToUndo);
}

INSTANTIATE_TEST_SUITE_P(
    Edits, UndoRedo,
    ::testing::Values(
        UndoCase{"WeightByKey",
                 [](EditorInputTest& t) {
                   t.g->panel = kPointPanel;
                   t.g->cursorRow = 1;
                   t.g->cursorColumn = 4;
                   t.Tap({DIK_X});
                 },
                 [](const PatternGenerator& g) { return g.points[1].weight; }, -2, -1,
                 Cp932("点2の重み")},
        UndoCase{"HeldPositionIsOneStep",
                 [](EditorInputTest& t) {
                   t.g->panel = kPointPanel;
                   for (int frame = 0; frame < 5; ++frame) t.Frame({{DIK_X}});
                   t.Frame({});
                 },
                 [](const PatternGenerator& g) { return g.points[0].x; }, 16, 21,
                 Cp932("点1の位置")},
        UndoCase{"ShapeKey", [](EditorInputTest& t) { t.Tap({DIK_Q}); },
                 [](const PatternGenerator& g) { return g.reverseX; }, 0, 1, Cp932("X逆")},
        UndoCase{"WheelOnMosaic",
                 [](EditorInputTest& t) {
                   const ScreenBox mosaic = SettingsRowBand(3);
                   t.Frame({{}, MidX(mosaic), MidY(mosaic), false, 1});
                   t.Frame({{}, MidX(mosaic), MidY(mosaic)});
                 },
                 [](const PatternGenerator& g) { return g.mosaicLevel; }, 0, 1,
                 Cp932("モザイクレベル")},
        UndoCase{"DragIsOneStep",
                 [](EditorInputTest& t) {
                   t.Tap({DIK_P});  // single tile: 64 x 64 cells at the origin
                   t.Frame({{}, kPreviewX + 40, kPreviewY + 40});
                   // Point 0 stands at (16, 16) in the tile.
                   t.Frame({{}, kPreviewX + 16, kPreviewY + 16, true});
                   for (int32_t x = 17; x <= 30; ++x)
                     t.Frame({{}, kPreviewX + x, kPreviewY + 20, true});
                   t.Frame({{}, kPreviewX + 30, kPreviewY + 20, false});
                 },
                 [](const PatternGenerator& g) { return g.points[0].x * 100 + g.points[0].y; },
                 1616, 3020, Cp932("点1の位置")},
        UndoCase{"Depth",
                 [](EditorInputTest& t) {
                   t.Tap({DIK_I});
                   t.g->session.lookRow = kLookDepth;
                   t.Tap({DIK_Z});
                 },
                 [](const PatternGenerator& g) { return g.look.depthBits; }, kMaxDepthBits,
                 kMaxDepthBits - 1, Cp932("色深度")},
        UndoCase{
            "RandomPattern",
            [](EditorInputTest& t) {
              t.g->session.nextSeed = 99;
              t.Tap({DIK_R});
            },
            [](const PatternGenerator& g) { return int32_t{g.Pattern() == RandomPattern(99)}; }, 0,
            1, Cp932("乱数パターン")},
        UndoCase{"RandomPaletteKeys",
                 [](EditorInputTest& t) {
                   t.g->session.nextSeed = 99;
                   t.Tap({DIK_LSHIFT, DIK_R});
                 },
                 [](const PatternGenerator& g) {
                   PaletteKeys drawn;
                   RandomPaletteKeys(99, drawn);
                   return int32_t{std::memcmp(g.keys, drawn, sizeof drawn) == 0};
                 },
                 0, 1, Cp932("乱数パレット")},
        UndoCase{
            "NameIsOneStep",
            [](EditorInputTest& t) {
              t.Tap({DIK_F2});
              t.Type("la");
              t.Type("va");
              t.Tap({DIK_RETURN});
            },
            [](const PatternGenerator& g) { return static_cast<int32_t>(g.label.name.size()); }, 0,
            4, Cp932("名前")}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(EditorInputTest, ASlotStepIsUndoneByStepping) {
  g->points[0].weight = 77;  // an edit of pattern 0, saved when the step leaves it
  Tap({DIK_RIGHT});
  ASSERT_EQ(g->patternNumber, 1);
  Tap({DIK_LCONTROL, DIK_Z});
  EXPECT_EQ(g->patternNumber, 0);
  EXPECT_EQ(g->points[0].weight, 77) << "pattern 0 as it was saved";
  Tap({DIK_LCONTROL, DIK_Y});
  EXPECT_EQ(g->patternNumber, 1);
}

// R draws the pattern its seed gives and Shift+R the keys, each one step naming the seed; the
// next press draws from another seed.
TEST_F(EditorInputTest, RDrawsFromTheSeedItShows) {
  const PatternFields before = g->Pattern();
  g->session.nextSeed = 1234567;
  Tap({DIK_R});
  EXPECT_EQ(g->Pattern(), RandomPattern(1234567));
  char shown[64];
  std::snprintf(shown, sizeof shown, kJapaneseTexts.randomFormat, 1234567u);
  EXPECT_EQ(g->session.status.text, shown);
  Tap({DIK_LCONTROL, DIK_Z});
  EXPECT_EQ(g->Pattern(), before);

  const uint32_t next = NextRandomSeed(1234567);
  Tap({DIK_LSHIFT, DIK_R});
  PaletteKeys keys;
  RandomPaletteKeys(next, keys);
  EXPECT_EQ(std::memcmp(g->keys, keys, sizeof keys), 0);
  EXPECT_EQ(g->Pattern(), before) << "Shift+R leaves the pattern";
  EXPECT_NE(RandomPattern(1), RandomPattern(2));
}

// F2's text field: a script of taps and typed text, then the slot's name, its seed (0: none),
// whether the pattern is the seed's and what the settings panel's last line reads.
struct FieldCase {
  const char* name;
  std::function<void(EditorInputTest&)> script;
  std::string label;
  uint32_t seed;
  std::string line;
};

class NameField : public EditorInputTest, public ::testing::WithParamInterface<FieldCase> {};

TEST_P(NameField, TakesTheKeyboardAndSetsTheNameOrTheSeed) {
  const FieldCase& c = GetParam();
  const PatternFields before = g->Pattern();
  c.script(*this);
  EXPECT_EQ(g->label.name, c.label);
  EXPECT_EQ(g->label.seed.value_or(0), c.seed);
  EXPECT_EQ(g->Pattern(), c.seed != 0 ? RandomPattern(c.seed) : before) << "Q is typed, not a flip";
  const RecordedText* line = rec.TextAt(kLabelLineAt.x, kLabelLineAt.y);
  EXPECT_EQ(line != nullptr ? Cp932ToUtf8(line->text) : "", c.line);
}

INSTANTIATE_TEST_SUITE_P(Scripts, NameField,
                         ::testing::Values(FieldCase{"NothingShowsWithoutOne",
                                                     [](EditorInputTest&) {}, "", 0, ""},
                                           FieldCase{"ReturnKeepsTheName",
                                                     [](EditorInputTest& t) {
                                                       t.Tap({DIK_F2});
                                                       t.Type("ゲーム");
                                                       t.Frame({{DIK_Q}});
                                                       t.Type("q😀\x01");
                                                       t.Tap({DIK_BACK});
                                                       t.Tap({DIK_BACK});
                                                       t.Tap({DIK_RETURN});
                                                     },
                                                     "ゲーム", 0, "名前: ゲーム"},
                                           FieldCase{"OpenShowsWhatIsTyped",
                                                     [](EditorInputTest& t) {
                                                       t.Tap({DIK_F2});
                                                       t.Type("a😀");
                                                     },
                                                     "", 0, "名前か#乱数[F2]: a〓_"},
                                           FieldCase{"EscapeKeepsTheOldName",
                                                     [](EditorInputTest& t) {
                                                       t.g->label.name = "old";
                                                       t.Tap({DIK_F2});
                                                       t.Type("er");
                                                       t.Tap({DIK_ESCAPE});
                                                     },
                                                     "old", 0, "名前: old"},
                                           FieldCase{"SeedDrawsWhatRDraws",
                                                     [](EditorInputTest& t) {
                                                       t.Tap({DIK_F2});
                                                       t.Type("#1234567");
                                                       t.Tap({DIK_RETURN});
                                                     },
                                                     "", 1234567, "乱数 #1234567"},
                                           FieldCase{"SeedOutOfRangeStaysOpen",
                                                     [](EditorInputTest& t) {
                                                       t.Tap({DIK_F2});
                                                       t.Type("#99999999");
                                                       t.Tap({DIK_RETURN});
                                                     },
                                                     "", 0, "名前か#乱数[F2]: #99999999_"},
                                           FieldCase{"RKeepsItsSeedBesideTheName",
                                                     [](EditorInputTest& t) {
                                                       t.g->label.name = "lava";
                                                       t.g->session.nextSeed = 42;
                                                       t.Tap({DIK_R});
                                                     },
                                                     "lava", 42, "名前: lava  乱数 #42"}),
                         [](const auto& info) { return std::string(info.param.name); });

// A hand edit of the pattern drops its seed; undo brings both back.
TEST_F(EditorInputTest, AHandEditDropsTheSeed) {
  g->session.nextSeed = 7;
  Tap({DIK_R});
  ASSERT_EQ(g->label.seed, 7u);
  Tap({DIK_Q});
  EXPECT_FALSE(g->label.seed);
  Tap({DIK_LCONTROL, DIK_Z});
  EXPECT_EQ(g->label.seed, 7u);
  EXPECT_EQ(g->Pattern(), RandomPattern(7));
}

TEST_F(EditorInputTest, CtrlKeepsZAndXFromActingUntilTheyAreReleased) {
  g->panel = kPointPanel;
  g->cursorColumn = 4;
  const int32_t weight = g->points[0].weight;
  Frame({{DIK_LCONTROL, DIK_X}});
  Frame({{DIK_X}});  // Ctrl let go first: X still belongs to the chord
  Frame({});
  EXPECT_EQ(g->points[0].weight, weight);
  Tap({DIK_X});
  EXPECT_EQ(g->points[0].weight, weight + 1);
}

// The Ctrl bindings that touch files: each acts as the chord alone (S is no Y warp, R no
// random pattern, D nothing), on the data folder, and says what it did.
struct ChordCase {
  const char* name;
  std::function<void(EditorInputTest&)> before;  // what is there when the chord is pressed
  int key;
  std::function<void(EditorInputTest&, const PatternFields& was)> check;
};

class Chords : public EditorInputTest, public ::testing::WithParamInterface<ChordCase> {};

// pat0 as it was, with point 1's weight 77: what a recovery file of slot 0 holds.
PatternFields EditedWeight(const PatternFields& was) {
  PatternFields edited = was;
  edited.points[0].weight = 77;
  return edited;
}

TEST_P(Chords, ActAsTheChordAlone) {
  const ChordCase& c = GetParam();
  if (c.before) c.before(*this);
  const PatternFields was = g->Pattern();
  Tap({DIK_LCONTROL, c.key});
  EXPECT_EQ(g->distortY, was.distortY);
  c.check(*this, was);
}

INSTANTIATE_TEST_SUITE_P(
    Files, Chords,
    ::testing::Values(
        ChordCase{"SaveWritesBothSlotsInOneSet",
                  [](EditorInputTest& t) {
                    t.g->points[0].weight = 77;
                    t.g->keys[3][1] = 5;
                  },
                  DIK_S,
                  [](EditorInputTest& t, const PatternFields& was) {
                    EXPECT_EQ(t.Read("savedata/pat0.txt"), PatternText(was));
                    EXPECT_EQ(t.Read("savedata/pal0.txt"), PaletteText(t.g->keys));
                    char said[64];
                    std::snprintf(said, sizeof said, kJapaneseTexts.savedSlotsFormat, 0, 0);
                    EXPECT_EQ(t.g->session.status.text, said);
                  }},
        ChordCase{
            "RestoreWithNothingKeptLeavesThePattern", nullptr, DIK_R,
            [](EditorInputTest& t, const PatternFields& was) { EXPECT_EQ(t.g->Pattern(), was); }},
        ChordCase{"RestoreTakesTheEditsBackAsOneStep",
                  [](EditorInputTest& t) {
                    t.Write("savedata/pat0.unsaved.txt", PatternText(EditedWeight(t.g->Pattern())));
                  },
                  DIK_R,
                  [](EditorInputTest& t, const PatternFields& was) {
                    EXPECT_EQ(t.g->Pattern(), EditedWeight(was));
                    EXPECT_FALSE(std::filesystem::exists(t.File("savedata/pat0.unsaved.txt")));
                    EXPECT_EQ(t.g->session.status.text,
                              std::string(kJapaneseTexts.restored) + "savedata/pat0.unsaved.txt");
                    t.Tap({DIK_LCONTROL, DIK_Z});
                    EXPECT_EQ(t.g->Pattern(), was);
                  }},
        ChordCase{"DiscardRemovesTheRecoveryFiles",
                  [](EditorInputTest& t) {
                    t.Write("savedata/pat0.unsaved.txt", PatternText(EditedWeight(t.g->Pattern())));
                    t.Write("savedata/pat5.unsaved.txt", "kept: not on screen");
                  },
                  DIK_D,
                  [](EditorInputTest& t, const PatternFields& was) {
                    EXPECT_EQ(t.g->Pattern(), was);
                    EXPECT_FALSE(std::filesystem::exists(t.File("savedata/pat0.unsaved.txt")));
                    EXPECT_TRUE(std::filesystem::exists(t.File("savedata/pat5.unsaved.txt")));
                  }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(EditorInputTest, AThousandStepsTakeAFewBytesEach) {
  g->panel = kPointPanel;
  g->cursorColumn = 4;
  for (int step = 0; step < 1000; ++step) Tap({step % 2 == 0 ? DIK_X : DIK_Z});
  EXPECT_EQ(g->session.history.steps.size(), 1000u);
  EXPECT_LT(g->session.history.Bytes(), 64u * 1000u);
}

struct ClickCase {
  const char* name;
  ScreenBox on;  // clicked in its middle
  int32_t panel;
  int32_t column;  // cursorColumn afterwards
  int32_t row;     // cursorRow afterwards
};

class MouseClicks : public EditorInputTest, public ::testing::WithParamInterface<ClickCase> {};

TEST_P(MouseClicks, PutThePanelAndItsCursorWhereTheClickIs) {
  const ClickCase& c = GetParam();
  const int32_t x = MidX(c.on), y = MidY(c.on);
  Frame({{}, x, y});
  Frame({{}, x, y, true});
  Frame({{}, x, y});
  EXPECT_EQ(g->panel, c.panel);
  EXPECT_EQ(g->cursorColumn, c.column);
  EXPECT_EQ(g->cursorRow, c.row);
}

INSTANTIATE_TEST_SUITE_P(
    Places, MouseClicks,
    ::testing::Values(ClickCase{"PointField", PointFieldBox(2, 2), kPointPanel, 2, 2},
                      ClickCase{"SettingsRow", SettingsRowBand(4), kSettingsPanel, 0, 4},
                      ClickCase{"KeyCell", KeyCell(5, 1), kKeyPanel, 5, 1},
                      ClickCase{"Swatch", Swatch(9), kKeyPanel, 9, 0},
                      ClickCase{"Nowhere", {600, 150, 1, 1}, kSettingsPanel, 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

// A pointer that never moved changes nothing on the screen: the frame is the keyboard's.
TEST_F(EditorInputTest, UnmovedMouseLeavesTheFrameAlone) {
  Tap({DIK_P});
  Frame({});
  const std::vector<RecordedRect> keyboardOnly = rec.rects;
  g->cyclePhase -= 1;
  clock.mouse = MouseState{};
  clock.mouse.x = 20;
  clock.mouse.y = 20;
  clock.mouse.down = true;
  clock.mouse.pressed = true;
  rec.Clear();
  EditorFrame(*g, rec.Bind(), clock);
  EXPECT_EQ(rec.rects, keyboardOnly);
  EXPECT_EQ(g->session.dragPoint, -1);
}

// A drag whose last move and release come between the same two frames ends under the
// release, and stays one undo step.
TEST_F(EditorInputTest, ADragEndsWhereTheButtonIsReleased) {
  Tap({DIK_P});
  g->points[0].x = g->points[0].y = 16;
  g->Synthesize();
  Frame({{}, kPreviewX + 16, kPreviewY + 16});
  Frame({{}, kPreviewX + 16, kPreviewY + 16, true});
  Frame({{}, kPreviewX + 24, kPreviewY + 20, true});
  Frame({{}, kPreviewX + 30, kPreviewY + 20, false});
  EXPECT_EQ(g->points[0].x * 100 + g->points[0].y, 3020);
  Tap({DIK_LCONTROL, DIK_Z});
  EXPECT_EQ(g->points[0].x * 100 + g->points[0].y, 1616);
}

TEST_F(EditorInputTest, MarkersAndHoverFollowThePointer) {
  Tap({DIK_P});
  Frame({{}, kPreviewX + 40, kPreviewY + 40});
  // Four markers: a 5 x 5 ring with a 3 x 3 middle each.
  EXPECT_EQ(rec.CountSized(5, 5), 4u);
  EXPECT_EQ(clock.pointer, PointerShape::kArrow);
  Frame({{}, kPreviewX + 16, kPreviewY + 16});
  EXPECT_EQ(clock.pointer, PointerShape::kMove);
  Frame({{}, MidX(SettingsRowBand(0)), MidY(SettingsRowBand(0))});
  EXPECT_EQ(rec.CountSized(5, 5), 0u) << "markers only while over the preview";
  EXPECT_EQ(clock.pointer, PointerShape::kHand);
}

// The box the hover outline goes round, if the frame drew one.
std::optional<ScreenBox> HoverOutline(const RecordingCanvas& rec) {
  std::vector<RecordedRect> sides;
  for (const RecordedRect& r : rec.rects)
    if (r.colour == 0xFFE0E0E0 && r.z == 0.0f) sides.push_back(r);
  if (sides.size() != 4) return std::nullopt;
  return ScreenBox{sides[0].x + 1, sides[0].y + 1, sides[0].w - 2, sides[2].h};
}

// The cursor box the open panel (or the cycles panel) drew, if any.
std::optional<ScreenBox> CursorBox(const RecordingCanvas& rec) {
  for (const RecordedRect& r : rec.rects)
    if (r.z == 0.0f && (r.colour == 0xFF403020 || (r.colour == 0xFFFFFFFF && r.w == 8)))
      return ScreenBox{r.x, r.y, r.w, r.h};
  return std::nullopt;
}

// Over the whole screen, hover outlines what a click there acts on: after a click inside an
// outline the cursor box stands inside it (a swatch's in its column), and a click where
// nothing is outlined changes nothing.
TEST_F(EditorInputTest, HoverOutlinesWhatAClickActsOn) {
  g->previewMode = kPreviewOff;
  for (const bool cycles : {false, true}) {
    for (int32_t y = 0; y < 480; y += 3) {
      for (int32_t x = 0; x < 640; x += 3) {
        SCOPED_TRACE(::testing::Message() << "(" << x << ", " << y << ") cycles " << cycles);
        if (cycles) OpenOverlay(*g, kCyclesOverlay);
        g->panel = kSettingsPanel;
        g->cursorColumn = g->cursorRow = g->session.cycleRow = g->session.cycleColumn = 0;
        Frame({{}, x, y});
        const std::optional<ScreenBox> outline = HoverOutline(rec);
        Frame({{}, x, y, true});
        Frame({{}, x, y});
        const std::optional<ScreenBox> cursor = CursorBox(rec);
        if (!outline) {
          ASSERT_TRUE(g->panel == kSettingsPanel && g->cursorColumn == 0 && g->cursorRow == 0 &&
                      g->session.cycleRow == 0 && g->session.cycleColumn == 0);
          continue;
        }
        // With the cycles panel open the editing panels wait and draw no cursor.
        if (cycles && !kGridOverlayBox.Contains(x, y)) continue;
        ASSERT_TRUE(cursor);
        const bool swatch = outline->y == Swatch(0).y;
        ASSERT_GE(cursor->x, outline->x);
        ASSERT_LE(cursor->x + cursor->w, outline->x + outline->w);
        if (swatch) continue;
        ASSERT_GE(cursor->y, outline->y);
        ASSERT_LE(cursor->y + cursor->h, outline->y + outline->h);
      }
    }
  }
}

}  // namespace
