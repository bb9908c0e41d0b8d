// A font by family name, pixel size and style bits; its platform font is made on first use.
#pragma once
#include <memory>
#include <string>

#include "gui/base_object.h"
#include "gui/raster.h"

namespace Toolkit {

class CFontDesc : public CBaseObject {
public:
  CFontDesc(const char* name = nullptr, double size = 0, int32_t style = 0);
  ~CFontDesc() override;

  const char* getName() const { return name_; }
  double getSize() const { return size_; }
  int32_t getStyle() const { return style_; }
  // Each setter drops the platform font when the value changes.
  void setName(const char* name);
  void setSize(double size);
  void setStyle(int32_t style);
  bool operator==(const CFontDesc& other) const;

  // Made on demand with the one style the platform font gets (underline before italic
  // before bold). A family the system lacks gives an invalid font that measures 0 and
  // draws nothing; null only when the platform could make no font object at all.
  const PlatformFont* platformFont();
  void dropPlatformFont() { platformFont_.reset(); }

  // The single platform style for style bits: underline, else italic, else bold, else 0.
  static int32_t platformStyle(int32_t style) { return platformFontStyle(style); }
  // Longest family name handed to the platform, in characters; longer names are cut.
  static constexpr int kMaxFamilyChars = 199;
  // The family name as the platform gets it: cut to kMaxFamilyChars characters, never
  // in the middle of a UTF-8 character.
  std::string platformFamilyName() const;

private:
  char* name_ = nullptr;
  double size_ = 0;
  int32_t style_ = 0;
  std::unique_ptr<PlatformFont> platformFont_;
};

// Predefined descriptions, built at load time and freed at unload. Only defaultFont
// (Arial 12) is used by this program.
extern CFontDesc* const defaultFont;
inline constexpr int kPredefinedFontCount = 8;
CFontDesc* predefinedFont(int index);  // 0 is defaultFont; null outside 0..7
// Drops the platform fonts of the predefined descriptions (the platform's graphics
// library shuts down); they are made again on next use.
void dropPredefinedPlatformFonts();

}  // namespace Toolkit
