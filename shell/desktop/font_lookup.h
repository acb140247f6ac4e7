#pragma once
// Where the editor's face is: one look-up a system, font_lookup_fontconfig.cpp and
// font_lookup_windows.cpp (CMake picks one).

#include <optional>
#include <string>

struct FaceFile {
  std::string path;  // UTF-8
  int index = 0;     // the face within a collection (.ttc)
  std::string family;
};

// "ＭＳ Ｐゴシック" where the system has it, else the IPA P Gothic standing in for it; nullopt
// when there is neither.
std::optional<FaceFile> LookUpFace();
