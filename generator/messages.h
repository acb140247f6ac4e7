#pragma once
// The programs' messages on standard error: each line begins with the program's name, and
// what a message quotes of a file or a file's name (a shared folder's, a dropped file's) is
// bounded and inert: no byte of it can move a terminal's cursor or set its title.

#include <string>

// The name messages begin with: "quilmorante" unless the program sets its own.
void SetProgramName(const char* name);
// One line on standard error: "<program>: <text>".
void Warn(const std::string& text);

// At most 80 bytes of text for a message, printable ASCII as it is and any other byte as
// "\xNN", with "..." where it was cut.
std::string QuoteForMessage(const std::string& text);
// A file's path for a message: its last 80 bytes ("..." before them where it was cut), UTF-8
// characters as they are, control characters and bytes that are not UTF-8 as "\xNN".
std::string QuoteName(const std::string& path);
// "1 colour", "2 colours".
std::string Counted(long long count, const std::string& noun);
