#include "gui/bridge.h"

#include "gui/draw_context.h"
#include "gui/images.h"
#include "gui/paint_link.h"

using namespace Toolkit;

namespace {

CDrawContext* contextOf(PaintLink* plugin) { return plugin ? plugin->drawContext() : nullptr; }

CColor colorOf(int32_t r, int32_t g, int32_t b, int32_t a) {
  return CColor{uint8_t(r & 0xFF), uint8_t(g & 0xFF), uint8_t(b & 0xFF), uint8_t(a & 0xFF)};
}

// As the C library compares in its default locale: ASCII letters only, whatever
// locale the host may have set.
int lowerAscii(char c) {
  const int u = static_cast<unsigned char>(c);
  return u >= 'A' && u <= 'Z' ? u + ('a' - 'A') : u;
}

bool sameNameIgnoringCase(const char* a, const char* b) {
  if (!a || !b) return a == b;
  for (;; ++a, ++b) {
    const int ca = lowerAscii(*a);
    const int cb = lowerAscii(*b);
    if (ca != cb) return false;
    if (ca == 0) return true;
  }
}

}  // namespace

int32_t canvasEditorSize(PaintLink* plugin, int32_t* width, int32_t* height) {
  int32_t w = 0, h = 0;
  if (!plugin || !plugin->editorSize(w, h)) return 0;
  if (width) *width = w;
  if (height) *height = h;
  return 1;
}

int32_t canvasSetDrawMode(PaintLink* plugin, int32_t mode) {
  CDrawContext* c = contextOf(plugin);
  if (!c) return 0;
  c->setDrawMode(mode);
  return 1;
}

int32_t canvasSetTextColor(PaintLink* plugin, int32_t r, int32_t g, int32_t b, int32_t a) {
  CDrawContext* c = contextOf(plugin);
  if (!c) return 0;
  c->setTextColor(colorOf(r, g, b, a));
  return 1;
}

int32_t canvasSetFillColor(PaintLink* plugin, int32_t r, int32_t g, int32_t b, int32_t a) {
  CDrawContext* c = contextOf(plugin);
  if (!c) return 0;
  c->setFillColor(colorOf(r, g, b, a));
  return 1;
}

int32_t canvasSetLineColor(PaintLink* plugin, int32_t r, int32_t g, int32_t b, int32_t a) {
  CDrawContext* c = contextOf(plugin);
  if (!c) return 0;
  c->setLineColor(colorOf(r, g, b, a));
  return 1;
}

int32_t canvasSelectFont(PaintLink* plugin, const char* name, int32_t size, int32_t style) {
  CDrawContext* c = contextOf(plugin);
  if (!c) return 0;
  if (!name) name = "";
  std::vector<CFontDesc*>& cache = plugin->fontCache();
  CFontDesc* found = nullptr;
  for (auto it = cache.rbegin(); it != cache.rend() && !found; ++it)
    if (*it && sameNameIgnoringCase((*it)->getName(), name)) found = *it;
  if (!found) {
    found = new CFontDesc(name, 0, 0);  // the cache holds its one reference
    cache.push_back(found);
  }
  c->selectFont(found, size, style);
  return 1;
}

double canvasMeasureText(PaintLink* plugin, const char* text) {
  CDrawContext* c = contextOf(plugin);
  return c ? c->measureText(text) : 0;
}

int32_t canvasFontSize(PaintLink* plugin) {
  CDrawContext* c = contextOf(plugin);
  if (!c) return 0;
  const double size = c->getFontSize();
  return size > -2147483648.0 && size < 2147483648.0 ? static_cast<int32_t>(size) : 0;
}

int32_t canvasMoveTo(PaintLink* plugin, double x, double y) {
  CDrawContext* c = contextOf(plugin);
  if (!c) return 0;
  c->moveTo(CPoint(x, y));
  return 1;
}

int32_t canvasLineTo(PaintLink* plugin, double x, double y) {
  CDrawContext* c = contextOf(plugin);
  if (!c) return 0;
  c->lineTo(CPoint(x, y));
  return 1;
}

int32_t canvasArc(PaintLink* plugin, double left, double top, double right, double bottom, double startAngle,
                  double endAngle, int32_t strokeStyle) {
  CDrawContext* c = contextOf(plugin);
  if (!c) return 0;
  c->drawArc(CRect(left, top, right, bottom), static_cast<float>(startAngle), static_cast<float>(endAngle),
             strokeStyle);
  return 1;
}

int32_t canvasRect(PaintLink* plugin, double left, double top, double right, double bottom,
                   int32_t strokeStyle) {
  CDrawContext* c = contextOf(plugin);
  if (!c) return 0;
  c->drawRect(CRect(left, top, right, bottom), strokeStyle);
  return 1;
}

