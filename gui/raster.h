// The narrow seam between the portable drawing context and a platform's 2-D API
// (GDI+ on Windows, cairo on Linux). Coordinates arriving here are final pixels of the
// picture: translation, truncation and outline sizes are decided above the seam, the
// factor of a high-resolution screen beneath it. The clip alone keeps its fractions:
// only beneath the seam is it known which device pixels it touches.
// The operations mirror the platform objects a context holds (one pen, a fill brush,
// a text brush, smoothing, clip), so that a context can skip unchanged settings.
// Tests put a recording double beneath the context to check exact calls.
#pragma once
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <string_view>

#include "runtime/script_drawing.h"

namespace Toolkit {

// Font style bits: the runtime's, which effect code sets and fonts keep as given.
enum FontStyle : int32_t {
  kBoldFace = kFontBold,
  kItalicFace = kFontItalic,
  kUnderlineFace = kFontUnderline,
};
// The single platform style for style bits: underline, else italic, else bold, else 0.
inline constexpr int32_t platformFontStyle(int32_t style) {
  if (style & kUnderlineFace) return kUnderlineFace;
  if (style & kItalicFace) return kItalicFace;
  if (style & kBoldFace) return kBoldFace;
  return 0;
}

// Packed colour: red in bits 0..7, green 8..15, blue 16..23, alpha 24..31.
using PackedColor = uint32_t;
inline constexpr PackedColor packColor(uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
  return PackedColor(r) | PackedColor(g) << 8 | PackedColor(b) << 16 | PackedColor(a) << 24;
}

struct PointF {
  float x, y;
};

// The device pixels a clip rectangle in the picture's coordinates touches at a factor:
// left and top inclusive, right and bottom exclusive, each held within +-limit. Rounding
// outwards keeps whole the ink of text clipped to its measured width (a box that ends
// inside a pixel), at every factor alike; an edge a rounding error past a pixel boundary
// stays on the boundary.
struct PixelBox {
  double left, top, right, bottom;
};
inline PixelBox touchedPixels(double x, double y, double w, double h, double scale, double limit) {
  constexpr double kSlack = 1e-6;
  const auto low = [&](double v) { return std::clamp(std::floor(v * scale + kSlack), -limit, limit); };
  const auto high = [&](double v) { return std::clamp(std::ceil(v * scale - kSlack), -limit, limit); };
  return {low(x), low(y), high(x + w), high(y + h)};
}

// A font made for one family, pixel size and style. A family that the system does
// not have still yields a font object, which measures 0 and draws nothing.
class PlatformFont {
public:
  virtual ~PlatformFont() = default;
  virtual bool valid() const = 0;  // false when the family is not on the system
  // Width of the text's bounding box in pixels (UTF-8 text).
  virtual double measure(std::string_view utf8) const = 0;
  // Line height in pixels at the given vertical resolution.
  virtual double height(double dpiY) const = 0;
};

// A 32-bit ARGB image. Decoded from PNG bytes or a file, or blank for offscreen drawing.
class PlatformBitmap {
public:
  virtual ~PlatformBitmap() = default;
  virtual int width() const = 0;
  virtual int height() const = 0;
};

// A new surface starts with an opaque black solid pen of width 1, opaque black fill and
// text colours, aliased shapes, the default text hint and no clip. Settings persist
// until changed.
class RasterSurface {
public:
  virtual ~RasterSurface() = default;

  // Drawing state (each a platform call; the context decides when to make it).
  virtual void setPenColor(PackedColor c) = 0;
  virtual void setPenWidth(double w) = 0;
  virtual void setPenDotted(bool dotted) = 0;
  virtual void setFillColor(PackedColor c) = 0;
  virtual void setTextColor(PackedColor c) = 0;
  virtual void setAntialias(bool on) = 0;
  // A finite rectangle; the surface clips to every device pixel it touches.
  virtual void setClipRect(double x, double y, double w, double h) = 0;
  virtual void setTextAntialias(bool on) = 0;  // ClearType-like hint vs system default
  virtual double dpiY() const = 0;

  // Primitives.
  virtual void drawLine(int x1, int y1, int x2, int y2) = 0;
  virtual void fillRectangle(float x, float y, float w, float h) = 0;
  virtual void drawRectangle(float x, float y, float w, float h) = 0;
  virtual void fillEllipse(int x, int y, int w, int h) = 0;
  virtual void drawEllipse(int x, int y, int w, int h) = 0;
  virtual void fillArc(float x, float y, float w, float h, float start, float sweep) = 0;
  virtual void drawArc(float x, float y, float w, float h, float start, float sweep) = 0;
  virtual void fillPolygon(const PointF* pts, int count) = 0;  // alternate fill rule
  virtual void drawPolygon(const PointF* pts, int count) = 0;  // closed outline
  virtual void drawLines(const PointF* pts, int count) = 0;    // open polyline
  // Text with its layout box's top-left corner at (x, y).
  virtual void drawString(const PlatformFont& font, std::string_view utf8, float x, float y) = 0;
  // Copies a w x h part of the bitmap 1:1, at constant opacity alpha / 255.
  virtual void drawBitmap(const PlatformBitmap& bmp, int dx, int dy, int sx, int sy, int w, int h,
                          uint8_t alpha) = 0;
};

// Platform factories, implemented once per platform.
namespace platform {
std::unique_ptr<PlatformFont> makeFont(const char* family, double pixelSize, int style);
std::unique_ptr<PlatformBitmap> decodePng(const void* bytes, std::size_t size);
std::unique_ptr<PlatformBitmap> loadImageFile(const char* path);
std::unique_ptr<PlatformBitmap> makeBitmap(int width, int height);  // transparent ARGB
// scale: the factor between the coordinates the surface is given and the bitmap's
// pixels (a picture drawn for a high-resolution screen); 1 draws 1:1.
std::unique_ptr<RasterSurface> surfaceFor(PlatformBitmap& target, double scale = 1);
// path: UTF-8, as the command-line tools hold every file name.
bool writePng(const PlatformBitmap& bmp, const char* path);
}  // namespace platform

}  // namespace Toolkit
