// Image bridge: holders of one CBitmap reference each, and drawing them on the paint
// in progress. Minimal stand-in owned by the images work, which replaces this file.
#pragma once
#include <cstdint>

#include "gui/bitmap.h"

class PluginLink;

struct ImageHolder {
  VSTGUI::CBitmap* bitmap = nullptr;  // one reference, or none
};

ImageHolder* imageNew();
// Releases the held bitmap and frees the holder; 0 for a null holder.
int32_t imageFree(ImageHolder* holder);
// Copies the bitmap part at (sourceX, sourceY) 1:1 into the rectangle of the paint in
// progress; false without a paint, a holder or a bitmap.
bool imageDraw(ImageHolder* holder, PluginLink* plugin, double left, double top, double right,
               double bottom, double sourceX, double sourceY);
