#include "gui/draw_context.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace Toolkit {

namespace {
constexpr int kFixedPolygonPoints = 30;  // polygons up to this size need no allocation
}

CDrawContext::CDrawContext(std::unique_ptr<RasterSurface> surface, const CRect& frameRect)
    : surface_(std::move(surface)), frameRect_(frameRect), clip_(frameRect) {
  // Defaults go through the setters so the surface follows; line style and draw mode
  // start at values that differ from their defaults, so the pen and smoothing are set.
  setLineColor(kWhiteCColor);
  setLineStyle(kLineSolid);
  setLineWidth(1);
  setFillColor(kBlackCColor);
  setTextColor(kWhiteCColor);
  selectFont(predefinedFont(0), 0, -1);  // defaultFont, safe even during static start-up
  setDrawMode(kAliasing);
}

CDrawContext::~CDrawContext() {
  if (font_) font_->release();
}

void CDrawContext::attachSurface(std::unique_ptr<RasterSurface> surface) {
  surface_ = std::move(surface);
  if (!surface_) return;
  surface_->setPenColor(lineColor_.packed());
  surface_->setPenWidth(lineWidth_);
  surface_->setPenDotted(lineStyle_ == kLineOnOffDash);
  surface_->setFillColor(fillColor_.packed());
  surface_->setTextColor(textColor_.packed());
}

int CDrawContext::truncInt(double v) {
  // Truncation toward zero; NaN and values beyond the int range cannot reach a surface.
  if (!(v == v)) return 0;
  if (v >= 2147483647.0) return 2147483647;
  if (v <= -2147483648.0) return -2147483647 - 1;
  return static_cast<int>(v);
}

double CDrawContext::finite(double v) {
  // Within the int range, as every other coordinate; NaN cannot reach a surface.
  if (!(v == v)) return 0;
  return std::clamp(v, -2147483648.0, 2147483647.0);
}

void CDrawContext::setLineColor(CColor color) {
  if (color == lineColor_) return;
  lineColor_ = color;
  if (surface_) surface_->setPenColor(color.packed());
}

void CDrawContext::setFillColor(CColor color) {
  if (color == fillColor_) return;
  fillColor_ = color;
  if (surface_) surface_->setFillColor(color.packed());
}

void CDrawContext::setTextColor(CColor color) {
  textColor_ = color;
  if (surface_) surface_->setTextColor(color.packed());
}

void CDrawContext::setLineWidth(double width) {
  if (width == lineWidth_) return;
  lineWidth_ = width;
  if (surface_) surface_->setPenWidth(width);
}

void CDrawContext::setLineStyle(int32_t style) {
  if (style == lineStyle_) return;
  lineStyle_ = style;
  if (surface_) surface_->setPenDotted(style == kLineOnOffDash);
}

void CDrawContext::setDrawMode(int32_t mode) {
  if (mode == drawMode_) return;
  drawMode_ = mode;
  if (surface_) surface_->setAntialias(mode == kAntialias);
}

void CDrawContext::setClipRect(const CRect& clip) {
  const CRect translated = clip.offset(offset_);
  if (translated == clip_) return;
  clip_ = translated;
  applyClip();
}

void CDrawContext::applyClip() {
  if (!surface_) return;
  // Not truncated: text is clipped to its measured width, which ends inside a pixel, and
  // only the surface knows the device pixels beneath it at a factor.
  const double left = finite(clip_.left), top = finite(clip_.top);
  surface_->setClipRect(left, top, finite(clip_.right) - left, finite(clip_.bottom) - top);
}

CRect& CDrawContext::getClipRect(CRect& clip) const {
  clip = clip_.offset(CPoint(-offset_.x, -offset_.y));
  return clip;
}

void CDrawContext::resetClipRect() {
  clip_ = frameRect_;
  applyClip();
}

void CDrawContext::moveTo(const CPoint& p) { pen_ = p + offset_; }

void CDrawContext::lineTo(const CPoint& p) {
  const CPoint to = p + offset_;
  if (surface_) surface_->drawLine(truncInt(pen_.x), truncInt(pen_.y), truncInt(to.x), truncInt(to.y));
  pen_ = to;
}

void CDrawContext::drawSegments(const CPoint* points, int32_t segmentCount) {
  if (!points) return;
  for (int32_t k = 0; k < segmentCount; ++k) {
    moveTo(points[2 * k]);
    lineTo(points[2 * k + 1]);
  }
}

void CDrawContext::drawPolygon(const CPoint* points, int32_t count, int32_t style, bool closed) {
  if (!surface_ || !points || count <= 0) return;
  PointF fixed[kFixedPolygonPoints];
  std::vector<PointF> heap;
  PointF* pts = fixed;
  if (count > kFixedPolygonPoints) {
    heap.resize(static_cast<std::size_t>(count));
    pts = heap.data();
  }
  for (int32_t i = 0; i < count; ++i)
    pts[i] = {static_cast<float>(points[i].x + offset_.x), static_cast<float>(points[i].y + offset_.y)};
  if (style == kDrawFilled || style == kDrawFilledAndStroked) surface_->fillPolygon(pts, count);
  if (style == kDrawStroked || style == kDrawFilledAndStroked) {
    if (closed)
      surface_->drawPolygon(pts, count);
    else
      surface_->drawLines(pts, count);
  }
}

