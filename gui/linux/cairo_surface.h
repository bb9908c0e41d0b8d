// The raster seam on cairo: bitmaps are cairo image surfaces, a RasterSurface draws
// through one cairo_t onto an image surface or an X drawable.
//
// Coordinates follow the Windows rules that the portable context was written for:
// pixel centres lie on whole coordinates there, so lines, outlines, ellipses, arcs and
// polygons are shifted by half a pixel here; filled rectangles, clips, text and bitmap
// copies address pixel areas and are not shifted.
//
// A surface may draw at a factor (a window on a high-resolution screen): everything
// it is given is in the picture's coordinates and cairo's transformation multiplies
// it, so outlines stay whole device pixels wide (a 1-pixel line is a band of 2 at 2)
// and text is drawn at the size rather than stretched.
#pragma once
#include <cairo.h>

#include <cstdint>

#include "gui/raster.h"

namespace Toolkit {

class CairoBitmap : public PlatformBitmap {
public:
  explicit CairoBitmap(cairo_surface_t* image);  // takes over one reference
  ~CairoBitmap() override;
  int width() const override;
  int height() const override;
  cairo_surface_t* surface() const { return image_; }
  // Premultiplied ARGB of one pixel (0 outside the bitmap), for checks and tools.
  uint32_t pixel(int x, int y) const;

private:
  cairo_surface_t* image_;
};

class CairoSurface : public RasterSurface {
public:
  explicit CairoSurface(cairo_surface_t* target, double scale = 1);  // adds a reference to target
  explicit CairoSurface(cairo_t* cr, double scale = 1);              // adds a reference to cr
  ~CairoSurface() override;
  cairo_t* context() const { return cr_; }

  void setPenColor(PackedColor c) override { pen_ = c; }
  void setPenWidth(double w) override { penWidth_ = w; }
  void setPenDotted(bool dotted) override { dotted_ = dotted; }
  void setFillColor(PackedColor c) override { fill_ = c; }
  void setTextColor(PackedColor c) override { text_ = c; }
  void setAntialias(bool on) override;
  void setClipRect(double x, double y, double w, double h) override;
  void setTextAntialias(bool on) override { textAntialias_ = on; }
  double dpiY() const override { return 96; }

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

private:
  void init(double scale);
  void source(PackedColor c);
  void stroke();
  bool ellipsePath(double x, double y, double w, double h, double start, double sweep);
  bool polygonPath(const PointF* pts, int count, bool close);

  cairo_t* cr_ = nullptr;
  PackedColor pen_, fill_, text_;
  double penWidth_ = 1;
  bool dotted_ = false;
  bool antialias_ = false;
  bool textAntialias_ = false;
  bool scaled_ = false;
};

}  // namespace Toolkit
