// Measures a VST 2.4 library the way a host meets it: loaded at run time, instances made
// through its exported entry, stereo 512-frame float blocks of random input, a host that
// answers time information. Works for Brimtrace and for other plug-ins alike.
//
//   brimtrace-host-bench PLUGIN            every figure, with children for fresh processes
//   brimtrace-host-bench PLUGIN --row NAME one line of the peers table
//   brimtrace-host-bench PLUGIN audio|first|later|memory   one measurement (the children)
//
// Audio: each round times 100 blocks of memcpy of the same buffers (every input channel
// to its output channel) and 100 blocks of processing, one after the other; the figure is
// the median of 201 rounds' ratios. Short rounds side by side keep a shared machine's
// interruptions out of most rounds, and the median drops the rounds they hit.
// BRIMTRACE_AUDIO_PATH=sse2 or avx2 makes Brimtrace use that path; BRIMTRACE_BENCH_STEPS=1
// makes `first` also time the steps of a second instance (entry, effOpen, resume).
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "plugin/vst2/vst2.h"
#include "tests/support/environment.h"
#include "tests/support/measure.h"
#include "tests/support/playing_host.h"
#include "tools/host/plugin_module.h"

namespace {

using brimtrace_test::dispatch;
using brimtrace_test::Entry;
using brimtrace_test::playingHost;
using brimtrace_test::residentBytes;
using Clock = std::chrono::steady_clock;

constexpr int kFrames = 512, kBlocksPerRound = 100, kRounds = 201, kProcesses = 5, kInstances = 100;

double seconds(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double>(b - a).count();
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n == 0 ? -1 : (n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2);
}

// Input and output channels of one block, random input in [-1, 1].
template <class Sample>
struct Buffers {
  explicit Buffers(int channels) : data(2 * channels, std::vector<Sample>(kFrames)) {
    std::mt19937 random(11);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    for (int c = 0; c < channels; ++c) {
      for (Sample& s : data[c]) s = static_cast<Sample>(unit(random));
      inputs.push_back(data[c].data());
      outputs.push_back(data[channels + c].data());
    }
  }
  std::vector<std::vector<Sample>> data;
  std::vector<Sample*> inputs, outputs;
};

void* (*volatile copyBytes)(void*, const void*, std::size_t) = std::memcpy;

struct AudioFigure {
  double ratio = -1, nsPerFrame = -1, memcpyNsPerFrame = -1;
};

template <class Sample, class Process>
AudioFigure measureAudio(AEffect* e, Process process) {
  const int channels = std::max(std::max(e->numInputs, e->numOutputs), 2);
  Buffers<Sample> b(channels);
  const int copies = std::min(e->numInputs, e->numOutputs) > 0 ? std::min(e->numInputs, e->numOutputs) : 2;
  std::vector<double> ratios, processTimes, copyTimes;
  for (int i = 0; i < 50; ++i) process(e, b.inputs.data(), b.outputs.data(), kFrames);  // warm
  for (int round = 0; round < kRounds; ++round) {
    const auto t0 = Clock::now();
    for (int i = 0; i < kBlocksPerRound; ++i)
      for (int c = 0; c < copies; ++c) copyBytes(b.outputs[c], b.inputs[c], kFrames * sizeof(Sample));
    const auto t1 = Clock::now();
    for (int i = 0; i < kBlocksPerRound; ++i) process(e, b.inputs.data(), b.outputs.data(), kFrames);
    const auto t2 = Clock::now();
    copyTimes.push_back(seconds(t0, t1));
    processTimes.push_back(seconds(t1, t2));
    ratios.push_back(seconds(t1, t2) / seconds(t0, t1));
  }
  const double frames = double(kBlocksPerRound) * kFrames;
  return {median(ratios), median(processTimes) / frames * 1e9, median(copyTimes) / frames * 1e9};
}

// --- the measurements, each printing one line "<name> <values...>" -----------------

int audio(Entry entry) {
  AEffect* e = brimtrace_test::startInstance(entry);
  if (!e) return 1;
  const AudioFigure f = measureAudio<float>(
      e, [](AEffect* x, float** in, float** out, int32_t n) { x->processReplacing(x, in, out, n); });
  AudioFigure d;
  if (e->flags & effFlagsCanDoubleReplacing)
    d = measureAudio<double>(e, [](AEffect* x, double** in, double** out, int32_t n) {
      x->processDoubleReplacing(x, in, out, n);
    });
  std::printf("audio %g %g %g %g %g %g\n", f.ratio, f.nsPerFrame, f.memcpyNsPerFrame, d.ratio, d.nsPerFrame,
              d.memcpyNsPerFrame);
  brimtrace_test::stopInstance(e);
  return 0;
}

// The first instance of a fresh process; the library is loaded before the clock starts.
int first(Entry entry) {
  const auto t0 = Clock::now();
  AEffect* e = brimtrace_test::startInstance(entry);
  const auto t1 = Clock::now();
  if (!e) return 1;
  std::printf("first %g\n", seconds(t0, t1) * 1e3);
  if (std::getenv("BRIMTRACE_BENCH_STEPS")) {
    brimtrace_test::stopInstance(e);
    auto a = Clock::now();
    e = entry(playingHost);
    auto b = Clock::now();
    dispatch(e, effOpen);
    auto c = Clock::now();
    dispatch(e, effMainsChanged, 0, 1);
    auto d = Clock::now();
    std::printf("steps: entry %g open %g resume %g ms\n", seconds(a, b) * 1e3, seconds(b, c) * 1e3,
                seconds(c, d) * 1e3);
  }
  brimtrace_test::stopInstance(e);
  return 0;
}

int later(Entry entry) {
  AEffect* e = brimtrace_test::startInstance(entry);
  if (!e) return 1;
  std::vector<double> times;
  for (int i = 0; i < 200; ++i) {
    const auto t0 = Clock::now();
    AEffect* next = brimtrace_test::startInstance(entry);
    const auto t1 = Clock::now();
    times.push_back(seconds(t0, t1) * 1e3);
    brimtrace_test::stopInstance(next);
  }
  brimtrace_test::stopInstance(e);
  std::printf("later %g\n", median(times));
  return 0;
}

// 100 instances that have processed audio, editors closed.
int memory(Entry entry) {
  AEffect* firstOne = brimtrace_test::startInstance(entry);  // whatever the process keeps once
  if (!firstOne) return 1;
  Buffers<float> b(std::max(std::max(firstOne->numInputs, firstOne->numOutputs), 2));
  for (int i = 0; i < 10; ++i)
    firstOne->processReplacing(firstOne, b.inputs.data(), b.outputs.data(), kFrames);
  std::vector<AEffect*> instances;
  const long long before = residentBytes();
  for (int i = 0; i < kInstances; ++i) {
    AEffect* e = brimtrace_test::startInstance(entry);
    if (!e) return 1;
    for (int k = 0; k < 10; ++k) e->processReplacing(e, b.inputs.data(), b.outputs.data(), kFrames);
    instances.push_back(e);
  }
  const long long after = residentBytes();
  for (AEffect* e : instances) brimtrace_test::stopInstance(e);
  brimtrace_test::stopInstance(firstOne);
  std::printf("memory %g\n", double(after - before) / kInstances / 1024.0);
  return 0;
}

// --- running children ----------------------------------------------------------------

std::string selfPath() {
#if defined(_WIN32)
  char path[MAX_PATH];
  GetModuleFileNameA(nullptr, path, sizeof path);
  return path;
#else
  char path[4096];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  path[n > 0 ? n : 0] = 0;
  return path;
#endif
}

void setPath(const char* path) { brimtrace_test::setVariable("BRIMTRACE_AUDIO_PATH", path); }

// The numbers a child prints after its measurement's name.
std::vector<double> child(const std::string& plugin, const char* what) {
  const std::string command = "\"" + selfPath() + "\" \"" + plugin + "\" " + what;
#if defined(_WIN32)
  FILE* pipe = _popen(("\"" + command + "\"").c_str(), "r");
#else
  FILE* pipe = popen(command.c_str(), "r");
#endif
  std::vector<double> values;
  if (!pipe) return values;
  char line[512];
  while (std::fgets(line, sizeof line, pipe)) {
    if (std::strncmp(line, what, std::strlen(what)) != 0) continue;
    const char* p = line + std::strlen(what);
    char* end = nullptr;
    for (double v = std::strtod(p, &end); end != p; v = std::strtod(p, &end)) {
      values.push_back(v);
      p = end;
    }
  }
#if defined(_WIN32)
  _pclose(pipe);
#else
  pclose(pipe);
#endif
  return values;
}

double at(const std::vector<double>& v, std::size_t i) { return i < v.size() ? v[i] : -1; }

double firstInstanceMedian(const std::string& plugin) {
  std::vector<double> times;
  for (int i = 0; i < kProcesses; ++i)
    if (auto v = child(plugin, "first"); !v.empty()) times.push_back(v[0]);
  return median(times);
}

void row(const char* what, double value, const char* unit, double target, const char* note = "") {
  if (value < 0) {
    std::printf("| %s | not measured | <= %.4g %s | |\n", what, target, unit);
    return;
  }
  const double over = value / target;
  char verdict[64];
  if (over <= 1)
    std::snprintf(verdict, sizeof verdict, "met");
  else
    std::snprintf(verdict, sizeof verdict, "MISSED by %.0f %%", (over - 1) * 100);
  std::printf("| %s | %.3g %s | <= %.4g %s | %s%s |\n", what, value, unit, target, unit, verdict, note);
}

bool offersAvx2() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2");
}