void CDrawContext::drawRect(const CRect& rect, int32_t style) {
  if (!surface_) return;
  const CRect r = rect.offset(offset_);
  const float x = static_cast<float>(std::min(r.left, r.right));
  const float y = static_cast<float>(std::min(r.top, r.bottom));
  const float w = static_cast<float>(std::fabs(r.right - r.left));
  const float h = static_cast<float>(std::fabs(r.bottom - r.top));
  if (style == kDrawFilled || style == kDrawFilledAndStroked) surface_->fillRectangle(x, y, w, h);
  // One less than the fill, so the outline covers exactly the fill's border pixels.
  if (style == kDrawStroked || style == kDrawFilledAndStroked) surface_->drawRectangle(x, y, w - 1, h - 1);
}

void CDrawContext::drawEllipse(const CRect& rect, int32_t style) {
  if (!surface_) return;
  const CRect r = rect.offset(offset_);
  const int x = truncInt(std::min(r.left, r.right));
  const int y = truncInt(std::min(r.top, r.bottom));
  const int w = truncInt(std::fabs(r.right - r.left));
  const int h = truncInt(std::fabs(r.bottom - r.top));
  if (style == kDrawFilled || style == kDrawFilledAndStroked) surface_->fillEllipse(x, y, w - 1, h - 1);
  if (style == kDrawStroked || style == kDrawFilledAndStroked) surface_->drawEllipse(x, y, w - 1, h - 1);
}

void CDrawContext::drawArc(const CRect& rect, float startAngle, float endAngle, int32_t style) {
  if (!surface_) return;
  const float end = endAngle < startAngle ? endAngle + 360.0f : endAngle;
  const float sweep = std::fabs(end - startAngle);
  // The arc's rectangle is deliberately not normalised.
  const float x = static_cast<float>(rect.left + offset_.x);
  const float y = static_cast<float>(rect.top + offset_.y);
  const float w = static_cast<float>(rect.right - rect.left);
  const float h = static_cast<float>(rect.bottom - rect.top);
  if (style == kDrawFilled || style == kDrawFilledAndStroked)
    surface_->fillArc(x, y, w, h, startAngle, sweep);
  if (style == kDrawStroked || style == kDrawFilledAndStroked)
    surface_->drawArc(x, y, w, h, startAngle, sweep);
}

void CDrawContext::drawPoint(const CPoint& p, CColor color) {
  const CColor oldColor = lineColor_;
  const double oldWidth = lineWidth_;
  if (lineWidth_ != 1) setLineWidth(1);
  setLineColor(color);
  moveTo(p);
  lineTo(CPoint(p.x + 1, p.y));
  setLineColor(oldColor);
  if (oldWidth != lineWidth_) setLineWidth(oldWidth);
}

CColor CDrawContext::getPoint(const CPoint&) const { return kBlackCColor; }

void CDrawContext::selectFont(CFontDesc* font, double size, int32_t style) {
  if (!font) return;
  // Retain before releasing: the new font may be the current one.
  CFontDesc* next;
  if ((size < 1 || size == font->getSize()) && (style == -1 || style == font->getStyle())) {
    font->retain();
    next = font;
  } else {
    next = new CFontDesc(font->getName(), size < 1 ? font->getSize() : size,
                         style == -1 ? font->getStyle() : style);
  }
  if (font_) font_->release();
  font_ = next;
}

double CDrawContext::getFontSize() const { return font_ ? font_->getSize() : 0; }

double CDrawContext::measureText(const char* text) {
  if (!text || !font_ || !surface_) return -1;
  const PlatformFont* pf = font_->platformFont();
  if (!pf) return -1;
  return pf->measure(text);
}

void CDrawContext::drawTextAt(const char* text, const CPoint& p, bool antialias) {
  if (!text || !font_ || !surface_) return;
  const PlatformFont* pf = font_->platformFont();
  if (!pf) return;
  surface_->setTextAntialias(antialias);
  const double fh = pf->height(surface_->dpiY());
  // p.y is the bottom of the text line: the line's box ends one pixel below it.
  const float x = static_cast<float>(p.x + offset_.x);
  const float y = static_cast<float>((p.y + offset_.y) + 1 - fh);
  if (pf->valid()) surface_->drawString(*pf, text, x, y);
}

void CDrawContext::drawTextInRect(const char* text, const CRect& rect, int32_t align, bool antialias) {
  if (!text) return;
  const double size = getFontSize();
  double x;
  if (align == kLeftText) {
    x = rect.left;
  } else {
    const double width = measureText(text);
    x = align == kRightText ? rect.right - width : rect.left + (rect.right - rect.left) * 0.5 - 0.5 * width;
  }
  const double y = rect.bottom - ((rect.bottom - rect.top) * 0.5 - size * 0.5 + 1);
  CRect saved;
  getClipRect(saved);
  setClipRect(rect.intersect(saved));
  drawTextAt(text, CPoint(x, y), antialias);
  setClipRect(saved);
}

}  // namespace Toolkit
