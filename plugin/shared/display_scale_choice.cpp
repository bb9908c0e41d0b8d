#include "plugin/shared/display_scale_choice.h"

#include <cstdlib>

#include "gui/frame_window.h"

std::optional<double> scaleOverride() {
  const char* text = std::getenv("BRIMTRACE_SCALE");
  if (!text || !*text) return std::nullopt;
  char* end = nullptr;
  const double factor = std::strtod(text, &end);
  if (end == text || *end != 0 || !Toolkit::DisplayScale::inRange(factor)) return std::nullopt;
  return factor;
}
