// The analyzer's stereo path must compute exactly what the per-frame path computes:
// onSample once per frame with the frame in channelSample. Two effects, one driven each
// way over the same awkward input, must agree bit for bit in outputs and in every
// variable the measurement touches.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "effect/fablo_effect.h"
#include "tests/support/recording_link.h"

namespace {

template <class Sample>
std::vector<Sample> awkwardSignal(int frames, unsigned seed) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> unit(-1.0, 1.0);
  const Sample special[] = {std::numeric_limits<Sample>::quiet_NaN(),
                            std::numeric_limits<Sample>::infinity(),
                            -std::numeric_limits<Sample>::infinity(),
                            std::numeric_limits<Sample>::denorm_min(),
                            -std::numeric_limits<Sample>::min() / 3,
                            Sample(-0.0),
                            std::numeric_limits<Sample>::max(),
                            Sample(2)};
  std::vector<Sample> s(frames);
  for (int i = 0; i < frames; ++i) {
    const int pick = static_cast<int>(random() % 16);
    s[i] = pick < 8 ? special[pick] : static_cast<Sample>(unit(random) * (pick % 3 + 0.5));
  }
  return s;
}

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

void expectSameState(TFabloEffect& a, TFabloEffect& b) {
  EXPECT_TRUE(sameBits(a.channelSample[0], b.channelSample[0]));
  EXPECT_TRUE(sameBits(a.channelSample[1], b.channelSample[1]));
  EXPECT_TRUE(sameBits(a.slewLeft, b.slewLeft));
  EXPECT_TRUE(sameBits(a.slewRight, b.slewRight));
  EXPECT_TRUE(sameBits(a.previousLeft, b.previousLeft));
  EXPECT_TRUE(sameBits(a.previousRight, b.previousRight));
  EXPECT_TRUE(sameBits(a.peakLeft.load(), b.peakLeft.load()));
  EXPECT_TRUE(sameBits(a.peakRight.load(), b.peakRight.load()));
  EXPECT_EQ(a.frameSampleCount.load(), b.frameSampleCount.load());
  EXPECT_EQ(a.graphWidth.load(), b.graphWidth.load());
  EXPECT_EQ(a.graphHeight.load(), b.graphHeight.load());
  EXPECT_EQ(0, std::memcmp(&a.vars, &b.vars, sizeof a.vars));
}

template <class Sample>
void compareOver(bool inPlace) {
  RecordingLink link;
  TFabloEffect perFrame, stereo;
  for (TFabloEffect* fx : {&perFrame, &stereo}) {
    fx->zelk = &link;
    fx->reset();
    fx->onInit();
  }
  int seed = 1;
  // Blocks of 0, 1 and many frames, with a history push between some of them.
  for (int frames : {0, 1, 7, 512, 0, 333, 1, 64}) {
    const std::vector<Sample> in0 = awkwardSignal<Sample>(frames, seed++);
    const std::vector<Sample> in1 = awkwardSignal<Sample>(frames, seed++);
    std::vector<Sample> out0(frames), out1(frames);

    for (int i = 0; i < frames; ++i) {
      perFrame.channelSample[0] = in0[i];
      perFrame.channelSample[1] = in1[i];
      perFrame.onSample();
      out0[i] = static_cast<Sample>(perFrame.channelSample[0]);
      out1[i] = static_cast<Sample>(perFrame.channelSample[1]);
    }
    std::vector<Sample> a = in0, b = in1, c(frames), d(frames);
    if (inPlace) {
      stereo.runStereoFrames(a.data(), b.data(), a.data(), b.data(), frames);
      c = a;
      d = b;
    } else {
      stereo.runStereoFrames(a.data(), b.data(), c.data(), d.data(), frames);
    }
    if (frames > 0) {
      ASSERT_EQ(0, std::memcmp(out0.data(), c.data(), frames * sizeof(Sample))) << frames;
      ASSERT_EQ(0, std::memcmp(out1.data(), d.data(), frames * sizeof(Sample))) << frames;
      ASSERT_EQ(0, std::memcmp(in0.data(), c.data(), frames * sizeof(Sample))) << "passes through";
    }
    expectSameState(perFrame, stereo);
    if (frames == 7) {
      perFrame.pushHistory();
      stereo.pushHistory();
    }
  }
}

TEST(StereoPath, ComputesWhatThePerFramePathComputes) {
  compareOver<float>(false);
  compareOver<float>(true);
  compareOver<double>(false);
  compareOver<double>(true);
}

}  // namespace
