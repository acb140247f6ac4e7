// Where the 640 x 480 back buffer lands on outputs of various sizes.

#include <gtest/gtest.h>

#include "shell/desktop/display_device.h"

namespace {

struct RectCase {
  const char* name;
  int outputWidth;
  int outputHeight;
  SDL_Rect expected;
};

class PresentRectCase : public ::testing::TestWithParam<RectCase> {};

TEST_P(PresentRectCase, WholeMultipleCentredAspectKept) {
  const RectCase& c = GetParam();
  const SDL_Rect r = PresentRect(c.outputWidth, c.outputHeight);
  EXPECT_EQ(r.x, c.expected.x);
  EXPECT_EQ(r.y, c.expected.y);
  EXPECT_EQ(r.w, c.expected.w);
  EXPECT_EQ(r.h, c.expected.h);
  // Always inside the output.
  EXPECT_GE(r.x, 0);
  EXPECT_GE(r.y, 0);
  EXPECT_LE(r.x + r.w, c.outputWidth < 0 ? 0 : c.outputWidth);
  EXPECT_LE(r.y + r.h, c.outputHeight < 0 ? 0 : c.outputHeight);
}

INSTANTIATE_TEST_SUITE_P(
    Outputs, PresentRectCase,
    ::testing::Values(RectCase{"Exact", 640, 480, {0, 0, 640, 480}},
                      RectCase{"SlightlyLargerStaysOneToOne", 800, 600, {80, 60, 640, 480}},
                      RectCase{"JustBelowDouble", 1279, 959, {319, 239, 640, 480}},
                      RectCase{"Double", 1280, 960, {0, 0, 1280, 960}},
                      RectCase{"FullHdIsDouble", 1920, 1080, {320, 60, 1280, 960}},
                      RectCase{"SxgaLimitedByHeight", 1280, 1024, {0, 32, 1280, 960}},
                      RectCase{"UhdIsFourfold", 3840, 2160, {640, 120, 2560, 1920}},
                      RectCase{"TallWindowLimitedByWidth", 1300, 2000, {10, 520, 1280, 960}},
                      RectCase{"SmallerScalesDown", 320, 240, {0, 0, 320, 240}},
                      RectCase{"NarrowSmaller", 600, 480, {0, 15, 600, 450}},
                      RectCase{"WideSmaller", 640, 300, {120, 0, 400, 300}},
                      RectCase{"OnePixel", 1, 1, {0, 0, 1, 0}},
                      RectCase{"Empty", 0, 0, {0, 0, 0, 0}},
                      RectCase{"Negative", -5, 480, {0, 0, 0, 0}}),
    [](const ::testing::TestParamInfo<RectCase>& info) { return info.param.name; });

}  // namespace
