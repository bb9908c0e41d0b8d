// The toolkit's mouse button and modifier bits, as mouse events carry them. The runtime
// translates them into the bits effect code reads from its mouse slot.
#pragma once
#include <cstdint>

namespace Toolkit {

// Mouse button and modifier bits of a mouse event.
enum ButtonState : int32_t {
  kLButton = 1 << 1,
  kMButton = 1 << 2,
  kRButton = 1 << 3,
  kShift = 1 << 4,
  kControl = 1 << 5,
  kAlt = 1 << 6,
  kButton4 = 1 << 8,
  kButton5 = 1 << 9,
  kDoubleClick = 1 << 10,
};

}  // namespace Toolkit
