#include "picture.h"

#include <gif_lib.h>
#include <png.h>
#include <webp/encode.h>
#include <webp/mux.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>

namespace probe {

int IndexAt(int x, int y) {
  if (x < 0 || x >= kWidth || y < 0 || y >= kHeight) {
    std::fprintf(stderr, "pixel (%d, %d) is outside the picture\n", x, y);
    std::abort();
  }
  // Regular stripes above, noise below: runs, repeats and literals for the encoders alike.
  if (y < kHeight / 2) return ((x / 3) ^ (y / 2)) & 15;
  uint32_t h = static_cast<uint32_t>(x) * 73856093u ^ static_cast<uint32_t>(y) * 19349663u;
  h ^= h >> 13;
  h *= 0x5bd1e995u;
  h ^= h >> 15;
  return static_cast<int>(h & 15);
}

const std::array<Rgb, 16>& Palette() {
  static const std::array<Rgb, 16> palette = [] {
    std::array<Rgb, 16> colours{};
    for (int i = 0; i < 16; ++i) {
      colours[i] = {static_cast<uint8_t>(i * 17), static_cast<uint8_t>(255 - i * 13),
                    static_cast<uint8_t>((i * 71) & 255)};
    }
    return colours;
  }();
  return palette;
}

std::vector<uint8_t> Rgba() {
  std::vector<uint8_t> rgba;
  rgba.reserve(kWidth * kHeight * 4);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const Rgb c = Palette()[IndexAt(x, y)];
      rgba.insert(rgba.end(), {c.r, c.g, c.b, 255});
    }
  }
  return rgba;
}

namespace {

void AppendPng(png_structp png, png_bytep data, png_size_t length) {
  auto* bytes = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
  bytes->insert(bytes->end(), data, data + length);
}

// No C++ object with a destructor lives in this frame: png_error leaves it by longjmp.
bool WritePng(png_structp png, png_infop info, int width, int height, const png_color* colours,
              png_bytep* rows, std::vector<uint8_t>* bytes) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_write_fn(png, bytes, AppendPng, nullptr);
  png_set_IHDR(png, info, width, height, 4, PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_PLTE(png, info, colours, 16);
  png_write_info(png, info);
  png_set_packing(png);
  png_write_image(png, rows);
  png_write_end(png, nullptr);
  return true;
}

void QuietPngWarning(png_structp, png_const_charp) {}

}  // namespace

bool EncodePng(int width, int height, std::vector<uint8_t>& bytes) {
  bytes.clear();
  std::vector<png_color> colours;
  for (const Rgb& c : Palette()) colours.push_back({c.r, c.g, c.b});
  std::vector<uint8_t> indices(kWidth * kHeight);
  std::vector<png_bytep> rows(kHeight);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) indices[y * kWidth + x] = static_cast<uint8_t>(IndexAt(x, y));
    rows[y] = &indices[y * kWidth];
  }
  png_structp png =
      png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, QuietPngWarning);
  png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
  const bool written = info != nullptr && width <= kWidth && height <= kHeight &&
                       WritePng(png, info, width, height, colours.data(), rows.data(), &bytes);
  png_destroy_write_struct(&png, &info);
  if (!written) bytes.clear();
  return written;
}

namespace {

int AppendGif(GifFileType* gif, const GifByteType* data, int length) {
  auto* bytes = static_cast<std::vector<uint8_t>*>(gif->UserData);
  bytes->insert(bytes->end(), data, data + length);
  return length;
}

}  // namespace

bool EncodeGif(std::vector<uint8_t>& bytes) {
  bytes.clear();
  int error = 0;
  GifFileType* gif = EGifOpen(&bytes, AppendGif, &error);
  if (gif == nullptr) return false;
  GifColorType colours[16];
  for (int i = 0; i < 16; ++i) colours[i] = {Palette()[i].r, Palette()[i].g, Palette()[i].b};
  ColorMapObject* map = GifMakeMapObject(16, colours);
  bool ok = map != nullptr && EGifPutScreenDesc(gif, kWidth, kHeight, 4, 0, map) == GIF_OK &&
            EGifPutImageDesc(gif, 0, 0, kWidth, kHeight, false, nullptr) == GIF_OK;
  std::vector<GifPixelType> row(kWidth);
  for (int y = 0; ok && y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) row[x] = static_cast<GifPixelType>(IndexAt(x, y));
    ok = EGifPutLine(gif, row.data(), kWidth) == GIF_OK;
  }
  GifFreeMapObject(map);
  ok = EGifCloseFile(gif, &error) == GIF_OK && ok;
  if (!ok) bytes.clear();
  return ok;
}

bool EncodeWebp(std::vector<uint8_t>& bytes) {
  bytes.clear();
  WebPAnimEncoderOptions options;
  WebPConfig config;
  WebPPicture picture;
  if (!WebPAnimEncoderOptionsInit(&options) || !WebPConfigInit(&config) ||
      !WebPConfigLosslessPreset(&config, 9) || !WebPPictureInit(&picture))
    return false;
  WebPAnimEncoder* encoder = WebPAnimEncoderNew(kWidth, kHeight, &options);
  picture.use_argb = 1;
  picture.width = kWidth;
  picture.height = kHeight;
  const std::vector<uint8_t> rgba = Rgba();
  WebPData data;
  WebPDataInit(&data);
  const bool ok = encoder != nullptr && WebPPictureImportRGBA(&picture, rgba.data(), kWidth * 4) &&
                  WebPAnimEncoderAdd(encoder, &picture, 0, &config) &&
                  WebPAnimEncoderAdd(encoder, nullptr, 100, nullptr) &&
                  WebPAnimEncoderAssemble(encoder, &data);
  if (ok) bytes.assign(data.bytes, data.bytes + data.size);
  WebPDataClear(&data);
  WebPPictureFree(&picture);
  WebPAnimEncoderDelete(encoder);
  return ok;
}

}  // namespace probe
