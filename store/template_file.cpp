#include "store/template_file.h"

#include <cstring>
#include <string>

#include "store/read_file.h"

namespace {

// A template is a BMP header, perhaps with a whole frame (32886 bytes) behind it; a file
// far larger is no template, and is refused before it is read.
constexpr std::size_t kMaxTemplateBytes = 1024 * 1024;

}  // namespace

Result ReadFrameTemplate(uint8_t header[kHeaderBytes], const std::string& path) {
  std::string bytes;
  if (Result read = ReadFileBytes(path, kMaxTemplateBytes, bytes); !read) return read;
  // A short template would give frames with made-up header bytes: refuse it instead.
  if (bytes.size() < kHeaderBytes)
    return Result::Fail(path + ": shorter than " + std::to_string(kHeaderBytes) +
                        " bytes, not a BMP header template");
  std::memcpy(header, bytes.data(), kHeaderBytes);
  Result checked = CheckFrameTemplate(header);
  // The check names the template by its usual name; this one may be elsewhere.
  if (!checked && path != kFrameTemplateFile)
    checked.message = path + checked.message.substr(std::strlen(kFrameTemplateFile));
  return checked;
}
