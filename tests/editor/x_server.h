// A private X server for tests that open windows: Xvfb on a display number it picks
// itself, started before the first test and stopped after the last. DISPLAY points at
// it, so XOpenDisplay(nullptr) in the code under test finds it.
#pragma once
#include <X11/Xlib.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace brimtrace_test {

// The display name (":N"), or "" when no server could be started (tests skip then).
const std::string& privateDisplay();

// A top-level window standing in for the host's editor window, on its own connection.
class HostWindow {
public:
  explicit HostWindow(int width = 400, int height = 400, int x = 0, int y = 0);
  ~HostWindow();
  HostWindow(const HostWindow&) = delete;
  HostWindow& operator=(const HostWindow&) = delete;

  bool ok() const { return window_ != 0; }
  Display* display() const { return display_; }
  Window window() const { return window_; }
  void* handle() const { return reinterpret_cast<void*>(static_cast<uintptr_t>(window_)); }
  int childCount() const;
  // 0xRRGGBB of a pixel of the window (children included, as on screen).
  unsigned long pixel(int x, int y) const;
  // The whole window as 0xRRGGBB rows.
  std::vector<unsigned long> grab() const;
  // Pointer and buttons through XTest, in root coordinates.
  void moveTo(int x, int y);
  void button(unsigned int button, bool press);
  void key(unsigned long keysym, bool press);
  void destroy();  // destroys the window early, as a host that forgets to close

private:
  Display* display_ = nullptr;
  Window window_ = 0;
  int width_, height_;
};

// Runs step until done answers true or the time runs out; false on time-out.
bool waitFor(const std::function<bool()>& done, const std::function<void()>& step,
             int timeoutMs = 3000);

}  // namespace brimtrace_test

// Skips the test when no X server could be started.
#define REQUIRE_X_SERVER()                                                  \
  do {                                                                      \
    if (brimtrace_test::privateDisplay().empty()) GTEST_SKIP() << "no Xvfb"; \
  } while (0)
