#include "shell/desktop/cp932.h"

std::u32string DecodeCp932(std::string_view bytes) {
  std::u32string text;
  char32_t buffer[256];
  size_t done = 0;
  while (done < bytes.size()) {
    const Cp932Chunk chunk = DecodeCp932(bytes.data() + done, bytes.size() - done, buffer, 256);
    if (chunk.bytesRead == 0) break;
    text.append(buffer, chunk.codePoints);
    done += chunk.bytesRead;
  }
  return text;
}
