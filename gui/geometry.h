// Toolkit points, rectangles and colours, in window pixels as doubles.
#pragma once
#include <algorithm>
#include <cstdint>

#include "gui/raster.h"

namespace Toolkit {

struct CPoint {
  double x = 0, y = 0;
  constexpr CPoint() = default;
  constexpr CPoint(double x_, double y_) : x(x_), y(y_) {}
  constexpr CPoint operator+(const CPoint& o) const { return {x + o.x, y + o.y}; }
  constexpr CPoint operator-(const CPoint& o) const { return {x - o.x, y - o.y}; }
  constexpr bool operator==(const CPoint&) const = default;
};

// Left, top, right, bottom; a point is inside when left <= x < right and top <= y < bottom.
struct CRect {
  double left = 0, top = 0, right = 0, bottom = 0;
  constexpr CRect() = default;
  constexpr CRect(double l, double t, double r, double b) : left(l), top(t), right(r), bottom(b) {}
  constexpr double width() const { return right - left; }
  constexpr double height() const { return bottom - top; }
  constexpr CRect offset(const CPoint& p) const { return {left + p.x, top + p.y, right + p.x, bottom + p.y}; }
  constexpr bool pointInside(const CPoint& p) const {
    return left <= p.x && p.x < right && top <= p.y && p.y < bottom;
  }
  // Clamps an empty result to zero width or height.
  constexpr CRect intersect(const CRect& o) const {
    CRect r(std::max(left, o.left), std::max(top, o.top), std::min(right, o.right),
            std::min(bottom, o.bottom));
    if (r.right < r.left) r.right = r.left;
    if (r.bottom < r.top) r.bottom = r.top;
    return r;
  }
  constexpr bool operator==(const CRect&) const = default;
};

// Four bytes; travels packed as red in bits 0..7 up to alpha in bits 24..31.
struct CColor {
  uint8_t red = 0, green = 0, blue = 0, alpha = 0;
  constexpr PackedColor packed() const { return packColor(red, green, blue, alpha); }
  static constexpr CColor fromPacked(PackedColor c) {
    return {uint8_t(c), uint8_t(c >> 8), uint8_t(c >> 16), uint8_t(c >> 24)};
  }
  constexpr bool operator==(const CColor&) const = default;
};

inline constexpr CColor kBlackCColor{0, 0, 0, 255};
inline constexpr CColor kWhiteCColor{255, 255, 255, 255};

// How shapes are drawn: outline with the pen, fill with the fill brush, or both.
enum StrokeStyle : int32_t { kDrawStroked = 0, kDrawFilled = 1, kDrawFilledAndStroked = 2 };
enum TextAlign : int32_t { kLeftText = 0, kCenterText = 1, kRightText = 2 };
enum DrawMode : int32_t { kAliasing = 0, kAntialias = 3 };
enum LineStyle : int32_t { kLineSolid = 0, kLineOnOffDash = 1 };

}  // namespace Toolkit
