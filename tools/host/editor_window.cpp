#include "tools/host/editor_window.h"

namespace host {

uint32_t EditorWindow::pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return ~0u;
  const std::vector<uint32_t> all = pixels();
  return all.empty() ? ~0u
                     : all[static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)];
}

}  // namespace host
