// A font by family name, pixel size and style bits; its platform font is made on first use.
#pragma once
#include <memory>

#include "gui/base_object.h"
#include "gui/raster.h"

namespace VSTGUI {

enum FontStyle : int32_t { kBoldFace = 1, kItalicFace = 2, kUnderlineFace = 4 };

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

  // Made on demand; never null (a family the system lacks gives an invalid font).
  const PlatformFont& platformFont();
  void dropPlatformFont() { platformFont_.reset(); }

private:
  char* name_ = nullptr;
  double size_ = 0;
  int32_t style_ = 0;
  std::unique_ptr<PlatformFont> platformFont_;
};

}  // namespace VSTGUI
