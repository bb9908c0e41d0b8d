// An hour of audio at 48 kHz, in faster than real time, with a drawing pass every 1600
// frames as an open editor makes them. The histories must equal an independent
// computation of the same peaks after every pass, the outputs the inputs, and neither
// memory nor the picture's pulse may drift.
//   BRIMTRACE_SOAK_SECONDS=<seconds of audio> (default 3600; ctest runs 120) sets its length.
#include <gtest/gtest.h>

#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <vector>

#include "effect/fablo_effect.h"
#include "tests/robust/editor_paint.h"
#include "tests/support/in_process.h"
#include "tests/support/measure.h"

namespace {

constexpr int kRate = 48000;
constexpr int kFramesPerPass = 1600;
constexpr int kMaxBlock = 512;
constexpr int kHistory = 100;

// BRIMTRACE_SOAK_SECONDS when given, else ctest's short form, else the hour.
long long audioSeconds() {
  return brimtrace_test::lengthFromEnvironment("BRIMTRACE_SOAK_SECONDS", "BRIMTRACE_SOAK_CTEST_SECONDS",
                                               3600);
}

long long heapBytes() { return static_cast<long long>(mallinfo2().uordblks); }

// A test signal whose loudness and character change from pass to pass, so that every
// history entry differs: noise, square waves and near-silence (subnormal floats among it).
class Signal {
public:
  void next(float& left, float& right) {
    if (frame_ % kFramesPerPass == 0) {
      section_ = static_cast<int>(random() % 4);
      level_ = std::pow(10.0, -6.0 + 6.5 * (random() % 1000) / 1000.0);
    }
    ++frame_;
    const double u = (random() % 2000001) / 1000000.0 - 1.0;
    switch (section_) {
      case 0:
        left = static_cast<float>(level_ * u);
        right = static_cast<float>(-level_ * u * 0.5);
        break;
      case 1:
        left = (frame_ & 1) ? static_cast<float>(level_) : static_cast<float>(-level_);
        right = static_cast<float>(level_ * std::sin(frame_ * 0.01));
        break;
      case 2:
        left = static_cast<float>(u * 1e-39);
        right = 0.0f;
        break;
      default:
        left = static_cast<float>(level_ * std::sin(frame_ * 0.2));
        right = static_cast<float>(level_ * u);
        break;
    }
  }

private:
  unsigned random() {
    state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<unsigned>(state_ >> 33);
  }
  unsigned long long state_ = 20260721;
  long long frame_ = 0;
  int section_ = 0;
  double level_ = 0.5;
};

// The peaks computed without the plug-in: per pass, the largest |x[i] - x[i-1]| of each
// channel, the first sample measured against 0; the last 100 passes kept.
struct Reference {
  double previous[2] = {0, 0};
  double peak[2] = {0, 0};
  std::deque<double> history[2] = {std::deque<double>(kHistory, 0.0), std::deque<double>(kHistory, 0.0)};
  double glowPhase = 0;

