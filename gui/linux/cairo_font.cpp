#include "gui/linux/cairo_font.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <memory>
#include <mutex>

namespace Toolkit {

namespace {

// Length of the valid UTF-8 sequence at s[i], or 0 when the byte starts none.
std::size_t validSequence(std::string_view s, std::size_t i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char b = byte(i);
  if (b < 0x80) return 1;
  std::size_t n;
  unsigned char lo = 0x80, hi = 0xBF;
  if (b >= 0xC2 && b <= 0xDF) {
    n = 2;
  } else if (b >= 0xE0 && b <= 0xEF) {
    n = 3;
    if (b == 0xE0) lo = 0xA0;
    if (b == 0xED) hi = 0x9F;  // no surrogates
  } else if (b >= 0xF0 && b <= 0xF4) {
    n = 4;
    if (b == 0xF0) lo = 0x90;
    if (b == 0xF4) hi = 0x8F;  // nothing above U+10FFFF
  } else {
    return 0;
  }
  if (i + n > s.size()) return 0;
  if (byte(i + 1) < lo || byte(i + 1) > hi) return 0;
  for (std::size_t k = 2; k < n; ++k)
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
  return n;
}

std::size_t copyValidUtf8(std::string_view in, char* out) {
  std::size_t o = 0;
  for (std::size_t i = 0; i < in.size() && in[i] != '\0';) {
    const std::size_t n = validSequence(in, i);
    if (n == 0) {
      out[o++] = '\xEF';
      out[o++] = '\xBF';
      out[o++] = '\xBD';
      ++i;
    } else {
      for (std::size_t k = 0; k < n; ++k) out[o++] = in[i + k];
      i += n;
    }
  }
  out[o] = '\0';
  return o;
}

// Fontconfig matching is slow next to a drawing pass; the answer per family never
// changes while the process runs. The only process-wide state of the cairo backend.
struct FamilyCache {
  std::mutex lock;
  std::map<std::string, bool> available;
};

FamilyCache& familyCache() {
  static FamilyCache cache;  // freed when the library is unloaded
  return cache;
}

bool queryFontconfig(const char* family) {
  FcPattern* pattern = FcPatternCreate();
  if (!pattern) return false;
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  bool found = false;
  if (match) {
    // The requested name and its metric aliases are bound strongly; generic fallbacks
    // (the font fontconfig picks for an unknown name) are not.
    FcChar8* matched = nullptr;
    for (int m = 0; !found && FcPatternGetString(match, FC_FAMILY, m, &matched) == FcResultMatch; ++m) {
      FcValue value;
      FcValueBinding binding;
      for (int i = 0; FcPatternGetWithBinding(pattern, FC_FAMILY, i, &value, &binding) == FcResultMatch;
           ++i) {
        if (binding == FcValueBindingStrong && value.type == FcTypeString &&
            FcStrCmpIgnoreCase(value.u.s, matched) == 0) {
          found = true;
          break;
        }
      }
    }
    FcPatternDestroy(match);
  }
  FcPatternDestroy(pattern);
  return found;
}

}  // namespace

CairoText::CairoText(std::string_view utf8) {
  const std::size_t worst = utf8.size() * 3 + 1;
  if (worst <= sizeof local_) {
    copyValidUtf8(utf8, local_);
  } else {
    heap_.resize(worst);
    heap_.resize(copyValidUtf8(utf8, heap_.data()));
    if (heap_.empty()) local_[0] = '\0';
  }
}

bool fontFamilyAvailable(const char* family) {
  if (!family || !*family) return false;
  std::string key(family);
  std::transform(key.begin(), key.end(), key.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  FamilyCache& cache = familyCache();
  std::lock_guard<std::mutex> guard(cache.lock);
  auto it = cache.available.find(key);
  if (it == cache.available.end()) it = cache.available.emplace(key, queryFontconfig(family)).first;
  return it->second;
}

CairoFont::CairoFont(const char* family, double pixelSize, int styleBits) : size_(pixelSize) {
  const int style = platformFontStyle(styleBits);
  underline_ = style == kUnderlineFace;
  const char* name = family ? family : "";
  valid_ = fontFamilyAvailable(name) && pixelSize > 0 && pixelSize < 1e6;
  face_ = cairo_toy_font_face_create(name,
                                     style == kItalicFace ? CAIRO_FONT_SLANT_ITALIC : CAIRO_FONT_SLANT_NORMAL,
                                     style == kBoldFace ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
  if (!valid_) return;
  cairo_matrix_t fontMatrix, identity;
  cairo_matrix_init_scale(&fontMatrix, pixelSize, pixelSize);
  cairo_matrix_init_identity(&identity);
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
  scaled_ = cairo_scaled_font_create(face_, &fontMatrix, &identity, options);
  cairo_font_options_destroy(options);
  if (cairo_scaled_font_status(scaled_) != CAIRO_STATUS_SUCCESS) {
    valid_ = false;
    return;
  }
  cairo_font_extents_t extents;
  cairo_scaled_font_extents(scaled_, &extents);
  ascent_ = extents.ascent;
  height_ = extents.height;
}

CairoFont::~CairoFont() {
  if (scaled_) cairo_scaled_font_destroy(scaled_);
  if (face_) cairo_font_face_destroy(face_);
}

double CairoFont::measure(std::string_view utf8) const {
  if (!valid_ || utf8.empty()) return 0;
  const CairoText text(utf8);
  cairo_text_extents_t extents;
  cairo_scaled_font_text_extents(scaled_, text.c_str(), &extents);
  return extents.x_advance;
}

// Sizes are in pixels, so the resolution does not change the line height.
double CairoFont::height(double) const { return valid_ ? height_ : 0; }

namespace platform {
std::unique_ptr<PlatformFont> makeFont(const char* family, double pixelSize, int style) {
  return std::make_unique<CairoFont>(family, pixelSize, style);
}
}  // namespace platform

}  // namespace Toolkit
