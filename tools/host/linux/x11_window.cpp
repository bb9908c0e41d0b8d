// The snapshot window on Linux: an X11 top-level window (on a private Xvfb when there
// is no display), captured with XGetImage and written with cairo's PNG writer.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <cairo.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "tools/host/editor_window.h"

namespace host {
namespace {

// A private X server for the length of the run, started with -displayfd so that it picks
// a free display number itself (a fixed :99 may be taken on a shared machine).
class PrivateXvfb {
public:
  bool start(std::string& error) {
    int fds[2];
    if (pipe(fds) != 0) {
      error = "cannot start Xvfb: no pipe";
      return false;
    }
    pid_ = fork();
    if (pid_ < 0) {
      close(fds[0]);
      close(fds[1]);
      error = "cannot start Xvfb: fork failed";
      return false;
    }
    if (pid_ == 0) {
      // The server must not outlive the tool, even when a crashing plug-in ends it.
      prctl(PR_SET_PDEATHSIG, SIGTERM);
      close(fds[0]);
      const int null = open("/dev/null", O_RDWR);
      if (null >= 0) {
        dup2(null, 0);
        dup2(null, 1);
        dup2(null, 2);
      }
      const std::string fd = std::to_string(fds[1]);
      execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "2048x2048x24", "-nolisten", "tcp",
             static_cast<char*>(nullptr));
      _exit(127);
    }
    close(fds[1]);
    // The server writes its display number once it accepts connections.
    std::string number;
    pollfd p{fds[0], POLLIN, 0};
    while (poll(&p, 1, 15000) > 0) {
      char c;
      if (read(fds[0], &c, 1) != 1 || c == '\n') break;
      number += c;
    }
    close(fds[0]);
    if (number.empty()) {
      stop();
      error = "no DISPLAY, and a private Xvfb did not start (is the xvfb package installed?)";
      return false;
    }
    display_ = ":" + number;
    return true;
  }
  void stop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }
  ~PrivateXvfb() { stop(); }
  const std::string& display() const { return display_; }
  bool running() const { return pid_ > 0; }

private:
  pid_t pid_ = -1;
  std::string display_;
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
    attributes.event_mask = ExposureMask | StructureNotifyMask;
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

  bool hasEditorWindow() const override {
    Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display_, window_, &root, &parent, &children, &count)) return false;
    if (children) XFree(children);
    return count > 0;
  }

  bool savePng(const std::string& path, std::string& error) override {
    XSync(display_, False);
    XImage* image = XGetImage(display_, window_, 0, 0, static_cast<unsigned>(width_),
                              static_cast<unsigned>(height_), AllPlanes, ZPixmap);
    if (!image) {
      error = "cannot read the window's pixels";
      return false;
    }
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width_, height_);
    unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    const unsigned long rMask = image->red_mask, gMask = image->green_mask, bMask = image->blue_mask;
    auto channel = [](unsigned long pixel, unsigned long mask) -> uint32_t {
      if (!mask) return 0;
      int shift = 0;
      while (!((mask >> shift) & 1)) ++shift;
      const unsigned long max = mask >> shift;
      return static_cast<uint32_t>(((pixel & mask) >> shift) * 255 / max);
    };
    for (int y = 0; y < height_; ++y) {
      auto* row = reinterpret_cast<uint32_t*>(data + static_cast<ptrdiff_t>(y) * stride);
      for (int x = 0; x < width_; ++x) {
        const unsigned long p = XGetPixel(image, x, y);
        row[x] = 0xFF000000u | channel(p, rMask) << 16 | channel(p, gMask) << 8 | channel(p, bMask);
      }
    }
    XDestroyImage(image);
    cairo_surface_mark_dirty(surface);
    const cairo_status_t status = cairo_surface_write_to_png(surface, path.c_str());
    cairo_surface_destroy(surface);
    if (status != CAIRO_STATUS_SUCCESS) {
      error = "cannot write " + path + ": " + cairo_status_to_string(status);
      return false;
    }
    return true;
  }

  std::string where() const override { return where_; }

private:
  PrivateXvfb xvfb_;
  Display* display_ = nullptr;
  Window window_ = 0;
  int width_ = 0, height_ = 0;
  std::string where_;
};

}  // namespace

std::unique_ptr<EditorWindow> EditorWindow::create(int width, int height, const std::string& title,
                                                   std::string& error) {
  auto window = std::make_unique<X11Window>();
  if (!window->open(width, height, title, error)) return nullptr;
  return window;
}

}  // namespace host
