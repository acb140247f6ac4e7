#pragma once
// The icon picture as a PNG file: indexed colour, 4 bits per pixel, its 16 colours as the
// palette, through the export formats' one PNG encoder.

#include <cstdint>
#include <vector>

#include "generator/result.h"
#include "shell/desktop/window_icon_pixels.h"

Result EncodeIconPng(const IconPicture& picture, std::vector<uint8_t>& bytes);