int everything(const std::string& plugin) {
  std::printf("| measure | measured | target | |\n|---|---|---|---|\n");
  const char* paths[] = {"sse2", "avx2"};
  const double targets[] = {8, 5};
  for (int p = 0; p < 2; ++p) {
    if (p == 1 && !offersAvx2()) {
      std::printf("| %s path | skipped: this processor has no AVX2 | | |\n", paths[p]);
      continue;
    }
    setPath(paths[p]);
    const std::vector<double> a = child(plugin, "audio");
    char what[160];
    std::snprintf(what, sizeof what,
                  "processReplacing / memcpy, %s path (float, stereo, 512 frames; %.2f ns per frame)",
                  paths[p], at(a, 1));
    row(what, at(a, 0), "x", targets[p]);
    std::snprintf(what, sizeof what, "processDoubleReplacing / memcpy, %s path (double; %.2f ns per frame)",
                  paths[p], at(a, 4));
    row(what, at(a, 3), "x", targets[p]);
  }
  setPath(nullptr);
  row("first instance in a fresh process: entry, effOpen, rate, block size, resume (median of 5)",
      firstInstanceMedian(plugin), "ms", 0.1);
  row("later instance", at(child(plugin, "later"), 0), "ms", 0.02);
  row("resident memory per instance, 100 instances after audio, editors closed",
      at(child(plugin, "memory"), 0), "KiB", 128);
  return 0;
}

// One row of the peers table: ns per frame, x memcpy, first instance, resident.
int peerRow(const std::string& plugin, const char* name) {
  const std::vector<double> a = child(plugin, "audio");
  const double firstMs = firstInstanceMedian(plugin);
  const double kib = at(child(plugin, "memory"), 0);
  std::printf("| %s | %.2f | %.1f x | %.3g ms | %.0f KiB |\n", name, at(a, 1), at(a, 0), firstMs, kib);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s PLUGIN [audio|first|later|memory|--row NAME]\n", argv[0]);
    return 2;
  }
  const std::string plugin = argv[1];
  const std::string what = argc > 2 ? argv[2] : "";
  if (what.empty()) return everything(plugin);
  if (what == "--row") return peerRow(plugin, argc > 3 ? argv[3] : argv[1]);
  const PluginModule module(argv[1]);
  const Entry entry = module.findEntry();
  if (!entry) {
    std::fprintf(stderr, "cannot load %s: %s\n", argv[1],
                 module.loaded() ? "no entry" : module.error().c_str());
    return 1;
  }
  if (what == "audio") return audio(entry);
  if (what == "first") return first(entry);
  if (what == "later") return later(entry);
  if (what == "memory") return memory(entry);
  return 2;
}
