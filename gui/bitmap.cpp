#include "gui/bitmap.h"

#include "gui/draw_context.h"

namespace Toolkit {

namespace {
// Truncation toward zero, bounded so that no size or coordinate overflows.
int32_t wholePixels(double v) {
  if (!(v == v)) return 0;
  if (v > 1e9) return 1000000000;
  if (v < -1e9) return -1000000000;
  return static_cast<int32_t>(v);
}
}  // namespace

CBitmap::CBitmap() = default;

CBitmap::CBitmap(double width, double height) : width_(wholePixels(width)), height_(wholePixels(height)) {
  bitmap_ = platform::makeBitmap(width_, height_);
}

CBitmap::CBitmap(std::unique_ptr<PlatformBitmap> bitmap, const CResourceDescription& description)
    : description_(description), bitmap_(std::move(bitmap)) {
  width_ = bitmap_ ? bitmap_->width() : 0;
  height_ = bitmap_ ? bitmap_->height() : 0;
}

CBitmap::~CBitmap() { releasePlatformBitmap(); }

void CBitmap::setPlatformBitmap(std::unique_ptr<PlatformBitmap> bitmap) {
  releasePlatformBitmap();
  bitmap_ = std::move(bitmap);
  width_ = bitmap_ ? bitmap_->width() : 0;
  height_ = bitmap_ ? bitmap_->height() : 0;
}

void CBitmap::releasePlatformBitmap() {
  bitmap_.reset();
  noAlpha_ = false;
}

void CBitmap::draw(CDrawContext* context, const CRect& rect, const CPoint& offset) {
  drawAlphaBlend(context, rect, offset, 255);
}

void CBitmap::drawTransparent(CDrawContext* context, const CRect& rect, const CPoint& offset) {
  drawAlphaBlend(context, rect, offset, 255);
}

void CBitmap::drawAlphaBlend(CDrawContext* context, const CRect& rect, const CPoint& offset, uint8_t alpha) {
  if (!bitmap_ || !context || !context->surface()) return;
  const int32_t w = wholePixels(rect.right - rect.left);
  const int32_t h = wholePixels(rect.bottom - rect.top);
  const CPoint& shift = context->getOffset();
  // Source and destination have the same size: copied 1:1, never scaled.
  context->surface()->drawBitmap(*bitmap_, wholePixels(shift.x) + wholePixels(rect.left),
                                 wholePixels(shift.y) + wholePixels(rect.top), wholePixels(offset.x),
                                 wholePixels(offset.y), w, h, alpha);
}

}  // namespace Toolkit
