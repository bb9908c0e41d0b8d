// Minimal stand-in so that drawing links: no image is ever loaded yet. Owned by the
// images work, which replaces this file with the image table and loaders.
#include "gui/images.h"

#include "gui/draw_context.h"
#include "runtime/fablo.h"
#include "runtime/plugin_link.h"

ImageHolder* imageNew() { return new ImageHolder; }

int32_t imageFree(ImageHolder* holder) {
  if (!holder) return 0;
  if (holder->bitmap) holder->bitmap->release();
  delete holder;
  return 1;
}

bool imageDraw(ImageHolder* holder, PluginLink* plugin, double left, double top, double right,
               double bottom, double sourceX, double sourceY) {
  VSTGUI::CDrawContext* context = plugin ? plugin->drawContext() : nullptr;
  if (!context || !holder || !holder->bitmap) return false;
  holder->bitmap->draw(context, VSTGUI::CRect(left, top, right, bottom),
                       VSTGUI::CPoint(sourceX, sourceY));
  return true;
}

ImageEntry& CFabloGraphics::getImage(int32_t number) { return imageTable[number]; }
