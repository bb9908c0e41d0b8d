// A host for the robustness tests: answers like a DAW whose transport plays, from any
// thread at once (it only reads constant records), and makes instances the way hosts do.
#pragma once
#include <cstdint>

#include "plugin/instance.h"
#include "plugin/vst2.h"

namespace robust {

inline const VstTimeInfo& playingTime() {
  static const VstTimeInfo time = [] {
    VstTimeInfo t{};
    t.sampleRate = 48000;
    t.tempo = 120;
    t.ppqPos = 4;
    t.timeSigNumerator = 3;
    t.timeSigDenominator = 4;
    t.flags = kVstTransportPlaying | kVstPpqPosValid | kVstTempoValid | kVstTimeSigValid;
    return t;
  }();
  return time;
}

inline intptr_t VST_CALLBACK host(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
  if (opcode == audioMasterVersion) return 2400;
  if (opcode == audioMasterGetTime) return reinterpret_cast<intptr_t>(&playingTime());
  return 0;
}

// Entry, effOpen, sample rate, block size and resume.
inline AEffect* startInstance(float sampleRate = 48000, int32_t blockSize = 512) {
  AEffect* e = createBrimtraceInstance(host);
  if (!e) return nullptr;
  e->dispatcher(e, effOpen, 0, 0, nullptr, 0);
  e->dispatcher(e, effSetSampleRate, 0, 0, nullptr, sampleRate);
  e->dispatcher(e, effSetBlockSize, 0, blockSize, nullptr, 0);
  e->dispatcher(e, effMainsChanged, 0, 1, nullptr, 0);
  return e;
}

inline intptr_t dispatch(AEffect* e, int32_t opcode, int32_t index = 0, intptr_t value = 0,
                         void* ptr = nullptr, float opt = 0) {
  return e->dispatcher(e, opcode, index, value, ptr, opt);
}

}  // namespace robust
