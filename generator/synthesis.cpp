// Pattern synthesis: every tile cell is the sum of four weighted, axis-scaled distances to
// the control points, plus a small coordinate distortion and 1024, evaluated step by step in
// IEEE single precision; the tile may be mirrored and is then coarsened into mosaic blocks.
//
// Values a save file can bring beyond the editor's ranges are defined as follows:
// - a negative scale counts as 0 (the editor clamps scales to 0 on the next edit anyway);
// - any reverse flag other than 0 mirrors, like 1;
// - positions, scales and weights are taken exactly however large: distances are computed
//   in 64 bits and products in 128 bits, each rounded to single precision once;
// - the running cell value saturates at the 32-bit limits instead of overflowing, and so
//   does the distortion sum for distortion factors beyond -1..1;
// - a mosaic block is averaged with a 64-bit sum, so large cell values cannot wrap;
// - a tile edge outside 1..256 is clamped into it, a mosaic level into 0..8, and a mosaic
//   block reaching past the tile's edge is cut there.
// Within the editor's ranges all of these agree with the plain 32-bit reading.

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "generator/pattern_generator.h"
#include "generator/synthesis_detail.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

double IntPow(double base, int32_t exponent) {
  double r = 1;
  double b = base;
  uint32_t k =
      exponent < 0 ? 0u - static_cast<uint32_t>(exponent) : static_cast<uint32_t>(exponent);
  while (true) {
    if (k & 1u) r *= b;
    k >>= 1;
    if (k == 0) break;
    b *= b;
  }
  return exponent < 0 ? 1 / r : r;
}

namespace synthesis_detail {

namespace {

// trunc(n / ((m rem 16) - 5.5)) rem 3 for n in 0..255 and m in 0..15, in single precision.
struct DistortionTable {
  int8_t value[kMapEdge][16];
  DistortionTable() {
    for (int n = 0; n < kMapEdge; ++n)
      for (int m = 0; m < 16; ++m) {
        const float quotient = static_cast<float>(n) / (static_cast<float>(m) - 5.5f);
        value[n][m] = static_cast<int8_t>(static_cast<int32_t>(quotient) % 3);
      }
  }
};

const DistortionTable& Distortion() {
  static const DistortionTable table;
  return table;
}

int32_t Saturate(int64_t value) {
  return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

}  // namespace

float RoundPair(double hi, double lo) {
  const float f = static_cast<float>(hi);
  if (lo == 0 || static_cast<double>(f) == hi) return f;
  // hi lies strictly between f and its neighbour g; only an exact halfway hi can be
  // rounded the wrong way, and then the sign of lo decides.
  const float g =
      std::nextafter(f, hi > static_cast<double>(f) ? std::numeric_limits<float>::infinity()
                                                    : -std::numeric_limits<float>::infinity());
  const double halfway = (static_cast<double>(f) + static_cast<double>(g)) * 0.5;
  if (hi != halfway) return f;
  return ((lo > 0) == (g > f)) ? g : f;
}

float AddRounded(float t, int32_t v) {
  const double a = t;
  const double b = v;
  const double hi = a + b;
  const double bb = hi - a;
  const double lo = (a - (hi - bb)) + (b - bb);
  return RoundPair(hi, lo);
}

float MulRounded(float r, int32_t w) {
  if (r == 0 || w == 0) return 0.0f * static_cast<float>(w);
  int exponent = 0;
  const float mantissa = std::frexp(r, &exponent);
  const int64_t m = static_cast<int64_t>(std::ldexp(mantissa, 24));       // exact 24-bit integer
  const float product = static_cast<float>(m * static_cast<int64_t>(w));  // one rounding
  return std::ldexp(product, exponent - 24);
}

float AxisTerm(int64_t d, int32_t scale, float q) {
  if (scale <= 0 || d == 0) return 0.0f;
  const uint64_t magnitude = static_cast<uint64_t>(d < 0 ? -d : d);
  const unsigned __int128 product =
      static_cast<unsigned __int128>(magnitude) * magnitude * static_cast<uint32_t>(scale);
  return static_cast<float>(product) * q * q;
}

int32_t TruncSaturate(float f) {
  if (f >= 2147483648.0f) return std::numeric_limits<int32_t>::max();
  if (f < -2147483648.0f) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(f);
}

void Plan::Prepare(const PatternFields& pattern, int32_t tileWidth, int32_t tileHeight) {
  width = std::clamp<int32_t>(tileWidth, 1, kMapEdge);
  height = std::clamp<int32_t>(tileHeight, 1, kMapEdge);
  reverseX = pattern.reverseX != 0;
  reverseY = pattern.reverseY != 0;
  distortX = pattern.distortX;
  distortY = pattern.distortY;
  const float qx = 64.0f / static_cast<float>(width);
  const float qy = 64.0f / static_cast<float>(height);
  active = 0;
  double bound = 0;
  bool weightsExact = true;
  for (const ControlPoint& p : pattern.points) {
    if (p.weight == 0) continue;  // adds exactly nothing to any cell
    Term& term = terms[active++];
    term.weight = p.weight;
    const int64_t px = static_cast<int64_t>(p.x) * width / 64;
    const int64_t py = static_cast<int64_t>(p.y) * height / 64;
    float maxA = 0, maxB = 0;
    for (int x = 0; x < width; ++x) {
      term.a[x] = AxisTerm(x - px, p.scaleX, qx);
      maxA = std::max(maxA, term.a[x]);
    }
    for (int y = 0; y < height; ++y) {
      term.b[y] = AxisTerm(y - py, p.scaleY, qy);
      maxB = std::max(maxB, term.b[y]);
    }
    const double absWeight = std::fabs(static_cast<double>(p.weight));
    if (absWeight > 16777216.0) weightsExact = false;
    bound += std::sqrt(static_cast<double>(maxA) + static_cast<double>(maxB)) * 1.0001 * absWeight *
                 0.25 +
             2;
  }
  // Single-precision lanes give the same roundings as the exact scalar steps as long as
  // every weight and every running value is an integer that a float holds exactly.
  const int64_t distortionBound =
      2 * (std::abs(static_cast<int64_t>(distortX)) + std::abs(static_cast<int64_t>(distortY))) +
      1024;
  vectorExact = weightsExact && bound < 16777216.0 - 64 && height % 4 == 0 &&
                distortionBound < (int64_t{1} << 24);
}

int32_t Plan::Cell(int x, int y) const {
  int32_t v = 0;
  for (int k = 0; k < active; ++k) {
    const Term& term = terms[k];
    const float s = term.a[x] + term.b[y];
    const float r = std::sqrt(s);
    const float t = MulRounded(r, term.weight) * 0.25f;
    v = TruncSaturate(AddRounded(t, v));
  }
  const DistortionTable& table = Distortion();
  const int64_t distorted = static_cast<int64_t>(v) +
                            static_cast<int64_t>(table.value[x][y & 15]) * distortX +
                            static_cast<int64_t>(table.value[y][x & 15]) * distortY + 1024;
  return Saturate(distorted);
}

void Plan::RunScalar(int32_t* dest) const {
  for (int x = 0; x < width; ++x) {
    const int tx = reverseX ? width - 1 - x : x;
    for (int y = 0; y < height; ++y) {
      const int ty = reverseY ? height - 1 - y : y;
      dest[tx * kMapEdge + ty] = Cell(x, y);
    }
  }
}

void Plan::RunVector(int32_t* dest) const {
#if defined(__SSE2__)
  const DistortionTable& table = Distortion();
  // The distortion term per (x, y mod 16) and per (x mod 16, y), laid out along y.
  alignas(16) int32_t alongX[16];
  alignas(16) int32_t alongY[16][kMapEdge];
  for (int m = 0; m < 16; ++m)
    for (int y = 0; y < height; ++y) alongY[m][y] = table.value[y][m] * distortY;
  const __m128 quarter = _mm_set1_ps(0.25f);
  for (int x = 0; x < width; ++x) {
    for (int m = 0; m < 16; ++m) alongX[m] = table.value[x][m] * distortX + 1024;
    const int tx = reverseX ? width - 1 - x : x;
    int32_t* column = dest + tx * kMapEdge;
    const int32_t* distortionY = alongY[x & 15];
    for (int y = 0; y < height; y += 4) {
      __m128i v = _mm_setzero_si128();
      for (int k = 0; k < active; ++k) {
        const Term& term = terms[k];
        const __m128 s = _mm_add_ps(_mm_set1_ps(term.a[x]), _mm_loadu_ps(term.b + y));
        const __m128 r = _mm_sqrt_ps(s);
        const __m128 t =
            _mm_mul_ps(_mm_mul_ps(r, _mm_set1_ps(static_cast<float>(term.weight))), quarter);
        v = _mm_cvttps_epi32(_mm_add_ps(t, _mm_cvtepi32_ps(v)));
      }
      v = _mm_add_epi32(v, _mm_load_si128(reinterpret_cast<const __m128i*>(alongX + (y & 15))));
      v = _mm_add_epi32(v, _mm_loadu_si128(reinterpret_cast<const __m128i*>(distortionY + y)));
      if (reverseY) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(column + height - 4 - y),
                         _mm_shuffle_epi32(v, _MM_SHUFFLE(0, 1, 2, 3)));
      } else {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(column + y), v);
      }
    }
  }
