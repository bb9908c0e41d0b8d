#include "tools/host/editor_window.h"

namespace host {

uint32_t EditorWindow::pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return ~0u;
  const std::vector<uint32_t> all = pixels();
  return all.empty() ? ~0u
                     : all[static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)];
}

bool EditorWindow::savePng(const std::string& path, std::string& error) const {
  const std::vector<uint32_t> all = pixels();
  if (all.empty()) {
    error = "cannot read the window's pixels";
    return false;
  }
  const std::string why = writePng(all, width_, height_, path);
  if (!why.empty()) error = "cannot write " + path + ": " + why;
  return why.empty();
}

}  // namespace host
