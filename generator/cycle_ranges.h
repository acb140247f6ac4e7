#pragma once
// How a palette cycles: a list of disjoint ranges of entries, each moving at its own speed and
// in its own way, the rules of the colour-cycling players whose files the export writes. The
// default list is one range over all sixteen entries, one step per frame towards the lower
// entries: frame j shows entry (i + j) mod 16 at entry i. Everything here is integer
// arithmetic, so every build and every player of our files agrees on every frame.

#include <cstdint>
#include <string>

#include "generator/program_limits.h"
#include "generator/result.h"

// Disjoint ranges of at least two entries each.
constexpr int kMaxCycleRanges = kPaletteEntries / 2;
// Speeds are k / 16 palette steps per frame.
constexpr int32_t kSpeedUnit = 16;
constexpr int32_t kMaxSpeed = 64;
// The longest loop an export writes, in frames.
constexpr int kMaxLoopFrames = 4096;

enum class CycleMode : uint8_t {
  kForward,   // colours move toward higher entries: entry i shows entry i - s
  kReverse,   // toward lower entries: entry i shows entry i + s
  kPingPong,  // forward by 0, 1, .., n - 1, n, n - 1, .., 1 over 2n steps
};

struct CycleRange {
  int32_t low = 0;  // 0 <= low < high <= 15
  int32_t high = 15;
  int32_t speed = kSpeedUnit;  // 0..64: speed / 16 steps per frame; 0 stands still
  CycleMode mode = CycleMode::kReverse;
  bool blend = false;  // between whole steps, each entry fades toward its next colour

  int32_t Size() const { return high - low + 1; }
  bool operator==(const CycleRange&) const = default;
};

struct CycleRanges {
  int count = 1;
  CycleRange ranges[kMaxCycleRanges];

  bool IsDefault() const;
  bool operator==(const CycleRanges& other) const;
};

// Where each entry's colour comes from at one frame: the colour of entry from[i], faded toward
// entry to[i] by percent[i] hundredths (c + floor((d - c) * percent / 100) per channel).
struct FrameMix {
  uint8_t from[kPaletteEntries];
  uint8_t to[kPaletteEntries];
  uint8_t percent[kPaletteEntries];
  bool blended;  // some percent is not 0
};

// Frame j of the cycle; j >= 0.
void MixAtFrame(const CycleRanges& cycles, int64_t frame, FrameMix& mix);

// The 16 colours frame j shows, from the unshifted palette.
void ColoursAtFrame(const CycleRanges& cycles, const uint8_t (&palette)[kPaletteEntries][3],
                    int64_t frame, uint8_t (&colours)[kPaletteEntries][3]);

// Whether some range ever blends (is set to blend and moves).
bool AnyBlend(const CycleRanges& cycles);

// Fails, saying what is wrong, unless every range lies in 0..15 with low < high, a speed in
// 0..64 and a known mode, and no two ranges share an entry.
Result CheckCycleRanges(const CycleRanges& cycles);

// The frames after which every range is back where it started: the least common multiple
// of the moving ranges' periods, 16 * c / gcd(k, 16 * c) with c = n (2n for ping-pong); 1
// when nothing moves. Fails, naming the loop's length and the range that makes it long,
// beyond kMaxLoopFrames.
Result LoopFrames(const CycleRanges& cycles, int& frames);

// The ranges file, one range a line: "low,high,k,mode,blend" ("0,7,8,forward,0").
std::string CycleRangesText(const CycleRanges& cycles);
// Reads a ranges file; fails, naming the line and what is wrong, unless every line is a range
// and the list passes CheckCycleRanges. An empty text is a list of no ranges: nothing moves.
Result ParseCycleRanges(const std::string& text, CycleRanges& cycles);
// One range as written in the file and on the command line ("0,7,8,forward,0"; the blend
// field may also be absent or the word "blend").
Result ParseCycleRange(const std::string& text, CycleRange& range);

const char* CycleModeName(CycleMode mode);
