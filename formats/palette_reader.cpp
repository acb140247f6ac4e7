// DecodePalette's dispatch and the text formats; the binary ones are in
// palette_reader_binary.cpp.

#include "formats/palette_reader.h"

#include <charconv>
#include <utility>

#include "generator/messages.h"
#include "store/read_file.h"

namespace {

using Lines = std::vector<std::string_view>;

// The text's lines without their LF or CR LF ends.
Lines SplitLines(std::string_view text) {
  Lines lines;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (line.ends_with('\r')) line.remove_suffix(1);
    lines.push_back(line);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
  }
  return lines;
}

std::string_view TrimFront(std::string_view text) {
  const size_t start = text.find_first_not_of(" \t");
  return start == std::string_view::npos ? std::string_view() : text.substr(start);
}

std::string_view Trim(std::string_view text) {
  text = TrimFront(text);
  return text.substr(0, text.find_last_not_of(" \t") + 1);
}

// Decimal 0..255, digits only.
bool ParseChannel(std::string_view digits, uint8_t& channel) {
  unsigned value = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (digits.empty() || error != std::errc() || end != digits.data() + digits.size() || value > 255)
    return false;
  channel = static_cast<uint8_t>(value);
  return true;
}

// Exactly count hex digits.
bool ParseHex(std::string_view digits, size_t count, uint32_t& value) {
  if (digits.size() != count ||
      digits.find_first_not_of("0123456789abcdefABCDEF") != std::string_view::npos)
    return false;
  std::from_chars(digits.data(), digits.data() + count, value, 16);
  return true;
}

// A hex list's colour without its # or 0x.
std::string_view WithoutHexPrefix(std::string_view digits) {
  if (digits.starts_with('#')) return digits.substr(1);
  if (digits.starts_with("0x") || digits.starts_with("0X")) return digits.substr(2);
  return digits;
}

// count whitespace-separated channels from the front of line, which keeps what follows them.
bool ReadChannels(std::string_view& line, int count, PaletteColour& colour) {
  uint8_t values[4] = {};
  for (int k = 0; k < count; ++k) {
    line = TrimFront(line);
    const size_t end = line.find_first_of(" \t");
    if (!ParseChannel(line.substr(0, end), values[k])) return false;
    line = end == std::string_view::npos ? std::string_view() : line.substr(end);
  }
  colour = {values[0], values[1], values[2]};
  return true;
}

Result LineFailure(const std::string& format, size_t index, std::string_view line,
                   const char* expected) {
  return Result::Fail(format + ": line " + std::to_string(index + 1) + " is \"" +
                      QuoteForMessage(std::string(line)) + "\", not " + expected);
}

Result ReadGimp(const Lines& lines, ImportedPalette& palette) {
  palette.format = "GIMP palette";
  int channels = 3;
  for (size_t i = 1; i < lines.size(); ++i) {
    std::string_view line = Trim(lines[i]);
    if (line.empty() || line.starts_with('#') || line.starts_with("Columns:")) continue;
    if (line.starts_with("Name:")) {
      palette.name = Trim(line.substr(5));
    } else if (line.starts_with("Channels:")) {
      const std::string_view value = Trim(line.substr(9));
      if (value != "RGB" && value != "RGBA")
        return LineFailure(palette.format, i, line, "Channels: RGB or RGBA");
      channels = value == "RGB" ? 3 : 4;
    } else if (PaletteColour colour; ReadChannels(line, channels, colour)) {
      palette.colours.push_back(colour);  // what follows the channels is the colour's name
    } else {
      return LineFailure(
          palette.format, i, lines[i],
          channels == 3 ? "R G B [name], each 0..255" : "R G B A [name], each 0..255");
    }
  }
  return Result::Ok();
}

// JASC-PAL, 0100, the count, then exactly that many R G B lines.
Result ReadJasc(const Lines& lines, ImportedPalette& palette) {
  palette.format = "JASC-PAL";
  size_t count = 0;
  const std::string_view countLine = lines.size() > 2 ? Trim(lines[2]) : std::string_view();
  const auto [end, error] =
      std::from_chars(countLine.data(), countLine.data() + countLine.size(), count);
  if (lines.size() < 3 || Trim(lines[1]) != "0100" || countLine.empty() || error != std::errc() ||
      end != countLine.data() + countLine.size())
    return Result::Fail("JASC-PAL: the second and third lines are not 0100 and a colour count");
  for (size_t i = 3; i < lines.size(); ++i) {
    std::string_view line = lines[i];
    if (Trim(line).empty()) continue;
    PaletteColour colour;
    if (!ReadChannels(line, 3, colour) || !Trim(line).empty())
      return LineFailure(palette.format, i, lines[i], "R G B, each 0..255");
    palette.colours.push_back(colour);
  }
  if (palette.colours.size() != count)
    return Result::Fail("JASC-PAL: the count is " + std::to_string(count) + " but the file has " +
                        Counted(static_cast<long long>(palette.colours.size()), "colour"));
  return Result::Ok();
}

