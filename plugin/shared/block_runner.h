// One processing call of an effect built on TFablo, whatever the format that hosts it:
// onBlock once and, per frame, the inputs into channelSample, onSample, channelSample
// out. The sections are called by qualified name on the concrete class so the per-frame
// path has no virtual call and can be inlined.
#pragma once
#include <cstdint>

// flatten: the compiler's size limits would otherwise keep a larger onSample out of line.
template <class EffectT, class Sample>
[[gnu::flatten]] void runEffectBlock(EffectT* fx, int32_t channels, Sample* const* inputs,
                                     Sample* const* outputs, int32_t frames) {
  fx->EffectT::onBlock();
  if (frames <= 0) return;
  if (channels > 0 && (!inputs || !outputs)) return;  // nothing to read or write

  if (channels == 2) {
    // Channel pointers fetched once per block; all inputs of a frame are read before
    // any output is written, so in-place buffers work.
    Sample* in0 = inputs[0];
    Sample* in1 = inputs[1];
    Sample* out0 = outputs[0];
    Sample* out1 = outputs[1];
    if (!in0 || !in1 || !out0 || !out1) return;
    // An effect may run the stereo frames itself, with what it keeps per frame in
    // registers; it must compute what the loop below computes.
    if constexpr (requires { fx->runStereoFrames(in0, in1, out0, out1, frames); }) {
      fx->runStereoFrames(in0, in1, out0, out1, frames);
      return;
    }
    for (int32_t i = 0; i < frames; ++i) {
      fx->channelSample[0] = in0[i];
      fx->channelSample[1] = in1[i];
      fx->EffectT::onSample();
      out0[i] = static_cast<Sample>(fx->channelSample[0]);
      out1[i] = static_cast<Sample>(fx->channelSample[1]);
    }
    return;
  }

  for (int32_t c = 0; c < channels; ++c) {
    if (!inputs[c] || !outputs[c]) return;
  }
  for (int32_t i = 0; i < frames; ++i) {
    for (int32_t c = channels - 1; c >= 0; --c) fx->channelSample[c] = inputs[c][i];
    fx->EffectT::onSample();
    for (int32_t c = channels - 1; c >= 0; --c) outputs[c][i] = static_cast<Sample>(fx->channelSample[c]);
  }
}
