#include "shell/core/bmp_image.h"

#include <algorithm>
#include <bit>
#include <utility>

namespace {

constexpr size_t kFileHeaderSize = 14;
constexpr uint32_t kCoreHeaderSize = 12;  // OS/2 1.x: 16-bit sizes, 3-byte palette entries
constexpr uint32_t kInfoHeaderSize = 40;  // and every later header, which only adds fields
constexpr uint32_t kMasksInHeaderSize = 52;

// The values of the header's compression field.
enum Compression : uint32_t { kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3, kAlphaBitFields = 6 };

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

// The pixels' layout as the headers give it, checked against the file.
struct Layout {
  int64_t width = 0;
  int64_t height = 0;
  bool topDown = false;
  uint32_t bitCount = 0;
  uint32_t palette[256] = {};  // 0xRRGGBB
  uint32_t paletteEntries = 0;
  uint32_t masks[3] = {};  // red, green, blue for 16 and 32 bits
};

// Uncompressed rows are padded to whole 32-bit words.
uint64_t Stride(const Layout& layout) {
  return (static_cast<uint64_t>(layout.width) * layout.bitCount + 31) / 32 * 4;
}

// Uncompressed rows; the caller has checked they are all there.
Result ReadRows(const Layout& layout, const uint8_t* bits, uint32_t* out) {
  const int64_t width = layout.width;
  const int64_t height = layout.height;
  const uint32_t bitCount = layout.bitCount;
  const uint64_t stride = Stride(layout);
  const Channel red(layout.masks[0]), green(layout.masks[1]), blue(layout.masks[2]);
  for (int64_t y = 0; y < height; ++y, out += width) {
    const uint8_t* row = bits + stride * (layout.topDown ? y : height - 1 - y);
    for (int64_t x = 0; x < width; ++x) {
      if (bitCount <= 8) {
        const int64_t bit = x * bitCount;
        const uint32_t index = (row[bit / 8] >> (8 - bitCount - bit % 8)) & ((1u << bitCount) - 1);
        if (index >= layout.paletteEntries)
          return Result::Fail("a pixel's colour lies outside the palette");
        out[x] = layout.palette[index];
      } else if (bitCount == 24) {
        const uint8_t* p = row + 3 * x;
        out[x] = (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0];
      } else {
        const uint32_t value = bitCount == 16 ? U16(row + 2 * x) : U32(row + 4 * x);
        out[x] = (red.Of(value) << 16) | (green.Of(value) << 8) | blue.Of(value);
      }
    }
  }
  return Result::Ok();
}

// Run-length coded 8- or 4-bit rows, bottom-up, in pairs of bytes: a count and the index it
// repeats (two alternating indices for 4 bits), or 0 and an escape: 0 ends the line, 1 the
// image, 2 moves the pen by the next two bytes, and more copies that many indices as they
// are. Pixels the codes skip or never reach keep index 0; pixels past the edge are dropped.
Result ReadRunLengths(const Layout& layout, const uint8_t* codes, size_t size, uint32_t* out) {
  if (layout.paletteEntries == 0) return Result::Fail("there is no palette");
  std::fill(out, out + layout.width * layout.height, layout.palette[0]);
  const bool fourBit = layout.bitCount == 4;
  int64_t x = 0;
  int64_t row = 0;  // from the bottom
  bool inside = true;
  const auto put = [&](uint32_t index) {
    if (index >= layout.paletteEntries)
      inside = false;
    else if (x < layout.width && row < layout.height)
      out[(layout.height - 1 - row) * layout.width + x] = layout.palette[index];
    ++x;
  };
  for (size_t at = 0; at + 2 <= size && inside;) {
    const uint32_t count = codes[at];
    const uint32_t value = codes[at + 1];
    at += 2;
    if (count > 0) {
      for (uint32_t i = 0; i < count; ++i) put(!fourBit ? value : i % 2 ? value & 15 : value >> 4);
    } else if (value == 0) {
      x = 0;
      ++row;
    } else if (value == 1) {
      return Result::Ok();
    } else if (value == 2) {
      if (size - at < 2) break;
      x += codes[at];
      row += codes[at + 1];
      at += 2;
    } else {
      const size_t bytes = fourBit ? (value + 1) / 2 : value;
      if (size - at < bytes) break;
      for (uint32_t i = 0; i < value; ++i)
        put(!fourBit ? codes[at + i] : (codes[at + i / 2] >> (i % 2 ? 0 : 4)) & 15);
      at += bytes + bytes % 2;  // runs end on 16-bit boundaries
    }
  }
  if (!inside) return Result::Fail("a pixel's colour lies outside the palette");
  return Result::Fail("the run-length codes are cut short");
}

}  // namespace

