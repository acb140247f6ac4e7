#include "formats/encoding.h"

#include <cstddef>
#include <memory>
#include <utility>

#include "formats/scale.h"
#include "formats/spill.h"

void OneStep(Encoding& encoding, std::function<Result(std::vector<ExportFile>& files)> make) {
  auto made = std::make_shared<std::vector<ExportFile>>();
  encoding.steps = 1;
  encoding.step = [made, make = std::move(make)](int) { return make(*made); };
  encoding.finish = [made](std::vector<ExportFile>& files) {
    for (ExportFile& file : *made) files.push_back(std::move(file));
    made->clear();
    return Result::Ok();
  };
}

Result CheckAnimation(const char* format, const Cycle& cycle, int scale) {
  if (Result scaled = CheckScale(format, scale); !scaled) return scaled;
  if (Result timed = CheckDelay(format, cycle); !timed) return timed;
  if (cycle.frames < 1) return Result::Fail(std::string(format) + ": the cycle has no frames");
  return Result::Ok();
}

void FrameSteps(Encoding& encoding, int frames, std::function<Result()> begin,
                std::function<Result(int frame)> add, std::function<Result(ExportFile& file)> end) {
  encoding.steps = frames;
  encoding.step = [begin = std::move(begin), add = std::move(add)](int frame) -> Result {
    if (frame == 0)
      if (Result begun = begin(); !begun) return begun;
    return add(frame);
  };
  encoding.finish = [end = std::move(end)](std::vector<ExportFile>& files) {
    ExportFile file;
    if (Result ended = end(file); !ended) return ended;
    files.push_back(std::move(file));
    return Result::Ok();
  };
}

Result RunEncoding(Encoding& encoding, std::vector<ExportFile>& files) {
  for (int s = 0; s < encoding.steps; ++s)
    if (Result stepped = encoding.step(s); !stepped) return stepped;
  const size_t before = files.size();
  if (Result finished = encoding.finish(files); !finished) {
    files.erase(files.begin() + static_cast<std::ptrdiff_t>(before), files.end());
    return finished;
  }
  return Result::Ok();
}

Result EncodeToBytes(const std::function<Result(Encoding& encoding)>& start,
                     std::vector<uint8_t>& bytes) {
  bytes.clear();
  Encoding encoding;
  if (Result started = start(encoding); !started) return started;
  std::vector<ExportFile> files;
  if (Result run = RunEncoding(encoding, files); !run) return run;
  if (files.size() != 1) return Result::Fail("the encoding made no single file");
  return ContentsBytes(files[0], bytes);
}
