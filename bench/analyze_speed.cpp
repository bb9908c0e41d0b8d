// brimtrace-analyze-speed: what `brimtrace-host analyze` costs against decoding the same
// file alone, over an hour of generated 48 kHz stereo 16-bit audio (written once, then
// read from the page cache), and whether its resident memory grows with the file.
//   brimtrace-analyze-speed [FOLDER] [--minutes M] [--rounds N]
// The measurements alternate; the ratios compare the fastest of each, in elapsed time (the
// figure judged: what the person waiting sees) and, for the record, in processor time.
// Decoding alone is the reader's own work on one thread, block for block: decoding and the
// conversion to doubles, one buffer per channel, as the analyzer consumes them (for 16-bit
// PCM libsndfile's short read, converted and split in one pass: the cheapest way to doubles
// we have). analyze does the same work on two threads, decoding on one while it converts
// and measures on the other. On Linux libsndfile's own decoding to doubles
// (sf_readf_double), the slower and plainer baseline, is timed too.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tools/host/analyze.h"
#include "tools/host/audio_io.h"

#if !defined(_WIN32)
#include <sndfile.h>
#endif

namespace {

using Clock = std::chrono::steady_clock;

struct Timing {
  double elapsed = 1e30, processor = 1e30;  // seconds
  void keepBest(const Timing& t) {
    elapsed = std::min(elapsed, t.elapsed);
    processor = std::min(processor, t.processor);
  }
};

// Times f in elapsed and in processor seconds (all threads).
template <class F>
Timing timed(F&& f) {
  const auto start = Clock::now();
  const std::clock_t cpu = std::clock();
  f();
  return {std::chrono::duration<double>(Clock::now() - start).count(),
          static_cast<double>(std::clock() - cpu) / CLOCKS_PER_SEC};
}
constexpr int kRate = 48000;

// A 1 kHz tone under low noise, with a click every 7 seconds and a step every 61.
bool generate(const std::string& path, double seconds) {
  std::string error;
  auto writer = host::createAudioWriter(path, 2, kRate, host::SampleEncoding::Pcm16, error);
  if (!writer) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return false;
  }
  const int64_t frames = static_cast<int64_t>(seconds * kRate);
  std::vector<double> block(2 * 65536);
  uint32_t noise = 12345;
  for (int64_t done = 0; done < frames;) {
    const int64_t n = std::min<int64_t>(65536, frames - done);
    for (int64_t i = 0; i < n; ++i) {
      const int64_t f = done + i;
      noise = noise * 1664525u + 1013904223u;
      const double hiss = (static_cast<int32_t>(noise) / 2147483648.0) * 0.001;
      double l = 0.25 * std::sin(2 * 3.141592653589793 * 1000.0 * f / kRate) + hiss;
      double r = (f / (61 * kRate)) % 2 ? 0.3 + hiss : -0.3 + hiss;
      if (f % (7 * kRate) == 0) l = 0.9;
      block[static_cast<size_t>(2 * i)] = l;
      block[static_cast<size_t>(2 * i + 1)] = r;
    }
    if (!writer->write(block.data(), n)) return false;
    done += n;
  }
  return writer->close();
}

Timing decode(const std::string& path) {
  return timed([&] {
    std::string error;
    auto reader = host::openAudioReader(path, error);
    const int channels = reader->channels();
    const int64_t splitFrames = host::kAnalyzeSplitSamples / channels;
    std::vector<double> left(static_cast<size_t>(splitFrames)), right(static_cast<size_t>(splitFrames));
    host::DecodedBlock block;
    double sink = 0;
    for (;;) {
      reader->decode(block, host::kAnalyzeDecodeSamples / channels);
      if (block.frames <= 0) break;
      for (int64_t at = 0; at < block.frames; at += splitFrames) {
        const int64_t n = std::min(splitFrames, block.frames - at);
        reader->splitStereo(block, at, n, left.data(), right.data());
        sink += left[0] + right[0];
      }
    }
    if (sink == 12345.678) std::puts("");  // keeps the reads
  });
}

