#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <random>

#include "generator/pattern_generator.h"
#include "generator/synthesis_detail.h"

namespace {

// A generator with the zeroed state a start without save files gives: without a store, every
// slot file counts as missing.
std::unique_ptr<PatternGenerator> FreshGenerator() {
  return std::make_unique<PatternGenerator>();
}

void SetEdge(PatternGenerator& g, int edge) {
  g.width = g.height = edge;
  g.sizeExpX = g.sizeExpY = static_cast<int>(std::log2(edge));
}

int32_t At(const PatternGenerator& g, int x, int y) {
  return g.map[x * kMapEdge + y];
}

struct Cell {
  int x, y;
  int32_t value;
};

// The shape settings, 0 where a case leaves them.
struct Shape {
  int reverseX = 0, reverseY = 0, distortX = 0, distortY = 0, mosaic = 0;
};

struct Case {
  const char* name;
  int edge;
  ControlPoint points[kPointCount];
  Shape shape;
  std::vector<Cell> cells;
};

const ControlPoint kCentre{32, 32, 1, 1, 4};

class WorkedValues : public ::testing::TestWithParam<Case> {};

TEST_P(WorkedValues, CellsHoldTheirValues) {
  const Case& c = GetParam();
  auto g = FreshGenerator();
  SetEdge(*g, c.edge);
  for (int i = 0; i < kPointCount; ++i) g->points[i] = c.points[i];
  g->reverseX = c.shape.reverseX;
  g->reverseY = c.shape.reverseY;
  g->distortX = c.shape.distortX;
  g->distortY = c.shape.distortY;
  g->mosaicLevel = c.shape.mosaic;
  g->Synthesize();
  for (const Cell& cell : c.cells)
    EXPECT_EQ(At(*g, cell.x, cell.y), cell.value) << "cell (" << cell.x << ", " << cell.y << ")";
}

INSTANTIATE_TEST_SUITE_P(
    Synthesis, WorkedValues,
    ::testing::Values(
        Case{"AllZero",
             64,
             {},
             {},
             {{0, 0, 1024}, {63, 63, 1024}, {64, 0, 0}, {0, 64, 0}, {255, 255, 0}}},
        Case{"OnePoint",
             64,
             {kCentre},
             {},
             {{0, 0, 1069},
              {32, 32, 1024},
              {31, 32, 1025},
              {35, 36, 1029},
              {0, 32, 1056},
              {10, 20, 1049},
              {63, 63, 1067},
              {64, 0, 0},
              {0, 64, 0}}},
        Case{"Tile16", 16, {kCentre}, {}, {{0, 0, 1069}, {8, 8, 1024}, {15, 15, 1063}, {16, 0, 0}}},
        Case{"Tile256", 256, {kCentre}, {}, {{0, 0, 1069}, {128, 128, 1024}, {255, 255, 1068}}},
        Case{"ReverseX",
             64,
             {kCentre},
             {.reverseX = 1},
             {{63, 0, 1069}, {0, 0, 1068}, {31, 32, 1024}, {32, 32, 1025}}},
        Case{"ReverseY", 64, {kCentre}, {.reverseY = 1}, {{0, 63, 1069}, {32, 31, 1024}}},
        Case{"Mosaic1",
             64,
             {kCentre},
             {.mosaic = 1},
             {{0, 0, 1068},
              {0, 1, 1068},
              {1, 0, 1068},
              {1, 1, 1068},
              {32, 32, 1024},
              {33, 33, 1024}}},
        Case{"Scales41",
             64,
             {{32, 32, 4, 1, 4}},
             {},
             {{35, 32, 1030}, {32, 35, 1027}, {35, 36, 1031}}},
        Case{"NegativeWeight", 64, {{32, 32, 1, 1, -4}}, {}, {{0, 0, 979}, {35, 36, 1019}}},
        Case{"TruncatedPerPoint", 64, {{32, 32, 1, 1, 3}, {32, 32, 1, 1, 3}}, {}, {{35, 36, 1030}}},
        Case{"SingleWeightSix", 64, {{32, 32, 1, 1, 6}}, {}, {{35, 36, 1031}}},
        Case{"MixedSigns", 64, {{32, 32, 1, 1, 3}, {32, 32, 1, 1, -1}}, {}, {{35, 36, 1025}}},
        Case{"NegativePosition64", 64, {{-1, 0, 1, 0, 4}}, {}, {{0, 0, 1025}, {5, 0, 1030}}},
        Case{"NegativePosition16", 16, {{-1, 0, 1, 0, 4}}, {}, {{0, 0, 1024}, {5, 0, 1044}}},
        Case{"DistortX",
             64,
             {},
             {.distortX = 1},
             {{7, 0, 1023},
              {10, 3, 1023},
              {20, 0, 1024},
              {13, 8, 1026},
              {3, 4, 1022},
              {40, 15, 1025},
              {0, 0, 1024},
              {63, 0, 1022}}},
        Case{"DistortXNegative", 64, {}, {.distortX = -1}, {{7, 0, 1025}, {13, 8, 1022}}},
        Case{"DistortY", 64, {}, {.distortY = 1}, {{0, 7, 1023}, {8, 13, 1026}}},
        Case{"DistortXReversed",
             64,
             {},
             {.reverseX = 1, .distortX = 1},
             {{0, 0, 1022}, {63, 0, 1024}}},
        Case{"SinglePrecision", 64, {{0, 0, 1, 1, 152}}, {}, {{44, 62, 3913}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Synthesis, MosaicBlockIsTruncatedMean) {
  // The block at (32, 32) holds 1024, 1025, 1025, 1025 before averaging: 4099 / 4 = 1024.
  auto g = FreshGenerator();
  g->points[0] = kCentre;
  g->Synthesize();
  EXPECT_EQ(At(*g, 32, 32) + At(*g, 32, 33) + At(*g, 33, 32) + At(*g, 33, 33), 4099);
  for (int level = 1; level <= 4; ++level) {
    g->mosaicLevel = level;
    g->Synthesize();
    const int e = 1 << level;
    for (int bx = 0; bx < 64; bx += e)
      for (int by = 0; by < 64; by += e)
        for (int i = 0; i < e; ++i) {
          for (int j = 0; j < e; ++j) ASSERT_EQ(At(*g, bx + i, by + j), At(*g, bx, by));
        }
  }
}

TEST(Synthesis, ClearsEverythingOutsideTheTile) {
  auto g = FreshGenerator();
  for (auto& cell : g->map) cell = 77;
  SetEdge(*g, 16);
  g->Synthesize();
  for (int x = 0; x < kMapEdge; ++x)
    for (int y = 0; y < kMapEdge; ++y) {
      if (x >= 16 || y >= 16) {
        ASSERT_EQ(At(*g, x, y), 0);
      }
    }
}

TEST(IntPow, PowersOfTwoAndNegativeExponents) {
  for (int e = 0; e <= 30; ++e) EXPECT_EQ(IntPow(2, e), static_cast<double>(1u << e));
  EXPECT_EQ(IntPow(2, -2), 0.25);
  EXPECT_EQ(IntPow(3, 5), 243.0);
  EXPECT_EQ(IntPow(2, std::numeric_limits<int32_t>::min()), 0.0);
}

// The exact-rounding helpers against plain double arithmetic where that is exact.
TEST(ExactSteps, AgreeWithHardwareWhereItIsExact) {
  using namespace synthesis_detail;
  std::mt19937 random(7);
  for (int i = 0; i < 100000; ++i) {
    const float r = std::sqrt(static_cast<float>(random() % 100000));
    const int32_t w = static_cast<int32_t>(random() % 20001) - 10000;
    EXPECT_EQ(MulRounded(r, w), r * static_cast<float>(w));
    const int32_t v = static_cast<int32_t>(random() % 2000001) - 1000000;
    EXPECT_EQ(AddRounded(r, v), r + static_cast<float>(v));
  }
  // 2^24 + 1 is not a float: the sum 0.5 + (2^24 + 1) must round once, to 2^24 + 2.
  EXPECT_EQ(AddRounded(0.5f, 16777217), 16777218.0f);
  // Exactly halfway between two floats after the double sum; the tiny part decides.
  EXPECT_EQ(RoundPair(16777217.0, 1e-9), 16777218.0f);
  EXPECT_EQ(RoundPair(16777217.0, -1e-9), 16777216.0f);
  // A weight a float cannot hold: r * w is rounded once from the exact product.
  EXPECT_EQ(MulRounded(3.0f, 2147483647), static_cast<float>(3.0 * 2147483647.0));
  EXPECT_EQ(AxisTerm(3, 5, 0.5f), 11.25f);
  EXPECT_EQ(AxisTerm(3, -5, 0.5f), 0.0f);
  EXPECT_EQ(TruncSaturate(3e9f), std::numeric_limits<int32_t>::max());
  EXPECT_EQ(TruncSaturate(-3e9f), std::numeric_limits<int32_t>::min());
  EXPECT_EQ(TruncSaturate(-2.75f), -2);
}

// The vector lanes must give exactly the step-by-step values over everything they accept.
TEST(Synthesis, VectorPathMatchesScalarSteps) {
  std::mt19937 random(2024);
  auto g = FreshGenerator();
  const int edges[] = {16, 32, 64, 128, 256};
  int vectorRuns = 0;
  for (int round = 0; round < 300; ++round) {
    SetEdge(*g, edges[random() % 5]);
    const int reach = (round % 3 == 0) ? 4000 : 100;
    for (auto& p : g->points) {
      p.x = static_cast<int32_t>(random() % (2 * reach)) - reach;
      p.y = static_cast<int32_t>(random() % (2 * reach)) - reach;
      p.scaleX = static_cast<int32_t>(random() % 6);
      p.scaleY = static_cast<int32_t>(random() % 6);
      p.weight = static_cast<int32_t>(random() % (round % 5 == 0 ? 40001 : 401)) -
                 (round % 5 == 0 ? 20000 : 200);
    }
    g->reverseX = static_cast<int32_t>(random() % 2);
    g->reverseY = static_cast<int32_t>(random() % 2);
    g->distortX = static_cast<int32_t>(random() % 3) - 1;
    g->distortY = static_cast<int32_t>(random() % 3) - 1;
    synthesis_detail::Plan plan;
    plan.Prepare(g->Pattern(), g->width, g->height);
    if (!plan.vectorExact) continue;
    ++vectorRuns;
    static int32_t scalar[kMapCells], vector[kMapCells];
    plan.RunScalar(scalar);
    plan.RunVector(vector);
    for (int x = 0; x < g->width; ++x)
      for (int y = 0; y < g->height; ++y)
        ASSERT_EQ(vector[x * kMapEdge + y], scalar[x * kMapEdge + y])
            << "round " << round << " cell (" << x << ", " << y << ")";
  }
  EXPECT_GT(vectorRuns, 200);
}

// Values only a hand-edited save file can bring: defined results, no undefined behaviour
// (the sanitizer build checks the latter), and the map stays in its bounds.
TEST(Synthesis, OutOfRangeFileValuesAreDefined) {
  constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
  constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
  auto g = FreshGenerator();
  const ControlPoint extremes[] = {{kMax, kMin, kMax, kMax, kMax},
                                   {kMin, kMax, kMax, 0, kMin},
                                   {0, 0, -5, -5, 100},
                                   {kMax, kMax, kMax, kMax, kMin}};
  for (int i = 0; i < kPointCount; ++i) g->points[i] = extremes[i];
  g->reverseX = 7;
  g->reverseY = -3;
  g->distortX = kMax;
  g->distortY = kMin;
  g->mosaicLevel = 3;
  g->Synthesize();
  SUCCEED();

  // A negative scale counts as 0; a reverse flag other than 0 mirrors like 1.
  auto a = FreshGenerator();
  auto b = FreshGenerator();
  a->points[0] = {32, 32, -7, 1, 4};
  b->points[0] = {32, 32, 0, 1, 4};
  a->reverseX = 5;
  b->reverseX = 1;
  a->Synthesize();
  b->Synthesize();
  for (int i = 0; i < kMapCells; ++i) ASSERT_EQ(a->map[i], b->map[i]);

  // Huge weights saturate instead of wrapping.
  a->points[0] = {0, 0, kMax, kMax, kMax};
  a->points[1] = a->points[2] = a->points[3] = a->points[0];
  a->reverseX = 0;
  a->Synthesize();
  EXPECT_EQ(At(*a, 63, 63), kMax);
}

}  // namespace
