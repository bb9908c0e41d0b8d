#include "bench/bench_host.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "plugin/instance.h"

#if defined(__linux__)
#include <unistd.h>
#endif

namespace bench {

namespace {
VstTimeInfo timeInfo = [] {
  VstTimeInfo t{};
  t.sampleRate = 48000;
  t.tempo = 120;
  t.ppqPos = 16;
  t.timeSigNumerator = 4;
  t.timeSigDenominator = 4;
  t.flags = kVstTransportPlaying | kVstPpqPosValid | kVstTempoValid | kVstTimeSigValid;
  return t;
}();
}  // namespace

intptr_t VST_CALLBACK host(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
  switch (opcode) {
    case audioMasterVersion:
      return 2400;
    case audioMasterGetTime:
      return reinterpret_cast<intptr_t>(&timeInfo);
    default:
      return 0;
  }
}

AEffect* makeInstance(float sampleRate, int32_t blockSize) {
  AEffect* e = createBrimtraceInstance(host);
  if (!e) return nullptr;
  e->dispatcher(e, effOpen, 0, 0, nullptr, 0);
  e->dispatcher(e, effSetSampleRate, 0, 0, nullptr, sampleRate);
  e->dispatcher(e, effSetBlockSize, 0, blockSize, nullptr, 0);
  e->dispatcher(e, effMainsChanged, 0, 1, nullptr, 0);
  return e;
}

void closeInstance(AEffect* effect) {
  if (!effect) return;
  effect->dispatcher(effect, effMainsChanged, 0, 0, nullptr, 0);
  effect->dispatcher(effect, effClose, 0, 0, nullptr, 0);
}

long long residentBytes() {
#if defined(__linux__)
  long long pages = 0, resident = 0;
  if (FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%lld %lld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return resident * sysconf(_SC_PAGESIZE);
#else
  return 0;
#endif
}

const char* machine() {
  static const std::string text = [] {
    std::string model = "unknown processor";
#if defined(_WIN32)
    const char* cpuinfo = "Z:\\proc\\cpuinfo";  // under Wine, the Linux side's
#else
    const char* cpuinfo = "/proc/cpuinfo";
#endif
    {
      FILE* f = std::fopen(cpuinfo, "r");
      if (!f) return std::to_string(std::thread::hardware_concurrency()) + " cores, " + model;
      char line[512];
      while (std::fgets(line, sizeof line, f)) {
        if (std::strncmp(line, "model name", 10) == 0) {
          const char* colon = std::strchr(line, ':');
          model = colon ? colon + 2 : line;
          while (!model.empty() && (model.back() == '\n' || model.back() == ' ')) model.pop_back();
          break;
        }
      }
      std::fclose(f);
    }
    return std::to_string(std::thread::hardware_concurrency()) + " cores, " + model;
  }();
  return text.c_str();
}

}  // namespace bench
