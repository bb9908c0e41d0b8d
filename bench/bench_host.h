// What the benchmarks add to the test support's playing host and process measures
// (tests/support): the machine the figures come from.
#pragma once
#include <vector>

#include "tests/support/in_process.h"
#include "tests/support/measure.h"

namespace bench {

// One line naming the machine: cores and processor model.
const char* machine();

// Processor time of the calling thread, in seconds.
double threadSeconds();

// Feeds an instance one 512-frame stereo block a call, the level moving as the drawing
// benchmarks want their histories: a smooth sweep over the decades, or jagged steps
// between 0 and 2.
class HistoryFeed {
public:
  HistoryFeed(AEffect* effect, bool jagged);
  void operator()();

private:
  static constexpr int kFrames = 512;
  AEffect* effect_;
  bool jagged_;
  int pass_ = 0;
  std::vector<float> in0_, in1_, out0_, out1_;
};

}  // namespace bench
