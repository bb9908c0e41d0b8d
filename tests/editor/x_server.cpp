#include "tests/editor/x_server.h"

#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

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
      execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24",
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

}  // namespace

const std::string& privateDisplay() { return server().name(); }

HostWindow::HostWindow(int width, int height, int x, int y) : width_(width), height_(height) {
  if (privateDisplay().empty()) return;
  display_ = XOpenDisplay(privateDisplay().c_str());
  if (!display_) return;
  const int screen = DefaultScreen(display_);
  window_ = XCreateSimpleWindow(display_, RootWindow(display_, screen), x, y,
                                static_cast<unsigned>(width), static_cast<unsigned>(height), 0,
                                BlackPixel(display_, screen), WhitePixel(display_, screen));
  XMapWindow(display_, window_);
  XSync(display_, False);
}

HostWindow::~HostWindow() {
  if (!display_) return;
  destroy();
  XCloseDisplay(display_);
}

void HostWindow::destroy() {
  if (!window_) return;
  XDestroyWindow(display_, window_);
  XSync(display_, False);
  window_ = 0;
}

int HostWindow::childCount() const {
  Window root, parent, *children = nullptr;
  unsigned int n = 0;
  if (!XQueryTree(display_, window_, &root, &parent, &children, &n)) return -1;
  if (children) XFree(children);
  return static_cast<int>(n);
}

unsigned long HostWindow::pixel(int x, int y) const {
  XImage* image = XGetImage(display_, window_, x, y, 1, 1, AllPlanes, ZPixmap);
  if (!image) return ~0ul;
  const unsigned long p = XGetPixel(image, 0, 0) & 0xFFFFFF;
  XDestroyImage(image);
  return p;
}

std::vector<unsigned long> HostWindow::grab() const {
  std::vector<unsigned long> out;
  XImage* image = XGetImage(display_, window_, 0, 0, static_cast<unsigned>(width_),
                            static_cast<unsigned>(height_), AllPlanes, ZPixmap);
  if (!image) return out;
  out.resize(static_cast<size_t>(width_) * static_cast<size_t>(height_));
  for (int y = 0; y < height_; ++y)
    for (int x = 0; x < width_; ++x)
      out[static_cast<size_t>(y * width_ + x)] = XGetPixel(image, x, y) & 0xFFFFFF;
  XDestroyImage(image);
  return out;
}

void HostWindow::moveTo(int x, int y) {
  XTestFakeMotionEvent(display_, DefaultScreen(display_), x, y, CurrentTime);
  XSync(display_, False);
}

void HostWindow::button(unsigned int b, bool press) {
  XTestFakeButtonEvent(display_, b, press ? True : False, CurrentTime);
  XSync(display_, False);
}

void HostWindow::key(unsigned long keysym, bool press) {
  XTestFakeKeyEvent(display_, XKeysymToKeycode(display_, keysym), press ? True : False, CurrentTime);
  XSync(display_, False);
}

bool waitFor(const std::function<bool()>& done, const std::function<void()>& step, int timeoutMs) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    step();
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

}  // namespace brimtrace_test
