#include "shell/desktop/icon_png.h"

#include "formats/png_encoder.h"

namespace {

struct PackedIcon {
  uint8_t rows[kIconEdge][kIconEdge / 2];
};

const uint8_t* IconRow(const void* context, int y, uint8_t*) {
  return static_cast<const PackedIcon*>(context)->rows[y];
}

}  // namespace

Result EncodeIconPng(const IconPicture& picture, std::vector<uint8_t>& bytes) {
  PackedIcon packed;
  PackNibbles(picture.pixels, sizeof picture.pixels, &packed.rows[0][0]);
  uint8_t palette[kIconColours][3];
  for (int i = 0; i < kIconColours; ++i) {
    palette[i][0] = picture.colours[i].red;
    palette[i][1] = picture.colours[i].green;
    palette[i][2] = picture.colours[i].blue;
  }
  PngImage image;
  image.width = image.height = kIconEdge;
  image.layout = PngLayout::kPalette4;
  image.palette = palette;
  image.paletteEntries = kIconColours;
  image.row = IconRow;
  image.context = &packed;
  return EncodePng(image, "window icon", bytes);
}
