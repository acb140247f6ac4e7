#pragma once
// The colour cycle as one looping animated PNG: the loop's frames (sixteen for the default
// cycle) of the whole picture, each shown for the cycle's delay, all over one palette as
// shared_palette.h describes: 4-bit indices into the base palette, remapped per frame, unless
// frames blend (then an 8-bit palette of the frames' colours, or truecolour beyond 256).
// Viewers without APNG support show frame 0 as a still picture.

#include <cstdint>
#include <string>
#include <vector>

#include "formats/encoding.h"
#include "generator/cycle.h"
#include "generator/result.h"

// scale: 1, 2, 3, 4 or 8, each pixel a scale x scale block. Fails for any other scale or a
// delay outside 1..100. The encoding takes one step a frame and adds the file at path; the
// cycle must outlive it.
Result StartApng(const Cycle& cycle, int scale, const std::string& path, Encoding& encoding);

// The whole file at once. Fails as StartApng does, or for a zlib failure.
Result EncodeApng(const Cycle& cycle, int scale, std::vector<uint8_t>& bytes);
