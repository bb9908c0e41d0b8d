// A drawing context that draws into a bitmap instead of a window.
#pragma once
#include "gui/bitmap.h"
#include "gui/draw_context.h"

namespace Toolkit {

class COffscreenContext : public CDrawContext {
public:
  // A new transparent bitmap of width x height (none when a size is not positive, and
  // then the context draws nothing). The background colour is stored, not painted.
  COffscreenContext(const CRect& frameRect, double width, double height, CColor background = kBlackCColor);
  // Draws into an existing bitmap, holding one reference to it; a fresh context per
  // pass gives the defaults of a new paint on the same pixels.
  explicit COffscreenContext(CBitmap* bitmap);
  ~COffscreenContext() override;

  CBitmap* getBitmap() const { return bitmap_; }
  double getWidth() const { return width_; }
  double getHeight() const { return height_; }
  CColor getBackgroundColor() const { return background_; }

private:
  void drawIntoBitmap();

  CBitmap* bitmap_ = nullptr;  // one reference
  double width_ = 0, height_ = 0;
  CColor background_{};
};

}  // namespace Toolkit
