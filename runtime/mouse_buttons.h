// Mouse bits on both sides of the effect's mouse hooks: the toolkit's button and
// modifier bits that mouse events carry, and the bits effect code reads from its mouse
// slot. The runtime translates the first into the second.
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

// Bits of the effect's mouse slot.
enum EffectMouseBits : int32_t {
  kEffectMouseLeft = 1,
  kEffectMouseRight = 2,
  kEffectMouseControl = 4,
  kEffectMouseShift = 8,
  kEffectMouseAlt = 16,
  kEffectMouseMiddle = 64,
};