#if !defined(_WIN32)
// libsndfile's own conversion to doubles, interleaved: for comparison only.
Timing decodeDouble(const std::string& path) {
  return timed([&] {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file) return;
    std::vector<double> block(1 << 15);
    double sink = 0;
    while (sf_readf_double(file, block.data(), static_cast<sf_count_t>(block.size()) / info.channels) > 0)
      sink += block[0];
    sf_close(file);
    if (sink == 12345.678) std::puts("");
  });
}
#endif

Timing analyze(const std::string& path, const std::string& folder) {
  host::AnalyzeOptions o;
  o.input = path;
  o.png = folder + "/analysis.png";
  o.json = folder + "/analysis.json";
  o.csv = folder + "/analysis.csv";
  o.progress = false;
  std::ostringstream out, err;
  return timed([&] {
    if (host::runAnalyze(o, out, err) != 0) std::fprintf(stderr, "%s", err.str().c_str());
  });
}

// Peak resident memory so far, in KiB (Linux; 0 elsewhere).
long peakResidentKiB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string folder = std::filesystem::temp_directory_path().string();
  double minutes = 60;
  int rounds = 3;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--minutes" && i + 1 < argc)
      minutes = std::atof(argv[++i]);
    else if (a == "--rounds" && i + 1 < argc)
      rounds = std::atoi(argv[++i]);
    else
      folder = a;
  }
  const std::string shortFile = folder + "/brimtrace-analyze-1min.wav";
  const std::string longFile =
      folder + "/brimtrace-analyze-" + std::to_string(static_cast<int>(minutes)) + "min.wav";
  for (const auto& [path, seconds] : {std::pair{shortFile, 60.0}, std::pair{longFile, minutes * 60}}) {
    if (std::filesystem::exists(path)) continue;
    std::printf("writing %s (%.0f s)\n", path.c_str(), seconds);
    if (!generate(path, seconds)) return 1;
  }

  analyze(shortFile, folder);
  const long shortPeak = peakResidentKiB();
  decode(longFile);  // into the page cache
  Timing decodeBest, analyzeBest;
#if !defined(_WIN32)
  Timing libsndfileBest;
#endif
  for (int r = 0; r < rounds; ++r) {
    const Timing d = decode(longFile);
    const Timing a = analyze(longFile, folder);
    std::printf("round %d: decoding %.2f s (processor %.2f s), analysing %.2f s (processor %.2f s)", r + 1,
                d.elapsed, d.processor, a.elapsed, a.processor);
#if !defined(_WIN32)
    const Timing s = decodeDouble(longFile);
    std::printf(", sf_readf_double %.2f s (processor %.2f s)", s.elapsed, s.processor);
    libsndfileBest.keepBest(s);
#endif
    std::printf("\n");
    decodeBest.keepBest(d);
    analyzeBest.keepBest(a);
  }
  const long longPeak = peakResidentKiB();
  std::printf(
      "%.0f minutes of 48 kHz stereo 16-bit WAV, fastest of %d: decoding alone %.2f s, analysing "
      "(PNG, JSON, CSV) %.2f s: %.2f x (target at most 1.5 x); processor time %.2f x\n",
      minutes, rounds, decodeBest.elapsed, analyzeBest.elapsed, analyzeBest.elapsed / decodeBest.elapsed,
      analyzeBest.processor / decodeBest.processor);
#if !defined(_WIN32)
  std::printf(
      "against libsndfile's own decoding to doubles (sf_readf_double), %.2f s: %.2f x; processor time "
      "%.2f x\n",
      libsndfileBest.elapsed, analyzeBest.elapsed / libsndfileBest.elapsed,
      analyzeBest.processor / libsndfileBest.processor);
#endif
  std::printf("peak resident memory: %ld KiB after a 1-minute file, %ld KiB after the %.0f-minute one\n",
              shortPeak, longPeak, minutes);
  return 0;
}
