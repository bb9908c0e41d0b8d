// The host tool's editor window (tools/host/editor_window.h) with what the editor tests
// add: mouse and key input from outside (XTest on X11, posted messages on Windows),
// whether the editor holds the mouse, and the process's resource counts.
//
// On Linux the tests start one private Xvfb for the process before the first window and
// point DISPLAY at it; the code under test finds it there.
#pragma once
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tools/host/editor_window.h"

namespace brimtrace_test {

// True when windows can be made (a private X server runs, or the Windows desktop).
bool windowsAvailable();

// CI always has an X server: there, a window test that cannot open its window fails
// rather than skips (CI=true, as CI services and .ci/run set it).
inline bool windowsRequired() {
  const char* ci = std::getenv("CI");
  return ci && *ci && std::strcmp(ci, "false") != 0 && std::strcmp(ci, "0") != 0;
}

enum class Button { Left, Middle, Right };
enum Modifiers : int { kNoModifier = 0, kShiftKey = 1, kControlKey = 2 };

class HostWindow {
public:
  explicit HostWindow(int width = 400, int height = 400);
  ~HostWindow();
  HostWindow(const HostWindow&) = delete;
  HostWindow& operator=(const HostWindow&) = delete;

  bool ok() const { return window_ != nullptr; }
  void* handle() const { return window_ ? window_->parent() : nullptr; }  // as effEditOpen takes it
  int childCount() const { return window_ ? window_->childCount() : -1; }
  // 0xRRGGBB of the window's pixels, children included, as on screen.
  uint32_t pixel(int x, int y) const { return window_ ? window_->pixel(x, y) : ~0u; }
  std::vector<uint32_t> grab() const;  // width x height, row by row
  int width() const { return width_; }
  int height() const { return height_; }

  // Mouse input in window coordinates (outside the window is allowed).
  void moveTo(int x, int y, int modifiers = kNoModifier);
  void press(Button b, int modifiers = kNoModifier);
  void release(Button b, int modifiers = kNoModifier);
  // Whether the editor's window holds the mouse (a press it kept and not yet released).
  bool editorHoldsMouse() const;
  // Dispatches the window system's pending events for the window (paints among them).
  void pump() {
    if (window_) window_->pump();
  }
  void destroy() { window_.reset(); }  // as a host that destroys its window before closing the editor

#ifndef _WIN32
  void* display() const { return window_ ? window_->display() : nullptr; }  // the window's own connection
  void key(unsigned long keysym, bool press);
  void button(unsigned int button, bool press);  // raw X button number
#endif

private:
  int width_, height_;
  std::unique_ptr<host::EditorWindow> window_;
#ifdef _WIN32
  int x_ = 0, y_ = 0;
  int held_ = 0;  // MK_ bits of the buttons down
#endif
};

// What the process holds now: open handles (file descriptors on Linux), window-system
// objects (GDI and USER objects on Windows; 0 on X11, whose resources die with the
// editor's own connection) and heap bytes in use.
struct ResourceCounts {
  long handles = 0;
  long windowObjects = 0;
  long long heapBytes = 0;
};
ResourceCounts resourceCounts();

// Runs step until done answers true or the time runs out; false on time-out.
bool waitFor(const std::function<bool()>& done, const std::function<void()>& step, int timeoutMs = 3000);

}  // namespace brimtrace_test

// Skips the test when no window can be made; fails it under CI.
#define REQUIRE_WINDOWS()                                                                 \
  do {                                                                                    \
    if (!brimtrace_test::windowsAvailable()) {                                            \
      if (brimtrace_test::windowsRequired()) FAIL() << "no display to open windows (CI)"; \
      GTEST_SKIP() << "no display to open windows";                                       \
    }                                                                                     \
  } while (0)
