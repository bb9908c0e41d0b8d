// The toolkit's drawing surface: holds the drawing state of one paint (colours, pen,
// clip, font, translation) and turns each primitive into calls on a RasterSurface.
// All coordinates given to it are local; the offset is added inside.
#pragma once
#include <cstdint>
#include <memory>

#include "gui/base_object.h"
#include "gui/font_desc.h"
#include "gui/geometry.h"
#include "gui/raster.h"

namespace Toolkit {

class CDrawContext : public CBaseObject {
public:
  // Clip rectangle of a context made without a frame.
  static constexpr CRect kNoFrameRect{0, 0, 1000, 1000};

  // Draws into the surface (owned); a context without a surface accepts every call and
  // draws nothing. frameRect is the creating frame's rectangle, the default clip.
  explicit CDrawContext(std::unique_ptr<RasterSurface> surface, const CRect& frameRect = kNoFrameRect);
  ~CDrawContext() override;

  // Drawing state. Setters skip the platform call when the value does not change,
  // because script code sets colours before every primitive (text colour excepted).
  void setLineColor(CColor color);
  void setFillColor(CColor color);
  void setTextColor(CColor color);
  void setLineWidth(double width);
  void setLineStyle(int32_t style);  // 1 dotted, anything else solid
  void setDrawMode(int32_t mode);    // 3 antialiased, anything else aliased
  CColor getLineColor() const { return lineColor_; }
  CColor getFillColor() const { return fillColor_; }
  CColor getTextColor() const { return textColor_; }
  double getLineWidth() const { return lineWidth_; }
  int32_t getLineStyle() const { return lineStyle_; }
  int32_t getDrawMode() const { return drawMode_; }

  void setClipRect(const CRect& clip);
  CRect& getClipRect(CRect& clip) const;  // in local coordinates
  void resetClipRect();

  // Translation of local coordinates (the position of the view being drawn).
  void setOffset(const CPoint& offset) { offset_ = offset; }
  const CPoint& getOffset() const { return offset_; }
  void setGlobalOffset(const CPoint& offset) { globalOffset_ = offset; }
  const CPoint& getGlobalOffset() const { return globalOffset_; }

  // Lines and shapes.
  void moveTo(const CPoint& p);
  void lineTo(const CPoint& p);
  CPoint getPenPosition() const { return pen_ - offset_; }
  void drawSegments(const CPoint* points, int32_t segmentCount);
  void drawPolygon(const CPoint* points, int32_t count, int32_t style = kDrawStroked, bool closed = true);
  void drawRect(const CRect& rect, int32_t style = kDrawStroked);
  void drawEllipse(const CRect& rect, int32_t style = kDrawStroked);
  void drawArc(const CRect& rect, float startAngle, float endAngle, int32_t style = kDrawStroked);
  void drawPoint(const CPoint& p, CColor color);
  CColor getPoint(const CPoint& p) const;  // always opaque black

  // Fonts and text (UTF-8).
  void selectFont(CFontDesc* font, double size = 0, int32_t style = -1);
  CFontDesc* getFont() const { return font_; }
  double getFontSize() const;
  double measureText(const char* text);  // -1 when it cannot measure
  void drawTextAt(const char* text, const CPoint& p, bool antialias = true);
  void drawTextInRect(const char* text, const CRect& rect, int32_t align = kCenterText,
                      bool antialias = true);

  // The surface beneath (null for a context that draws nothing); bitmaps draw through it.
  RasterSurface* surface() const { return surface_.get(); }

protected:
  // Gives a context made without a surface one; the pen and brushes carry over, the
  // smoothing of the new surface is left at its default.
  void attachSurface(std::unique_ptr<RasterSurface> surface);
  // Stores a translated clip without telling the surface.
  void storeClip(const CRect& clip) { clip_ = clip; }

private:
  static int truncInt(double v);
  static double finite(double v);
  void applyClip();

  std::unique_ptr<RasterSurface> surface_;
  CRect frameRect_;
  CPoint globalOffset_;
  CPoint offset_;
  CFontDesc* font_ = nullptr;  // one owned reference
  CColor textColor_{};
  CPoint pen_;  // already translated
  double lineWidth_ = 0;
  CColor lineColor_{};
  CColor fillColor_{};
  int32_t lineStyle_ = kLineOnOffDash;
  int32_t drawMode_ = kAntialias;
  CRect clip_;  // translated
};

}  // namespace Toolkit
