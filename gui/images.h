// The image bridge: holders of one CBitmap reference each, loading a holder's bitmap
// from an embedded resource or a file, its stored attributes, and drawing a part of it
// on the paint in progress. The effect's image table (CFabloGraphics::getImage) rests
// on these, through the link's drawing. A null holder, or one without a bitmap, answers
// 0 (false) everywhere.
#pragma once
#include <cstdint>

#include "gui/bitmap.h"
#include "runtime/script_drawing.h"

class PaintLink;

struct ImageHolder final : ScriptImage {
  ~ImageHolder() override {
    if (bitmap) bitmap->release();
  }
  Toolkit::CBitmap* bitmap = nullptr;  // one reference, or none
};

// The holder behind an image of the runtime's image table: every image there was made
// by imageNew.
inline ImageHolder* heldImage(ScriptImage* image) { return static_cast<ImageHolder*>(image); }
inline const ImageHolder* heldImage(const ScriptImage* image) {
  return static_cast<const ImageHolder*>(image);
}

ImageHolder* imageNew();
// Releases the held bitmap and frees the holder; 0 for a null holder.
int32_t imageFree(ImageHolder* holder);

// Each releases the held bitmap first, then keeps the new one only when it has a size.
int32_t imageLoadResourceId(ImageHolder* holder, int32_t number);  // low 16 bits used
int32_t imageLoadResourceName(ImageHolder* holder, const char* name);
int32_t imageLoadFile(ImageHolder* holder, const char* path);

double imageWidth(const ImageHolder* holder);
double imageHeight(const ImageHolder* holder);
// Stored and reported, never used for drawing. Null out pointers are skipped.
int32_t imageGetTransparentColor(const ImageHolder* holder, uint8_t* red, uint8_t* green, uint8_t* blue,
                                 uint8_t* alpha);
int32_t imageSetTransparentColor(ImageHolder* holder, int32_t red, int32_t green, int32_t blue,
                                 int32_t alpha);  // low 8 bits of each
int32_t imageGetNoAlpha(const ImageHolder* holder);
int32_t imageSetNoAlpha(ImageHolder* holder, int32_t flag);

// Copies the bitmap part at (sourceX, sourceY) 1:1 into the rectangle of the paint in
// progress; false without a paint, a holder or a bitmap.
bool imageDraw(ImageHolder* holder, PaintLink* plugin, double left, double top, double right, double bottom,
               double sourceX, double sourceY);
bool imageDrawTransparent(ImageHolder* holder, PaintLink* plugin, double left, double top, double right,
                          double bottom, double sourceX, double sourceY);
// The same at constant opacity alpha / 255 (low 8 bits of alpha).
bool imageDrawBlended(ImageHolder* holder, PaintLink* plugin, double left, double top, double right,
                      double bottom, double sourceX, double sourceY, int32_t alpha);

namespace Toolkit {
// A bitmap decoded from the embedded PNG resource of type "DATA" with the description's
// number or name, else from the platform's own bitmap resource of that id; the result
// has width and height 0 when neither exists. Reference count 1.
CBitmap* newResourceBitmap(const CResourceDescription& description);
}  // namespace Toolkit
