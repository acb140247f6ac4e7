#include "generator/cycle_ranges.h"

#include <numeric>
#include <vector>

#include "generator/messages.h"

namespace {

constexpr const char* kModeNames[] = {"forward", "reverse", "pingpong"};

// Hundredths of a step the range has moved at the frame, folded into one period: forward
// and reverse 0 .. 100n - 1, ping-pong 0 .. 100n (there and back again).
int64_t Advance(const CycleRange& range, int64_t frame) {
  const int64_t n = range.Size();
  const int64_t t = 100 * static_cast<int64_t>(range.speed) * frame / kSpeedUnit;
  if (range.mode != CycleMode::kPingPong) return t % (100 * n);
  const int64_t a = t % (200 * n);
  return a >= 100 * n ? 200 * n - a : a;
}

// Frames until the range is back where it started.
int64_t Period(const CycleRange& range) {
  const int64_t c = range.mode == CycleMode::kPingPong ? 2 * range.Size() : range.Size();
  return kSpeedUnit * c / std::gcd(static_cast<int64_t>(range.speed), kSpeedUnit * c);
}

std::string Describe(const CycleRange& range) {
  return std::to_string(range.low) + ".." + std::to_string(range.high) + " at speed " +
         std::to_string(range.speed) + " " + CycleModeName(range.mode);
}

bool ParseNumber(const std::string& text, int32_t& value) {
  if (text.empty() || text.size() > 3) return false;
  int32_t n = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    n = n * 10 + (c - '0');
  }
  value = n;
  return true;
}

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts(1);
  for (char c : text) {
    if (c == separator)
      parts.emplace_back();
    else
      parts.back() += c;
  }
  return parts;
}

}  // namespace

bool CycleRanges::IsDefault() const {
  return *this == CycleRanges{};
}

bool CycleRanges::operator==(const CycleRanges& other) const {
  if (count != other.count) return false;
  for (int r = 0; r < count; ++r)
    if (!(ranges[r] == other.ranges[r])) return false;
  return true;
}

const char* CycleModeName(CycleMode mode) {
  return kModeNames[static_cast<int>(mode)];
}

void MixAtFrame(const CycleRanges& cycles, int64_t frame, FrameMix& mix) {
  for (int i = 0; i < kPaletteEntries; ++i) {
    mix.from[i] = mix.to[i] = static_cast<uint8_t>(i);
    mix.percent[i] = 0;
  }
  mix.blended = false;
  for (int r = 0; r < cycles.count; ++r) {
    const CycleRange& range = cycles.ranges[r];
    const int64_t n = range.Size();
    const int64_t a = Advance(range, frame);
    const int64_t shift = a / 100;
    const int percent = range.blend ? static_cast<int>(a % 100) : 0;
    // The direction colours move in; ping-pong's next step is always the forward one.
    const int64_t sign = range.mode == CycleMode::kReverse ? 1 : -1;
    for (int64_t o = 0; o < n; ++o) {
      const int i = static_cast<int>(range.low + o);
      const int64_t from = ((o + sign * shift) % n + n) % n;
      const int64_t to = ((o + sign * (shift + 1)) % n + n) % n;
      mix.from[i] = static_cast<uint8_t>(range.low + from);
      mix.to[i] = static_cast<uint8_t>(range.low + to);
      mix.percent[i] = static_cast<uint8_t>(percent);
    }
    mix.blended = mix.blended || percent != 0;
  }
}

void ColoursAtFrame(const CycleRanges& cycles, const uint8_t (&palette)[kPaletteEntries][3],
                    int64_t frame, uint8_t (&colours)[kPaletteEntries][3]) {
  FrameMix mix;
  MixAtFrame(cycles, frame, mix);
  for (int i = 0; i < kPaletteEntries; ++i) {
    for (int c = 0; c < 3; ++c) {
      const int from = palette[mix.from[i]][c];
      const int to = palette[mix.to[i]][c];
      // floor((d - c) * p / 100), also when d < c.
      const int step = (to - from) * mix.percent[i];
      const int fade = step >= 0 ? step / 100 : -((-step + 99) / 100);
      colours[i][c] = static_cast<uint8_t>(from + fade);
    }
  }
}

bool AnyBlend(const CycleRanges& cycles) {
  for (int r = 0; r < cycles.count; ++r)
    if (cycles.ranges[r].blend && cycles.ranges[r].speed > 0) return true;
  return false;
}

