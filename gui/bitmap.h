// The toolkit's bitmap: a reference-counted holder of one platform bitmap with its size,
// the resource it came from, and two stored (never used for drawing) attributes.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "gui/base_object.h"
#include "gui/geometry.h"
#include "gui/raster.h"

namespace Toolkit {

class CDrawContext;

// Where a bitmap came from: a resource number, a resource name, or nothing.
struct CResourceDescription {
  enum Kind : int32_t { kIntegerType = 0, kStringType = 1, kNoType = 2 };
  Kind kind = kNoType;
  int32_t id = 0;
  std::string name;

  static CResourceDescription number(int32_t n) { return {kIntegerType, n, {}}; }
  static CResourceDescription named(const char* s) { return {kStringType, 0, s ? s : ""}; }
};

class CBitmap : public CBaseObject {
public:
  // No size, no platform bitmap.
  CBitmap();
  // An empty, transparent 32-bit ARGB bitmap; sizes are truncated to whole pixels.
  CBitmap(double width, double height);
  // Takes over a decoded platform bitmap (null gives a bitmap without one).
  explicit CBitmap(std::unique_ptr<PlatformBitmap> bitmap, const CResourceDescription& description = {});
  ~CBitmap() override;

  // Copies the part at source point `offset` 1:1 into rect of the context.
  virtual void draw(CDrawContext* context, const CRect& rect, const CPoint& offset = {});
  virtual void drawTransparent(CDrawContext* context, const CRect& rect,
                               const CPoint& offset = {});  // same as draw
  // The same at constant opacity alpha / 255.
  virtual void drawAlphaBlend(CDrawContext* context, const CRect& rect, const CPoint& offset, uint8_t alpha);
  virtual void releasePlatformBitmap();
  // Replaces the platform bitmap, releasing the old one as a reload does (which clears
  // the no-alpha flag); the size follows the new one.
  void setPlatformBitmap(std::unique_ptr<PlatformBitmap> bitmap);

  PlatformBitmap* getPlatformBitmap() const { return bitmap_.get(); }
  bool isLoaded() const { return bitmap_ != nullptr; }
  int32_t getWidth() const { return width_; }
  int32_t getHeight() const { return height_; }
  const CResourceDescription& getResourceDescription() const { return description_; }
  void setResourceDescription(const CResourceDescription& d) { description_ = d; }

  CColor getTransparentColor() const { return transparentColor_; }
  void setTransparentColor(CColor c) { transparentColor_ = c; }
  bool getNoAlpha() const { return noAlpha_; }
  void setNoAlpha(bool noAlpha) { noAlpha_ = noAlpha; }

private:
  CResourceDescription description_;
  int32_t width_ = 0, height_ = 0;
  CColor transparentColor_{255, 255, 255, 0};
  bool noAlpha_ = true;
  std::unique_ptr<PlatformBitmap> bitmap_;
};

}  // namespace Toolkit
