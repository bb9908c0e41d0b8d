#include "gui/linux/frame_window.h"

#include <X11/Xresource.h>
#include <X11/Xutil.h>
#include <cairo-xlib.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "gui/draw_context.h"
#include "gui/frame.h"
#include "gui/linux/cairo_surface.h"

namespace Toolkit {

namespace {

// ---- X error trap ----
// Xlib's error handler is process-wide and the default one ends the process. While
// the editor talks to its own connection a handler is installed that swallows errors
// of editor connections (marking a window that has vanished) and passes every other
// connection's errors to the handler that was there before.

using ErrorHandler = int (*)(Display*, XErrorEvent*);

struct Registered {
  Display* display;
  X11FrameWindow* window;
  bool* gone;
};
std::vector<Registered>& registry() {
  static std::vector<Registered> windows;
  return windows;
}
ErrorHandler previousHandler = nullptr;
int trapDepth = 0;

int trapHandler(Display* display, XErrorEvent* error) {
  for (const Registered& r : registry()) {
    if (r.display != display) continue;
    if (error->resourceid == r.window->window() &&
        (error->error_code == BadWindow || error->error_code == BadDrawable))
      *r.gone = true;
    return 0;
  }
  return previousHandler ? previousHandler(display, error) : 0;
}

// Traps errors of the calls made while it lives; errors arrive by the closing XSync.
class ErrorTrap {
public:
  explicit ErrorTrap(Display* display) : display_(display) {
    if (trapDepth++ == 0) previousHandler = XSetErrorHandler(trapHandler);
  }
  ~ErrorTrap() {
    if (display_) XSync(display_, False);
    if (--trapDepth == 0) {
      // Put the old handler back only when nobody replaced ours in the meantime.
      ErrorHandler current = XSetErrorHandler(previousHandler);
      if (current != trapHandler) XSetErrorHandler(current);
      previousHandler = nullptr;
    }
  }
  ErrorTrap(const ErrorTrap&) = delete;
  ErrorTrap& operator=(const ErrorTrap&) = delete;

private:
  Display* display_;
};

constexpr unsigned int kWheelUp = 4, kWheelDown = 5, kWheelLeft = 6, kWheelRight = 7;

}  // namespace

int32_t x11StateButtons(unsigned int state) {
  int32_t b = 0;
  if (state & Button1Mask) b |= kLButton;
  if (state & Button2Mask) b |= kMButton;
  if (state & Button3Mask) b |= kRButton;
  if (state & ShiftMask) b |= kShift;
  if (state & ControlMask) b |= kControl;
  if (state & Mod1Mask) b |= kAlt;
  return b;
}

int32_t x11ButtonBit(unsigned int button) {
  switch (button) {
    case Button1:
      return kLButton;
    case Button2:
      return kMButton;
    case Button3:
      return kRButton;
    case 8:
      return kButton4;
    case 9:
      return kButton5;
    default:
      return 0;
  }
}

X11FrameWindow::X11FrameWindow(CFrame& frame, unsigned long parent, const CRect& size, DisplayScale scale)
    : frame_(frame),
      pictureSize_(size),
      scale_(scale),
      width_(std::max(1, scale.deviceLength(static_cast<int>(size.width())))),
      height_(std::max(1, scale.deviceLength(static_cast<int>(size.height())))) {
  display_ = XOpenDisplay(nullptr);
  if (!display_) return;
  registry().push_back({display_, this, &gone_});
  {
    ErrorTrap trap(display_);
    XSetWindowAttributes attributes{};
    // No background: the window is never cleared by the server, so nothing flickers.
    attributes.background_pixmap = None;
    attributes.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                            LeaveWindowMask | StructureNotifyMask;
    window_ = XCreateWindow(display_, parent, 0, 0, static_cast<unsigned>(width_),
                            static_cast<unsigned>(height_), 0, CopyFromParent, InputOutput, CopyFromParent,
                            CWBackPixmap | CWEventMask, &attributes);
  }
  XWindowAttributes info{};
  bool ok = false;
  if (window_ && !gone_) {
    ErrorTrap trap(display_);
    ok = XGetWindowAttributes(display_, window_, &info) != 0;
  }
  if (!ok || gone_) {
    // The parent was not a window of this display.
    gone_ = true;
    return;
  }
  visual_ = info.visual;
  makeBuffers();
  ErrorTrap trap(display_);
  XMapWindow(display_, window_);
}

void X11FrameWindow::makeBuffers() {
  if (backBuffer_) cairo_surface_destroy(backBuffer_);
  {
    ErrorTrap trap(display_);
    if (windowSurface_) {
      cairo_surface_finish(windowSurface_);
      cairo_surface_destroy(windowSurface_);
    }
    windowSurface_ = cairo_xlib_surface_create(display_, window_, visual_, width_, height_);
  }
  backBuffer_ = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width_, height_);
}