Result CheckCycleRanges(const CycleRanges& cycles) {
  if (cycles.count < 0 || cycles.count > kMaxCycleRanges)
    return Result::Fail("at most " + std::to_string(kMaxCycleRanges) + " ranges");
  bool taken[kPaletteEntries] = {};
  for (int r = 0; r < cycles.count; ++r) {
    const CycleRange& range = cycles.ranges[r];
    if (range.low < 0 || range.high > kPaletteEntries - 1 || range.low >= range.high)
      return Result::Fail("range " + std::to_string(range.low) + ".." + std::to_string(range.high) +
                          ": needs 0 <= low < high <= 15");
    if (range.speed < 0 || range.speed > kMaxSpeed)
      return Result::Fail("range " + Describe(range) + ": the speed must be 0..64");
    if (static_cast<int>(range.mode) > static_cast<int>(CycleMode::kPingPong))
      return Result::Fail("range " + std::to_string(range.low) + ".." + std::to_string(range.high) +
                          ": unknown mode");
    for (int i = range.low; i <= range.high; ++i) {
      if (taken[i])
        return Result::Fail("range " + Describe(range) + " overlaps another at entry " +
                            std::to_string(i));
      taken[i] = true;
    }
  }
  return Result::Ok();
}

Result LoopFrames(const CycleRanges& cycles, int& frames) {
  int64_t loop = 1;
  for (int r = 0; r < cycles.count; ++r) {
    const CycleRange& range = cycles.ranges[r];
    if (range.speed == 0) continue;
    const int64_t period = Period(range);
    // Periods are at most 16 * 32, so the product of two fits long before the limit.
    loop = loop / std::gcd(loop, period) * period;
    if (loop > kMaxLoopFrames)
      return Result::Fail("the loop would be " + std::to_string(loop) + " frames, more than " +
                          std::to_string(kMaxLoopFrames) + ": range " + Describe(range) +
                          " makes it that long (its own period is " + std::to_string(period) +
                          " frames)");
  }
  frames = static_cast<int>(loop);
  return Result::Ok();
}

std::string CycleRangesText(const CycleRanges& cycles) {
  std::string text;
  for (int r = 0; r < cycles.count; ++r) {
    const CycleRange& range = cycles.ranges[r];
    text += std::to_string(range.low) + "," + std::to_string(range.high) + "," +
            std::to_string(range.speed) + "," + CycleModeName(range.mode) + "," +
            (range.blend ? "1" : "0") + "\n";
  }
  return text;
}

Result ParseCycleRange(const std::string& text, CycleRange& range) {
  // A line may be any length; a message shows only its start.
  const std::string quoted = std::string(1, '\'') + QuoteForMessage(text) + '\'';
  const std::vector<std::string> fields = Split(text, ',');
  if (fields.size() != 4 && fields.size() != 5)
    return Result::Fail(quoted + " is not LOW,HIGH,K,MODE[,blend]");
  CycleRange parsed;
  if (!ParseNumber(fields[0], parsed.low) || !ParseNumber(fields[1], parsed.high) ||
      !ParseNumber(fields[2], parsed.speed))
    return Result::Fail(quoted + ": LOW, HIGH and K must be whole numbers");
  bool known = false;
  for (int m = 0; m < 3; ++m) {
    if (fields[3] == kModeNames[m]) {
      parsed.mode = static_cast<CycleMode>(m);
      known = true;
    }
  }
  if (!known) return Result::Fail(quoted + ": the mode must be forward, reverse or pingpong");
  if (fields.size() == 5) {
    if (fields[4] == "1" || fields[4] == "blend") {
      parsed.blend = true;
    } else if (fields[4] != "0") {
      return Result::Fail(quoted + ": the last field must be blend, 1 or 0");
    }
  }
  CycleRanges one;
  one.ranges[0] = parsed;
  if (Result checked = CheckCycleRanges(one); !checked) return checked;
  range = parsed;
  return Result::Ok();
}

Result ParseCycleRanges(const std::string& text, CycleRanges& cycles) {
  CycleRanges parsed;
  parsed.count = 0;
  std::vector<std::string> lines = Split(text, '\n');
  int number = 0;
  for (std::string& line : lines) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    if (parsed.count == kMaxCycleRanges)
      return Result::Fail("line " + std::to_string(number) + ": more than " +
                          std::to_string(kMaxCycleRanges) + " ranges");
    if (Result read = ParseCycleRange(line, parsed.ranges[parsed.count]); !read)
      return Result::Fail("line " + std::to_string(number) + ": " + read.message);
    ++parsed.count;
  }
  if (Result checked = CheckCycleRanges(parsed); !checked) return checked;
  cycles = parsed;
  return Result::Ok();
}
