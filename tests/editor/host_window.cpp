// What the test host windows share on every platform.
#include "tests/editor/host_window.h"

#include <chrono>
#include <thread>

namespace brimtrace_test {

HostWindow::HostWindow(int width, int height) : width_(width), height_(height) {
  if (!windowsAvailable()) return;
  std::string error;
  window_ = host::EditorWindow::create(width, height, "Host", error);
}

HostWindow::~HostWindow() = default;

std::vector<uint32_t> HostWindow::grab() const {
  return window_ ? window_->pixels() : std::vector<uint32_t>();
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
