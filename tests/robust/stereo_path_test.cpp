// The analyzer's stereo path must compute exactly what the per-frame path computes:
// onSample once per frame with the frame in channelSample. Two effects, one driven each
// way over the same awkward input, must agree bit for bit in outputs and in every
// variable the measurement touches, on each lane path (SSE2, AVX2), with separate,
// in-place and crossed buffers, and with subnormals flushed as hosts often ask.
#include <gtest/gtest.h>
#include <xmmintrin.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "effect/fablo_effect.h"
#include "tests/support/recording_link.h"

namespace {

// Finite samples that make the lanes work: subnormals, -0, the largest magnitude (whose
// differences overflow single precision), plain random values, runs of equal slews.
template <class Sample>
std::vector<Sample> finiteSignal(int frames, unsigned seed) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> unit(-1.0, 1.0);
  const Sample special[] = {std::numeric_limits<Sample>::denorm_min(),
                            -std::numeric_limits<Sample>::min() / 3, Sample(-0.0),
                            std::numeric_limits<Sample>::max(), -std::numeric_limits<Sample>::max()};
  std::vector<Sample> s(frames);
  const int kind = static_cast<int>(seed % 4);
  for (int i = 0; i < frames; ++i) {
    if (kind == 0)
      s[i] = static_cast<Sample>(unit(random));  // music-like noise
    else if (kind == 1)
      s[i] = static_cast<Sample>(i % 2 ? 0.25 : -0.5);  // one slew everywhere
    else if (kind == 2)
      s[i] = static_cast<Sample>(unit(random) * 1e-41);  // subnormal floats
    else
      s[i] = random() % 64 == 0 ? special[random() % 5] : static_cast<Sample>(unit(random) * 3);
  }
  return s;
}

template <class Sample>
std::vector<Sample> awkwardSignal(int frames, unsigned seed) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> unit(-1.0, 1.0);
  const Sample special[] = {
      std::numeric_limits<Sample>::quiet_NaN(), std::numeric_limits<Sample>::infinity(),
      -std::numeric_limits<Sample>::infinity(), std::numeric_limits<Sample>::denorm_min(),
      -std::numeric_limits<Sample>::min() / 3,  Sample(-0.0),
      std::numeric_limits<Sample>::max(),       Sample(2)};
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

enum class Buffers { kSeparate, kInPlace, kCrossed };

template <class Sample>
void compareOver(StereoPath path, Buffers buffers, bool finite, bool flushing = false) {
  RecordingLink link;
  TFabloEffect perFrame, stereo;
  ASSERT_TRUE(stereo.useStereoPath(path));
  for (TFabloEffect* fx : {&perFrame, &stereo}) {
    fx->zelk = &link;
    fx->reset();
    fx->onInit();
  }
  unsigned seed = finite ? 100 : 1;
  // Blocks of 0, 1 and many frames (past several runs of chunk maxima), with a history
  // push between some of them.
  for (int frames : {0, 1, 7, 512, 0, 333, 1, 64, 5000, 2, 129}) {
    const std::vector<Sample> in0 =
        finite ? finiteSignal<Sample>(frames, seed++) : awkwardSignal<Sample>(frames, seed++);
    const std::vector<Sample> in1 =
        finite ? finiteSignal<Sample>(frames, seed++) : awkwardSignal<Sample>(frames, seed++);
    std::vector<Sample> out0(frames), out1(frames);

    for (int i = 0; i < frames; ++i) {
      perFrame.channelSample[0] = in0[i];
      perFrame.channelSample[1] = in1[i];
      perFrame.onSample();
      out0[i] = static_cast<Sample>(perFrame.channelSample[0]);
      out1[i] = static_cast<Sample>(perFrame.channelSample[1]);
    }
    std::vector<Sample> a = in0, b = in1, c(frames), d(frames);
    if (buffers == Buffers::kInPlace) {
      stereo.runStereoFrames(a.data(), b.data(), a.data(), b.data(), frames);
      c = a;
      d = b;
    } else if (buffers == Buffers::kCrossed) {
      // Each output is the other channel's input: the channels trade buffers.
      stereo.runStereoFrames(a.data(), b.data(), b.data(), a.data(), frames);
      c = b;
      d = a;
    } else {
      stereo.runStereoFrames(a.data(), b.data(), c.data(), d.data(), frames);
    }
    // Denormals-are-zero turns subnormal samples into zeros on their way through a double;
    // the stereo path copies the samples themselves.
    if (frames > 0 && !flushing) {
      ASSERT_EQ(0, std::memcmp(out0.data(), c.data(), frames * sizeof(Sample))) << frames;
      ASSERT_EQ(0, std::memcmp(out1.data(), d.data(), frames * sizeof(Sample))) << frames;
    }
    if (frames > 0) {
      ASSERT_EQ(0, std::memcmp(in0.data(), c.data(), frames * sizeof(Sample))) << "passes through";
      ASSERT_EQ(0, std::memcmp(in1.data(), d.data(), frames * sizeof(Sample))) << "passes through";
    }
    expectSameState(perFrame, stereo);
    if (frames == 7 || frames == 5000) {
      perFrame.pushHistory();
      stereo.pushHistory();
    }
  }
}