#else
  RunScalar(dest);
#endif
}

}  // namespace synthesis_detail

void PatternGenerator::Synthesize() {
  SynthesizeMap(Pattern(), width, height, mosaicLevel, map);
}

void SynthesizeMap(const PatternFields& pattern, int32_t width, int32_t height, int32_t mosaicLevel,
                   PatternMap& map) {
  synthesis_detail::Plan plan;
  plan.Prepare(pattern, width, height);
  const int w = plan.width;
  const int h = plan.height;
  const int level = std::clamp<int32_t>(mosaicLevel, 0, kMaxMosaicShift);
  const int edge = static_cast<int>(IntPow(2, level));

  // Everything outside the tile is 0.
  for (int x = 0; x < kMapEdge; ++x) {
    const int from = x < w ? h : 0;
    std::memset(map + x * kMapEdge + from, 0, sizeof(int32_t) * (kMapEdge - from));
  }

  if (edge == 1) {
    plan.vectorExact ? plan.RunVector(map) : plan.RunScalar(map);
    return;
  }

  // Mosaic: the finished (mirrored) tile goes to a scratch grid first, then every block of
  // edge x edge cells, laid from column 0 and row 0, takes the truncated mean of its cells.
  alignas(16) static thread_local int32_t scratch[kMapCells];
  plan.vectorExact ? plan.RunVector(scratch) : plan.RunScalar(scratch);
  for (int bx = 0; bx < w; bx += edge) {
    const int xEnd = std::min(bx + edge, w);
    for (int by = 0; by < h; by += edge) {
      const int yEnd = std::min(by + edge, h);
      int64_t sum = 0;
      for (int i = bx; i < xEnd; ++i)
        for (int j = by; j < yEnd; ++j) sum += scratch[i * kMapEdge + j];
      const int32_t mean = static_cast<int32_t>(sum / ((xEnd - bx) * (yEnd - by)));
      for (int i = bx; i < xEnd; ++i)
        for (int j = by; j < yEnd; ++j) map[i * kMapEdge + j] = mean;
    }
  }
}
