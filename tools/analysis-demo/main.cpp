// Writes two minutes of 48 kHz stereo 24-bit audio with faults at known times, for
// `brimtrace-host analyze` to find:
//   left:  a 440 Hz tone swelling from 0.05 to 0.5 and back, over faint hiss; a
//          single-sample click at 0:20, a bad edit (the tone jumps a quarter cycle) at 0:45
//   right: a 3 kHz tone at 0.3 until 1:00, digital silence until 1:10, then hiss at 0.01;
//          a full-scale square burst (a slew of 2) at 1:35, a step of 0.6 at 1:50
#include <cmath>
#include <cstdio>
#include <numbers>
#include <vector>

#include "tools/host/audio_io.h"

namespace {
constexpr int kRate = 48000;
}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUT.wav\n", argc > 0 ? argv[0] : "brimtrace-analysis-demo");
    return 2;
  }
  std::string error;
  auto writer = host::createAudioWriter(argv[1], 2, kRate, host::SampleEncoding::Pcm24, error);
  if (!writer) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  const int64_t frames = 120LL * kRate;
  uint32_t noise = 1;
  auto hiss = [&] {
    noise = noise * 1664525u + 1013904223u;
    return static_cast<int32_t>(noise) / 2147483648.0;
  };
  std::vector<double> block;
  for (int64_t f = 0; f < frames; ++f) {
    const double t = static_cast<double>(f) / kRate;
    const double swell = 0.05 + 0.45 * std::sin(std::numbers::pi * t / 120);
    const double phase = t < 45 ? 0 : std::numbers::pi / 2;
    double left = swell * std::sin(2 * std::numbers::pi * 440 * t + phase) + 0.0001 * hiss();
    if (f == 20LL * kRate) left = 0.8;
    double right = t < 60 ? 0.3 * std::sin(2 * std::numbers::pi * 3000 * t) : t < 70 ? 0 : 0.01 * hiss();
    if (t >= 95 && t < 95.05) right = (f / 24) % 2 ? 1.0 : -1.0;
    if (t >= 110) right += 0.6;
    block.push_back(left);
    block.push_back(right);
    if (block.size() == 2 * 4096 || f + 1 == frames) {
      if (!writer->write(block.data(), static_cast<int64_t>(block.size() / 2))) break;
      block.clear();
    }
  }
  if (!writer->close()) {
    std::fprintf(stderr, "%s\n", writer->error().c_str());
    return 1;
  }
  std::printf(
      "wrote %s: two minutes with a click at 0:20, a bad edit at 0:45, silence from 1:00 to 1:10, "
      "a full-scale burst at 1:35 and a step at 1:50\n",
      argv[1]);
  return 0;
}
