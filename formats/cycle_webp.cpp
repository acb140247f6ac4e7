#include "formats/cycle_webp.h"

#include <webp/encode.h>
#include <webp/mux.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <utility>

#include "formats/scale.h"
#include "formats/spill.h"

namespace {

// Lossless effort: the fastest preset. Pictures of 16 colours go through the colour-index
// transform at any effort; preset 3 saves about a quarter of the size for three times the
// time, and the export has a time budget.
constexpr int kLosslessPreset = 0;

// The frames encoded to judge the file's size: frame 0 and the next ones that show something
// new. Frames of one loop show the same picture through different colours, so they encode
// alike.
constexpr int kSampleFrames = 4;

struct EncoderFree {
  void operator()(WebPAnimEncoder* encoder) const { WebPAnimEncoderDelete(encoder); }
};

struct PictureFree {
  void operator()(WebPPicture* picture) const { WebPPictureFree(picture); }
};

Result Failure(const char* what, WebPAnimEncoder* encoder) {
  const char* reason = encoder != nullptr ? WebPAnimEncoderGetError(encoder) : nullptr;
  return Result::Fail(std::string("WebP: ") + what +
                      (reason != nullptr && reason[0] != '\0' ? std::string(": ") + reason : ""));
}

// The encoder between frames.
struct Webp {
  const Cycle* cycle = nullptr;
  int edge = 0;
  std::vector<uint8_t> scaled;
  WebPConfig config;
  std::unique_ptr<WebPAnimEncoder, EncoderFree> encoder;
  WebPPicture frame;
  std::unique_ptr<WebPPicture, PictureFree> framePixels;  // frees frame's pixels
};

Result Begin(Webp& webp, int scale) {
  const int edge = webp.edge;
  ScalePixels(webp.cycle->pixels, Cycle::kEdge, scale, webp.scaled);
  WebPAnimEncoderOptions options;
  if (!WebPAnimEncoderOptionsInit(&options) || !WebPConfigInit(&webp.config) ||
      !WebPConfigLosslessPreset(&webp.config, kLosslessPreset))
    return Failure("library version mismatch", nullptr);
  options.anim_params.loop_count = 0;  // forever
  // The encoder's own key-frame spacing. Forcing every frame to be a key frame makes it try
  // more candidates a frame: about 1.5 times the time for a tenth less size.
  options.minimize_size = 0;
  options.allow_mixed = 0;  // lossless only
  webp.encoder.reset(WebPAnimEncoderNew(edge, edge, &options));
  if (webp.encoder == nullptr) return Failure("cannot start the encoder", nullptr);

  WebPPicture& frame = webp.frame;
  if (!WebPPictureInit(&frame)) return Failure("library version mismatch", nullptr);
  frame.use_argb = 1;
  frame.width = edge;
  frame.height = edge;
  if (!WebPPictureAlloc(&frame)) return Failure("out of memory", nullptr);
  webp.framePixels.reset(&frame);
  return Result::Ok();
}

// Frame a's colours as the picture's pixels hold them.
void FrameColours(const Cycle& cycle, int a, uint32_t (&colours)[kPaletteEntries]) {
  uint8_t table[kPaletteEntries][kChannels];
  cycle.Colours(a, table);
  for (int k = 0; k < kPaletteEntries; ++k) {
    const uint8_t* rgb = table[k];
    colours[k] = 0xFF000000u | uint32_t{rgb[0]} << 16 | uint32_t{rgb[1]} << 8 | rgb[2];
  }
}

// Frame a into the picture.
void FillFrame(Webp& webp, int a) {
  uint32_t colours[kPaletteEntries];
  FrameColours(*webp.cycle, a, colours);
  WebPPicture& frame = webp.frame;
  const int edge = webp.edge;
  for (int y = 0; y < edge; ++y) {
    const uint8_t* source = webp.scaled.data() + static_cast<size_t>(y) * edge;
    uint32_t* row = frame.argb + static_cast<size_t>(y) * frame.argb_stride;
    for (int x = 0; x < edge; ++x) row[x] = colours[source[x]];
  }
}

Result AddFrame(Webp& webp, int a) {
  FillFrame(webp, a);
  const int millisecondsPerFrame = 10 * webp.cycle->delayCentiseconds;
  if (!WebPAnimEncoderAdd(webp.encoder.get(), &webp.frame, a * millisecondsPerFrame, &webp.config))
    return Failure("cannot add a frame", webp.encoder.get());
  return Result::Ok();
}

// libwebp's encoder keeps every encoded frame until it assembles the file, which it hands
// over whole: the file is in memory twice at the end, once it goes to out. Nothing tells its
// size before, so the exports' limit meets the file only here; frames of at most 16 colours
// keep it far below.
Result End(Webp& webp, FileSink& out) {
  // The end time of the last frame gives it its duration.
  const int millisecondsPerFrame = 10 * webp.cycle->delayCentiseconds;
  if (!WebPAnimEncoderAdd(webp.encoder.get(), nullptr, webp.cycle->frames * millisecondsPerFrame,
                          nullptr))
    return Failure("cannot end the animation", webp.encoder.get());
  webp.framePixels.reset();
  std::vector<uint8_t>().swap(webp.scaled);
  WebPData data;
  WebPDataInit(&data);
  if (!WebPAnimEncoderAssemble(webp.encoder.get(), &data))
    return Failure("cannot assemble the file", webp.encoder.get());
  webp.encoder.reset();  // its frames
  const Result put = out.Append(data.bytes, data.size);
  WebPDataClear(&data);
  return put;
}

// The file's size from above. Each frame holds at most 16 colours, which lossless WebP
// stores as palette indices, two to a byte, entropy-coded: at most 5 bits a pixel with the
// codes, the frame's headers within 4 KiB. The file's own headers add a few dozen bytes.
uint64_t MostBytes(const Cycle& cycle, int edge) {
  const uint64_t pixels = uint64_t(edge) * uint64_t(edge);
  return 64 + uint64_t(cycle.frames) * (pixels * 5 / 8 + 4096);
}

// The frames that show something the frame before does not, frame 0 first: libwebp merges
// every other frame into the one before, so only these add to the file. Gives how many
// there are and the first of them.
int NewFrames(const Cycle& cycle, std::vector<int>& first, size_t most) {
  bool used[kPaletteEntries] = {};
  for (const uint8_t index : cycle.pixels) used[index & (kPaletteEntries - 1)] = true;
  uint32_t before[kPaletteEntries] = {}, colours[kPaletteEntries];
  int count = 0;
  for (int a = 0; a < cycle.frames; ++a) {
    FrameColours(cycle, a, colours);
    bool same = a > 0;
    for (int k = 0; k < kPaletteEntries && same; ++k) same = !used[k] || colours[k] == before[k];
    std::memcpy(before, colours, sizeof colours);
    if (same) continue;
    if (first.size() < most) first.push_back(a);
    ++count;
  }
  return count;
}

// The file's size from frame 0 encoded alone and the first kSampleFrames new frames encoded
// as an animation of their own: each later new frame costs what the sampled ones after the
// first cost on average. Exact when the loop has no more new frames than that.
Result EstimateBytes(const Cycle& cycle, int scale, uint64_t& bytes) {
  std::vector<int> sampled;
  const uint64_t count = uint64_t(NewFrames(cycle, sampled, kSampleFrames));
  Webp probe;
  probe.cycle = &cycle;
  probe.edge = Cycle::kEdge * scale;
  if (Result begun = Begin(probe, scale); !begun) return begun;
  FillFrame(probe, 0);
  WebPMemoryWriter alone;
  WebPMemoryWriterInit(&alone);
  probe.frame.writer = WebPMemoryWrite;
  probe.frame.custom_ptr = &alone;
  const bool encoded = WebPEncode(&probe.config, &probe.frame) != 0;
  const uint64_t first = alone.size;
  WebPMemoryWriterClear(&alone);
  probe.frame.writer = nullptr;
  probe.frame.custom_ptr = nullptr;
  if (!encoded) return Failure("cannot encode a frame", nullptr);
  for (const int a : sampled)
    if (Result added = AddFrame(probe, a); !added) return added;
  FileSink out = FileSink::InMemory();
  if (Result ended = End(probe, out); !ended) return ended;
  const uint64_t all = out.Size();
  const uint64_t samples = sampled.size();
  bytes = all;
  if (count > samples) {
    const uint64_t later = all > first ? all - first : 0;
    bytes += (count - samples) * ((later + samples - 2) / (samples - 1));
  }
  return Result::Ok();
}

}  // namespace

Result StartWebp(const Cycle& cycle, int scale, const std::string& path, Encoding& encoding) {
  if (Result checked = CheckAnimation("WebP", cycle, scale); !checked) return checked;
  auto webp = std::make_shared<Webp>();
  webp->cycle = &cycle;
  webp->edge = Cycle::kEdge * scale;
  encoding.bytes = MostBytes(cycle, webp->edge);
  encoding.estimate = [&cycle, scale](uint64_t& bytes) {
    return EstimateBytes(cycle, scale, bytes);
  };
  FrameSteps(
      encoding, cycle.frames, [webp, scale] { return Begin(*webp, scale); },
      [webp](int a) { return AddFrame(*webp, a); },
      [webp, path](ExportFile& file) {
        FileSink out;
        if (Result ended = End(*webp, out); !ended) return ended;
        return out.Finish(path, file);
      });
  return Result::Ok();
}

Result EncodeWebp(const Cycle& cycle, int scale, std::vector<uint8_t>& bytes) {
  return EncodeToBytes([&](Encoding& e) { return StartWebp(cycle, scale, "", e); }, bytes);
}
