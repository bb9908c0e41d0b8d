// The window seam beneath CFrame: everything the portable frame needs from the platform
// window it owns (Win32 child window, X11 child window, or a recording double in tests).
// The platform side turns its messages into the CFrame::handle... calls and paints by
// making a drawing context and calling CFrame::paint.
#pragma once
#include <cstdint>
#include <memory>

#include "gui/geometry.h"

namespace Toolkit {

class CDrawContext;
class CFrame;

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
};

namespace platform {
// Makes the frame's child window inside the host's window; null without a parent or
// when no window can be made.
std::unique_ptr<FrameWindow> makeFrameWindow(CFrame& frame, void* parentWindow, const CRect& size);
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
