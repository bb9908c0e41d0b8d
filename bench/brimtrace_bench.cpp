// The plug-in's costs against its targets, measured side by side in one run, in process
// (brimtrace-host-bench measures the built library through its exported entry):
//   audio: processReplacing of stereo 512-frame blocks against memcpy of the same
//          buffers, and subnormal input against normal input (outputs checked
//          bit-identical to the inputs);
//   drawing: one full paint of the picture into a 400 x 400 offscreen;
//   instance: entry + effOpen + resume (in the Google Benchmark table only: the figure
//          against its target comes from brimtrace-host-bench), and resident memory per
//          instance, editors closed and with one picture drawn.
// Run with tools/bench.sh; the summary at the end gives the ratios.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "bench/bench_host.h"
#include "tests/robust/editor_paint.h"

namespace {

constexpr int kFrames = 512;

enum class Input { kNormal, kSubnormal };

// Stereo input and output buffers of one block.
template <class Sample>
struct Block {
  explicit Block(Input kind) : in0(kFrames), in1(kFrames), out0(kFrames), out1(kFrames) {
    std::mt19937 random(7);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    // Silence with denormal noise: values below the smallest normal number of the
    // sample type, both signs, exact zeros among them.
    const double tiny = std::numeric_limits<Sample>::min();
    for (int i = 0; i < kFrames; ++i) {
      if (kind == Input::kNormal) {
        in0[i] = static_cast<Sample>(0.5 * std::sin(i * 0.05) + 0.1 * unit(random));
        in1[i] = static_cast<Sample>(0.3 * unit(random));
      } else {
        in0[i] = static_cast<Sample>(tiny * 0.999 * unit(random));
        in1[i] = i % 16 == 0 ? Sample(0) : static_cast<Sample>(tiny * 0.5 * unit(random));
      }
    }
    inputs[0] = in0.data();
    inputs[1] = in1.data();
    outputs[0] = out0.data();
    outputs[1] = out1.data();
  }
  bool outputsEqualInputs() const {
    return std::memcmp(in0.data(), out0.data(), kFrames * sizeof(Sample)) == 0 &&
           std::memcmp(in1.data(), out1.data(), kFrames * sizeof(Sample)) == 0;
  }
  std::vector<Sample> in0, in1, out0, out1;
  Sample* inputs[2];
  Sample* outputs[2];
};

// The limit a pass-through analyzer is measured against; called through a volatile
// pointer so that it is never folded into the benchmark loop.
void* (*volatile copyBytes)(void*, const void*, std::size_t) = std::memcpy;

template <class Sample>
void copyBlock(Block<Sample>& b) {
  copyBytes(b.outputs[0], b.inputs[0], kFrames * sizeof(Sample));
  copyBytes(b.outputs[1], b.inputs[1], kFrames * sizeof(Sample));
}

void process(AEffect* e, Block<float>& b) { e->processReplacing(e, b.inputs, b.outputs, kFrames); }
void process(AEffect* e, Block<double>& b) { e->processDoubleReplacing(e, b.inputs, b.outputs, kFrames); }

template <class Sample>
void BM_Memcpy(benchmark::State& state) {
  Block<Sample> block(Input::kNormal);
  for (auto _ : state) {
    copyBlock(block);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kFrames);
}

// Bit-identity of every processed block is recorded here for the summary.
std::map<std::string, bool> passThroughExact;

template <class Sample, Input kind>
void BM_Process(benchmark::State& state) {
  AEffect* e = brimtrace_test::startInProcess();
  Block<Sample> block(kind);
  for (auto _ : state) {
    process(e, block);
    benchmark::ClobberMemory();
  }
  process(e, block);
  const bool exact = block.outputsEqualInputs();
  const std::string name =
      std::string(sizeof(Sample) == 4 ? "processReplacing/" : "processDoubleReplacing/") +
      (kind == Input::kNormal ? "normal" : "subnormal");
  passThroughExact[name] = exact;
  if (!exact) state.SkipWithError("outputs differ from the inputs");
  state.SetItemsProcessed(state.iterations() * kFrames);
  brimtrace_test::stopInstance(e);
}

// Entry, effOpen and resume; closing is not timed.
void BM_InstanceCreate(benchmark::State& state) {
  brimtrace_test::stopInstance(brimtrace_test::startInProcess());  // process-wide tables built before timing
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    AEffect* e = brimtrace_test::startInProcess();
    const auto end = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(e);
    state.SetIterationTime(std::chrono::duration<double>(end - start).count());
    brimtrace_test::stopInstance(e);
  }
}