  void frame(float left, float right) {
    const double x[2] = {left, right};
    for (int c = 0; c < 2; ++c) {
      peak[c] = std::max(peak[c], std::fabs(x[c] - previous[c]));
      previous[c] = x[c];
    }
  }
  void pass() {
    for (int c = 0; c < 2; ++c) {
      history[c].pop_front();
      history[c].push_back(peak[c]);
      peak[c] = 0;
    }
    glowPhase += 0.07;
    if (glowPhase >= 6.283185307179586) glowPhase -= 6.283185307179586;
  }
};

TEST(Soak, AnHourOfAudioWithAPaintEvery1600Frames) {
  const long long passes = audioSeconds() * kRate / kFramesPerPass;
  AEffect* e = brimtrace_test::startInProcess(kRate, kMaxBlock);
  ASSERT_NE(e, nullptr);
  EditorPaint painter(e);
  TFabloEffect& fx = *static_cast<TFabloEffect*>(painter.plugin()->getEffect());
  Signal signal;
  Reference reference;

  std::vector<float> in0(kMaxBlock), in1(kMaxBlock), out0(kMaxBlock), out1(kMaxBlock);
  float* inputs[] = {in0.data(), in1.data()};
  float* outputs[] = {out0.data(), out1.data()};
  // Blocks as a host cuts them: full ones, and a shorter one at each pass boundary.
  auto runPass = [&] {
    for (int done = 0; done < kFramesPerPass;) {
      const int n = std::min(kMaxBlock, kFramesPerPass - done);
      for (int i = 0; i < n; ++i) {
        signal.next(in0[i], in1[i]);
        reference.frame(in0[i], in1[i]);
      }
      e->processReplacing(e, inputs, outputs, n);
      ASSERT_EQ(0, std::memcmp(in0.data(), out0.data(), n * sizeof(float)));
      ASSERT_EQ(0, std::memcmp(in1.data(), out1.data(), n * sizeof(float)));
      done += n;
    }
    painter.paint();
    reference.pass();
  };
  auto historiesMatch = [&] {
    for (int k = 0; k < kHistory; ++k) {
      if (fx.memory.cell(0, k) != reference.history[0][k] ||
          fx.memory.cell(100, k) != reference.history[1][k]) {
        ADD_FAILURE() << "entry " << k << ": " << fx.memory.cell(0, k) << " / " << fx.memory.cell(100, k)
                      << ", reference " << reference.history[0][k] << " / " << reference.history[1][k];
        return false;
      }
    }
    return true;
  };

  // Settle caches (fonts, images, the picture) before memory is watched.
  const long long warmUp = std::min<long long>(passes, 200);
  for (long long p = 0; p < warmUp; ++p) runPass();
  const long long heapBefore = heapBytes(), residentBefore = brimtrace_test::residentBytes();
  long long heapPeak = heapBefore, residentPeak = residentBefore;

  using clock = std::chrono::steady_clock;
  const auto start = clock::now();
  double firstTenth = 0, lastTenth = 0;
  for (long long p = warmUp; p < passes; ++p) {
    const auto t0 = clock::now();
    runPass();
    const double spent = std::chrono::duration<double>(clock::now() - t0).count();
    if (p < warmUp + (passes - warmUp) / 10) firstTenth += spent;
    if (p >= passes - (passes - warmUp) / 10) lastTenth += spent;
    ASSERT_TRUE(historiesMatch()) << "after pass " << p;
    ASSERT_EQ(fx.frameSampleCount.load(), 0);
    ASSERT_EQ(fx.glowPhase, reference.glowPhase) << "after pass " << p;
    ASSERT_TRUE(fx.glowPhase >= 0 && fx.glowPhase < 6.283185307179586);
    if (p % 1000 == 0) {
      heapPeak = std::max(heapPeak, heapBytes());
      residentPeak = std::max(residentPeak, brimtrace_test::residentBytes());
    }
  }
  heapPeak = std::max(heapPeak, heapBytes());
  residentPeak = std::max(residentPeak, brimtrace_test::residentBytes());
  const double seconds = std::chrono::duration<double>(clock::now() - start).count();
  std::printf(
      "%lld s of audio, %lld passes in %.1f s (%.0fx real time); heap %+lld bytes, "
      "resident %+lld KiB; last tenth took %.2fx the first\n",
      audioSeconds(), passes, seconds, audioSeconds() / std::max(seconds, 1e-9), heapPeak - heapBefore,
      (residentPeak - residentBefore) / 1024, firstTenth > 0 ? lastTenth / firstTenth : 0.0);
  // Flat: nothing grows with the passes (a little slack for the allocator's own books).
  // Under a sanitizer its own allocator keeps freed memory aside; nothing to see there.
  if (!brimtrace_test::kSanitizedHeap) {
    EXPECT_LE(heapPeak - heapBefore, 16 * 1024);
    EXPECT_LE(residentPeak - residentBefore, 512 * 1024);
  }
  brimtrace_test::dispatch(e, effClose);
}

}  // namespace
