#include "bench/bench_host.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

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

}  // namespace bench
