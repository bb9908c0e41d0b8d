// The host that the robustness tests, fuzz targets and benchmarks play: a DAW whose
// transport plays, answering from any thread at once (it only reads constant records),
// and the steps hosts take to start and stop an instance, whichever way it was made.
#pragma once
#include <cstdint>

#include "plugin/vst2/vst2.h"

namespace brimtrace_test {

using Entry = AEffect*(VST_CALLBACK*)(audioMasterCallback);

inline constexpr float kPlayingRate = 48000;
inline constexpr int32_t kPlayingBlock = 512;

inline const VstTimeInfo& playingTime() {
  static const VstTimeInfo time = [] {
    VstTimeInfo t{};
    t.sampleRate = kPlayingRate;
    t.tempo = 120;
    t.ppqPos = 4;
    t.timeSigNumerator = 3;
    t.timeSigDenominator = 4;
    t.flags = kVstTransportPlaying | kVstPpqPosValid | kVstTempoValid | kVstTimeSigValid;
    return t;
  }();
  return time;
}

inline intptr_t VST_CALLBACK playingHost(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
  switch (opcode) {
    case audioMasterVersion:
      return 2400;
    case audioMasterGetTime:
      return reinterpret_cast<intptr_t>(&playingTime());
    case audioMasterGetSampleRate:
      return static_cast<intptr_t>(kPlayingRate);
    case audioMasterGetBlockSize:
      return kPlayingBlock;
    case audioMasterGetCurrentProcessLevel:
      return 2;  // the audio thread
    default:
      return 0;
  }
}

inline intptr_t dispatch(AEffect* e, int32_t opcode, int32_t index = 0, intptr_t value = 0,
                         void* ptr = nullptr, float opt = 0) {
  return e->dispatcher(e, opcode, index, value, ptr, opt);
}

// The entry with the playing host, then effOpen, sample rate, block size and resume.
inline AEffect* startInstance(Entry entry, float sampleRate = kPlayingRate,
                              int32_t blockSize = kPlayingBlock) {
  AEffect* e = entry ? entry(playingHost) : nullptr;
  if (!e) return nullptr;
  dispatch(e, effOpen);
  dispatch(e, effSetSampleRate, 0, 0, nullptr, sampleRate);
  dispatch(e, effSetBlockSize, 0, blockSize);
  dispatch(e, effMainsChanged, 0, 1);
  return e;
}

// Suspend and effClose.
inline void stopInstance(AEffect* e) {
  if (!e) return;
  dispatch(e, effMainsChanged, 0, 0);
  dispatch(e, effClose);
}

}  // namespace brimtrace_test
