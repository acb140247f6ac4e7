#include "shell/core/texture.h"

#include <algorithm>
#include <string>

#include "shell/core/bmp_image.h"
#include "store/read_file.h"

namespace {

// The white texture is 16 x 16; a texture the editor could use is small. Larger files are
// refused before they are read.
constexpr std::size_t kMaxTextureBytes = 4 * 1024 * 1024;

}  // namespace

uint32_t ReduceTexel(uint32_t rgb) {
  const uint32_t r = (rgb >> 21) & 0x7;
  const uint32_t g = (rgb >> 13) & 0x7;
  const uint32_t b = (rgb >> 6) & 0x3;
  if (r == 0 && g == 0 && b == 0) return 0x00000000;  // colour key: opaque black
  const uint32_t r8 = (r << 5) | (r << 2) | (r >> 1);
  const uint32_t g8 = (g << 5) | (g << 2) | (g >> 1);
  const uint32_t b8 = b * 0x55;
  return 0xFF000000u | (r8 << 16) | (g8 << 8) | b8;
}

bool AllOpaqueWhite(const Texture& texture) {
  return !texture.texels.empty() && std::all_of(texture.texels.begin(), texture.texels.end(),
                                                [](uint32_t t) { return t == 0xFFFFFFFFu; });
}

Result LoadTexture(const char* path, Texture*& texture) {
  ReleaseTexture(texture);
  std::string bytes;
  const Result read = ReadFileBytes(path, kMaxTextureBytes, bytes);
  if (OpenFailed(read))
    return Result::Fail(std::string("cannot load \"") + path + "\": " + read.reason);
  const std::string unreadable = std::string("\"") + path + "\" is not a readable BMP image: ";
  if (!read) return Result::Fail(unreadable + read.reason);
  BmpImage image;
  if (Result decoded =
          DecodeBmp(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), image);
      !decoded)
    return Result::Fail(unreadable + decoded.message);
  if (image.pixels.empty())
    return Result::Fail(std::string("\"") + path + "\" holds no pixels that can be read");
  texture = new Texture;
  texture->width = image.width;
  texture->height = image.height;
  texture->texels.resize(image.pixels.size());
  std::transform(image.pixels.begin(), image.pixels.end(), texture->texels.begin(), ReduceTexel);
  texture->opaqueWhite = AllOpaqueWhite(*texture);
  return Result::Ok();
}

void ReleaseTexture(Texture*& texture) {
  delete texture;
  texture = nullptr;
}
