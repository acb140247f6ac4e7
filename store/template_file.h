#pragma once
// The frame template as a file: a.bmp in the data folder (or the installed one).

#include <cstdint>
#include <string>

#include "generator/frame_template.h"
#include "generator/result.h"

// Reads the first 54 bytes of the template at path; a missing or shorter template fails, and
// so does one that cannot be read (see ReadFileBytes; a file over 1 MiB is no template) or
// that CheckFrameTemplate refuses. Messages name path.
Result ReadFrameTemplate(uint8_t header[kHeaderBytes], const std::string& path);
