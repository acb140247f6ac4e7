#pragma once
// Code page 932, the bytes the screen texts are held in, from and to UTF-8 through the
// system's own table (iconv; Windows' code page 932), so that tests spell those texts as they
// read. Link cp932_text.cpp beside this header.

#include <string>
#include <string_view>

// The code page 932 bytes of UTF-8 text; "<not CP932>" when code page 932 cannot hold it.
std::string Cp932(std::string_view utf8);

// The UTF-8 text of code page 932 bytes; "<invalid CP932>" when they are not code page 932.
std::string Cp932ToUtf8(std::string_view bytes);
