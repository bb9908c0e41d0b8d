// The host window on Linux: an X11 top-level window (on a private Xvfb when there is no
// display), read with XGetImage and written with cairo's PNG writer.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <cairo.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "tools/host/editor_window.h"
#include "tools/host/linux/private_xvfb.h"

namespace host {
namespace {

// One colour channel of the visual's pixels as 0..255, whatever its mask: the mask's
// shift and range found once per image, not per pixel.
class Channel {
public:
  explicit Channel(unsigned long mask) : mask_(mask) {
    if (!mask) return;
    while (!((mask >> shift_) & 1)) ++shift_;
    max_ = mask >> shift_;
  }
  uint32_t of(unsigned long pixel) const {
    return max_ ? static_cast<uint32_t>(((pixel & mask_) >> shift_) * 255 / max_) : 0;
  }

private:
  unsigned long mask_, max_ = 0;
  int shift_ = 0;
};

class X11Window final : public EditorWindow {
public:
  ~X11Window() override {
    if (display_) {
      if (window_) XDestroyWindow(display_, window_);
      XCloseDisplay(display_);
    }
    // The server goes after every connection to it is closed (the plug-in closed its own
    // in effEditClose), and DISPLAY no longer names it.
    if (xvfb_.running()) {
      xvfb_.stop();
      unsetenv("DISPLAY");
    }
  }

  bool open(int width, int height, const std::string& title, std::string& error) {
    const char* env = std::getenv("DISPLAY");
    if (!env || !*env) {
      if (!xvfb_.start(error)) return false;
      // The plug-in opens its own connection to the display the host names.
      setenv("DISPLAY", xvfb_.display().c_str(), 1);
      where_ = "private Xvfb " + xvfb_.display();
    } else {
      where_ = std::string("DISPLAY ") + env;
    }
    display_ = XOpenDisplay(nullptr);
    if (!display_) {
      error = "cannot open the X display " + std::string(std::getenv("DISPLAY"));
      return false;
    }
    const int screen = DefaultScreen(display_);
    XSetWindowAttributes attributes{};
    attributes.background_pixel = BlackPixel(display_, screen);
    attributes.event_mask = StructureNotifyMask;
    // Without a window manager a top-level window stays where it is made: at (0, 0), so
    // window and root coordinates agree.
    window_ = XCreateWindow(display_, RootWindow(display_, screen), 0, 0, static_cast<unsigned>(width),
                            static_cast<unsigned>(height), 0, CopyFromParent, InputOutput, CopyFromParent,
                            CWBackPixel | CWEventMask, &attributes);
    XStoreName(display_, window_, title.c_str());
    XMapWindow(display_, window_);
    // Wait until the server has mapped it: the editor's child is only visible then.
    for (XEvent e;;) {
      XNextEvent(display_, &e);
      if (e.type == MapNotify && e.xmap.window == window_) break;
    }
    width_ = width;
    height_ = height;
    return true;
  }

  void* parent() const override { return reinterpret_cast<void*>(window_); }
  void* display() const override { return display_; }

  void resize(int width, int height) override {
    XResizeWindow(display_, window_, static_cast<unsigned>(width), static_cast<unsigned>(height));
    XSync(display_, False);
    width_ = width;
    height_ = height;
  }

  void pump() override {
    while (XPending(display_)) {
      XEvent e;
      XNextEvent(display_, &e);
    }
  }

  int childCount() const override {
    Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display_, window_, &root, &parent, &children, &count)) return -1;
    if (children) XFree(children);
    return static_cast<int>(count);
  }

  std::vector<uint32_t> pixels() const override { return read(0, 0, width_, height_); }

  uint32_t pixel(int x, int y) const override {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return ~0u;
    const std::vector<uint32_t> one = read(x, y, 1, 1);
    return one.empty() ? ~0u : one[0];
  }

  std::string where() const override { return where_; }

private:
  std::vector<uint32_t> read(int x0, int y0, int w, int h) const {
    std::vector<uint32_t> out;
    XSync(display_, False);
    XImage* image = XGetImage(display_, window_, x0, y0, static_cast<unsigned>(w), static_cast<unsigned>(h),
                              AllPlanes, ZPixmap);
    if (!image) return out;
    out.resize(static_cast<size_t>(w) * static_cast<size_t>(h));
    const Channel red(image->red_mask), green(image->green_mask), blue(image->blue_mask);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const unsigned long p = XGetPixel(image, x, y);
        out[static_cast<size_t>(y) * w + x] = red.of(p) << 16 | green.of(p) << 8 | blue.of(p);
      }
    XDestroyImage(image);
    return out;
  }

  PrivateXvfb xvfb_;
  Display* display_ = nullptr;
  Window window_ = 0;
  std::string where_;
};

}  // namespace

std::string writePng(const std::vector<uint32_t>& pixels, int width, int height, const std::string& path) {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
  unsigned char* data = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  for (int y = 0; y < height; ++y)
    std::memcpy(data + static_cast<ptrdiff_t>(y) * stride, &pixels[static_cast<size_t>(y) * width],
                static_cast<size_t>(width) * 4);
  cairo_surface_mark_dirty(surface);
  const cairo_status_t status = cairo_surface_write_to_png(surface, path.c_str());
  cairo_surface_destroy(surface);
  return status == CAIRO_STATUS_SUCCESS ? "" : cairo_status_to_string(status);
}

std::unique_ptr<EditorWindow> EditorWindow::create(int width, int height, const std::string& title,
                                                   std::string& error) {
  auto window = std::make_unique<X11Window>();
  return window->open(width, height, title, error) ? std::move(window) : nullptr;
}

}  // namespace host
