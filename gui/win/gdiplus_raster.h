// GDI+ implementation of the raster seam: surfaces over a window's device context
// or a bitmap, fonts, bitmaps, PNG decoding and encoding.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "gui/raster.h"
#include "gui/win/gdiplus_api.h"
#include "gui/win/gdiplus_globals.h"

namespace Toolkit::win {

// Packed RGBA (red in the low byte) to GDI+'s ARGB (alpha in the high byte).
constexpr ARGB toArgb(PackedColor c) {
  return (c & 0xFF000000u) | (c & 0xFFu) << 16 | (c & 0xFF00u) | (c >> 16 & 0xFFu);
}

// UTF-8 text widened for GDI+; short texts need no allocation.
class WideText {
public:
  explicit WideText(std::string_view utf8);
  const wchar_t* data() const { return heap_ ? heap_.get() : local_; }
  int length() const { return length_; }

private:
  wchar_t local_[256];
  std::unique_ptr<wchar_t[]> heap_;
  int length_ = 0;
};

// A font family, pixel size and one GDI+ style. The GDI+ font is made when first
// needed, given back just before GDI+ shuts down, and made again after a restart, so
// a font description may outlive any number of GDI+ start-ups.
class GdiplusFont final : public PlatformFont, private GdiplusShutdownListener {
public:
  GdiplusFont(const char* family, double pixelSize, int style);
  ~GdiplusFont() override;
  bool valid() const override;
  double measure(std::string_view utf8) const override;
  double height(double dpiY) const override;

  GpFont* handle() const;  // null when the family is missing or GDI+ is not running
  int gdiplusStyle() const { return style_; }
  GpStatus lastStatus() const { return status_; }

private:
  void gdiplusShuttingDown() override;
  wchar_t family_[200];
  float size_;
  int style_;
  mutable GpFont* font_ = nullptr;  // only while GDI+ runs
  mutable bool tried_ = false;
  mutable GpStatus status_ = Gdiplus::Ok;
};

class GdiplusBitmap final : public PlatformBitmap {
public:
  explicit GdiplusBitmap(GpBitmap* owned);  // takes ownership
  ~GdiplusBitmap() override;
  int width() const override { return width_; }
  int height() const override { return height_; }
  GpBitmap* handle() const { return bitmap_; }
  uint32_t pixel(int x, int y) const;  // ARGB, for tests and tools
  // The image resampled smoothly to factor times its size, kept for the next call at the
  // same factor; null when it cannot be made.
  const GdiplusBitmap* resampled(float factor) const;

private:
  GdiplusRef gdiplus_;  // first member: GDI+ outlives the bitmap
  GpBitmap* bitmap_;
  int width_ = 0, height_ = 0;
  mutable std::unique_ptr<GdiplusBitmap> resampled_;
  mutable float resampledFactor_ = 0;
};

// A surface on a window may draw at a factor (a high-resolution screen): it is given
// the picture's coordinates and GDI+'s world transformation multiplies them. Paths
// (lines, outlines, ellipses, arcs, polygons) are moved by half a device pixel less
// than half a picture pixel, so that a 1-pixel line covers whole device pixels (a band
// of 2 at 2) as rectangles, text and images do. At 1 nothing is transformed.
class GdiplusSurface final : public RasterSurface {
public:
  // On a device context: set up for painting a window.
  explicit GdiplusSurface(HDC dc, double scale = 1);
  // On a window: its device context is held until the surface is destroyed.
  explicit GdiplusSurface(HWND window, double scale = 1);
  // On a bitmap (offscreen drawing): pixel offset and smoothing keep GDI+'s defaults.
  explicit GdiplusSurface(GdiplusBitmap& target, double scale = 1);
  ~GdiplusSurface() override;

  void setPenColor(PackedColor c) override;
  void setPenWidth(double w) override;
  void setPenDotted(bool dotted) override;
  void setFillColor(PackedColor c) override;
  void setTextColor(PackedColor c) override;
  void setAntialias(bool on) override;
  void setClipRect(double x, double y, double w, double h) override;
  void setTextAntialias(bool on) override;
  double dpiY() const override;

  void drawLine(int x1, int y1, int x2, int y2) override;
  void fillRectangle(float x, float y, float w, float h) override;
  void drawRectangle(float x, float y, float w, float h) override;
  void fillEllipse(int x, int y, int w, int h) override;
  void drawEllipse(int x, int y, int w, int h) override;
  void fillArc(float x, float y, float w, float h, float start, float sweep) override;
  void drawArc(float x, float y, float w, float h, float start, float sweep) override;
  void fillPolygon(const PointF* pts, int count) override;
  void drawPolygon(const PointF* pts, int count) override;
  void drawLines(const PointF* pts, int count) override;
  void drawString(const PlatformFont& font, std::string_view utf8, float x, float y) override;
  void drawBitmap(const PlatformBitmap& bmp, int dx, int dy, int sx, int sy, int w, int h,
                  uint8_t alpha) override;

  GpGraphics* graphics() const { return graphics_.handle; }
  // Last status of each platform object, for diagnosis; failures are otherwise ignored.
  GpStatus graphicsStatus() const { return graphics_.status; }
  GpStatus penStatus() const { return pen_.status; }
  GpStatus fillStatus() const { return fill_.status; }
  GpStatus textStatus() const { return text_.status; }

private:
  template <class H>
  struct Wrapped {
    H* handle = nullptr;
    GpStatus status = Gdiplus::Ok;
    GpStatus operator()(GpStatus s) { return status = s; }
  };
  void init(bool deviceSetup, double scale = 1);
  // Puts the transformation for paths (true) or for areas (false) in place.
  // The coordinates primitives are given in: the picture's for areas (fills, text,
  // clips), the picture's moved for paths, or device pixels (1:1 image copies).
  enum class Space { areas, paths, device };
  void transformFor(Space space);
  void updateCaps();
  bool strokesThin() const;
  void strokeThin(float x1, float y1, float x2, float y2);

  GdiplusRef gdiplus_;
  Wrapped<GpGraphics> graphics_;
  Wrapped<GpPen> pen_;
  Wrapped<GpSolidFill> fill_;
  Wrapped<GpSolidFill> text_;
  HWND window_ = nullptr;
  HDC windowDc_ = nullptr;
  // What can be drawn at all, when known: the bitmap, the window's client area, or the
  // device context's clip box. Empty when unknown.
  RECT bounds_{};
  float scale_ = 1;
  Gdiplus::GpMatrix* areaMatrix_ = nullptr;  // both only at a factor other than 1
  Gdiplus::GpMatrix* pathMatrix_ = nullptr;
  Space space_ = Space::areas;
  GpPen* thinPen_ = nullptr;  // at a factor: one device pixel wide, the pen's colour
  double penWidth_ = 1;
  bool antialias_ = false;  // as a new surface starts
  bool dotted_ = false;
};

// A 32-bit ARGB copy of a decoded image; disposes the decoded one (null on failure).
std::unique_ptr<PlatformBitmap> argbCopyOf(GpBitmap* decoded);
// Finds an installed image encoder by MIME type ("image/png").
bool encoderClsid(const wchar_t* mimeType, CLSID& out);
// An 8-bit path in the system code page, widened for GDI+.
std::wstring widenPath(const char* path);

}  // namespace Toolkit::win
