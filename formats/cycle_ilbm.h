#pragma once
// The colour cycle as one IFF ILBM picture that colour-cycling paint programs (DPaint-style
// editors, GrafX2) open and cycle themselves: the 256 x 256 picture in 4 bit planes, the base
// palette, and one CRNG range a cycle range at its speed (forward or reverse). CRNG knows
// neither ping-pong nor blending: a ping-pong range is written forward, a blending one
// without blending. A still range is written inactive, with rate 0.

#include <cstdint>
#include <string>
#include <vector>

#include "generator/cycle.h"
#include "generator/result.h"

// bytes becomes the whole FORM ILBM file. Fails only for a delay outside 1..100.
Result EncodeIlbm(const Cycle& cycle, std::vector<uint8_t>& bytes);

// What the file cannot hold of the cycle, for the user ("ILBM: range 2..9 goes there and
// back, ..."); empty when it holds all of it.
std::string IlbmLosses(const Cycle& cycle);
