// Fonts on cairo: a toy font face per family and style, checked against fontconfig so
// that a family the system does not have measures 0 and draws nothing.
#pragma once
#include <cairo.h>

#include <string>
#include <string_view>

#include "gui/raster.h"

namespace Toolkit {

class CairoFont : public PlatformFont {
public:
  CairoFont(const char* family, double pixelSize, int style);
  ~CairoFont() override;
  bool valid() const override { return valid_; }
  double measure(std::string_view utf8) const override;
  double height(double dpiY) const override;

  cairo_font_face_t* face() const { return face_; }
  double size() const { return size_; }
  bool underlined() const { return underline_; }
  double ascent() const { return ascent_; }

private:
  cairo_font_face_t* face_ = nullptr;
  cairo_scaled_font_t* scaled_ = nullptr;
  double size_ = 0;
  double ascent_ = 0, height_ = 0;
  bool valid_ = false;
  bool underline_ = false;
};

// True when fontconfig resolves the family to itself or one of its metric aliases.
bool fontFamilyAvailable(const char* family);

// A NUL-terminated, valid UTF-8 copy of a text (invalid bytes become U+FFFD), kept on
// the stack for short texts: cairo puts a context in an error state for bad UTF-8.
class CairoText {
public:
  explicit CairoText(std::string_view utf8);
  const char* c_str() const { return heap_.empty() ? local_ : heap_.c_str(); }

private:
  char local_[256];
  std::string heap_;
};

}  // namespace Toolkit
