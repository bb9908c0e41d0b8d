#include "gui/offscreen_context.h"

#include <algorithm>

namespace Toolkit {

COffscreenContext::COffscreenContext(const CRect& frameRect, double width, double height, CColor background)
    : CDrawContext(nullptr, frameRect), width_(width), height_(height), background_(background) {
  storeClip(CRect(std::min(0.0, width), std::min(0.0, height), std::max(0.0, width), std::max(0.0, height)));
  bitmap_ = new CBitmap(width, height);
  drawIntoBitmap();
}

COffscreenContext::COffscreenContext(CBitmap* bitmap) : CDrawContext(nullptr) {
  bitmap_ = bitmap;
  if (bitmap_) {
    bitmap_->retain();
    width_ = bitmap_->getWidth();
    height_ = bitmap_->getHeight();
  }
  storeClip(CRect(0, 0, width_, height_));
  drawIntoBitmap();
}

void COffscreenContext::drawIntoBitmap() {
  // The surface keeps its default smoothing: the stored draw mode is already aliased.
  if (bitmap_ && bitmap_->getPlatformBitmap())
    attachSurface(platform::surfaceFor(*bitmap_->getPlatformBitmap()));
}

COffscreenContext::~COffscreenContext() {
  // The surface refers to the bitmap's pixels: let it go before the bitmap.
  attachSurface(nullptr);
  if (bitmap_) bitmap_->release();
}

}  // namespace Toolkit