void compareEverything(StereoPath path) {
  for (Buffers buffers : {Buffers::kSeparate, Buffers::kInPlace, Buffers::kCrossed}) {
    for (bool finite : {true, false}) {
      SCOPED_TRACE(::testing::Message() << "buffers " << int(buffers) << " finite " << finite);
      compareOver<float>(path, buffers, finite);
      compareOver<double>(path, buffers, finite);
    }
  }
  // Flush-to-zero and denormals-are-zero, as an audio thread may run.
  const unsigned saved = _mm_getcsr();
  _mm_setcsr(saved | 0x8040);
  compareOver<float>(path, Buffers::kSeparate, true, true);
  compareOver<double>(path, Buffers::kSeparate, true, true);
  _mm_setcsr(saved);
}

TEST(StereoPath, Sse2LanesComputeWhatThePerFramePathComputes) { compareEverything(StereoPath::kSse2); }

TEST(StereoPath, Avx2LanesComputeWhatThePerFramePathComputes) {
  if (slewKernels(StereoPath::kAvx2) == nullptr) GTEST_SKIP() << "this processor has no AVX2";
  compareEverything(StereoPath::kAvx2);
}

// A push that lands while a block is measured (after measureStereo, before publishStereo)
// writes the peaks pending from earlier blocks; the block's own peaks go whole to the
// entry of the next push.
TEST(StereoPath, APushDuringABlockLeavesItsPeaksToTheNextEntry) {
  RecordingLink link;
  TFabloEffect fx;
  fx.zelk = &link;
  fx.reset();
  fx.onInit();
  float earlier[2] = {0.25f, 0.25f};  // slews of 0.25 from the silence before
  fx.runStereoFrames(&earlier[0], &earlier[1], &earlier[0], &earlier[1], 1);
  std::vector<float> left(256, 0.0f), right(256, 0.0f);
  left[100] = 1.5f;   // slews of 1.5 in the left channel
  right[7] = -0.75f;  // and of 0.75 in the right one
  const auto block = fx.measureStereo(left.data(), right.data(), 256);
  fx.pushHistory();  // lands while the block is processed
  EXPECT_EQ(double(fx.memory.cell(0, 99)), 0.25);
  EXPECT_EQ(double(fx.memory.cell(100, 99)), 0.25);
  fx.publishStereo(block);
  fx.pushHistory();
  EXPECT_EQ(double(fx.memory.cell(0, 98)), 0.25);
  EXPECT_EQ(double(fx.memory.cell(0, 99)), 1.5);
  EXPECT_EQ(double(fx.memory.cell(100, 99)), 0.75);
}

}  // namespace
