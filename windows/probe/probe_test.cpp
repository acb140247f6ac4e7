// The picture's files decoded again, libpng's error path, FreeType in a test, and a death
// test: what the project's tests need from the Windows build, run under Wine by ctest.
#include <ft2build.h>
#include <gif_lib.h>
#include <gtest/gtest.h>
#include <png.h>
#include <webp/decode.h>
#include <webp/demux.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstring>
#include <vector>

#include "picture.h"

namespace {

TEST(Picture, PngDecodesToThePicture) {
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(probe::EncodePng(probe::kWidth, probe::kHeight, bytes));
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  ASSERT_TRUE(png_image_begin_read_from_memory(&image, bytes.data(), bytes.size()));
  image.format = PNG_FORMAT_RGBA;
  std::vector<uint8_t> rgba(PNG_IMAGE_SIZE(image));
  ASSERT_TRUE(png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr));
  EXPECT_EQ(rgba, probe::Rgba());
}

TEST(Picture, PngErrorReturnsThroughLongjmp) {
  std::vector<uint8_t> bytes;
  EXPECT_FALSE(probe::EncodePng(0, probe::kHeight, bytes));
  EXPECT_TRUE(bytes.empty());
  // The library is usable after the jump.
  EXPECT_TRUE(probe::EncodePng(probe::kWidth, probe::kHeight, bytes));
}

struct Reader {
  const std::vector<uint8_t>* bytes;
  size_t offset;
};

int ReadGif(GifFileType* gif, GifByteType* data, int length) {
  auto* reader = static_cast<Reader*>(gif->UserData);
  const size_t left = reader->bytes->size() - reader->offset;
  const size_t count = std::min(left, static_cast<size_t>(length));
  std::memcpy(data, reader->bytes->data() + reader->offset, count);
  reader->offset += count;
  return static_cast<int>(count);
}

TEST(Picture, GifDecodesToThePicture) {
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(probe::EncodeGif(bytes));
  Reader reader{&bytes, 0};
  int error = 0;
  GifFileType* gif = DGifOpen(&reader, ReadGif, &error);
  ASSERT_NE(gif, nullptr);
  ASSERT_EQ(DGifSlurp(gif), GIF_OK);
  ASSERT_EQ(gif->ImageCount, 1);
  const GifByteType* raster = gif->SavedImages[0].RasterBits;
  for (int y = 0; y < probe::kHeight; ++y) {
    for (int x = 0; x < probe::kWidth; ++x) {
      EXPECT_EQ(raster[y * probe::kWidth + x], probe::IndexAt(x, y));
    }
  }
  DGifCloseFile(gif, &error);
}

TEST(Picture, WebpDecodesToThePicture) {
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(probe::EncodeWebp(bytes));
  WebPData data{bytes.data(), bytes.size()};
  WebPDemuxer* demux = WebPDemux(&data);
  ASSERT_NE(demux, nullptr);
  EXPECT_EQ(WebPDemuxGetI(demux, WEBP_FF_FRAME_COUNT), 1u);
  WebPIterator frame;
  ASSERT_TRUE(WebPDemuxGetFrame(demux, 1, &frame));
  int width = 0, height = 0;
  uint8_t* rgba = WebPDecodeRGBA(frame.fragment.bytes, frame.fragment.size, &width, &height);
  ASSERT_NE(rgba, nullptr);
  EXPECT_EQ(std::vector<uint8_t>(rgba, rgba + width * height * 4), probe::Rgba());
  WebPFree(rgba);
  WebPDemuxReleaseIterator(&frame);
  WebPDemuxDelete(demux);
}

TEST(Font, GlyphRenders) {
  FT_Library library = nullptr;
  ASSERT_EQ(FT_Init_FreeType(&library), 0);
  FT_Face face = nullptr;
  ASSERT_EQ(FT_New_Face(library, "ipagp.ttf", 0, &face), 0);
  ASSERT_EQ(FT_Set_Pixel_Sizes(face, 0, 32), 0);
  ASSERT_EQ(FT_Load_Char(face, 0x3042, FT_LOAD_RENDER), 0);
  EXPECT_GT(face->glyph->bitmap.width, 10u);
  FT_Done_Face(face);
  FT_Done_FreeType(library);
}

TEST(PictureDeathTest, OutsideThePictureAborts) {
  EXPECT_DEATH(probe::IndexAt(probe::kWidth, 0), "outside the picture");
}

}  // namespace
