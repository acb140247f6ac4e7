// The face found through fontconfig: "ＭＳ Ｐゴシック" where it is installed, else Debian's
// IPA P Gothic, else any sans-serif face that covers Japanese.

#include <fontconfig/fontconfig.h>

#include "shell/desktop/font_lookup.h"

namespace {

constexpr const char* kFaceName = "ＭＳ Ｐゴシック";
constexpr const char* kSubstituteFace = "IPAPGothic";  // Debian's fonts-ipafont-gothic

bool HasFamily(FcPattern* font, const char* family) {
  FcChar8* name = nullptr;
  for (int n = 0; FcPatternGetString(font, FC_FAMILY, n, &name) == FcResultMatch; ++n) {
    if (FcStrCmpIgnoreCase(name, reinterpret_cast<const FcChar8*>(family)) == 0) return true;
  }
  return false;
}

bool SpeaksJapanese(FcPattern* font) {
  FcLangSet* langs = nullptr;
  return FcPatternGetLangSet(font, FC_LANG, 0, &langs) == FcResultMatch &&
         FcLangSetHasLang(langs, reinterpret_cast<const FcChar8*>("ja")) == FcLangEqual;
}

// Fontconfig always answers with some face; accept it only when it is the family asked for
// or, for the generic request, when it covers Japanese.
std::optional<FaceFile> Match(FcConfig* config, const char* family, bool exactFamily) {
  FcPattern* pattern = FcPatternCreate();
  if (pattern == nullptr) return std::nullopt;
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
  FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>("ja"));
  FcPatternAddInteger(pattern, FC_WEIGHT, FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern, FC_SLANT, FC_SLANT_ROMAN);
  FcConfigSubstitute(config, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* font = FcFontMatch(config, pattern, &result);
  FcPatternDestroy(pattern);
  if (font == nullptr) return std::nullopt;
  std::optional<FaceFile> face;
  FcChar8* file = nullptr;
  const bool fits = exactFamily ? HasFamily(font, family) : SpeaksJapanese(font);
  if (fits && FcPatternGetString(font, FC_FILE, 0, &file) == FcResultMatch) {
    face.emplace();
    face->path = reinterpret_cast<const char*>(file);
    FcPatternGetInteger(font, FC_INDEX, 0, &face->index);
    FcChar8* name = nullptr;
    if (FcPatternGetString(font, FC_FAMILY, 0, &name) == FcResultMatch) {
      face->family = reinterpret_cast<const char*>(name);
    }
  }
  FcPatternDestroy(font);
  return face;
}

}  // namespace

std::optional<FaceFile> LookUpFace() {
  // A private configuration, destroyed after the look-up, leaves no fontconfig state behind.
  FcConfig* config = FcInitLoadConfigAndFonts();
  if (config == nullptr) return std::nullopt;
  std::optional<FaceFile> face = Match(config, kFaceName, true);
  if (!face) face = Match(config, kSubstituteFace, true);
  if (!face) face = Match(config, "sans-serif", false);
  FcConfigDestroy(config);
  return face;
}
