// The cycles panel on a recording canvas: a script of keys and the ranges after each, and the
// preview playing the ranges.

#include "editor/cycles_panel.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "editor/format_export_runner.h"
#include "editor/overlay.h"
#include "formats/export_set.h"
#include "generator/cycle.h"
#include "generator/key_codes.h"
#include "tests/editor/editor_test_support.h"
#include "tests/support/generator_exports.h"

namespace {

struct Step {
  std::vector<int> keys;  // held for one frame, then released for one
  const char* ranges;     // CycleRangesText afterwards
};

class CyclesPanelTest : public EditorFixture {};

TEST_F(CyclesPanelTest, KeysEditTheRangesAsTheOtherPanelsEditTheirFields) {
  const Step script[] = {
      {{DIK_C}, "0,15,16,reverse,0\n"},
      {{DIK_X}, "1,15,16,reverse,0\n"},                          // low up
      {{DIK_RIGHT}, "1,15,16,reverse,0\n"},                      // to high
      {{DIK_Z}, "1,14,16,reverse,0\n"},                          // high down
      {{DIK_Z}, "1,13,16,reverse,0\n"},                          //
      {{DIK_SPACE}, "1,13,16,reverse,0\n14,15,16,reverse,0\n"},  // the free run after it
      {{DIK_UP}, "1,13,16,reverse,0\n14,15,16,reverse,0\n"},     // back to the first
      {{DIK_X}, "1,13,16,reverse,0\n14,15,16,reverse,0\n"},      // high stops at its neighbour
      {{DIK_RIGHT}, "1,13,16,reverse,0\n14,15,16,reverse,0\n"},  // to speed
      {{DIK_Z}, "1,13,15,reverse,0\n14,15,16,reverse,0\n"},
      {{DIK_RIGHT}, "1,13,15,reverse,0\n14,15,16,reverse,0\n"},  // to mode
      {{DIK_X}, "1,13,15,pingpong,0\n14,15,16,reverse,0\n"},
      {{DIK_X}, "1,13,15,forward,0\n14,15,16,reverse,0\n"},
      {{DIK_RIGHT}, "1,13,15,forward,0\n14,15,16,reverse,0\n"},  // to blend
      {{DIK_X}, "1,13,15,forward,1\n14,15,16,reverse,0\n"},
      {{DIK_RIGHT, DIK_DOWN}, "1,13,15,forward,1\n14,15,16,reverse,0\n"},  // remove, second
      {{DIK_X}, "1,13,15,forward,1\n"},
      {{DIK_C}, "1,13,15,forward,1\n"},  // closed: the keys go back to the panels
      {{DIK_X}, "1,13,15,forward,1\n"},
  };
  for (size_t i = 0; i < std::size(script); ++i) {
    Frame(script[i].keys);
    Frame({});
    EXPECT_EQ(CycleRangesText(g->cycles), script[i].ranges) << "step " << i;
    ASSERT_TRUE(CheckCycleRanges(g->cycles)) << "step " << i;
  }
  EXPECT_FALSE(IsOpen(g->session, kCyclesOverlay));
  EXPECT_EQ(g->panel, kSettingsPanel) << "SPACE went to the cycles panel while it was open";
}

TEST_F(CyclesPanelTest, SpeedRepeatsWhileHeldAndStaysInItsRange) {
  Frame({DIK_C});
  g->session.cycleColumn = kCycleSpeed;
  for (int frame = 0; frame < 60; ++frame) Frame({DIK_X});
  EXPECT_EQ(g->cycles.ranges[0].speed, kMaxSpeed);
  for (int frame = 0; frame < 80; ++frame) Frame({DIK_Z});
  EXPECT_EQ(g->cycles.ranges[0].speed, 0);
}

TEST_F(CyclesPanelTest, OpenPanelCoversTheKeyGridAndMarksTheRangesUnderTheSwatches) {
  Frame({DIK_C});
  EXPECT_EQ(rec.CountSized(12, 12), 0u) << "no empty key cell of the grid is drawn";
  EXPECT_TRUE(rec.Has({kGridOverlayBox.x, kGridOverlayBox.y, kGridOverlayBox.w, kGridOverlayBox.h,
                       0xFF181818, 1.0f}));
  // The one default range's mark spans all sixteen swatches.
  bool marked = false;
  for (const RecordedRect& r : rec.rects) marked = marked || (r.x == 16 && r.w == 24 * 15 + 16);
  EXPECT_TRUE(marked);
  EXPECT_GT(rec.texts.size(), 17u);
}

// A long loop's E: the screen keeps cycling and counts the frames while the job runs, a
// second E or an edit meanwhile changes nothing of it, and the files are the cycle's at the
// press, as PlanExport writes them.
TEST_F(CyclesPanelTest, LongLoopExportsBetweenFramesFromTheCycleAtThePress) {
  g->session.language = Language::kEnglish;
  g->session.exporter = MakeFormatExportRunner(data);
  ASSERT_TRUE(ParseCycleRanges("0,4,1,reverse,0\n", g->cycles));  // 80 frames
  g->previewMode = 1;
  g->Synthesize();
  g->RebuildPalette();
  Cycle pressed;
  const std::string header = ReadText(data.frameTemplate);
  ASSERT_TRUE(CycleOfGenerator(*g, reinterpret_cast<const uint8_t*>(header.data()),
                               kDefaultDelayCentiseconds, pressed));
  const std::string results = File(DataFolder::kResults);
  std::vector<ExportRequest> requests = {{&BmpFrames(), results}};
  RequestAllFormats(results, g->idLetter, requests);
  ExportPlan expected;
  ASSERT_TRUE(PlanExport(pressed, g->idLetter, FormatSettings{}, requests, expected));

  Frame({DIK_E});
  int progressFrames = 0;
  for (int frame = 0; g->session.exporter->Running() && frame < 100000; ++frame) {
    const int32_t phase = g->cyclePhase;
    const std::string shown = g->session.status.text;
    progressFrames += shown.rfind("Exporting ", 0) == 0 ? 1 : 0;
    // The second E falls on a running job; the key edit lands in the generator only.
    Frame(frame == 0   ? std::vector<int>{DIK_E}
          : frame == 2 ? std::vector<int>{DIK_Z}
                       : std::vector<int>{});
    EXPECT_EQ(g->cyclePhase, phase + 1);
  }
  ASSERT_FALSE(g->session.exporter->Running());
  EXPECT_GT(progressFrames, 0);
  EXPECT_EQ(g->session.status.text,
            "Exported: result/A* all " + std::to_string(expected.files.size()) + " files");
  for (const ExportFile& file : expected.files)
    EXPECT_EQ(ReadText(file.path), std::string(file.bytes.begin(), file.bytes.end())) << file.path;
  Frame({});
  EXPECT_FALSE(g->session.exporter->Running()) << "the second E started nothing";
}

struct PlayCase {
  const char* name;
  CycleRange range;
  int32_t cell;
  int32_t phaseBefore;  // the frame adds one
  int shownEntry;       // the palette entry the cell shows
};

class PreviewPlaysRanges : public CyclesPanelTest,
                           public ::testing::WithParamInterface<PlayCase> {};

// The preview's phase is the frame number of the cycle: what a cell shows follows the range.
TEST_P(PreviewPlaysRanges, CellShowsTheEntryOfItsRangeAtThatFrame) {
  const PlayCase& c = GetParam();
  g->cycles.ranges[0] = c.range;
  for (int i = 0; i < kMapCells; ++i) g->map[i] = c.cell;
  for (int k = 0; k < kPaletteEntries; ++k)
    g->palette[k][0] = g->palette[k][1] = g->palette[k][2] = 10 * k;
  g->cyclePhase = c.phaseBefore;
  Frame({});
  const uint32_t v = static_cast<uint32_t>(10 * c.shownEntry);
  ASSERT_FALSE(rec.rects.empty());
  EXPECT_EQ(rec.rects[0].colour, 0xFF000000u | v << 16 | v << 8 | v);
}

INSTANTIATE_TEST_SUITE_P(
    Ranges, PreviewPlaysRanges,
    ::testing::Values(
        // Forward: entry i shows i - s; at frame 3 entry 5 shows 2.
        PlayCase{"Forward", {0, 15, 16, CycleMode::kForward, false}, 5, 2, 2},
        // Half speed: frame 7 is 3.5 steps, shown as 3 without blending.
        PlayCase{"HalfSpeedReverse", {0, 15, 8, CycleMode::kReverse, false}, 5, 6, 8},
        // A cell outside the range keeps its colour.
        PlayCase{"OutsideTheRange", {0, 7, 16, CycleMode::kReverse, false}, 9, 4, 9},
        // Ping-pong over 4 entries turns at 4 steps: frame 6 is shift 2 again, forward.
        PlayCase{"PingPongComesBack", {4, 7, 16, CycleMode::kPingPong, false}, 7, 5, 5},
        PlayCase{"Still", {0, 15, 0, CycleMode::kForward, true}, 3, 99, 3}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
