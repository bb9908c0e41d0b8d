// The built-in demonstration signal: a steady 440 Hz sine at half scale on the left, and
// on the right 1 kHz bursts whose level steps down by 20 dB every half second (0.5, 0.05,
// 0.005, 0.0005, then silence), so that the two traces of a slew display move apart.
#pragma once
#include <cstdint>

namespace host {

struct DemoSignal {
  double sampleRate = 44100;
  // Fills frames [start, start + count) of both channels.
  template <typename Sample>
  void render(int64_t start, int32_t count, Sample* left, Sample* right) const;
  double left(int64_t frame) const;
  double right(int64_t frame) const;
};

template <typename Sample>
void DemoSignal::render(int64_t start, int32_t count, Sample* left, Sample* right) const {
  for (int32_t i = 0; i < count; ++i) {
    left[i] = static_cast<Sample>(this->left(start + i));
    right[i] = static_cast<Sample>(this->right(start + i));
  }
}

}  // namespace host
