#pragma once
// The colour cycle as one looping lossless animated WebP: the loop's frames (sixteen for the
// default cycle) of the whole picture in the colours of the BMP frames, each shown for the
// cycle's delay. libwebp merges consecutive frames that look the same (a palette with
// repeated colours) into one longer frame, and a cycle that never changes into a still
// picture: players show the same.

#include <cstdint>
#include <string>
#include <vector>

#include "formats/encoding.h"
#include "generator/cycle.h"
#include "generator/result.h"

// scale: 1, 2, 3, 4 or 8, each pixel a scale x scale block. Fails for any other scale or a
// delay outside 1..100. The encoding takes one step a frame and adds the file at path; the
// cycle must outlive it.
Result StartWebp(const Cycle& cycle, int scale, const std::string& path, Encoding& encoding);

// The whole file at once. Fails as StartWebp does, or for an encoder failure (with libwebp's
// reason).
Result EncodeWebp(const Cycle& cycle, int scale, std::vector<uint8_t>& bytes);
