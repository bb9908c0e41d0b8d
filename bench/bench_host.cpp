#include "bench/bench_host.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#if defined(_WIN32)
#include <windows.h>
#else
#include <time.h>
#endif

namespace bench {

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

double threadSeconds() {
#if defined(_WIN32)
  FILETIME created, exited, kernel, user;
  if (!GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user)) return 0;
  auto seconds = [](FILETIME t) {
    return ((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime) * 1e-7;
  };
  return seconds(kernel) + seconds(user);
#else
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + t.tv_nsec * 1e-9;
#endif
}

HistoryFeed::HistoryFeed(AEffect* effect, bool jagged)
    : effect_(effect), jagged_(jagged), in0_(kFrames), in1_(kFrames), out0_(kFrames), out1_(kFrames) {}

void HistoryFeed::operator()() {
  const float level =
      jagged_ ? (pass_ % 2 ? 2.0f : 0.0f) : static_cast<float>(std::pow(10.0, -5 + (pass_ % 100) * 0.05));
  for (int i = 0; i < kFrames; ++i) in0_[i] = in1_[i] = (i % 2 ? level : -level);
  float* inputs[] = {in0_.data(), in1_.data()};
  float* outputs[] = {out0_.data(), out1_.data()};
  effect_->processReplacing(effect_, inputs, outputs, kFrames);
  ++pass_;
}

}  // namespace bench
