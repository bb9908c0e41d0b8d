// Audio through the built library: bit-exact pass-through in both precisions, the host
// calls made per block, missing host answers and buffers, and no heap use while processing.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <thread>
#include <vector>

#include "tests/host/instance_test.h"

namespace {

// Samples that survive float -> double -> float only if nothing touches them.
template <class Sample>
std::vector<Sample> testSignal(int frames, int channel) {
  std::vector<Sample> s(static_cast<std::size_t>(frames));
  for (int i = 0; i < frames; ++i) {
    s[static_cast<std::size_t>(i)] = static_cast<Sample>(std::sin(0.01 * i * (channel + 1)) * 0.9 + 1e-7 * i);
  }
  s[1] = -0.0f;
  s[2] = std::numeric_limits<Sample>::denorm_min();
  s[3] = std::numeric_limits<Sample>::max();
  s[4] = -1.0f;
  return s;
}

class Processing : public InstanceTest {
protected:
  AEffect* effect() const { return fx->get(); }

  template <class Sample>
  void expectPassThrough(bool inPlace) {
    constexpr int kFrames = 1000;
    const std::vector<Sample> left = testSignal<Sample>(kFrames, 0), right = testSignal<Sample>(kFrames, 1);
    std::vector<Sample> in0 = left, in1 = right, out0(kFrames, 7), out1(kFrames, 7);
    Sample* inputs[2] = {in0.data(), in1.data()};
    Sample* outputs[2] = {out0.data(), out1.data()};
    if (inPlace) std::memcpy(outputs, inputs, sizeof inputs);
    // Uneven block sizes, the last block shorter.
    for (int start = 0, n = 1; start < kFrames; start += n, n = n * 3 + 1) {
      const int frames = std::min(n, kFrames - start);
      Sample* in[2] = {inputs[0] + start, inputs[1] + start};
      Sample* out[2] = {outputs[0] + start, outputs[1] + start};
      if constexpr (sizeof(Sample) == 4) {
        effect()->processReplacing(effect(), in, out, frames);
      } else {
        effect()->processDoubleReplacing(effect(), in, out, frames);
      }
    }
    EXPECT_EQ(std::memcmp(outputs[0], left.data(), kFrames * sizeof(Sample)), 0);
    EXPECT_EQ(std::memcmp(outputs[1], right.data(), kFrames * sizeof(Sample)), 0);
    if (!inPlace) {
      EXPECT_EQ(std::memcmp(in0.data(), left.data(), kFrames * sizeof(Sample)), 0);  // inputs untouched
    }
  }
};

TEST_F(Processing, PassesAudioThroughBitExactInBothPrecisions) {
  // Before any resume, then running, then suspended: the audio is never touched.
  expectPassThrough<float>(false);
  expectPassThrough<double>(true);
  fx->start();
  expectPassThrough<float>(false);
  expectPassThrough<float>(true);
  expectPassThrough<double>(false);
  fx->dispatch(effMainsChanged, 0, 0);
  expectPassThrough<float>(true);
}

TEST_F(Processing, EachBlockAsksTheHostForTransportInOrder) {
  fx->start();
  EXPECT_EQ(host.count(audioMasterWantMidi), 0u);  // resume never asks for MIDI
  float buffer[2][64] = {};
  float* io[2] = {buffer[0], buffer[1]};
  for (int frames : {64, 0, -5}) {
    SCOPED_TRACE(frames);
    host.clear();
    effect()->processReplacing(effect(), io, io, frames);
    std::vector<intptr_t> filters;
    for (const HostCall& call : host.calls()) {
      EXPECT_EQ(call.effect, effect());
      if (call.opcode == audioMasterUpdateDisplay) continue;  // rate-limited, at most one
      EXPECT_EQ(call.opcode, audioMasterGetTime);
      filters.push_back(call.value);
    }
    // Tempo and time signature, playing, recording, position.
    EXPECT_EQ(filters, (std::vector<intptr_t>{0x2400, 0x2, 0x8, 0x200}));
    EXPECT_LE(host.count(audioMasterUpdateDisplay), 1u);
  }
  // Nothing beyond these opcodes is ever sent while processing.
  host.clear();
  for (int i = 0; i < 50; ++i) effect()->processReplacing(effect(), io, io, 64);
  for (const HostCall& call : host.calls()) {
    EXPECT_TRUE(call.opcode == audioMasterGetTime || call.opcode == audioMasterUpdateDisplay) << call.opcode;
  }
}

TEST_F(Processing, HostWithoutTimeInformationOrCallbackAnswers) {
  fx->start();
  float buffer[2][64] = {};
  float* io[2] = {buffer[0], buffer[1]};
  buffer[0][5] = 0.25f;
  host.answerNullTime();
  effect()->processReplacing(effect(), io, io, 64);
  fx->dispatch(effMainsChanged, 0, 1);  // the start-up tempo read gets null as well
  effect()->processReplacing(effect(), io, io, 64);
  EXPECT_EQ(buffer[0][5], 0.25f);
  // A host that answers 0 to everything (after construction).
  host.handler = [](const HostCall&) { return std::optional<intptr_t>(0); };
  fx->start();
  effect()->processReplacing(effect(), io, io, 64);
  EXPECT_EQ(buffer[0][5], 0.25f);
}

TEST_F(Processing, MissingBuffersDoNotCrash) {
  fx->start();
  float a[16] = {}, b[16] = {};
  float* none[2] = {nullptr, nullptr};
  float* half[2] = {a, nullptr};
  float* full[2] = {a, b};
  effect()->processReplacing(effect(), nullptr, nullptr, 16);
  effect()->processReplacing(effect(), full, nullptr, 16);
  effect()->processReplacing(effect(), nullptr, full, 16);
  effect()->processReplacing(effect(), none, none, 16);
  effect()->processReplacing(effect(), half, full, 16);
  effect()->processReplacing(effect(), full, half, 16);
  double* dnone[2] = {nullptr, nullptr};
  effect()->processDoubleReplacing(effect(), nullptr, nullptr, 16);
  effect()->processDoubleReplacing(effect(), dnone, dnone, 16);
  effect()->process(effect(), full, full, 16);  // the deprecated entry does nothing
  EXPECT_EQ(a[0], 0.f);
}

TEST_F(Processing, MakesNoAllocation) {
  fx->start();
  // Positive control: the counter does see the library's heap use.
  alloc_count::start();
  { Instance another(library.entry()); }
  EXPECT_GT(alloc_count::stop(), 0) << "the allocation counter does not see the library";

  std::vector<float> left(512, 0.5f), right(512, -0.5f);
  std::vector<double> dleft(512, 0.5), dright(512, -0.5);
  float* io[2] = {left.data(), right.data()};
  double* dio[2] = {dleft.data(), dright.data()};
  effect()->processReplacing(effect(), io, io, 512);  // first blocks may settle lazily-read values
  effect()->processDoubleReplacing(effect(), dio, dio, 512);
  host.timeInfo.flags |= kVstTransportPlaying;
  alloc_count::start();
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(600);
  int blocks = 0;
  // Long enough to pass several display-refresh checks.
  while (std::chrono::steady_clock::now() < until) {
    effect()->processReplacing(effect(), io, io, 512);
    effect()->processDoubleReplacing(effect(), dio, dio, 512);
    ++blocks;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  EXPECT_EQ(alloc_count::stop(), 0) << "over " << blocks << " blocks";
}

}  // namespace
