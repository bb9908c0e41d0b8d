#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <dirent.h>
#include <fcntl.h>
#include <malloc.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "tests/editor/host_window.h"

namespace brimtrace_test {

namespace {

class XvfbServer {
public:
  XvfbServer() {
    int fds[2];
    if (pipe(fds) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      close(fds[0]);
      const int devnull = open("/dev/null", O_WRONLY);
      if (devnull >= 0) {
        dup2(devnull, 1);
        dup2(devnull, 2);
      }
      const std::string fd = std::to_string(fds[1]);
      // A test of a large editor asks for a larger screen (BRIMTRACE_XVFB_SCREEN).
      const char* screen = std::getenv("BRIMTRACE_XVFB_SCREEN");
      // -noreset: the server must not restart when the last client of a test leaves.
      execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen ? screen : "1024x768x24",
             "-nolisten", "tcp", "-noreset", static_cast<char*>(nullptr));
      _exit(127);
    }
    close(fds[1]);
    if (pid_ < 0) {
      close(fds[0]);
      return;
    }
    // Xvfb writes its display number once it accepts connections.
    std::string number;
    pollfd p{fds[0], POLLIN, 0};
    while (poll(&p, 1, 10000) > 0) {
      char c;
      if (read(fds[0], &c, 1) != 1 || c == '\n') break;
      number += c;
    }
    close(fds[0]);
    if (number.empty()) return;
    name_ = ":" + number;
    setenv("DISPLAY", name_.c_str(), 1);
  }
  ~XvfbServer() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
  }
  const std::string& name() const { return name_; }

private:
  pid_t pid_ = -1;
  std::string name_;
};

XvfbServer& server() {
  static XvfbServer instance;
  return instance;
}

Display* dpy(void* d) { return static_cast<Display*>(d); }

unsigned int xButton(Button b) {
  return b == Button::Left ? Button1 : b == Button::Middle ? Button2 : Button3;
}

}  // namespace

bool windowsAvailable() { return !server().name().empty(); }

HostWindow::HostWindow(int width, int height) : width_(width), height_(height) {
  if (!windowsAvailable()) return;
  Display* d = XOpenDisplay(server().name().c_str());
  if (!d) return;
  display_ = d;
  const int screen = DefaultScreen(d);
  // Without a window manager a top-level window stays where it is made: at (0, 0), so
  // window and root coordinates agree.
  window_ =
      XCreateSimpleWindow(d, RootWindow(d, screen), 0, 0, static_cast<unsigned>(width),
                          static_cast<unsigned>(height), 0, BlackPixel(d, screen), WhitePixel(d, screen));
  XMapWindow(d, window_);
  XSync(d, False);
}

HostWindow::~HostWindow() {
  if (!display_) return;
  destroy();
  XCloseDisplay(dpy(display_));
}

bool HostWindow::ok() const { return window_ != 0; }
void* HostWindow::handle() const { return reinterpret_cast<void*>(static_cast<uintptr_t>(window_)); }

void HostWindow::destroy() {
  if (!window_) return;
  XDestroyWindow(dpy(display_), window_);
  XSync(dpy(display_), False);
  window_ = 0;
}

int HostWindow::childCount() const {
  Window root, parent, *children = nullptr;
  unsigned int n = 0;
  if (!XQueryTree(dpy(display_), window_, &root, &parent, &children, &n)) return -1;
  if (children) XFree(children);
  return static_cast<int>(n);
}

uint32_t HostWindow::pixel(int x, int y) const {
  XImage* image = XGetImage(dpy(display_), window_, x, y, 1, 1, AllPlanes, ZPixmap);
  if (!image) return ~0u;
  const auto p = static_cast<uint32_t>(XGetPixel(image, 0, 0) & 0xFFFFFF);
  XDestroyImage(image);
  return p;
}

std::vector<uint32_t> HostWindow::grab() const {
  std::vector<uint32_t> out;
  XImage* image = XGetImage(dpy(display_), window_, 0, 0, static_cast<unsigned>(width_),
                            static_cast<unsigned>(height_), AllPlanes, ZPixmap);
  if (!image) return out;
  out.resize(static_cast<size_t>(width_) * static_cast<size_t>(height_));
  for (int y = 0; y < height_; ++y)
    for (int x = 0; x < width_; ++x)
      out[static_cast<size_t>(y * width_ + x)] = static_cast<uint32_t>(XGetPixel(image, x, y) & 0xFFFFFF);
  XDestroyImage(image);
  return out;
}

void HostWindow::key(unsigned long keysym, bool press) {
  XTestFakeKeyEvent(dpy(display_), XKeysymToKeycode(dpy(display_), keysym), press ? True : False,
                    CurrentTime);
  XSync(dpy(display_), False);
}

void HostWindow::button(unsigned int b, bool press) {
  XTestFakeButtonEvent(dpy(display_), b, press ? True : False, CurrentTime);
  XSync(dpy(display_), False);
}

namespace {
// Holds the modifier keys down around one input event.
template <typename F>
void withModifiers(HostWindow& w, int modifiers, F&& f) {
  if (modifiers & kShiftKey) w.key(XK_Shift_L, true);
  if (modifiers & kControlKey) w.key(XK_Control_L, true);
  f();
  if (modifiers & kControlKey) w.key(XK_Control_L, false);
  if (modifiers & kShiftKey) w.key(XK_Shift_L, false);
}
}  // namespace

void HostWindow::moveTo(int x, int y, int modifiers) {
  withModifiers(*this, modifiers, [&] {
    XTestFakeMotionEvent(dpy(display_), DefaultScreen(dpy(display_)), x, y, CurrentTime);
    XSync(dpy(display_), False);
  });
}

void HostWindow::press(Button b, int modifiers) {
  withModifiers(*this, modifiers, [&] { button(xButton(b), true); });
}

void HostWindow::release(Button b, int modifiers) {
  withModifiers(*this, modifiers, [&] { button(xButton(b), false); });
}

bool HostWindow::editorHoldsMouse() const {
  // While another client holds the pointer, a grab of ours fails.
  const int result =
      XGrabPointer(dpy(display_), window_, False, 0, GrabModeAsync, GrabModeAsync, None, None, CurrentTime);
  if (result == GrabSuccess) XUngrabPointer(dpy(display_), CurrentTime);
  XSync(dpy(display_), False);
  return result == AlreadyGrabbed;
}

void HostWindow::pump() {}

ResourceCounts resourceCounts() {
  ResourceCounts counts;
  if (DIR* d = opendir("/proc/self/fd")) {
    while (readdir(d)) ++counts.handles;
    closedir(d);
  }
  counts.heapBytes = static_cast<long long>(mallinfo2().uordblks);
  return counts;
}

}  // namespace brimtrace_test
