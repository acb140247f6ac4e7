// The only WebP the page ever decodes is its own lossless one (libwebp's animation encoder
// reads back a lone frame), so the lossy VP8 decoder is left out of the download. These
// stand in for its entry points: a lossy bitstream is refused as unsupported.
#include <string.h>

#include "src/dec/vp8i_dec.h"

// As libwebp has it: also used on the lossless path.
int VP8InitIoInternal(VP8Io* const io, int version) {
  if (WEBP_ABI_IS_INCOMPATIBLE(version, WEBP_DECODER_ABI_VERSION)) return 0;
  if (io != NULL) memset(io, 0, sizeof(*io));
  return 1;
}

VP8Decoder* VP8New(void) {
  return NULL;
}
void VP8Delete(VP8Decoder* const dec) {
  (void)dec;
}
int VP8GetHeaders(VP8Decoder* const dec, VP8Io* const io) {
  (void)dec;
  (void)io;
  return 0;
}
int VP8Decode(VP8Decoder* const dec, VP8Io* const io) {
  return VP8GetHeaders(dec, io);
}
int VP8GetInfo(const uint8_t* data, size_t data_size, size_t chunk_size, int* const width,
               int* const height) {
  (void)data;
  (void)data_size;
  (void)chunk_size;
  (void)width;
  (void)height;
  return 0;
}
int VP8GetThreadMethod(const WebPDecoderOptions* const options,
                       const WebPHeaderStructure* const headers, int width, int height) {
  (void)options;
  (void)headers;
  (void)width;
  (void)height;
  return 0;
}
void VP8InitDithering(const WebPDecoderOptions* const options, VP8Decoder* const dec) {
  (void)options;
  (void)dec;
}
