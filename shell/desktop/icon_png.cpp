#include "shell/desktop/icon_png.h"

#include "formats/png_encoder.h"

Result EncodeIconPng(const IconPicture& picture, std::vector<uint8_t>& bytes) {
  uint8_t packed[kIconEdge][kIconEdge / 2];
  PackNibbles(picture.pixels, sizeof picture.pixels, &packed[0][0]);
  uint8_t palette[kIconColours][3];
  for (int i = 0; i < kIconColours; ++i) {
    palette[i][0] = picture.colours[i].red;
    palette[i][1] = picture.colours[i].green;
    palette[i][2] = picture.colours[i].blue;
  }
  return EncodePackedPng(&packed[0][0], kIconEdge, palette, kIconColours, PngFilter::kNone,
                         "window icon", bytes);
}
