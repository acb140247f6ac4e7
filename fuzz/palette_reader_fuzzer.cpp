// Arbitrary bytes as a palette file: decoding stays inside the bytes and either fails with a
// reason and no colours, or gives 1..256 colours and names the format.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "formats/palette_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ImportedPalette palette;
  const Result decoded =
      DecodePalette(std::string_view(reinterpret_cast<const char*>(data), size), palette);
  const bool counted = !palette.colours.empty() && palette.colours.size() <= kMaxImportedColours;
  if (decoded ? !counted || palette.format.empty()
              : !palette.colours.empty() || decoded.message.empty())
    std::abort();
  return 0;
}
