#include "shell/desktop/window_icon_pixels.h"

IconPicture WindowIconPicture() {
  IconPicture picture{};
  for (int i = 0; i < kIconColours; ++i) {
    // A ramp from deep blue through violet to warm white, as a cycled palette would show.
    const int t = i * 255 / (kIconColours - 1);
    picture.colours[i] = IconColour{static_cast<uint8_t>(t), static_cast<uint8_t>(t * t / 255),
                                    static_cast<uint8_t>(96 + t * 159 / 255)};
  }
  for (int y = 0; y < kIconEdge; ++y) {
    // Every quadrant mirrors its neighbour, like the tool's tiled preview.
    const int dy = y < kIconEdge / 2 ? y : kIconEdge - 1 - y;
    for (int x = 0; x < kIconEdge; ++x) {
      const int dx = x < kIconEdge / 2 ? x : kIconEdge - 1 - x;
      picture.pixels[y * kIconEdge + x] =
          static_cast<uint8_t>((dx * dy / 4 + dx + dy) % kIconColours);
    }
  }
  return picture;
}
