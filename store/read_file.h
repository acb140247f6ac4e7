#pragma once
// The one way the programs read a file's bytes. A data folder may come from anyone, so a read
// never waits and never takes more memory than its caller allows: the file is opened without
// blocking (a FIFO or a device is refused, not waited on), must be a regular file (a link to
// one is read through) and at most maxBytes long, which is checked before anything is read.

#include <cstddef>
#include <string>

#include "generator/result.h"

// Slot files, cycle ranges and settings are a few hundred bytes; anything past this is not
// one of them.
constexpr std::size_t kMaxSmallFileBytes = 64 * 1024;

// The file's whole bytes. A missing file fails with error ENOENT (callers that treat a
// missing file as empty test for it); a special file, a folder or a file over maxBytes fails
// with a message naming the file and why.
Result ReadFileBytes(const std::string& path, std::size_t maxBytes, std::string& bytes);

// Whether a failed ReadFileBytes could not open the file at all (missing, not permitted), as
// against one it opened and then refused or could not read.
bool OpenFailed(const Result& read);
