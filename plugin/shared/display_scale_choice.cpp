#include "plugin/shared/display_scale_choice.h"

#include <cstdlib>

#include "gui/frame_window.h"

std::optional<double> scaleOverride() {
  const char* text = std::getenv("BRIMTRACE_SCALE");
  if (!text) return std::nullopt;
  // Read whatever the host's C locale says the decimal point is.
  const auto factor = Toolkit::DisplayScale::parseNumber(text);
  if (!factor || !Toolkit::DisplayScale::inRange(*factor)) return std::nullopt;
  return factor;
}
