#pragma once
// Crash-safe writing of files the user owns: the new contents go to a temporary file in the
// same folder, are flushed to the disk, and only then renamed over the old file. A failed or
// interrupted write leaves the old file as it was and no truncated file behind.

#include <cstddef>
#include <string>

#include "pattern_generator.h"

IoResult WriteFileAtomically(const std::string& path, const void* data, std::size_t size);

// Creates the folder when it is missing; fails when the name is taken by something else.
IoResult EnsureDirectory(const std::string& path);