// Hex lists (RRGGBB, #RRGGBB or 0xRRGGBB) and Paint.NET palettes (AARRGGBB, ; comments).
Result ReadHexLines(const Lines& lines, bool paintNet, ImportedPalette& palette) {
  palette.format = paintNet ? "Paint.NET palette" : "hex list";
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string_view digits = Trim(lines[i]);
    if (digits.empty() || (paintNet && digits.starts_with(';'))) continue;
    if (!paintNet) digits = WithoutHexPrefix(digits);
    uint32_t value = 0;
    if (!ParseHex(digits, paintNet ? 8 : 6, value))
      return LineFailure(palette.format, i, lines[i], paintNet ? "AARRGGBB" : "RRGGBB");
    palette.colours.push_back({static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 8),
                               static_cast<uint8_t>(value)});
  }
  return Result::Ok();
}

Result ReadText(std::string_view text, ImportedPalette& palette) {
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);  // a UTF-8 byte order mark
  const Lines lines = SplitLines(text);
  const std::string_view first = lines.empty() ? std::string_view() : Trim(lines[0]);
  if (first == "GIMP Palette") return ReadGimp(lines, palette);
  if (first == "JASC-PAL") return ReadJasc(lines, palette);
  // Hex lists and Paint.NET palettes by their first line that is not blank.
  for (std::string_view line : lines) {
    line = Trim(line);
    if (line.empty()) continue;
    uint32_t value = 0;
    if (line.starts_with(';') || ParseHex(line, 8, value))
      return ReadHexLines(lines, true, palette);
    if (ParseHex(WithoutHexPrefix(line), 6, value)) return ReadHexLines(lines, false, palette);
    return Result::Fail("not a palette file of a known format; it begins \"" +
                        QuoteForMessage(std::string(text.substr(0, 81))) + "\"");
  }
  return Result::Fail("the file holds only blank lines");
}

// Whether every byte is printable ASCII, a tab or a line end.
bool IsAsciiText(std::string_view bytes) {
  for (const char c : bytes)
    if ((c < ' ' && c != '\t' && c != '\r' && c != '\n') || c > '~') return false;
  return true;
}

using Reader = Result (*)(std::string_view, ImportedPalette&);

Reader BySignature(std::string_view bytes) {
  if (bytes.starts_with("\x89PNG\r\n\x1A\n")) return DecodePngPalette;
  if (bytes.starts_with("GIF87a") || bytes.starts_with("GIF89a")) return DecodeGifPalette;
  if (bytes.starts_with("BM")) return DecodeBmpPalette;
  if (bytes.starts_with("RIFF")) return DecodeRiffPalette;
  return nullptr;
}

Result Decode(std::string_view bytes, ImportedPalette& palette) {
  // An Adobe colour table has no signature: any file of its size is one, unless it reads as
  // the format its first bytes name or, all printable, as a text palette.
  const bool act = bytes.size() == 768 || bytes.size() == 772;
  if (const Reader reader = BySignature(bytes)) {
    const Result result = reader(bytes, palette);
    if (result || !act) return result;
    palette = {};
  } else if (!act || IsAsciiText(bytes)) {
    const Result result = ReadText(bytes, palette);
    if (result || !act) return result;
    palette = {};
  }
  return DecodeActPalette(bytes, palette);
}

}  // namespace

Result DecodePalette(std::string_view bytes, ImportedPalette& palette) {
  palette = {};
  if (bytes.empty()) return Result::Fail("the file is empty");
  if (bytes.size() > kMaxPaletteFileBytes)
    return Result::Fail("larger than " + std::to_string(kMaxPaletteFileBytes >> 20) + " MiB");
  ImportedPalette read;
  Result result = Decode(bytes, read);
  if (result && read.colours.empty()) result = Result::Fail(read.format + " holds no colours");
  if (result && read.colours.size() > kMaxImportedColours)
    result = Result::Fail(read.format + " holds more than " + std::to_string(kMaxImportedColours) +
                          " colours");
  if (result) palette = std::move(read);
  return result;
}

Result ReadPaletteFile(const std::string& path, ImportedPalette& palette) {
  palette = {};
  std::string bytes;
  const Result read = ReadFileBytes(path, kMaxPaletteFileBytes, bytes);
  if (!read) return read;
  const Result decoded = DecodePalette(bytes, palette);
  if (decoded) return decoded;
  Result failure = Result::Fail(path + ": " + decoded.message);
  failure.file = path;
  failure.reason = decoded.message;
  return failure;
}