void X11FrameWindow::setScale(DisplayScale scale) {
  if (!isOpen()) return;
  scale_ = scale;
  width_ = std::max(1, scale.deviceLength(static_cast<int>(pictureSize_.width())));
  height_ = std::max(1, scale.deviceLength(static_cast<int>(pictureSize_.height())));
  {
    ErrorTrap trap(display_);
    XResizeWindow(display_, window_, static_cast<unsigned>(width_), static_cast<unsigned>(height_));
  }
  makeBuffers();
  pendingLeft_ = pendingTop_ = pendingRight_ = pendingBottom_ = 0;
  addPending(0, 0, width_, height_);
}

X11FrameWindow::~X11FrameWindow() {
  if (backBuffer_) cairo_surface_destroy(backBuffer_);
  if (!display_) return;
  {
    ErrorTrap trap(display_);
    if (windowSurface_) {
      cairo_surface_finish(windowSurface_);
      cairo_surface_destroy(windowSurface_);
    }
    if (window_ && !gone_) XDestroyWindow(display_, window_);
  }
  auto& windows = registry();
  windows.erase(std::remove_if(windows.begin(), windows.end(),
                               [this](const Registered& r) { return r.window == this; }),
                windows.end());
  XCloseDisplay(display_);
}

void X11FrameWindow::markGone() {
  if (gone_) return;
  gone_ = true;
  frame_.handleWindowDestroyed();
}

void X11FrameWindow::addPending(int left, int top, int right, int bottom) {
  left = std::max(left, 0);
  top = std::max(top, 0);
  right = std::min(right, width_);
  bottom = std::min(bottom, height_);
  if (right <= left || bottom <= top) return;
  if (!hasPendingPaint()) {
    pendingLeft_ = left;
    pendingTop_ = top;
    pendingRight_ = right;
    pendingBottom_ = bottom;
    return;
  }
  pendingLeft_ = std::min(pendingLeft_, left);
  pendingTop_ = std::min(pendingTop_, top);
  pendingRight_ = std::max(pendingRight_, right);
  pendingBottom_ = std::max(pendingBottom_, bottom);
}

void X11FrameWindow::invalidate(int left, int top, int right, int bottom) {
  if (!isOpen()) return;
  scale_.toDevice(left, top, right, bottom);
  addPending(left, top, right, bottom);
}

void X11FrameWindow::releaseMouseCapture() {
  captured_ = false;
  if (!isOpen()) return;
  ErrorTrap trap(display_);
  XUngrabPointer(display_, CurrentTime);
}

CPoint X11FrameWindow::pointerPosition() const {
  if (!isOpen()) return {};
  ErrorTrap trap(display_);
  Window root, child;
  int rootX, rootY, x = 0, y = 0;
  unsigned int mask;
  if (!XQueryPointer(display_, window_, &root, &child, &rootX, &rootY, &x, &y, &mask)) return {};
  return toPicture(x, y);
}

int32_t X11FrameWindow::currentButtons() const {
  if (!isOpen()) return 0;
  ErrorTrap trap(display_);
  Window root, child;
  int rootX, rootY, x, y;
  unsigned int mask = 0;
  if (!XQueryPointer(display_, window_, &root, &child, &rootX, &rootY, &x, &y, &mask)) return 0;
  return x11StateButtons(mask);
}

CDrawContext* X11FrameWindow::makeDrawContext() {
  if (!isOpen() || !windowSurface_) return new CDrawContext(nullptr, frame_.getViewSize());
  return new CDrawContext(std::make_unique<CairoSurface>(windowSurface_, scale_.factor()),
                          frame_.getViewSize());
}

void X11FrameWindow::idle() {
  if (!isOpen()) return;
  ErrorTrap trap(display_);
  while (isOpen() && XPending(display_)) {
    XEvent event;
    XNextEvent(display_, &event);
    handleEvent(event);
  }
  if (gone_) {
    frame_.handleWindowDestroyed();
    return;
  }
  paintPending();
}

