// The frame's X11 child window. It lives on its own Display connection; the editor's
// idle drains that connection's events and paints what was invalidated, through a
// cairo drawing context on an image back buffer that is then copied to the window.
//
// At a factor other than 1 the window and its back buffer are the frame's size times
// the factor; paints, invalidations and mouse positions are converted at the border.
//
// X errors on the editor's connection (a parent the host destroyed early, a bad window
// id from the host) are trapped and end the window instead of the host process.
#pragma once
#include <X11/Xlib.h>
#include <cairo.h>

#include <cstdint>

#include "gui/frame_window.h"

namespace Toolkit {

// Toolkit button bits from an X event's state: buttons 1 to 3, shift, control, alt.
int32_t x11StateButtons(unsigned int state);
// The bit of a pressed X button: 1 left, 2 middle, 3 right, 8 and 9 the extra buttons;
// 0 for the others (wheel buttons 4 to 7).
int32_t x11ButtonBit(unsigned int button);

// The factor of an X resource database's Xft.dpi (96 is 1); 1 without one.
DisplayScale xftScale(const char* resources);

class X11FrameWindow final : public FrameWindow {
public:
  // Opens a connection and makes the child window; check isOpen() afterwards.
  X11FrameWindow(CFrame& frame, unsigned long parent, const CRect& size, DisplayScale scale = {});
  ~X11FrameWindow() override;

  bool isOpen() const override { return window_ != 0 && !gone_; }
  void* nativeHandle() const override { return reinterpret_cast<void*>(static_cast<uintptr_t>(window_)); }
  void invalidate(int left, int top, int right, int bottom) override;
  void setMouseCapture() override { captured_ = true; }
  void releaseMouseCapture() override;
  void trackMouseLeave() override {}  // leave events are always selected
  CPoint pointerPosition() const override;
  int32_t currentButtons() const override;
  CDrawContext* makeDrawContext() override;
  void idle() override;
  DisplayScale scale() const override { return scale_; }
  void setScale(DisplayScale scale) override;

  // One event of this window (idle drains the connection through here).
  void handleEvent(XEvent& event);
  // Paints the pending area now (idle does this after draining).
  void paintPending();
  bool hasPendingPaint() const { return pendingRight_ > pendingLeft_ && pendingBottom_ > pendingTop_; }

  Display* display() const { return display_; }
  unsigned long window() const { return window_; }
  int paintCount() const { return paintCount_; }

private:
  void addPending(int left, int top, int right, int bottom);
  void markGone();
  void makeBuffers();
  CPoint toPicture(int x, int y) const { return scale_.toPicture(x, y); }

  CFrame& frame_;
  Display* display_ = nullptr;
  unsigned long window_ = 0;
  CRect pictureSize_;
  DisplayScale scale_;
  int width_ = 0, height_ = 0;  // device pixels
  Visual* visual_ = nullptr;
  cairo_surface_t* backBuffer_ = nullptr;     // image surface the tree paints into
  cairo_surface_t* windowSurface_ = nullptr;  // the window, for the copies
  int pendingLeft_ = 0, pendingTop_ = 0, pendingRight_ = 0, pendingBottom_ = 0;
  bool captured_ = false;
  bool gone_ = false;
  int paintCount_ = 0;
  DoubleClickDetector doubleClick_;
};

}  // namespace Toolkit
