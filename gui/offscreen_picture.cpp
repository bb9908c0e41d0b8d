#include "gui/offscreen_picture.h"

#include "gui/offscreen_context.h"
#include "runtime/fablo.h"

using namespace Toolkit;

OffscreenPicture::OffscreenPicture(int32_t width, int32_t height)
    : width_(width), height_(height), bitmap_(new CBitmap(width, height)) {}

OffscreenPicture::~OffscreenPicture() {
  for (CFontDesc* font : fonts_)
    if (font) font->release();
  bitmap_->release();
}

bool OffscreenPicture::editorSize(int32_t& width, int32_t& height) const {
  width = width_;
  height = height_;
  return true;
}

void OffscreenPicture::drawPass(TFablo& effect) {
  COffscreenContext* context = new COffscreenContext(bitmap_);
  context->drawRect(CRect(0, 0, width_, height_), kDrawFilled);  // fill starts opaque black
  PluginLink* previous = effect.zelk;
  effect.zelk = this;
  painting_ = context;
  effect.onGraphics();
  painting_ = nullptr;
  effect.zelk = previous;
  context->release();
}

bool OffscreenPicture::writePng(const char* path) const {
  return bitmap_->getPlatformBitmap() && platform::writePng(*bitmap_->getPlatformBitmap(), path);
}

bool renderPicture(TFablo& effect, const char* pngPath) {
  OffscreenPicture picture;
  picture.drawPass(effect);
  return picture.writePng(pngPath);
}
