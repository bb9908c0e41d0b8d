#include "runtime/strings.h"

#include <cstdio>

#include "runtime/script_value.h"

// A double has at most 1074 significant decimals after the point; past them printf only
// appends zeros and rounds nothing, so capping the precision here changes no character
// of the kept text while sparing printf a precision of up to two billion.
static constexpr int kMaxPrecision = 1100;

std::size_t formatNumber(double value, double decimals, char (&out)[kNumberTextSize]) {
  int precision = toInt(decimals);
  if (precision > kMaxPrecision) precision = kMaxPrecision;
  const int written = std::snprintf(out, kNumberTextSize, "%.*f", precision, value);
  if (written < 0) {
    out[0] = '\0';
    return 0;
  }
  // snprintf stops at the buffer's end and reports the length it would have needed.
  return static_cast<std::size_t>(written) < kNumberTextSize ? static_cast<std::size_t>(written)
                                                             : kNumberTextSize - 1;
}

std::string formatNumber(double value, double decimals) {
  char text[kNumberTextSize];
  const std::size_t length = formatNumber(value, decimals, text);
  return std::string(text, length);
}
