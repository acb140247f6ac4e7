// The page writes WebP lossless only (formats/cycle_webp.cpp sets config.lossless), so
// libwebp's lossy encoder is left out of the download. These stand in for its entry points,
// which WebPEncode reaches only for a lossy picture: they do nothing, and encoding such a
// picture fails with an error instead of running code that is not there.
#include "src/enc/vp8i_enc.h"

int VP8EncAnalyze(VP8Encoder* const enc) {
  return WebPEncodingSetError(enc->pic_, VP8_ENC_ERROR_INVALID_CONFIGURATION);
}
int VP8EncLoop(VP8Encoder* const enc) {
  return VP8EncAnalyze(enc);
}
int VP8EncTokenLoop(VP8Encoder* const enc) {
  return VP8EncAnalyze(enc);
}
int VP8EncWrite(VP8Encoder* const enc) {
  return VP8EncAnalyze(enc);
}
int VP8EncStartAlpha(VP8Encoder* const enc) {
  return VP8EncAnalyze(enc);
}
int VP8EncFinishAlpha(VP8Encoder* const enc) {
  return VP8EncAnalyze(enc);
}
int VP8EncDeleteAlpha(VP8Encoder* const enc) {
  (void)enc;
  return 1;
}
void VP8EncInitAlpha(VP8Encoder* const enc) {
  (void)enc;
}
void VP8EncFreeBitWriters(VP8Encoder* const enc) {
  (void)enc;
}
void VP8DefaultProbas(VP8Encoder* const enc) {
  (void)enc;
}
void VP8TBufferInit(VP8TBuffer* const b, int page_size) {
  (void)b;
  (void)page_size;
}
void VP8TBufferClear(VP8TBuffer* const b) {
  (void)b;
}
void VP8EncDspInit(void) {}
void VP8EncDspCostInit(void) {}
