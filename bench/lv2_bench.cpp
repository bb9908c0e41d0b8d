// The LV2 plug-in's audio path against the VST 2.4 plug-in's, in the same run: both
// built libraries loaded as hosts load them, stereo 512-frame float blocks of random
// input, each round timing 100 blocks of memcpy, of the VST 2.4 processReplacing and of
// the LV2 run() side by side; the medians of 201 rounds. The two formats' own per-block
// exchanges differ (the VST 2.4 host answers time information, LV2 has no callback).
//
//   brimtrace-lv2-bench [VST_LIBRARY LV2_LIBRARY]
#include <dlfcn.h>
#include <lv2/core/lv2.h>
#include <lv2/urid/urid.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "tests/support/playing_host.h"
#include "tools/host/plugin_module.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kFrames = 512, kBlocks = 100, kRounds = 201;

double seconds(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double>(b - a).count();
}
double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}
void* (*volatile copyBytes)(void*, const void*, std::size_t) = std::memcpy;

std::vector<std::string> uris;
LV2_URID mapUri(LV2_URID_Map_Handle, const char* uri) {
  uris.emplace_back(uri);
  return static_cast<LV2_URID>(uris.size());
}

}  // namespace

int main(int argc, char** argv) {
  const std::string vstPath = argc > 2 ? argv[1] : BRIMTRACE_VST_LIBRARY;
  const std::string lv2Path = argc > 2 ? argv[2] : BRIMTRACE_LV2_LIBRARY;
  const PluginModule vst(vstPath);
  if (!vst.loaded() || !vst.entry()) {
    std::fprintf(stderr, "cannot load %s: %s\n", vstPath.c_str(), vst.error().c_str());
    return 1;
  }
  AEffect* e = brimtrace_test::startInstance(vst.entry());
  void* lv2 = dlopen(lv2Path.c_str(), RTLD_NOW);
  auto entry =
      lv2 ? reinterpret_cast<const LV2_Descriptor* (*)(uint32_t)>(dlsym(lv2, "lv2_descriptor")) : nullptr;
  const LV2_Descriptor* descriptor = entry ? entry(0) : nullptr;
  if (!e || !descriptor) {
    std::fprintf(stderr, "cannot start both plug-ins (%s)\n", lv2 ? "" : dlerror());
    return 1;
  }
  LV2_URID_Map map{nullptr, mapUri};
  const LV2_Feature mapFeature{LV2_URID__map, &map};
  const LV2_Feature* features[] = {&mapFeature, nullptr};
  LV2_Handle instance = descriptor->instantiate(descriptor, brimtrace_test::kPlayingRate, "", features);
  descriptor->activate(instance);

  std::mt19937 random(7);
  std::uniform_real_distribution<float> sample(-1, 1);
  std::vector<float> in[2], out[2];
  for (int c = 0; c < 2; ++c) {
    in[c].resize(kFrames), out[c].resize(kFrames);
    for (float& x : in[c]) x = sample(random);
  }
  float* inputs[2] = {in[0].data(), in[1].data()};
  float* outputs[2] = {out[0].data(), out[1].data()};
  for (uint32_t p = 0; p < 2; ++p) {
    descriptor->connect_port(instance, p, inputs[p]);
    descriptor->connect_port(instance, 2 + p, outputs[p]);
  }
  for (int i = 0; i < 50; ++i) {  // warm
    e->processReplacing(e, inputs, outputs, kFrames);
    descriptor->run(instance, kFrames);
  }
  std::vector<double> copyTimes, vstTimes, lv2Times, ratios;
  for (int round = 0; round < kRounds; ++round) {
    const auto t0 = Clock::now();
    for (int i = 0; i < kBlocks; ++i)
      for (int c = 0; c < 2; ++c) copyBytes(outputs[c], inputs[c], kFrames * sizeof(float));
    const auto t1 = Clock::now();
    for (int i = 0; i < kBlocks; ++i) e->processReplacing(e, inputs, outputs, kFrames);
    const auto t2 = Clock::now();
    for (int i = 0; i < kBlocks; ++i) descriptor->run(instance, kFrames);
    const auto t3 = Clock::now();
    copyTimes.push_back(seconds(t0, t1) / kBlocks * 1e9);
    vstTimes.push_back(seconds(t1, t2) / kBlocks * 1e9);
    lv2Times.push_back(seconds(t2, t3) / kBlocks * 1e9);
    ratios.push_back(seconds(t2, t3) / seconds(t1, t2));
  }
  std::printf("| path, stereo 512-frame float blocks | ns per block | x memcpy |\n|---|---|---|\n");
  const double copy = median(copyTimes);
  std::printf("| memcpy of the block | %.0f | 1 |\n", copy);
  std::printf("| VST 2.4 processReplacing | %.0f | %.1f |\n", median(vstTimes), median(vstTimes) / copy);
  std::printf("| LV2 run() | %.0f | %.1f |\n", median(lv2Times), median(lv2Times) / copy);
  std::printf("LV2 against VST 2.4, median of the rounds' ratios: %.2f x\n", median(ratios));
  descriptor->deactivate(instance);
  descriptor->cleanup(instance);
  brimtrace_test::stopInstance(e);
  return 0;
}
