#pragma once
// The colour cycle as one IFF ILBM picture that colour-cycling paint programs (DPaint-style
// editors, GrafX2) open and cycle themselves: the 256 x 256 picture in 4 bit planes, frame
// A's palette, and one CRNG range over all 16 registers at the cycle's speed.

#include <cstdint>
#include <vector>

#include "generator/cycle.h"
#include "generator/result.h"

// bytes becomes the whole FORM ILBM file. Fails only for a delay outside 1..100.
Result EncodeIlbm(const Cycle& cycle, std::vector<uint8_t>& bytes);
