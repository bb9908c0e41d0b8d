#include "gui/font_desc.h"

#include <cstring>
#include <string>

namespace Toolkit {

namespace {

char* copyName(const char* name) {
  if (!name) return nullptr;
  const std::size_t n = std::strlen(name);
  char* copy = new char[n + 1];
  std::memcpy(copy, name, n + 1);
  return copy;
}

// At most maxChars characters of a UTF-8 name, never splitting a character.
std::string cutFamilyName(const char* name, int maxChars) {
  std::size_t end = 0;
  int chars = 0;
  for (; name[end] != '\0'; ++end) {
    const bool startsCharacter = (static_cast<unsigned char>(name[end]) & 0xC0) != 0x80;
    if (startsCharacter && chars++ == maxChars) break;
  }
  return std::string(name, end);
}

}  // namespace

CFontDesc::CFontDesc(const char* name, double size, int32_t style)
    : name_(copyName(name)), size_(size), style_(style) {}

CFontDesc::~CFontDesc() { delete[] name_; }

void CFontDesc::setName(const char* name) {
  if (name == name_) return;
  if (name && name_ && std::strcmp(name, name_) == 0) return;
  if (!name && !name_) return;
  delete[] name_;
  name_ = copyName(name);
  platformFont_.reset();
}

void CFontDesc::setSize(double size) {
  size_ = size;
  platformFont_.reset();
}

void CFontDesc::setStyle(int32_t style) {
  style_ = style;
  platformFont_.reset();
}

bool CFontDesc::operator==(const CFontDesc& other) const {
  const bool namesEqual = (name_ == nullptr && other.name_ == nullptr) ||
                          (name_ && other.name_ && std::strcmp(name_, other.name_) == 0);
  return namesEqual && size_ == other.size_ && style_ == other.style_;
}

std::string CFontDesc::platformFamilyName() const {
  return cutFamilyName(name_ ? name_ : "", kMaxFamilyChars);
}

const PlatformFont* CFontDesc::platformFont() {
  if (!platformFont_) {
    const std::string family = platformFamilyName();
    platformFont_ = platform::makeFont(family.c_str(), size_, platformStyle(style_));
  }
  return platformFont_.get();
}

CFontDesc* predefinedFont(int index) {
  // Static objects: alive until the library is unloaded, which then frees them (a host
  // may load and unload the plug-in many times). Reference counts never reach zero.
  static CFontDesc fonts[kPredefinedFontCount] = {{"Arial", 12}, {"Arial", 18}, {"Arial", 14},
                                                  {"Arial", 12}, {"Arial", 11}, {"Arial", 10},
                                                  {"Arial", 9},  {"Symbol", 13}};
  return index >= 0 && index < kPredefinedFontCount ? &fonts[index] : nullptr;
}

CFontDesc* const defaultFont = predefinedFont(0);

void dropPredefinedPlatformFonts() {
  for (int i = 0; i < kPredefinedFontCount; ++i) predefinedFont(i)->dropPlatformFont();
}

}  // namespace Toolkit
