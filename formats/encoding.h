#pragma once
// An encoding spread over steps, so a caller can keep drawing while a long loop is encoded:
// steps 0 .. steps - 1 run in order, each once, then finish adds the files after those the
// export has made before it, which it may read. The formats that
// are cheap take one step; the animated ones one frame a step. A failed step ends it.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "generator/cycle.h"
#include "generator/result.h"
#include "store/safe_file.h"

struct Encoding {
  int steps = 1;
  std::function<Result(int step)> step;
  std::function<Result(std::vector<ExportFile>& files)> finish;
  // What the files will take in all, known when the encoding starts: exactly, or from above
  // where the size depends on how well the frames compress. 0 for the formats whose files
  // stay small whatever the cycle.
  uint64_t bytes = 0;
  bool bytesExact = false;
  // For a size from above: the files' size judged from a few frames encoded now and scaled to
  // the loop. It costs those frames' encoding, so it is asked for only when bytes is too
  // many. Null where bytes is all there is.
  std::function<Result(uint64_t& bytes)> estimate;
  // The bytes made so far, for a file that grows a step at a time; null otherwise.
  std::function<uint64_t()> made;
};

// An encoding of one step that makes all its files at once.
void OneStep(Encoding& encoding, std::function<Result(std::vector<ExportFile>& files)> make);

// The checks every animation encoded a frame a step makes before it starts: the scale, the
// delay and at least one frame. Failures name the format.
Result CheckAnimation(const char* format, const Cycle& cycle, int scale);

// An animation encoded a frame a step: frame 0's step begins the file before adding the
// frame, and the finish hands over the one file end makes.
void FrameSteps(Encoding& encoding, int frames, std::function<Result()> begin,
                std::function<Result(int frame)> add, std::function<Result(ExportFile& file)> end);

// Runs every step and then the finish. On failure adds nothing.
Result RunEncoding(Encoding& encoding, std::vector<ExportFile>& files);

// For one-file encoders: starts the encoding with start (given an empty path), runs it whole
// and hands over its one file's bytes, read back into memory when the file spilled; empty on
// failure.
Result EncodeToBytes(const std::function<Result(Encoding& encoding)>& start,
                     std::vector<uint8_t>& bytes);