// The whole picture with a full history; one block of audio between paints so that
// every paint pushes an entry, as it does while audio runs. A smooth history (peaks
// rising slowly, as from music) draws short trace segments; a jagged one (each entry
// at the other edge from its neighbours) draws 198 segments across the whole height,
// the costliest picture there is.
template <bool jagged>
void BM_DrawingPass(benchmark::State& state) {
  AEffect* e = brimtrace_test::startInProcess();
  EditorPaint painter(e);
  Block<float> block(Input::kNormal);
  int pass = 0;
  auto feed = [&] {
    // Jagged: slews of 4 and 0 in turn, entries at the top and the bottom edge.
    const float level =
        jagged ? (pass % 2 ? 2.0f : 0.0f) : static_cast<float>(std::pow(10.0, -5 + (pass % 100) * 0.05));
    for (int i = 0; i < kFrames; ++i) block.in0[i] = block.in1[i] = (i % 2 ? level : -level);
    process(e, block);
    ++pass;
  };
  for (int i = 0; i < 100; ++i) {
    feed();
    painter.paint();
  }
  for (auto _ : state) {
    state.PauseTiming();
    feed();
    state.ResumeTiming();
    painter.paint();
  }
  brimtrace_test::stopInstance(e);
}

BENCHMARK(BM_Memcpy<float>)->Name("memcpy/float");
BENCHMARK(BM_Memcpy<double>)->Name("memcpy/double");
BENCHMARK(BM_Process<float, Input::kNormal>)->Name("processReplacing/normal");
BENCHMARK(BM_Process<float, Input::kSubnormal>)->Name("processReplacing/subnormal");
BENCHMARK(BM_Process<double, Input::kNormal>)->Name("processDoubleReplacing/normal");
BENCHMARK(BM_Process<double, Input::kSubnormal>)->Name("processDoubleReplacing/subnormal");
BENCHMARK(BM_InstanceCreate)
    ->Name("instance/entry+open+resume")
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DrawingPass<false>)
    ->Name("drawing/full_pass_400x400/smooth_history")
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DrawingPass<true>)
    ->Name("drawing/full_pass_400x400/jagged_history")
    ->Unit(benchmark::kMicrosecond);

// Cost ratio b / a of two block operations, measured alternately so that both see the
// same machine: many short samples of each, the fastest sample of each compared. On a
// shared machine the fastest sample is the one nothing else interrupted.
template <class A, class B>
double pairedRatio(A&& a, B&& b, int samples = 400, int callsPerSample = 32) {
  using clock = std::chrono::steady_clock;
  double bestA = 1e300, bestB = 1e300;
  for (int s = 0; s < samples; ++s) {
    auto t0 = clock::now();
    for (int i = 0; i < callsPerSample; ++i) a();
    auto t1 = clock::now();
    for (int i = 0; i < callsPerSample; ++i) b();
    auto t2 = clock::now();
    bestA = std::min(bestA, std::chrono::duration<double>(t1 - t0).count());
    bestB = std::min(bestB, std::chrono::duration<double>(t2 - t1).count());
  }
  if (std::getenv("BRIMTRACE_BENCH_VERBOSE"))
    std::printf("paired: %.1f ns vs %.1f ns per call\n", bestA / callsPerSample * 1e9,
                bestB / callsPerSample * 1e9);
  return bestB / bestA;
}

struct PairedRatios {
  double processVsCopy = -1, doubleVsCopy = -1, subnormalFloat = -1, subnormalDouble = -1;
  bool exact = true;
};

PairedRatios measurePaired() {
  PairedRatios r;
  AEffect* e = brimtrace_test::startInProcess();
  Block<float> normal(Input::kNormal), subnormal(Input::kSubnormal);
  Block<double> normalD(Input::kNormal), subnormalD(Input::kSubnormal);
  r.processVsCopy = pairedRatio(
      [&] {
        copyBlock(normal);
        benchmark::ClobberMemory();
      },
      [&] {
        process(e, normal);
        benchmark::ClobberMemory();
      });
  r.doubleVsCopy = pairedRatio(
      [&] {
        copyBlock(normalD);
        benchmark::ClobberMemory();
      },
      [&] {
        process(e, normalD);
        benchmark::ClobberMemory();
      });
  r.subnormalFloat = pairedRatio([&] { process(e, normal); }, [&] { process(e, subnormal); });
  r.subnormalDouble = pairedRatio([&] { process(e, normalD); }, [&] { process(e, subnormalD); });
  r.exact = normal.outputsEqualInputs() && subnormal.outputsEqualInputs() && normalD.outputsEqualInputs() &&
            subnormalD.outputsEqualInputs();
  brimtrace_test::stopInstance(e);
  return r;
}

// Resident memory that N live, resumed instances add, per instance, after audio and,
// when asked, one picture each (into one shared offscreen, as the host's window would
// be). Measured before the benchmarks run, so that nothing else has grown the process.
double residentKiBPerInstance(int count, bool drawn) {
  std::vector<AEffect*> instances;
  Block<float> block(Input::kNormal);
  AEffect* warm = brimtrace_test::startInProcess();  // process-wide state first
  EditorPaint painter(warm);
  if (drawn) painter.paint();
  brimtrace_test::stopInstance(warm);
  const long long before = brimtrace_test::residentBytes();
  for (int i = 0; i < count; ++i) {
    instances.push_back(brimtrace_test::startInProcess());
    for (int k = 0; k < 10; ++k) process(instances.back(), block);
    if (drawn) EditorPaint::paintInto(EditorPaint::pluginOf(instances.back()), painter.bitmap());
  }
  const long long after = brimtrace_test::residentBytes();
  for (AEffect* e : instances) brimtrace_test::stopInstance(e);
  return static_cast<double>(after - before) / count / 1024.0;
}

