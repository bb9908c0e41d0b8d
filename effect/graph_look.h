// How the editor's graph looks, in one place for the editor and for pictures drawn away
// from it (brimtrace-host analyze): its colours, its slew-to-row mapping and its ceiling.
#pragma once
#include <cstdint>

#include "effect/fablo_effect.h"

// A drawing colour as onGraphics sets it: red, green, blue and opacity from 0 to 1.
struct GraphColor {
  double red, green, blue, alpha;
};

inline constexpr GraphColor kCaptionColor{1, 1, 0, 0.5};  // the legends and the ceiling's caption
inline constexpr GraphColor kCeilingColor{0.5, 0.5, 0, 0.95};
inline constexpr GraphColor kLeftTraceColor{1, 1, 1, 0.5};
inline constexpr GraphColor kRightTraceColor{1, 0, 0, 0.5};
inline constexpr GraphColor kFrameColor{1, 0, 0, 1};
inline constexpr GraphColor kVersionColor{0, 0.5, 0.95, 0.5};

// The slew the ceiling line marks, and how far above the editor graph's bottom it lies:
// where that slew falls on the editor's scale (slew_test checks that they agree).
inline constexpr double kCeilingSlew = 2;
inline constexpr double kCeilingRise = 384;

// A colour component as a byte, as the drawing layer turns it into one.
inline uint8_t graphColorByte(double v) {
  const int32_t b = toInt(v * 255);
  return static_cast<uint8_t>(b < 0 ? 0 : b > 255 ? 255 : b);
}

// The row, counted from the graph's top, of a slew on a graph `height` tall, as the traces
// draw it: the floor for anything below it, then its fraction of the scale.
double slewRow(const TFabloEffect& e, double slew, double height);
