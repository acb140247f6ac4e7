#include "formats/cycle_webp.h"

#include <webp/encode.h>
#include <webp/mux.h>

#include <memory>
#include <string>

#include "formats/scale.h"
#include "generator/frame_export.h"

namespace {

// Lossless effort: the fastest preset. Pictures of 16 colours go through the colour-index
// transform at any effort; preset 3 saves about a quarter of the size for three times the
// time, and the export has a time budget.
constexpr int kLosslessPreset = 0;

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

}  // namespace

Result EncodeWebp(const Cycle& cycle, int scale, std::vector<uint8_t>& bytes) {
  if (Result scaled = CheckScale("WebP", scale); !scaled) return scaled;
  if (Result timed = CheckDelay("WebP", cycle); !timed) return timed;
  const int edge = Cycle::kEdge * scale;
  std::vector<uint8_t> scaled;
  ScalePixels(cycle.pixels, Cycle::kEdge, scale, scaled);

  WebPAnimEncoderOptions options;
  WebPConfig config;
  if (!WebPAnimEncoderOptionsInit(&options) || !WebPConfigInit(&config) ||
      !WebPConfigLosslessPreset(&config, kLosslessPreset))
    return Failure("library version mismatch", nullptr);
  options.anim_params.loop_count = 0;  // forever
  // The encoder's own key-frame spacing. Forcing every frame to be a key frame makes it try
  // more candidates a frame: about 1.5 times the time for a tenth less size.
  options.minimize_size = 0;
  options.allow_mixed = 0;  // lossless only

  std::unique_ptr<WebPAnimEncoder, EncoderFree> encoder(WebPAnimEncoderNew(edge, edge, &options));
  if (encoder == nullptr) return Failure("cannot start the encoder", nullptr);

  WebPPicture frame;
  if (!WebPPictureInit(&frame)) return Failure("library version mismatch", nullptr);
  frame.use_argb = 1;
  frame.width = edge;
  frame.height = edge;
  if (!WebPPictureAlloc(&frame)) return Failure("out of memory", nullptr);
  // Frees the picture's pixels (not the struct) on every way out.
  const std::unique_ptr<WebPPicture, PictureFree> framePixels(&frame);

  const int millisecondsPerFrame = 10 * cycle.delayCentiseconds;
  for (int a = 0; a < kFrameCount; ++a) {
    uint32_t colours[kPaletteEntries];
    uint8_t table[kPaletteEntries][kChannels];
    cycle.Colours(a, table);
    for (int k = 0; k < kPaletteEntries; ++k) {
      const uint8_t* rgb = table[k];
      colours[k] = 0xFF000000u | uint32_t{rgb[0]} << 16 | uint32_t{rgb[1]} << 8 | rgb[2];
    }
    for (int y = 0; y < edge; ++y) {
      const uint8_t* source = scaled.data() + static_cast<size_t>(y) * edge;
      uint32_t* row = frame.argb + static_cast<size_t>(y) * frame.argb_stride;
      for (int x = 0; x < edge; ++x) row[x] = colours[source[x]];
    }
    if (!WebPAnimEncoderAdd(encoder.get(), &frame, a * millisecondsPerFrame, &config))
      return Failure("cannot add a frame", encoder.get());
  }
  // The end time of the last frame gives it its duration.
  if (!WebPAnimEncoderAdd(encoder.get(), nullptr, kFrameCount * millisecondsPerFrame, nullptr))
    return Failure("cannot end the animation", encoder.get());

  WebPData data;
  WebPDataInit(&data);
  if (!WebPAnimEncoderAssemble(encoder.get(), &data))
    return Failure("cannot assemble the file", encoder.get());
  bytes.assign(data.bytes, data.bytes + data.size);
  WebPDataClear(&data);
  return Result::Ok();
}
