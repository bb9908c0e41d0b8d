// An instance made in this process through the plug-in's own instance maker, for the
// fuzz targets, the thread tests and the benchmarks that measure the code, not the loader.
#pragma once
#include "plugin/vst2/instance.h"
#include "tests/support/playing_host.h"

namespace brimtrace_test {

inline AEffect* startInProcess(float sampleRate = kPlayingRate, int32_t blockSize = kPlayingBlock) {
  return startInstance(createBrimtraceInstance, sampleRate, blockSize);
}

}  // namespace brimtrace_test
