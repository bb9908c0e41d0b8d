#include "tools/host/demo_signal.h"

#include <cmath>

namespace host {
namespace {
constexpr double kPi = 3.14159265358979323846;
}

double DemoSignal::left(int64_t frame) const {
  return 0.5 * std::sin(2.0 * kPi * 440.0 * static_cast<double>(frame) / sampleRate);
}

double DemoSignal::right(int64_t frame) const {
  // Five half-second steps repeat every 2.5 s; each burst lasts 0.3 s of its step.
  const double t = static_cast<double>(frame) / sampleRate;
  const double cycle = std::fmod(t, 2.5);
  const int step = static_cast<int>(cycle / 0.5);
  if (step >= 4 || std::fmod(cycle, 0.5) >= 0.3) return 0.0;
  const double level = 0.5 * std::pow(10.0, -step);
  return level * std::sin(2.0 * kPi * 1000.0 * t);
}

}  // namespace host
