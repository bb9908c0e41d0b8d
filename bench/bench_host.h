// The host side of the benchmarks: a callback that answers like a playing DAW, and
// instances made the way a host makes them.
#pragma once
#include <cstdint>

#include "plugin/vst2.h"

namespace bench {

// Answers its version, and time information with tempo, time signature and a playing
// transport, as hosts do while audio runs.
intptr_t VST_CALLBACK host(AEffect* effect, int32_t opcode, int32_t index, intptr_t value,
                           void* ptr, float opt);

// Entry, effOpen, sample rate, block size and resume: ready for processing.
AEffect* makeInstance(float sampleRate = 48000, int32_t blockSize = 512);
void closeInstance(AEffect* effect);

// Resident memory of this process in bytes (0 where the platform does not say).
long long residentBytes();
// One line naming the machine: cores and processor model.
const char* machine();

}  // namespace bench
