// Code page 932 through glibc's iconv table.

#include <iconv.h>

#include <bit>
#include <cerrno>
#include <cstring>

#include "shell/desktop/cp932.h"

namespace {

static_assert(sizeof(char32_t) == 4);

// One converter per thread, opened on first use; its shift state is reset on every call.
class Converter {
 public:
  Converter() {
    const char* target = std::endian::native == std::endian::little ? "UTF-32LE" : "UTF-32BE";
    handle_ = iconv_open(target, "CP932");
  }
  ~Converter() {
    if (Valid()) iconv_close(handle_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  bool Valid() const { return handle_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t Handle() const { return handle_; }

 private:
  iconv_t handle_;
};

Converter& ThreadConverter() {
  thread_local Converter converter;
  return converter;
}

// Without the system's CP932 tables only ASCII survives; everything else is replaced.
Cp932Chunk DecodeAsciiOnly(const char* bytes, size_t length, char32_t* out, size_t capacity) {
  Cp932Chunk chunk;
  while (chunk.bytesRead < length && chunk.codePoints < capacity) {
    const auto byte = static_cast<unsigned char>(bytes[chunk.bytesRead++]);
    out[chunk.codePoints++] = byte < 0x80 ? byte : kReplacementCharacter;
  }
  return chunk;
}

}  // namespace

Cp932Chunk DecodeCp932(const char* bytes, size_t length, char32_t* out, size_t capacity) {
  Converter& converter = ThreadConverter();
  if (!converter.Valid()) return DecodeAsciiOnly(bytes, length, out, capacity);
  iconv_t cd = converter.Handle();
  iconv(cd, nullptr, nullptr, nullptr, nullptr);

  // iconv takes a non-const input pointer but does not write through it.
  char* in = const_cast<char*>(bytes);
  size_t inLeft = length;
  char* outBytes = reinterpret_cast<char*>(out);
  size_t outLeft = capacity * sizeof(char32_t);
  while (inLeft > 0 && outLeft >= sizeof(char32_t)) {
    if (iconv(cd, &in, &inLeft, &outBytes, &outLeft) != static_cast<size_t>(-1)) break;
    if (errno != EILSEQ && errno != EINVAL) break;  // E2BIG: the output is full
    if (outLeft < sizeof(char32_t)) break;          // the bad byte starts the next chunk
    // A byte that starts no valid character: replace it and resynchronise on the next one.
    const char32_t replacement = kReplacementCharacter;
    std::memcpy(outBytes, &replacement, sizeof replacement);
    outBytes += sizeof replacement;
    outLeft -= sizeof replacement;
    ++in;
    --inLeft;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  Cp932Chunk chunk;
  chunk.bytesRead = length - inLeft;
  chunk.codePoints = (capacity * sizeof(char32_t) - outLeft) / sizeof(char32_t);
  return chunk;
}
