#pragma once
// The icon picture as a PNG file: indexed colour, 4 bits per pixel, the 16 colours as its
// palette, the image data in stored (uncompressed) deflate blocks, so no library is needed.

#include <cstdint>
#include <vector>

#include "window_icon_pixels.h"

std::vector<uint8_t> EncodeIconPng(const IconPicture& picture);
