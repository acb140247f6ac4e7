// The face on Windows: "MS PGothic" (the family FreeType reads from msgothic.ttc, English for
// "ＭＳ Ｐゴシック") in the Windows fonts folder, else the IPA P Gothic that the zip ships beside
// the program.

#include <ft2build.h>
#include <shlobj.h>
#include <windows.h>
#include FT_FREETYPE_H

#include <cstring>

#include "shell/desktop/font_lookup.h"
#include "store/data_folder.h"

namespace {

constexpr const char* kFaceFamily = "MS PGothic";
constexpr const char* kFaceCollection = "msgothic.ttc";
constexpr const char* kSubstituteFile = "ipagp.ttf";

std::string FontsFolder() {
  wchar_t* folder = nullptr;
  std::string utf8;
  if (SHGetKnownFolderPath(FOLDERID_Fonts, 0, nullptr, &folder) == S_OK) {
    const int length = WideCharToMultiByte(CP_UTF8, 0, folder, -1, nullptr, 0, nullptr, nullptr);
    if (length > 1) {
      utf8.resize(static_cast<size_t>(length));
      WideCharToMultiByte(CP_UTF8, 0, folder, -1, utf8.data(), length, nullptr, nullptr);
      utf8.pop_back();  // the terminator
    }
  }
  CoTaskMemFree(folder);
  return utf8;
}

// The face of the file whose family is `family` (any face when it is null).
std::optional<FaceFile> FaceOf(FT_Library library, const std::string& path, const char* family) {
  FT_Face face = nullptr;
  if (FT_New_Face(library, path.c_str(), -1, &face) != 0) return std::nullopt;
  const FT_Long faces = face->num_faces;
  FT_Done_Face(face);
  for (FT_Long index = 0; index < faces; ++index) {
    if (FT_New_Face(library, path.c_str(), index, &face) != 0) continue;
    std::optional<FaceFile> found;
    if (face->family_name != nullptr &&
        (family == nullptr || std::strcmp(face->family_name, family) == 0))
      found = FaceFile{path, static_cast<int>(index), face->family_name};
    FT_Done_Face(face);
    if (found) return found;
  }
  return std::nullopt;
}

}  // namespace

std::optional<FaceFile> LookUpFace() {
  FT_Library library = nullptr;
  if (FT_Init_FreeType(&library) != 0) return std::nullopt;
  std::optional<FaceFile> face;
  if (const std::string fonts = FontsFolder(); !fonts.empty())
    face = FaceOf(library, fonts + "\\" + kFaceCollection, kFaceFamily);
  if (!face) face = FaceOf(library, ExecutableFolder() + "\\" + kSubstituteFile, nullptr);
  FT_Done_FreeType(library);
  return face;
}