void X11FrameWindow::handleEvent(XEvent& event) {
  if (event.xany.window != window_) return;
  switch (event.type) {
    case Expose:
      addPending(event.xexpose.x, event.xexpose.y, event.xexpose.x + event.xexpose.width,
                 event.xexpose.y + event.xexpose.height);
      break;
    case ButtonPress: {
      const XButtonEvent& b = event.xbutton;
      const int32_t modifiers = x11StateButtons(b.state) & (kShift | kControl | kAlt);
      switch (b.button) {
        case kWheelUp:
        case kWheelDown:
          frame_.handleWheel(toPicture(b.x, b.y), kMouseWheelAxisY, b.button == kWheelUp ? 1.f : -1.f,
                             modifiers);
          return;
        case kWheelLeft:
        case kWheelRight:
          frame_.handleWheel(toPicture(b.x, b.y), kMouseWheelAxisX, b.button == kWheelRight ? 1.f : -1.f,
                             modifiers);
          return;
        default:
          break;
      }
      const int32_t bit = x11ButtonBit(b.button);
      if (!bit) return;
      int32_t buttons = x11StateButtons(b.state) | bit;
      if (doubleClick_.press(static_cast<int>(b.button), b.x, b.y, static_cast<uint32_t>(b.time)))
        buttons |= kDoubleClick;
      captured_ = false;
      frame_.handleMouseDown(toPicture(b.x, b.y), buttons);
      // The server grabbed the pointer with the press; keep it only for a view that
      // holds the mouse.
      if (!captured_ && isOpen()) XUngrabPointer(display_, CurrentTime);
      break;
    }
    case ButtonRelease: {
      const XButtonEvent& b = event.xbutton;
      const int32_t bit = x11ButtonBit(b.button);
      if (!bit) return;  // wheel buttons report press and release
      frame_.handleMouseUp(toPicture(b.x, b.y), x11StateButtons(b.state) & ~bit);
      break;
    }
    case MotionNotify:
      frame_.handleMouseMoved(toPicture(event.xmotion.x, event.xmotion.y),
                              x11StateButtons(event.xmotion.state));
      break;
    case LeaveNotify:
      // Also when a grab ends with the pointer outside (release after a drag out).
      if (event.xcrossing.mode != NotifyGrab) frame_.handleMouseLeave();
      break;
    case DestroyNotify:
      if (event.xdestroywindow.window == window_) markGone();
      break;
    default:
      break;
  }
}

void X11FrameWindow::paintPending() {
  if (!hasPendingPaint() || !isOpen() || !backBuffer_ || !windowSurface_) return;
  const int x = pendingLeft_, y = pendingTop_;
  const int w = pendingRight_ - pendingLeft_, h = pendingBottom_ - pendingTop_;
  pendingLeft_ = pendingTop_ = pendingRight_ = pendingBottom_ = 0;
  {
    // A fresh context per paint: the drawing state starts from its defaults each time.
    auto* context =
        new CDrawContext(std::make_unique<CairoSurface>(backBuffer_, scale_.factor()), frame_.getViewSize());
    frame_.paint(context, scale_.toPicture(x, y, x + w, y + h));
    context->release();
  }
  cairo_surface_flush(backBuffer_);
  cairo_t* cr = cairo_create(windowSurface_);
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  cairo_set_source_surface(cr, backBuffer_, 0, 0);
  cairo_rectangle(cr, x, y, w, h);
  cairo_fill(cr);
  cairo_destroy(cr);
  cairo_surface_flush(windowSurface_);
  ++paintCount_;
}

namespace platform {

std::unique_ptr<FrameWindow> makeFrameWindow(CFrame& frame, void* parentWindow, const CRect& size,
                                             DisplayScale scale) {
  if (!parentWindow) return nullptr;
  auto window = std::make_unique<X11FrameWindow>(
      frame, static_cast<unsigned long>(reinterpret_cast<uintptr_t>(parentWindow)), size, scale);
  if (!window->isOpen()) return nullptr;
  return window;
}

DisplayScale windowScale(void* /*parentWindow*/) {
  // X11 has no resolution per window: the desktop's Xft.dpi is the screen's.
  return systemScale();
}

DisplayScale systemScale() {
  Display* display = XOpenDisplay(nullptr);
  if (!display) return {};
  DisplayScale scale = xftScale(XResourceManagerString(display));
  XCloseDisplay(display);
  return scale;
}

}  // namespace platform

DisplayScale xftScale(const char* resources) {
  if (!resources) return {};
  XrmInitialize();
  XrmDatabase database = XrmGetStringDatabase(resources);
  if (!database) return {};
  DisplayScale scale;
  char* type = nullptr;
  XrmValue value{};
  if (XrmGetResource(database, "Xft.dpi", "Xft.Dpi", &type, &value) && value.addr) {
    // A resource value is text; a number must make up all of it (spaces aside).
    const std::string text(value.addr,
                           value.size && value.addr[value.size - 1] == 0 ? value.size - 1 : value.size);
    const auto dpi = DisplayScale::parseNumber(text);
    if (dpi && *dpi > 0) scale = DisplayScale::ofDpi(*dpi);
  }
  XrmDestroyDatabase(database);
  return scale;
}

}  // namespace Toolkit
