// The three threads a host runs an instance on, at once: audio blocks on one, the editor's
// paints (through the plug-in's draw context, as the view does) on another, and state
// saves and restores on a third. Built with ThreadSanitizer (preset linux-tsan) this
// proves the sharing race-free; in every build it checks what the threads leave behind.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <thread>
#include <vector>

#include "effect/fablo_effect.h"
#include "tests/robust/editor_paint.h"
#include "tests/support/in_process.h"

namespace {

constexpr int kFrames = 512;

TFabloEffect& effectOf(AEffect* e) {
  return *static_cast<TFabloEffect*>(static_cast<CZelk*>(static_cast<AudioEffect*>(e->object))->getEffect());
}

// A chunk as the host stores it: the marker and 64 slider values.
std::vector<float> chunkWithSliders(float first) {
  std::vector<float> chunk(65, 0.0f);
  chunk[0] = -1000.0f;
  for (int k = 1; k <= 64; ++k) chunk[k] = first + k;
  return chunk;
}

struct Round {
  int paints = 0, restores = 0;
};

// One instance's life with the three threads; the first restore runs onInit while audio
// and paints are under way.
Round runRound(int blocks, unsigned seed) {
  constexpr int kMinPaints = 30, kMinRestores = 30, kMaxBlocks = 400000;
  AEffect* e = brimtrace_test::startInProcess();
  EditorPaint painter(e);
  std::atomic<bool> audioDone{false}, started{false};
  std::atomic<int> paints{0}, restores{0};

  std::thread audio([&] {
    std::vector<float> in0(kFrames), in1(kFrames), out0(kFrames), out1(kFrames);
    std::vector<double> d0(kFrames), d1(kFrames);
    float* fin[] = {in0.data(), in1.data()};
    float* fout[] = {out0.data(), out1.data()};
    double* dio[] = {d0.data(), d1.data()};  // in place, as some hosts do
    unsigned x = seed;
    while (!started.load()) std::this_thread::yield();
    // At least `blocks` blocks, and on until the other threads have done their share
    // meanwhile (bounded, for a starved scheduler).
    for (int b = 0; b < kMaxBlocks && (b < blocks || paints < kMinPaints || restores < kMinRestores); ++b) {
      for (int i = 0; i < kFrames; ++i) {
        x = x * 1664525u + 1013904223u;
        in0[i] = static_cast<float>(static_cast<int>(x >> 8) % 2001 - 1000) / 1000.0f;
        in1[i] = -in0[i] * 0.5f;
        d0[i] = in0[i];
        d1[i] = in1[i];
      }
      if (b % 4 == 3) {
        e->processDoubleReplacing(e, dio, dio, kFrames);
        ASSERT_EQ(d0[kFrames - 1], static_cast<double>(in0[kFrames - 1]));
      } else {
        e->processReplacing(e, fin, fout, kFrames);
        ASSERT_EQ(0, std::memcmp(in0.data(), out0.data(), sizeof(float) * kFrames));
        ASSERT_EQ(0, std::memcmp(in1.data(), out1.data(), sizeof(float) * kFrames));
      }
    }
    audioDone = true;
  });

  std::thread editor([&] {
    started = true;
    while (!audioDone.load()) {
      brimtrace_test::dispatch(e, effEditIdle);
      painter.paint();
      ++paints;
    }
  });

  std::thread state([&] {
    while (!started.load()) std::this_thread::yield();
    while (!audioDone.load()) {
      std::vector<float> chunk = chunkWithSliders(static_cast<float>(restores % 7));
      const auto bytes = static_cast<intptr_t>(chunk.size() * sizeof(float));
      EXPECT_EQ(bytes, brimtrace_test::dispatch(e, effSetChunk, 0, bytes, chunk.data()));
      void* saved = nullptr;
      const intptr_t size = brimtrace_test::dispatch(e, effGetChunk, 0, 0, &saved);
      EXPECT_EQ(size, bytes);
      if (size == bytes) {
        EXPECT_EQ(0, std::memcmp(saved, chunk.data(), size));
      }
      ++restores;
    }
  });

  audio.join();
  editor.join();
  state.join();

  // Every history entry is a slew of samples within [-1, 1].
  TFabloEffect& fx = effectOf(e);
  for (int k = 0; k < 200; ++k) {
    const double v = fx.memory.cell(0, k);
    EXPECT_TRUE(v >= 0 && v <= 2) << "entry " << k << " holds " << v;
  }
  EXPECT_EQ(1, fx.initCount > 0 ? 1 : 0) << "the first restore runs initOnce";
  brimtrace_test::dispatch(e, effClose);
  return Round{paints.load(), restores.load()};
}

TEST(Concurrency, AudioPaintsAndStateRestoresRunTogetherWithoutARace) {
  int paints = 0, restores = 0;
  for (int r = 0; r < 4; ++r) {
    const Round round = runRound(1500, 12345u + r);
    paints += round.paints;
    restores += round.restores;
  }
  // Meaningful only when the threads did overlap.
  EXPECT_GE(paints, 4 * 30);
  EXPECT_GE(restores, 4 * 30);
}

}  // namespace
