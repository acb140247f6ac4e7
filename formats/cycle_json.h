#pragma once
// The colour cycle as the JSON picture that browser colour-cycling players read: the
// picture's indices, the base palette's 16 colours, and one cycle a range, each at its speed
// ("blend": true on a range that blends).

#include <cstdint>
#include <string>
#include <vector>

#include "generator/cycle.h"
#include "generator/result.h"

// filename: the text of the "filename" field (any bytes; escaped, and bytes that are not
// UTF-8 become U+FFFD). bytes becomes the whole file, strict JSON ending in a newline.
// Fails only for a delay outside 1..100.
Result EncodeCycleJson(const Cycle& cycle, const std::string& filename,
                       std::vector<uint8_t>& bytes);