namespace {

// What the file header and the bitmap header say.
struct Header {
  Layout layout;
  uint32_t pixelOffset = 0;
  uint32_t headerSize = 0;
  uint32_t compression = kRgb;
  uint32_t paletteSize = 0;
  bool core = false;  // the old 12-byte header: 16-bit sizes, 3-byte palette entries
  bool bitFields() const { return compression == kBitFields || compression == kAlphaBitFields; }
  bool runLengths() const { return compression == kRle8 || compression == kRle4; }
};

Result ReadHeader(const uint8_t* data, size_t size, Header& h) {
  if (size < kFileHeaderSize + 4 || data[0] != 'B' || data[1] != 'M')
    return Result::Fail("no BMP file header");
  h.pixelOffset = U32(data + 10);
  const uint8_t* header = data + kFileHeaderSize;
  h.headerSize = U32(header);
  if (h.headerSize != kCoreHeaderSize && h.headerSize < kInfoHeaderSize)
    return Result::Fail("unknown bitmap header");
  if (h.headerSize > size - kFileHeaderSize) return Result::Fail("the bitmap header is cut short");
  h.core = h.headerSize == kCoreHeaderSize;
  Layout& layout = h.layout;
  if (h.core) {
    layout.width = U16(header + 4);
    layout.height = U16(header + 6);
    layout.bitCount = U16(header + 10);
  } else {
    layout.width = static_cast<int32_t>(U32(header + 4));
    layout.height = static_cast<int32_t>(U32(header + 8));
    layout.bitCount = U16(header + 14);
    h.compression = U32(header + 16);
    h.paletteSize = U32(header + 32);
  }
  // A negative height stores the rows top-down.
  layout.topDown = layout.height < 0;
  if (layout.topDown) layout.height = -layout.height;
  const uint32_t bitCount = layout.bitCount;
  if (layout.width < 0) return Result::Fail("negative width");
  if (bitCount != 1 && bitCount != 2 && bitCount != 4 && bitCount != 8 && bitCount != 16 &&
      bitCount != 24 && bitCount != 32)
    return Result::Fail("unsupported bits per pixel");
  if (h.bitFields()    ? bitCount != 16 && bitCount != 32
      : h.runLengths() ? bitCount != (h.compression == kRle8 ? 8u : 4u) || layout.topDown
                       : h.compression != kRgb)
    return Result::Fail("unsupported compression");
  return Result::Ok();
}

// The channel masks: the file's bit fields, or those 16 and 24/32 bits per pixel imply.
Result ReadMasks(const uint8_t* data, size_t size, Header& h) {
  uint32_t* masks = h.layout.masks;
  if (h.bitFields()) {
    // The info header is followed by the masks; every later header holds them.
    if (h.headerSize < kMasksInHeaderSize && size - (kFileHeaderSize + h.headerSize) < 12)
      return Result::Fail("the bit fields are cut short");
    for (int i = 0; i < 3; ++i) masks[i] = U32(data + kFileHeaderSize + kInfoHeaderSize + 4 * i);
  } else if (h.layout.bitCount == 16) {
    masks[0] = 0x7C00;
    masks[1] = 0x03E0;
    masks[2] = 0x001F;
  } else {
    masks[0] = 0xFF0000;
    masks[1] = 0x00FF00;
    masks[2] = 0x0000FF;
  }
  return Result::Ok();
}

// The palette of 8 bits per pixel or fewer: no count, or an impossible one, means the whole
// palette; it ends where the pixels begin.
void ReadPalette(const uint8_t* data, Header& h) {
  if (h.layout.bitCount > 8) return;
  const size_t afterHeader = kFileHeaderSize + h.headerSize;
  const uint32_t entrySize = h.core ? 3 : 4;
  const uint32_t full = 1u << h.layout.bitCount;
  uint32_t entries = h.paletteSize == 0 || h.paletteSize > full ? full : h.paletteSize;
  if (entries > (h.pixelOffset - afterHeader) / entrySize)
    entries = static_cast<uint32_t>((h.pixelOffset - afterHeader) / entrySize);
  for (uint32_t i = 0; i < entries; ++i) {
    const uint8_t* entry = data + afterHeader + entrySize * i;
    h.layout.palette[i] = (uint32_t{entry[2]} << 16) | (uint32_t{entry[1]} << 8) | entry[0];
  }
  h.layout.paletteEntries = entries;
}

}  // namespace

Result DecodeBmp(const uint8_t* data, size_t size, BmpImage& image, int64_t maxPixels) {
  image = BmpImage{};
  Header h;
  if (Result read = ReadHeader(data, size, h); !read) return read;
  const int64_t width = h.layout.width;
  const int64_t height = h.layout.height;
  if (width == 0 || height == 0) return Result::Ok();
  if (width * height > maxPixels) return Result::Fail("too many pixels");
  if (Result read = ReadMasks(data, size, h); !read) return read;
  if (h.pixelOffset < kFileHeaderSize + h.headerSize || h.pixelOffset > size)
    return Result::Fail("the pixel data lies outside the file");
  ReadPalette(data, h);
  const Layout& layout = h.layout;
  if (!h.runLengths() && Stride(layout) * static_cast<uint64_t>(height) > size - h.pixelOffset)
    return Result::Fail("the pixel data is cut short");
  std::vector<uint32_t> pixels(static_cast<size_t>(width * height));
  const Result read = h.runLengths() ? ReadRunLengths(layout, data + h.pixelOffset,
                                                      size - h.pixelOffset, pixels.data())
                                     : ReadRows(layout, data + h.pixelOffset, pixels.data());
  if (!read) return read;
  image.width = static_cast<int>(width);
  image.height = static_cast<int>(height);
  image.pixels = std::move(pixels);
  return Result::Ok();
}
