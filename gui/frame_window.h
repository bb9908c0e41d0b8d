// The window seam beneath CFrame: everything the portable frame needs from the platform
// window it owns (Win32 child window, X11 child window, or a recording double in tests).
// The platform side turns its messages into the CFrame::handle... calls and paints by
// making a drawing context and calling CFrame::paint.
#pragma once
#include <cmath>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

#include "gui/geometry.h"

namespace Toolkit {

class CDrawContext;
class CFrame;

// The factor between the picture's coordinates (the frame's, the views') and the
// window's pixels. The picture keeps its coordinates at every factor; only the window,
// the surfaces it paints through and its input events work in device pixels.
class DisplayScale {
public:
  static constexpr double kMinimum = 1, kMaximum = 4;
  // The reference resolution: this many dots per inch is a factor of 1.
  static constexpr double kBaseDpi = 96;

  constexpr DisplayScale() = default;
  // Factors outside the range (or not numbers) are taken as 1.
  explicit DisplayScale(double factor) : factor_(inRange(factor) ? factor : 1) {}
  static bool inRange(double factor) { return factor >= kMinimum && factor <= kMaximum; }
  // The factor of a resolution, held within the range (a 72-dpi screen draws at 1).
  static DisplayScale ofDpi(double dpi) {
    return DisplayScale(std::isfinite(dpi) ? std::clamp(dpi / kBaseDpi, kMinimum, kMaximum) : 1);
  }
  // A number with a decimal point that makes up all of the text (spaces and tabs around
  // it aside), as BRIMTRACE_SCALE and Xft.dpi give one. Read whatever the C locale:
  // a host may run under one whose decimal point is a comma.
  static std::optional<double> parseNumber(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    // Digits with an optional fraction, by hand: std::from_chars for doubles needs a C++
    // library newer than older systems the plug-in loads on have.
    uint64_t digits = 0, scale = 1;
    int count = 0;
    bool point = false;
    for (const char c : text) {
      if (c == '.' && !point) {
        point = true;
      } else if (c >= '0' && c <= '9' && count < 18) {
        digits = digits * 10 + static_cast<uint64_t>(c - '0');
        if (point) scale *= 10;
        ++count;
      } else {
        return std::nullopt;
      }
    }
    if (count == 0) return std::nullopt;
    return static_cast<double>(digits) / static_cast<double>(scale);
  }

  double factor() const { return factor_; }
  bool identity() const { return factor_ == 1; }
  // A length of the picture in whole device pixels (a window's side).
  int deviceLength(double pictureLength) const {
    return static_cast<int>(std::lround(pictureLength * factor_));
  }
  // A device position in the picture: divided by the factor, rounded down.
  CPoint toPicture(double x, double y) const { return {std::floor(x / factor_), std::floor(y / factor_)}; }
  // The whole device pixels that a picture rectangle touches, and back: the picture
  // rectangle that covers a device rectangle.
  void toDevice(int& left, int& top, int& right, int& bottom) const {
    if (identity()) return;
    left = roundDown(left * factor_);
    top = roundDown(top * factor_);
    right = roundUp(right * factor_);
    bottom = roundUp(bottom * factor_);
  }
  CRect toPicture(int left, int top, int right, int bottom) const {
    if (identity()) return CRect(left, top, right, bottom);
    return CRect(std::floor(left / factor_), std::floor(top / factor_), std::ceil(right / factor_),
                 std::ceil(bottom / factor_));
  }

private:
  static int roundDown(double v) {
    return static_cast<int>(std::clamp(std::floor(v), -2147483648.0, 2147483647.0));
  }
  static int roundUp(double v) {
    return static_cast<int>(std::clamp(std::ceil(v), -2147483648.0, 2147483647.0));
  }
  double factor_ = 1;
};

class FrameWindow {
public:
  virtual ~FrameWindow() = default;

  // False once the window is gone (destroyed with its parent, or never made).
  virtual bool isOpen() const = 0;
  // The native handle (HWND or X11 Window id), for hosts and tests.
  virtual void* nativeHandle() const = 0;

  // Schedules a repaint of a rectangle (whole pixels, frame coordinates).
  virtual void invalidate(int left, int top, int right, int bottom) = 0;
  // Mouse capture while a view holds the mouse; leave notification after a move.
  virtual void setMouseCapture() = 0;
  virtual void releaseMouseCapture() = 0;
  virtual void trackMouseLeave() = 0;
  // The pointer position relative to the window and the current button state.
  virtual CPoint pointerPosition() const = 0;
  virtual int32_t currentButtons() const = 0;
  // A drawing context on the window outside a paint (old-style mouse tracking);
  // it may draw nothing. The caller releases it.
  virtual CDrawContext* makeDrawContext() = 0;
  // Work in the editor's idle (the X11 window drains its events and paints here).
  virtual void idle() {}
  // The factor between the frame's coordinates and the window's pixels.
  virtual DisplayScale scale() const { return {}; }
  // Draws at another factor from now on: the window takes the frame's size at it and
  // repaints everything.
  virtual void setScale(DisplayScale /*scale*/) {}
};

namespace platform {
// Makes the frame's child window inside the host's window; null without a parent or
// when no window can be made.
// The window is size (frame coordinates) times the factor in device pixels.
std::unique_ptr<FrameWindow> makeFrameWindow(CFrame& frame, void* parentWindow, const CRect& size,
                                             DisplayScale scale);
// The factor of the screen a host window lies on (Windows: the window's DPI; X11: the
// Xft.dpi resource), and of the system when no window is known yet (Windows: the
// primary monitor's DPI; X11: Xft.dpi). 1 when nothing says otherwise.
DisplayScale windowScale(void* parentWindow);
DisplayScale systemScale();
}  // namespace platform

// Wheel distance of a platform delta: 120 per notch, integer division.
inline float wheelDistance(int delta) { return static_cast<float>(delta / 120); }

// Tells double clicks from single ones where the window system does not: a press of
// the same button within the interval and the distance of the previous single press.
class DoubleClickDetector {
public:
  static constexpr uint32_t kIntervalMs = 500;
  static constexpr int kDistance = 4;  // pixels either way

  // time is a wrapping millisecond stamp (event time).
  bool press(int button, int x, int y, uint32_t time) {
    const bool dbl = armed_ && button == button_ && time - time_ <= kIntervalMs && x - x_ <= kDistance &&
                     x_ - x <= kDistance && y - y_ <= kDistance && y_ - y <= kDistance;
    // A double click ends the sequence: the next press counts as a single one again.
    armed_ = !dbl;
    button_ = button;
    x_ = x;
    y_ = y;
    time_ = time;
    return dbl;
  }

private:
  bool armed_ = false;
  int button_ = 0, x_ = 0, y_ = 0;
  uint32_t time_ = 0;
};

}  // namespace Toolkit
