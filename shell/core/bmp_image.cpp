#include "bmp_image.h"

#include <bit>
#include <utility>

namespace {

constexpr size_t kFileHeaderSize = 14;
constexpr uint32_t kCoreHeaderSize = 12;  // OS/2 1.x: 16-bit sizes, 3-byte palette entries
constexpr uint32_t kInfoHeaderSize = 40;  // and every later header, which only adds fields
constexpr uint32_t kMasksInHeaderSize = 52;

constexpr uint32_t kRgb = 0;
constexpr uint32_t kBitFields = 3;
constexpr uint32_t kAlphaBitFields = 6;

// Far beyond any texture; bounds what a hostile header can make us allocate.
constexpr int64_t kMaxPixels = int64_t{1} << 26;

// Little-endian fields; callers check the bounds first.
uint32_t U16(const uint8_t* p) {
  return p[0] | (uint32_t{p[1]} << 8);
}

uint32_t U32(const uint8_t* p) {
  return p[0] | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

// One colour channel under its bit mask, widened to 8 bits by repeating its bits, so the
// channel's top value becomes 0xFF.
class Channel {
 public:
  explicit Channel(uint32_t mask) : mask_(mask) {
    if (mask == 0) return;
    shift_ = std::countr_zero(mask);
    bits_ = std::bit_width(mask >> shift_);
  }

  uint32_t Of(uint32_t pixel) const {
    if (bits_ == 0) return 0;
    const uint32_t value = (pixel & mask_) >> shift_;
    if (bits_ >= 8) return (value >> (bits_ - 8)) & 0xFF;
    uint32_t wide = 0;
    int filled = 0;
    for (; filled < 8; filled += bits_) wide = (wide << bits_) | value;
    return (wide >> (filled - 8)) & 0xFF;
  }

 private:
  uint32_t mask_ = 0;
  int shift_ = 0;
  int bits_ = 0;
};

}  // namespace

Result DecodeBmp(const uint8_t* data, size_t size, BmpImage& image) {
  image = BmpImage{};
  if (size < kFileHeaderSize + 4 || data[0] != 'B' || data[1] != 'M')
    return Result::Fail("no BMP file header");
  const uint32_t pixelOffset = U32(data + 10);
  const uint8_t* header = data + kFileHeaderSize;
  const uint32_t headerSize = U32(header);
  if (headerSize != kCoreHeaderSize && headerSize < kInfoHeaderSize)
    return Result::Fail("unknown bitmap header");
  if (headerSize > size - kFileHeaderSize) return Result::Fail("the bitmap header is cut short");
  const bool core = headerSize == kCoreHeaderSize;

  int64_t width = 0;
  int64_t height = 0;
  uint32_t bitCount = 0;
  uint32_t compression = kRgb;
  uint32_t paletteSize = 0;
  if (core) {
    width = U16(header + 4);
    height = U16(header + 6);
    bitCount = U16(header + 10);
  } else {
    width = static_cast<int32_t>(U32(header + 4));
    height = static_cast<int32_t>(U32(header + 8));
    bitCount = U16(header + 14);
    compression = U32(header + 16);
    paletteSize = U32(header + 32);
  }
  // A negative height stores the rows top-down.
  const bool topDown = height < 0;
  if (topDown) height = -height;
  if (width < 0) return Result::Fail("negative width");
  if (bitCount != 1 && bitCount != 2 && bitCount != 4 && bitCount != 8 && bitCount != 16 &&
      bitCount != 24 && bitCount != 32)
    return Result::Fail("unsupported bits per pixel");
  const bool bitFields = compression == kBitFields || compression == kAlphaBitFields;
  if (bitFields ? bitCount != 16 && bitCount != 32 : compression != kRgb)
    return Result::Fail("compressed pixels are not supported");
  if (width == 0 || height == 0) return Result::Ok();
  if (width * height > kMaxPixels) return Result::Fail("too many pixels");

  const size_t afterHeader = kFileHeaderSize + headerSize;
  uint32_t masks[3] = {0x7C00, 0x03E0, 0x001F};  // 16 bits without bit fields: 5-5-5
  if (bitCount == 32) {
    masks[0] = 0xFF0000;
    masks[1] = 0x00FF00;
    masks[2] = 0x0000FF;
  }
  if (bitFields) {
    // The info header is followed by the masks; every later header holds them.
    const uint8_t* at = header + kInfoHeaderSize;
    if (headerSize < kMasksInHeaderSize && size - afterHeader < 12)
      return Result::Fail("the bit fields are cut short");
    for (int i = 0; i < 3; ++i) masks[i] = U32(at + 4 * i);
  }
  const Channel red(masks[0]), green(masks[1]), blue(masks[2]);

  if (pixelOffset < afterHeader || pixelOffset > size)
    return Result::Fail("the pixel data lies outside the file");
  uint32_t palette[256] = {};
  uint32_t paletteEntries = 0;
  if (bitCount <= 8) {
    // No count, or an impossible one, means the whole palette; it ends where the pixels begin.
    const uint32_t entrySize = core ? 3 : 4;
    const uint32_t full = 1u << bitCount;
    paletteEntries = paletteSize == 0 || paletteSize > full ? full : paletteSize;
    if (paletteEntries > (pixelOffset - afterHeader) / entrySize)
      paletteEntries = static_cast<uint32_t>((pixelOffset - afterHeader) / entrySize);
    for (uint32_t i = 0; i < paletteEntries; ++i) {
      const uint8_t* entry = data + afterHeader + entrySize * i;
      palette[i] = (uint32_t{entry[2]} << 16) | (uint32_t{entry[1]} << 8) | entry[0];
    }
  }

  // Rows are padded to whole 32-bit words.
  const uint64_t stride = (static_cast<uint64_t>(width) * bitCount + 31) / 32 * 4;
  if (stride * static_cast<uint64_t>(height) > size - pixelOffset)
    return Result::Fail("the pixel data is cut short");

  std::vector<uint32_t> pixels(static_cast<size_t>(width * height));
  for (int64_t y = 0; y < height; ++y) {
    const uint8_t* row = data + pixelOffset + stride * (topDown ? y : height - 1 - y);
    uint32_t* out = pixels.data() + y * width;
    for (int64_t x = 0; x < width; ++x) {
      if (bitCount <= 8) {
        const int64_t bit = x * bitCount;
        const uint32_t index = (row[bit / 8] >> (8 - bitCount - bit % 8)) & ((1u << bitCount) - 1);
        if (index >= paletteEntries)
          return Result::Fail("a pixel's colour lies outside the palette");
        out[x] = palette[index];
      } else if (bitCount == 24) {
        const uint8_t* p = row + 3 * x;
        out[x] = (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0];
      } else {
        const uint32_t value = bitCount == 16 ? U16(row + 2 * x) : U32(row + 4 * x);
        out[x] = (red.Of(value) << 16) | (green.Of(value) << 8) | blue.Of(value);
      }
    }
  }
  image.width = static_cast<int>(width);
  image.height = static_cast<int>(height);
  image.pixels = std::move(pixels);
  return Result::Ok();
}
