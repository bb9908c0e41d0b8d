#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <dirent.h>
#include <malloc.h>

#include <cstdlib>

#include "tests/editor/host_window.h"
#include "tools/host/linux/private_xvfb.h"

namespace brimtrace_test {

namespace {

Display* displayOf(const std::unique_ptr<host::EditorWindow>& w) {
  return w ? static_cast<Display*>(w->display()) : nullptr;
}

unsigned int xButton(Button b) {
  return b == Button::Left ? Button1 : b == Button::Middle ? Button2 : Button3;
}

}  // namespace

// One server for the whole test process, started before the first window.
bool windowsAvailable() {
  static const bool started = [] {
    static host::PrivateXvfb server;
    std::string error;
    if (!server.start(error)) return false;
    setenv("DISPLAY", server.display().c_str(), 1);
    return true;
  }();
  return started;
}

void HostWindow::key(unsigned long keysym, bool press) {
  Display* d = displayOf(window_);
  if (!d) return;
  XTestFakeKeyEvent(d, XKeysymToKeycode(d, keysym), press ? True : False, CurrentTime);
  XSync(d, False);
}

void HostWindow::button(unsigned int b, bool press) {
  Display* d = displayOf(window_);
  if (!d) return;
  XTestFakeButtonEvent(d, b, press ? True : False, CurrentTime);
  XSync(d, False);
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
  Display* d = displayOf(window_);
  if (!d) return;
  withModifiers(*this, modifiers, [&] {
    XTestFakeMotionEvent(d, DefaultScreen(d), x, y, CurrentTime);
    XSync(d, False);
  });
}

void HostWindow::press(Button b, int modifiers) {
  withModifiers(*this, modifiers, [&] { button(xButton(b), true); });
}

void HostWindow::release(Button b, int modifiers) {
  withModifiers(*this, modifiers, [&] { button(xButton(b), false); });
}

bool HostWindow::editorHoldsMouse() const {
  Display* d = displayOf(window_);
  if (!d) return false;
  // While another client holds the pointer, a grab of ours fails.
  const auto window = static_cast<Window>(reinterpret_cast<uintptr_t>(window_->parent()));
  const int result = XGrabPointer(d, window, False, 0, GrabModeAsync, GrabModeAsync, None, None, CurrentTime);
  if (result == GrabSuccess) XUngrabPointer(d, CurrentTime);
  XSync(d, False);
  return result == AlreadyGrabbed;
}

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
