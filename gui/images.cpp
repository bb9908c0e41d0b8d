#include "gui/images.h"

#include <string>

#include "gui/draw_context.h"
#include "gui/paint_link.h"
#include "gui/resources.h"

namespace Toolkit {

CBitmap* newResourceBitmap(const CResourceDescription& description) {
  const bool byNumber = description.kind == CResourceDescription::kIntegerType;
  if (!byNumber && description.kind != CResourceDescription::kStringType)
    return new CBitmap(nullptr, description);
  const char* name = description.name.c_str();
  std::span<const uint8_t> bytes =
      byNumber ? findEmbeddedResource(description.id, "DATA") : findEmbeddedResource(name, "DATA");
  std::unique_ptr<PlatformBitmap> decoded;
  if (!bytes.empty()) decoded = platform::decodePng(bytes.data(), bytes.size());
  if (!decoded) decoded = byNumber ? platformResourceBitmap(description.id) : platformResourceBitmap(name);
  return new CBitmap(std::move(decoded), description);
}

}  // namespace Toolkit

namespace {

using Toolkit::CBitmap;

void releaseHeld(ImageHolder* holder) {
  if (holder->bitmap) holder->bitmap->release();
  holder->bitmap = nullptr;
}

// Keeps a freshly made bitmap only when it has a size.
int32_t keepIfSized(ImageHolder* holder, CBitmap* bitmap) {
  if (bitmap->getWidth() > 0 && bitmap->getHeight() > 0) {
    holder->bitmap = bitmap;
    return 1;
  }
  bitmap->release();
  return 0;
}

bool drawPart(ImageHolder* holder, PaintLink* plugin, double left, double top, double right, double bottom,
              double sourceX, double sourceY, uint8_t alpha) {
  Toolkit::CDrawContext* context = plugin ? plugin->drawContext() : nullptr;
  if (!context || !holder || !holder->bitmap) return false;
  holder->bitmap->drawAlphaBlend(context, Toolkit::CRect(left, top, right, bottom),
                                 Toolkit::CPoint(sourceX, sourceY), alpha);
  return true;
}

}  // namespace

ImageHolder* imageNew() { return new ImageHolder; }

int32_t imageFree(ImageHolder* holder) {
  if (!holder) return 0;
  releaseHeld(holder);
  delete holder;
  return 1;
}

int32_t imageLoadResourceId(ImageHolder* holder, int32_t number) {
  if (!holder) return 0;
  releaseHeld(holder);
  auto description = Toolkit::CResourceDescription::number(int32_t(uint16_t(number)));
  return keepIfSized(holder, Toolkit::newResourceBitmap(description));
}

int32_t imageLoadResourceName(ImageHolder* holder, const char* name) {
  if (!holder) return 0;
  releaseHeld(holder);
  if (!name) return 0;
  return keepIfSized(holder, Toolkit::newResourceBitmap(Toolkit::CResourceDescription::named(name)));
}

int32_t imageLoadFile(ImageHolder* holder, const char* path) {
  if (!holder) return 0;
  releaseHeld(holder);
  auto decoded = Toolkit::platform::loadImageFile(path);
  if (!decoded) return 0;
  return keepIfSized(holder, new CBitmap(std::move(decoded)));
}

double imageWidth(const ImageHolder* holder) {
  return holder && holder->bitmap ? holder->bitmap->getWidth() : 0;
}

double imageHeight(const ImageHolder* holder) {
  return holder && holder->bitmap ? holder->bitmap->getHeight() : 0;
}

int32_t imageGetTransparentColor(const ImageHolder* holder, uint8_t* red, uint8_t* green, uint8_t* blue,
                                 uint8_t* alpha) {
  if (!holder || !holder->bitmap) return 0;
  const Toolkit::CColor c = holder->bitmap->getTransparentColor();
  if (red) *red = c.red;
  if (green) *green = c.green;
  if (blue) *blue = c.blue;
  if (alpha) *alpha = c.alpha;
  return 1;
}

int32_t imageSetTransparentColor(ImageHolder* holder, int32_t red, int32_t green, int32_t blue,
                                 int32_t alpha) {
  if (!holder || !holder->bitmap) return 0;
  holder->bitmap->setTransparentColor({uint8_t(red), uint8_t(green), uint8_t(blue), uint8_t(alpha)});
  return 1;
}

int32_t imageGetNoAlpha(const ImageHolder* holder) {
  return holder && holder->bitmap ? holder->bitmap->getNoAlpha() : 0;
}

int32_t imageSetNoAlpha(ImageHolder* holder, int32_t flag) {
  if (!holder || !holder->bitmap) return 0;
  holder->bitmap->setNoAlpha(flag != 0);
  return 1;
}

bool imageDraw(ImageHolder* holder, PaintLink* plugin, double left, double top, double right, double bottom,
               double sourceX, double sourceY) {
  return drawPart(holder, plugin, left, top, right, bottom, sourceX, sourceY, 255);
}

bool imageDrawTransparent(ImageHolder* holder, PaintLink* plugin, double left, double top, double right,
                          double bottom, double sourceX, double sourceY) {
  return drawPart(holder, plugin, left, top, right, bottom, sourceX, sourceY, 255);
}

bool imageDrawBlended(ImageHolder* holder, PaintLink* plugin, double left, double top, double right,
                      double bottom, double sourceX, double sourceY, int32_t alpha) {
  return drawPart(holder, plugin, left, top, right, bottom, sourceX, sourceY, uint8_t(alpha));
}