// Keeps the console output and remembers each benchmark's time per iteration, in
// nanoseconds (the median when repetitions are asked for).
class Recorder : public benchmark::ConsoleReporter {
public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      // CPU time of the benchmark's thread: on a shared machine wall time also counts
      // whatever else ran meanwhile. Manual timings only have wall time.
      const double perIteration =
          run.run_name.time_type == "manual_time" ? run.GetAdjustedRealTime() : run.GetAdjustedCPUTime();
      const double ns = perIteration * nanosPer(run.time_unit);
      const std::string name = run.run_name.function_name;
      if (run.run_type == Run::RT_Aggregate) {
        if (run.aggregate_name == "median") median_[name] = ns;
      } else {
        single_[name] = ns;
      }
    }
  }
  // Nanoseconds per iteration, or a negative value when the benchmark did not run.
  double ns(const std::string& name) const {
    if (auto m = median_.find(name); m != median_.end()) return m->second;
    if (auto s = single_.find(name); s != single_.end()) return s->second;
    return -1;
  }

private:
  static double nanosPer(benchmark::TimeUnit unit) {
    switch (unit) {
      case benchmark::kSecond:
        return 1e9;
      case benchmark::kMillisecond:
        return 1e6;
      case benchmark::kMicrosecond:
        return 1e3;
      default:
        return 1;
    }
  }
  std::map<std::string, double> median_, single_;
};

void row(const char* what, double value, const char* unit, double target, const char* note = "") {
  if (value < 0) {
    std::printf("| %s | not measured | %s %.4g | |\n", what, unit[0] ? "" : "", target);
    return;
  }
  std::printf("| %s | %.3g %s | <= %.4g %s | %s%s |\n", what, value, unit, target, unit,
              value <= target ? "met" : "MISSED", note);
}

}  // namespace

int main(int argc, char** argv) {
  const double kib = residentKiBPerInstance(100, false);
  const double kibDrawn = residentKiBPerInstance(100, true);
  const PairedRatios paired = measurePaired();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  Recorder recorder;
  benchmark::RunSpecifiedBenchmarks(&recorder);
  benchmark::Shutdown();

  auto ratio = [&](const char* a, const char* b) {
    const double x = recorder.ns(a), y = recorder.ns(b);
    return x > 0 && y > 0 ? x / y : -1.0;
  };
  auto exact = [&](const char* name) {
    auto it = passThroughExact.find(name);
    return it == passThroughExact.end() ? "" : (it->second ? ", outputs bit-identical" : ", OUTPUTS DIFFER");
  };
  std::printf("\nMachine: %s\n\n", bench::machine());
  std::printf("| measure | measured | target | |\n|---|---|---|---|\n");
  const char* pairedExact = paired.exact ? ", outputs bit-identical" : ", OUTPUTS DIFFER";
  row("processReplacing / memcpy, paired (float, stereo, 512 frames)", paired.processVsCopy, "x", 8,
      pairedExact);
  row("processDoubleReplacing / memcpy, paired (double)", paired.doubleVsCopy, "x", 8, pairedExact);
  row("subnormal / normal input, paired (float)", paired.subnormalFloat, "x", 1.2, pairedExact);
  row("subnormal / normal input, paired (double)", paired.subnormalDouble, "x", 1.2, pairedExact);
  row("processReplacing / memcpy (float, stereo, 512 frames)",
      ratio("processReplacing/normal", "memcpy/float"), "x", 8, exact("processReplacing/normal"));
  row("processDoubleReplacing / memcpy (double)", ratio("processDoubleReplacing/normal", "memcpy/double"),
      "x", 8, exact("processDoubleReplacing/normal"));
  row("subnormal / normal input (float)", ratio("processReplacing/subnormal", "processReplacing/normal"), "x",
      1.2, exact("processReplacing/subnormal"));
  row("subnormal / normal input (double)",
      ratio("processDoubleReplacing/subnormal", "processDoubleReplacing/normal"), "x", 1.2,
      exact("processDoubleReplacing/subnormal"));
  const double smooth = recorder.ns("drawing/full_pass_400x400/smooth_history");
  row("drawing pass, 400 x 400 offscreen, smooth history", smooth < 0 ? -1 : smooth / 1e6, "ms", 1);
  const double jagged = recorder.ns("drawing/full_pass_400x400/jagged_history");
  row("drawing pass, 400 x 400 offscreen, jagged history", jagged < 0 ? -1 : jagged / 1e6, "ms", 1);
  row("resident memory per instance (100 instances, editors closed)", kib, "KiB", 128);
  std::printf(
      "| resident memory per instance (100 instances, one picture drawn each) | %.3g KiB | (three images, "
      "~115 KiB) | |\n",
      kibDrawn);
  const double block = recorder.ns("processReplacing/normal");
  if (block > 0) std::printf("\nprocessReplacing: %.2f ns per stereo frame\n", block / kFrames);
  return 0;
}
