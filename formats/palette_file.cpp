#include "formats/palette_file.h"

#include <cstdio>
#include <iterator>

namespace {

using Palette8 = uint8_t[kPaletteEntries][kChannels];

// The part after the last dot of the last path component, lower case; the whole component
// when it has no dot, so a bare "gpl" names the format too.
std::string Extension(const std::string& pathOrExtension) {
  const size_t slash = pathOrExtension.find_last_of('/');
  const std::string leaf =
      slash == std::string::npos ? pathOrExtension : pathOrExtension.substr(slash + 1);
  const size_t dot = leaf.find_last_of('.');
  std::string extension = dot == std::string::npos ? leaf : leaf.substr(dot + 1);
  for (char& c : extension)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return extension;
}

void Gimp(const Palette8& palette, const std::string& name, std::string& out) {
  std::string oneLine = name;
  for (char& c : oneLine)
    if (c == '\n' || c == '\r') c = ' ';
  out += "GIMP Palette\nName: " + oneLine + "\nColumns: 16\n";
  for (int k = 0; k < kPaletteEntries; ++k) {
    const uint8_t* rgb = palette[k];
    char line[48];
    const int length =
        std::snprintf(line, sizeof line, "%3d %3d %3d\tIndex %d\n", rgb[0], rgb[1], rgb[2], k);
    out.append(line, static_cast<size_t>(length));
  }
}

void Jasc(const Palette8& palette, std::string& out) {
  out += "JASC-PAL\r\n0100\r\n16\r\n";
  for (const auto& rgb : palette) {
    char line[48];
    const int length = std::snprintf(line, sizeof line, "%d %d %d\r\n", rgb[0], rgb[1], rgb[2]);
    out.append(line, static_cast<size_t>(length));
  }
}

void Hex(const Palette8& palette, std::string& out) {
  for (const auto& rgb : palette) {
    char line[48];
    std::snprintf(line, sizeof line, "%02x%02x%02x", rgb[0], rgb[1], rgb[2]);
    out.append(line, 6);
    out += '\n';
  }
}

void Act(const Palette8& palette, std::string& out) {
  for (const auto& rgb : palette) out.append(rgb, rgb + kChannels);
  out.resize(256 * 3, '\0');
  // Big-endian entry count, then the transparent index: 0xFFFF for none.
  out += {'\x00', static_cast<char>(kPaletteEntries), '\xFF', '\xFF'};
}

// ".gpl, .pal, .hex or .act"
std::string ExtensionList() {
  std::string list;
  const size_t count = std::size(kPaletteExtensions);
  for (size_t i = 0; i < count; ++i) {
    if (i > 0) list += i + 1 == count ? " or " : ", ";
    list += kPaletteExtensions[i];
  }
  return list;
}

}  // namespace

Result CheckPaletteFileName(const std::string& path) {
  std::string lower = path;
  for (char& c : lower)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  for (const std::string known : kPaletteExtensions)
    if (lower.size() >= known.size() &&
        lower.compare(lower.size() - known.size(), known.size(), known) == 0)
      return Result::Ok();
  return Result::Fail("must end in " + ExtensionList() + ", not '" + path + "'");
}

Result EncodePaletteFile(const Cycle& cycle, const std::string& pathOrExtension,
                         const std::string& name, std::vector<uint8_t>& bytes) {
  const std::string extension = Extension(pathOrExtension);
  std::string text;
  Palette8 palette;
  cycle.BaseColours(palette);
  if (extension == "gpl") {
    Gimp(palette, name, text);
  } else if (extension == "pal") {
    Jasc(palette, text);
  } else if (extension == "hex") {
    Hex(palette, text);
  } else if (extension == "act") {
    Act(palette, text);
  } else {
    return Result::Fail("palette file: unknown extension \"" + extension + "\" in \"" +
                        pathOrExtension + "\"; use " + ExtensionList());
  }
  bytes.assign(text.begin(), text.end());
  return Result::Ok();
}
