#pragma once
// Internals of Synthesize, open to tests and benchmarks: the exact single-precision steps
// and the per-call plan that precomputes each point's per-column and per-row terms.

#include <cstdint>

#include "generator/pattern_generator.h"

namespace synthesis_detail {

// The float nearest to the exact value hi + lo, where hi is the double nearest to it.
float RoundPair(double hi, double lo);
// fl(t + v) with the integer v taken exactly.
float AddRounded(float t, int32_t v);
// fl(r * w) with the integer w taken exactly.
float MulRounded(float r, int32_t w);
// fl(d * d * scale) * q * q with d * d * scale taken exactly; a negative scale counts as 0.
float AxisTerm(int64_t d, int32_t scale, float q);
// Truncation toward zero, saturating at the 32-bit limits.
int32_t TruncSaturate(float f);

struct Plan {
  struct Term {
    int32_t weight;
    float a[kMapEdge];  // per column x: fl(D^2 * scaleX) * qx * qx
    float b[kMapEdge];  // per row y: fl(F^2 * scaleY) * qy * qy
  };
  int width = 0, height = 0;
  bool reverseX = false, reverseY = false;
  int32_t distortX = 0, distortY = 0;
  int active = 0;  // points with a non-zero weight, in index order
  Term terms[kPointCount];
  // True when four float lanes reproduce the exact steps bit for bit.
  bool vectorExact = false;

  void Prepare(const PatternFields& pattern, int32_t tileWidth, int32_t tileHeight);
  // The finished value of unmirrored cell (x, y), computed step by step.
  int32_t Cell(int x, int y) const;
  // Fill the tile of dest (x * 256 + y layout), mirrored as asked.
  void RunScalar(int32_t* dest) const;
  void RunVector(int32_t* dest) const;
};

}  // namespace synthesis_detail