int32_t canvasEllipse(PaintLink* plugin, double left, double top, double right, double bottom,
                      int32_t strokeStyle) {
  CDrawContext* c = contextOf(plugin);
  if (!c) return 0;
  c->drawEllipse(CRect(left, top, right, bottom), strokeStyle);
  return 1;
}

int32_t canvasDrawText(PaintLink* plugin, const char* text, double left, double top, double right,
                       double bottom, int32_t /*opaque*/, int32_t align) {
  CDrawContext* c = contextOf(plugin);
  if (!c) return 0;
  c->drawTextInRect(text, CRect(left, top, right, bottom), align, true);
  return 1;
}

int32_t canvasTextAt(PaintLink* plugin, const char* text, double x, double y, int32_t antialias) {
  CDrawContext* c = contextOf(plugin);
  if (!c) return 0;
  c->drawTextAt(text, CPoint(x, y), (antialias & 0xFF) != 0);
  return 1;
}

int32_t canvasTextInRect(PaintLink* plugin, const char* text, double left, double top, double right,
                         double bottom, int32_t align, int32_t antialias) {
  CDrawContext* c = contextOf(plugin);
  if (!c) return 0;
  c->drawTextInRect(text, CRect(left, top, right, bottom), align, (antialias & 0xFF) != 0);
  return 1;
}

int32_t canvasSetPixel(PaintLink* plugin, double x, double y, int32_t r, int32_t g, int32_t b, int32_t a) {
  CDrawContext* c = contextOf(plugin);
  if (!c) return 0;
  c->drawPoint(CPoint(x, y), colorOf(r, g, b, a));
  return 1;
}

int32_t canvasGetPixel(PaintLink* plugin, double x, double y, int32_t* r, int32_t* g, int32_t* b,
                       int32_t* a) {
  CDrawContext* c = contextOf(plugin);
  if (!c) return 0;
  const CColor p = c->getPoint(CPoint(x, y));
  if (r) *r = p.red;
  if (g) *g = p.green;
  if (b) *b = p.blue;
  if (a) *a = p.alpha;
  return 1;
}

// The runtime's drawing, forwarded to the bridge and the image bridge.
int32_t ContextDrawing::setAntialias(bool on) {
  return canvasSetDrawMode(link_, on ? kAntialias : kAliasing);
}
int32_t ContextDrawing::setTextColor(int32_t r, int32_t g, int32_t b, int32_t a) {
  return canvasSetTextColor(link_, r, g, b, a);
}
int32_t ContextDrawing::setFillColor(int32_t r, int32_t g, int32_t b, int32_t a) {
  return canvasSetFillColor(link_, r, g, b, a);
}
int32_t ContextDrawing::setLineColor(int32_t r, int32_t g, int32_t b, int32_t a) {
  return canvasSetLineColor(link_, r, g, b, a);
}
int32_t ContextDrawing::selectFont(const char* name, int32_t size, int32_t style) {
  return canvasSelectFont(link_, name, size, style);
}
double ContextDrawing::measureText(const char* text) { return canvasMeasureText(link_, text); }
int32_t ContextDrawing::moveTo(double x, double y) { return canvasMoveTo(link_, x, y); }
int32_t ContextDrawing::lineTo(double x, double y) { return canvasLineTo(link_, x, y); }
int32_t ContextDrawing::fillRect(double left, double top, double right, double bottom) {
  return canvasRect(link_, left, top, right, bottom, kDrawFilled);
}
int32_t ContextDrawing::drawText(const char* text, double left, double top, double right, double bottom,
                                 bool centred) {
  return canvasDrawText(link_, text, left, top, right, bottom, 0, centred ? kCenterText : kLeftText);
}

ScriptImage* ContextDrawing::newImage() { return imageNew(); }
bool ContextDrawing::loadImageResource(ScriptImage* image, int32_t number) {
  return imageLoadResourceId(heldImage(image), number) != 0;
}
bool ContextDrawing::loadImageFile(ScriptImage* image, const char* path) {
  return imageLoadFile(heldImage(image), path) != 0;
}
double ContextDrawing::imageWidth(const ScriptImage* image) { return ::imageWidth(heldImage(image)); }
double ContextDrawing::imageHeight(const ScriptImage* image) { return ::imageHeight(heldImage(image)); }
bool ContextDrawing::drawImage(ScriptImage* image, double left, double top, double right, double bottom,
                               double sourceX, double sourceY) {
  return imageDraw(heldImage(image), link_, left, top, right, bottom, sourceX, sourceY);
}
