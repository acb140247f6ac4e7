// The installed PNG icon shows exactly the window icon: same size, same 16 colours, same
// pixels, as libpng reads it. The PNG is the one the build wrote (ICON_PNG).

#include "shell/desktop/window_icon.h"

#include <SDL2/SDL.h>
#include <gtest/gtest.h>
#include <png.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <vector>

#include "shell/desktop/icon_png.h"
#include "shell/desktop/window_icon_pixels.h"
#include "tests/support/png_pixels.h"

namespace {

void ExpectSameAsTheWindowIcon(const std::vector<uint8_t>& bytes) {
  png_image image{};
  const std::vector<uint8_t> rgb = ReadPngPixels(bytes, PNG_FORMAT_RGB, &image);
  ASSERT_FALSE(rgb.empty());
  EXPECT_EQ(image.width, 32u);
  EXPECT_EQ(image.height, 32u);
  EXPECT_EQ(image.colormap_entries, 16u);
  SDL_Surface* icon = MakeWindowIcon();
  ASSERT_NE(icon, nullptr);
  ASSERT_EQ(icon->w, 32);
  ASSERT_EQ(icon->h, 32);
  const SDL_Palette* palette = icon->format->palette;
  ASSERT_NE(palette, nullptr);
  for (int y = 0; y < 32; ++y) {
    const auto* row = static_cast<const uint8_t*>(icon->pixels) + y * icon->pitch;
    for (int x = 0; x < 32; ++x) {
      const SDL_Color& c = palette->colors[row[x]];
      const uint8_t* got = &rgb[3 * (y * 32 + x)];
      ASSERT_TRUE(got[0] == c.r && got[1] == c.g && got[2] == c.b) << x << "," << y;
    }
  }
  SDL_FreeSurface(icon);
}

TEST(WindowIcon, InstalledPngFileShowsTheWindowIcon) {
  std::ifstream in(ICON_PNG, std::ios::binary);
  ASSERT_TRUE(in) << "missing " << ICON_PNG;
  ExpectSameAsTheWindowIcon({std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()});
}

TEST(WindowIcon, UsesAllSixteenColours) {
  const IconPicture picture = WindowIconPicture();
  bool used[kIconColours] = {};
  for (uint8_t index : picture.pixels) used[index] = true;
  for (int i = 0; i < kIconColours; ++i) EXPECT_TRUE(used[i]) << "colour " << i;
}

}  // namespace
